// The document's state and title, New, Save, and reading and writing text files.
#include "document/textfile.h"
#include "tests/program/harness.h"
#include "tests/support/allocation_budget.h"
#include "platform/posix/windowing/screen.h"

#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using DocumentTest = ProgramTest;
namespace fs = std::filesystem;

// Menu items by number: File is 1; in File, New is 2 and Save is 4.
constexpr int kFile = 1, kNew = 2, kSave = 4;

TEST_F(DocumentTest, TypingMarksTheTitleAndSaveWritesTheFileExactly) {
    WriteFile("notes.txt", "hello\r\nworld");
    std::u16string titleTyped;
    bool saveEnabledTyped = false;
    CaretToEnd().Type(u"!").Then([&] {
        titleTyped = Title();
        saveEnabledTyped = !MenuItemGrayed(IDM_FILE_SAVE);
    });
    Menu({kFile, kSave});
    Run(u"\\notes.txt");
    EXPECT_EQ(titleTyped, u"Scrivel - notes.txt *");
    EXPECT_TRUE(saveEnabledTyped);
    EXPECT_EQ(Title(), u"Scrivel - notes.txt ");
    EXPECT_EQ(ReadFile("notes.txt"), "hello\r\nworld!");
    EXPECT_FALSE(DirtyFlag);
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVE));
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVEAS));
}

TEST_F(DocumentTest, EveryByteValueSurvivesOpenAnEditTakenBackAndSave) {
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += char(b);
    WriteFile("all.bin", bytes);
    CaretToEnd().Type(u"x").Key(VK_TBACK);
    Menu({kFile, kSave});
    Run(u"\\all.bin");
    EXPECT_EQ(EditorText().size(), 255u);
    EXPECT_EQ(ReadFile("all.bin"), bytes);
}

TEST_F(DocumentTest, ALongFileOpensAndSavesWhole) {
    std::string bytes;
    for (int i = 0; bytes.size() < 5000; ++i)
        bytes += "line " + std::to_string(i) + " \xE9\x80\r\n";
    WriteFile("long.txt", bytes);
    CaretToEnd().Type(u"!").Key(VK_TBACK);
    Menu({kFile, kSave});
    Run(u"\\long.txt");
    EXPECT_EQ(EditorText().size(), bytes.size());
    EXPECT_EQ(EditorText().substr(0, 9), u"line 0 \u00E9\u20AC");
    EXPECT_EQ(ReadFile("long.txt"), bytes);
}

TEST_F(DocumentTest, CharactersOutsideTheCodePageAreSavedAsQuestionMarks) {
    WriteFile("a.txt", "a");
    CaretToEnd().Type(u"\u4E00\u20AC");
    Menu({kFile, kSave});
    Run(u"\\a.txt");
    EXPECT_EQ(ReadFile("a.txt"), "a?\x80");
}

// A long text is narrowed in pieces; every byte keeps its place across their edges, and a character
// outside the code page, surrogate pairs included, gives one "?" a unit wherever the pieces part.
TEST_F(DocumentTest, ALongTextWithCharactersOutsideTheCodePageSavesEveryUnitInPlace) {
    WriteFile("w.txt", "x");
    std::u16string text;
    std::string expected;
    for (int i = 0; text.size() < 100000; ++i) {
        text += u"ab\u00E9\U0001F600\u4E00";
        expected += "ab\xE9???";
        text += char16_t(u'a' + i % 26);
        expected += char('a' + i % 26);
    }
    screen.Then([&] { SetWindowTextW(EditorControl, text.c_str()); });
    CaretToEnd().Type(u"!");
    Menu({kFile, kSave});
    Run(u"\\w.txt");
    EXPECT_EQ(ReadFile("w.txt"), expected + "!");
}

TEST_F(DocumentTest, AQuotedPathOnTheCommandLineOpensUnderItsName) {
    WriteFile("my notes/a.txt", "quoted");
    Run(u"\"\\my notes\\a.txt\"");
    EXPECT_EQ(EditorText(), u"quoted");
    EXPECT_EQ(Title(), u"Scrivel - a.txt");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\my notes\\a.txt");
}

TEST_F(DocumentTest, TypingIntoAnUntitledDocumentEnablesSaveAsButNotSave) {
    screen.Type(u"a");
    Run();
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVE));
    EXPECT_FALSE(MenuItemGrayed(IDM_FILE_SAVEAS));
    EXPECT_EQ(Title(), u"Scrivel - untitled *");
}

TEST_F(DocumentTest, NewOnACleanDocumentAsksNothing) {
    WriteFile("n.txt", "text");
    std::string during;
    Menu({kFile, kNew}).Then([&] { during = screen.Text(); });
    Run(u"\\n.txt");
    EXPECT_EQ(during.find("discard"), std::string::npos);
    EXPECT_EQ(EditorText(), u"");
    EXPECT_EQ(Title(), u"Scrivel - untitled ");
    EXPECT_EQ(std::u16string(DocumentPath), u"");
    EXPECT_EQ(std::u16string(DocumentName), u"");
}

TEST_F(DocumentTest, NewOnAModifiedDocumentAndNoKeepsEverything) {
    WriteFile("n.txt", "text");
    CaretToEnd().Type(u"+");
    Menu({kFile, kNew}).Key(VK_TSOFT2);
    Run(u"\\n.txt");
    EXPECT_EQ(EditorText(), u"text+");
    EXPECT_EQ(Title(), u"Scrivel - n.txt *");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\n.txt");
    EXPECT_TRUE(DirtyFlag);
}

TEST_F(DocumentTest, NewOnAModifiedDocumentAndYesEmptiesIt) {
    WriteFile("n.txt", "text");
    CaretToEnd().Type(u"+");
    Menu({kFile, kNew}).Key(VK_TSOFT1);
    Run(u"\\n.txt");
    EXPECT_EQ(EditorText(), u"");
    EXPECT_EQ(Title(), u"Scrivel - untitled ");
    EXPECT_FALSE(DirtyFlag);
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVE)) << "no name, so nothing to save to";
}

TEST_F(DocumentTest, SavingAShorterTextCutsTheFileToIt) {
    WriteFile("s.txt", "a much longer text than what stays");
    screen.Then([] { SetWindowTextW(EditorControl, u"short"); });
    CaretToEnd().Type(u"!");
    Menu({kFile, kSave});
    Run(u"\\s.txt");
    EXPECT_EQ(ReadFile("s.txt"), "short!");
}

// A user who deleted all the text and saved expects an empty file, as with any other save.
TEST_F(DocumentTest, AnEmptyDocumentIsSavedAsAnEmptyFile) {
    WriteFile("e.txt", "was here");
    screen.Then([] { SetWindowTextW(EditorControl, u"x"); });
    CaretToEnd().Key(VK_TBACK);
    Menu({kFile, kSave});
    Run(u"\\e.txt");
    EXPECT_TRUE(FileExists("e.txt"));
    EXPECT_EQ(ReadFile("e.txt"), "");
    EXPECT_EQ(Title(), u"Scrivel - e.txt ");
    EXPECT_FALSE(DirtyFlag);
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVE));
}

TEST_F(DocumentTest, AZeroByteFileOpensEmptyCleanAndNamed) {
    WriteFile("zero.txt", "");
    Run(u"\\zero.txt");
    EXPECT_EQ(EditorText(), u"");
    EXPECT_EQ(Title(), u"Scrivel - zero.txt");
    EXPECT_FALSE(DirtyFlag);
}

TEST_F(DocumentTest, AFileWithAZeroByteShowsTheTextBeforeItAndSaysSo) {
    WriteFile("z.bin", std::string("ab\0cd", 5));
    std::string warning;
    screen.Then([&] { warning = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\z.bin");
    EXPECT_EQ(EditorText(), u"ab");
    EXPECT_NE(warning.find("zero byte"), std::string::npos) << warning;
    EXPECT_NE(warning.find("Warning"), std::string::npos);
}

TEST_F(DocumentTest, ASaveThatCannotOpenItsFileKeepsTheDocumentUnsaved) {
    WriteFile("gone.txt", "old");
    std::string box;
    CaretToEnd().Type(u"new").Then([&] {
        fs::remove(RootPath("gone.txt"));
        fs::create_directory(RootPath("gone.txt"));  // a folder where the file was cannot be written
    });
    Menu({kFile, kSave}).Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\gone.txt");
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_NE(box.find("could not be saved"), std::string::npos) << box;
    EXPECT_NE(box.find("a folder or a device"), std::string::npos) << box;
    EXPECT_EQ(std::u16string(DocumentPath), u"\\gone.txt");
    EXPECT_EQ(Title(), u"Scrivel - gone.txt *");
    EXPECT_TRUE(DirtyFlag);
    EXPECT_EQ(EditorText(), u"oldnew");
    EXPECT_FALSE(MenuItemGrayed(IDM_FILE_SAVE)) << "Save can be tried again";
}

TEST_F(DocumentTest, ASaveAsThatCannotCreateItsFileKeepsTheOldPath) {
    WriteFile("keep.txt", "k");
    std::string box;
    CaretToEnd().Type(u"2").Then([] { SaveDocumentAs(u"\\missing\\folder\\new.txt"); });
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\keep.txt");
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_FALSE(FileExists("missing"));
    EXPECT_EQ(std::u16string(DocumentPath), u"\\keep.txt");
    EXPECT_TRUE(DirtyFlag);
    EXPECT_EQ(Title(), u"Scrivel - keep.txt *");
}

TEST_F(DocumentTest, ASaveThatFillsTheDiskIsReportedAndNeverTakenAsDone) {
    fs::create_directories(RootPath("small"));
    if (mount("tmpfs", RootPath("small").c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    WriteFile("small/doc.txt", "short");
    std::string box;
    bool unchangedWhileAsked = false;
    screen.Then([] {
        OpenDocument(u"\\small\\doc.txt");
        SetWindowTextW(EditorControl, std::u16string(200000, u'z').c_str());
        SendMessageW(EditorControl, EM_REPLACESEL, FALSE, (LPARAM)u"!");
    });
    Menu({kFile, kSave})
        .Then([&] {
            box = screen.Text();
            unchangedWhileAsked = ReadFile("small/doc.txt") == "short";
        })
        .Key(VK_TSOFT1);
    Run();
    umount2(RootPath("small").c_str(), MNT_DETACH);
    EXPECT_NE(box.find("disk is full"), std::string::npos) << box;
    // The new text did not fit, so the file keeps its old bytes, and the box says so.
    EXPECT_TRUE(unchangedWhileAsked);
    EXPECT_NE(box.find("The file has not been"), std::string::npos) << box;
    EXPECT_EQ(box.find("(busy)"), std::string::npos) << box;
    EXPECT_TRUE(DirtyFlag);
    EXPECT_EQ(Title(), u"Scrivel - doc.txt *");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\small\\doc.txt");
    EXPECT_EQ(EditorText().size(), 200001u);
}

TEST_F(DocumentTest, ANameTooLongForTheTitleIsCutButTheMarkerStays) {
    const std::string name = std::string(251, 'n') + ".txt";
    WriteFile(name, "text");
    CaretToEnd().Type(u"!");
    Run(u"\\" + std::u16string(name.begin(), name.end()));
    std::u16string modified = Title();
    EXPECT_EQ(modified.size(), size_t(MAX_PATH - 1));
    EXPECT_EQ(modified.substr(0, 14), u"Scrivel - nnnn");
    EXPECT_EQ(modified.substr(modified.size() - 8), u"nn.txt *") << "the end of the name and the marker";
    // Whatever the marker, the same part of the name shows.
    SetDocumentTitle(nullptr, false);
    EXPECT_EQ(Title(), modified.substr(0, modified.size() - 1));
}

TEST_F(DocumentTest, SaveAsWritesTheFileAndMakesItCurrent) {
    screen.Type(u"fresh").Then([] { SaveDocumentAs(u"\\new.txt"); });
    Run();
    EXPECT_EQ(ReadFile("new.txt"), "fresh");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\new.txt");
    EXPECT_EQ(Title(), u"Scrivel - new.txt ");
    EXPECT_FALSE(DirtyFlag);
}

// Taking the old text for the missing file's would invite saving it under no name; the document stays.
TEST_F(DocumentTest, OpeningAMissingPathSaysSoAndKeepsTheDocumentWhole) {
    WriteFile("here.txt", "text");
    std::string box;
    screen.Then([] { OpenDocument(u"\\not\\there.txt"); });
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\here.txt");
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_NE(box.find("does not exist"), std::string::npos) << box;
    EXPECT_EQ(EditorText(), u"text");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\here.txt");
    EXPECT_EQ(std::u16string(DocumentName), u"here.txt");
    EXPECT_EQ(Title(), u"Scrivel - here.txt");
}

TEST_F(DocumentTest, OpeningReplacesTheTextAndNamesTheDocument) {
    WriteFile("one.txt", "one");
    WriteFile("dir/two.txt", "two\nlines");
    screen.Then([] { OpenDocument(u"\\dir\\two.txt"); });
    Run(u"\\one.txt");
    EXPECT_EQ(EditorText(), u"two\nlines");
    EXPECT_EQ(Title(), u"Scrivel - two.txt ");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\dir\\two.txt");
}

TEST_F(DocumentTest, AFileOverFourGigabytesIsRefusedAndTheDocumentStays) {
    WriteFile("small.txt", "small");
    {
        // A sparse file takes no room on disk.
        std::string big = RootPath("big.txt");
        FILE *f = fopen(big.c_str(), "w");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(ftruncate(fileno(f), (off_t(1) << 32) + 10), 0);
        fclose(f);
    }
    std::string box;
    screen.Then([] { OpenDocument(u"\\big.txt"); });
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\small.txt");
    EXPECT_NE(box.find("too large"), std::string::npos) << box;
    EXPECT_EQ(EditorText(), u"small");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\small.txt");
    EXPECT_EQ(Title(), u"Scrivel - small.txt");
}

TEST_F(DocumentTest, AFileTheEditorHasNoMemoryForIsRefusedAndTheDocumentStays) {
    const size_t size = 400000;
    WriteFile("small.txt", "small");
    WriteFile("big.txt", std::string(size, 'b'));
    std::string box;
    bool refused = false;
    screen.Then([&] {
        // Room for the file's text widened, not for the editor's own.
        testing_support::AllocationBudget budget(2 * size + 100000);
        OpenDocument(u"\\big.txt");
        refused = budget.Refused();
    });
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\small.txt");
    EXPECT_TRUE(refused);
    EXPECT_NE(box.find("too large"), std::string::npos) << box;
    EXPECT_EQ(EditorText(), u"small");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\small.txt");
    EXPECT_EQ(Title(), u"Scrivel - small.txt");
}

TEST_F(DocumentTest, AFileOverFourGigabytesAtStartUpGivesAnErrorAndAnEmptyDocument) {
    std::string big = RootPath("big.txt");
    FILE *f = fopen(big.c_str(), "w");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ftruncate(fileno(f), (off_t(1) << 32) + 10), 0);
    fclose(f);
    std::string box;
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\big.txt");
    EXPECT_NE(box.find("too large"), std::string::npos) << box;
    EXPECT_EQ(std::u16string(DocumentPath), u"");
    EXPECT_EQ(Title(), u"Scrivel - untitled");
}

TEST_F(DocumentTest, AStartUpFileHeldOpenElsewhereSaysSoAndLeavesAnUntitledDocument) {
    WriteFile("locked.txt", "x");
    // The start-up read shares nothing; a handle that shares nothing blocks it too.
    HANDLE other =
        CreateFileW(u"\\locked.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    std::string box;
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\locked.txt");
    CloseHandle(other);
    EXPECT_NE(box.find("in use"), std::string::npos) << box;
    EXPECT_EQ(EditorText(), u"");
    EXPECT_EQ(Title(), u"Scrivel - untitled");
}

TEST_F(DocumentTest, AStartUpNameThatDoesNotExistYetIsCreatedByTheFirstSave) {
    std::u16string titleAtStart;
    bool existsBeforeSave = true;
    screen.Then([&] {
        titleAtStart = Title();
        existsBeforeSave = FileExists("new.txt");
    });
    screen.Type(u"fresh\rtext");
    Menu({kFile, kSave});
    Run(u"\\new.txt");
    EXPECT_EQ(titleAtStart, u"Scrivel - new.txt");
    EXPECT_FALSE(existsBeforeSave);
    EXPECT_EQ(ReadFile("new.txt"), "fresh\r\ntext");
    EXPECT_EQ(Title(), u"Scrivel - new.txt ");
    EXPECT_FALSE(DirtyFlag);
    EXPECT_EQ(screen.Text().find("Error"), std::string::npos);
}

TEST_F(DocumentTest, ANewStartUpNameIsCreatedOnlyBySaveAndEvenEmpty) {
    // Typing and taking it back leaves nothing on disk; Save then makes the empty file.
    bool existsBeforeSave = true;
    screen.Type(u"x").Key(VK_TBACK).Then([&] { existsBeforeSave = FileExists("empty.txt"); });
    Menu({kFile, kSave});
    Run(u"\\empty.txt");
    EXPECT_FALSE(existsBeforeSave);
    ASSERT_TRUE(FileExists("empty.txt"));
    EXPECT_EQ(ReadFile("empty.txt"), "");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\empty.txt");
}

TEST_F(DocumentTest, AStartUpFolderIsAnErrorAndTheDocumentUntitled) {
    ASSERT_EQ(mkdir(RootPath("folder.txt").c_str(), 0755), 0);
    std::string box;
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\folder.txt");
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_NE(box.find("folder or a device"), std::string::npos) << box;
    EXPECT_EQ(Title(), u"Scrivel - untitled");
    EXPECT_EQ(std::u16string(DocumentPath), u"");
}

TEST_F(DocumentTest, AStartUpPipeIsAnErrorAndNeverBlocks) {
    ASSERT_EQ(mkfifo(RootPath("pipe").c_str(), 0644), 0);
    std::string box;
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\pipe");
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_NE(box.find("folder or a device"), std::string::npos) << box;
    EXPECT_EQ(Title(), u"Scrivel - untitled");
}

// The wait cursor is up before Save takes the text out of the editor, the first long step, not only
// once the file is written.
bool g_waitShownAtGetText = false;
WNDPROC g_editorProc = nullptr;
LRESULT CALLBACK WatchGetText(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXT) g_waitShownAtGetText = posix::WaitCursorShown();
    return CallWindowProcW(g_editorProc, hwnd, message, wParam, lParam);
}

TEST_F(DocumentTest, SaveShowsTheWaitCursorBeforeTakingTheText) {
    WriteFile("wait.txt", "text");
    g_waitShownAtGetText = false;
    screen.Type(u"more").Then(
        [] { g_editorProc = (WNDPROC)SetWindowLongPtrW(EditorControl, GWLP_WNDPROC, (LONG_PTR)WatchGetText); });
    Menu({kFile, kSave});
    Run(u"\\wait.txt");
    EXPECT_TRUE(g_waitShownAtGetText);
    EXPECT_FALSE(posix::WaitCursorShown());
    EXPECT_EQ(ReadFile("wait.txt"), "moretext");
}

}  // namespace
