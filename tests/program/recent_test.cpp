// The four recent files under File, Recent: the order and the identifiers as files are opened and saved
// under new names, choosing an entry, the list across a restart through the settings key, and what
// happens when a file cannot be opened or written.
#include "document/textfile.h"
#include "settings/recent.h"
#include "settings/settings.h"
#include "tests/support/menu_dump.h"
#include "tests/program/harness.h"
#include "tests/support/allocation_budget.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using menu_dump::Dump;

// Menu items by number: File is 1 and Quit 6; in File, Save is 4 and the recent files 5.
constexpr int kFile = 1, kQuit = 6, kSave = 4, kRecent = 5;

class RecentTest : public ProgramTest {
protected:
    // Files A.txt to E.txt at the root, each holding its own letter twice.
    void WriteLetterFiles() const {
        for (char letter = 'A'; letter <= 'E'; ++letter)
            WriteFile(std::string(1, letter) + ".txt", std::string(2, letter));
    }
    static void OpenAll(std::initializer_list<const char16_t *> paths) {
        for (const char16_t *path : paths)
            OpenDocument(path);
    }
    void WriteRegistry(const std::string &values) const {
        std::ofstream out(registryFile(), std::ios::binary);
        out << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Scrivel]\r\n" << values;
    }
    // As when the program is started again: all it held in memory is gone, its files are where they were.
    void NextStart() {
        posix::ResetPlatform();
        ResetProgramState();
        posix::SetFrontEnd(&screen);
    }
    static std::string Entries() { return RecentMenu ? Dump(RecentMenu) : "(no list)"; }
    static std::u16string PathAt(int position) {
        MENUITEMINFOW info = menu_dump::InfoRecord(MIIM_DATA);
        if (!GetMenuItemInfoW(RecentMenu, position, TRUE, &info) || !info.dwItemData) return u"(none)";
        return (LPCWSTR)info.dwItemData;
    }
    // The stored value's byte count, or -1 when it is absent.
    static long StoredBytes(const char16_t *name) {
        DWORD count = 0;
        if (RegQueryValueExW(SettingsKey, name, nullptr, nullptr, nullptr, &count) != ERROR_SUCCESS) return -1;
        return long(count);
    }
    static std::u16string StoredText(const char16_t *name) {
        WCHAR text[MAX_PATH];
        return ReadSettingString(name, text) ? std::u16string(text) : u"(absent)";
    }
};

// ---------------------------------------------------------------------------------------------------
// Order and identifiers
// ---------------------------------------------------------------------------------------------------

TEST_F(RecentTest, FiveFilesLeaveTheNewestFourAndTheOldestsIdentifierGoesToTheNewest) {
    WriteLetterFiles();
    std::string afterFirst;
    screen.Then([&] {
        OpenDocument(u"\\A.txt");
        afterFirst = Entries();
        OpenAll({u"\\B.txt", u"\\C.txt", u"\\D.txt", u"\\E.txt"});
    });
    Run();
    EXPECT_EQ(afterFirst, "A.txt 7000\n");
    EXPECT_EQ(Entries(), "E.txt 7000\nD.txt 7003\nC.txt 7002\nB.txt 7001\n");
    EXPECT_EQ(RecentCount, 4);
    EXPECT_EQ(PathAt(0), u"\\E.txt");
    EXPECT_EQ(PathAt(3), u"\\B.txt");
    // The submenu took the placeholder's place as the File menu's last item.
    std::string file = Dump(GetSubMenu(MainMenu, 0));
    EXPECT_EQ(file.find("Recent files"), std::string::npos) << file;
    EXPECT_EQ(file.substr(file.find("---")),
              "--- grey\nRecent >\n  E.txt 7000\n  D.txt 7003\n  C.txt 7002\n  B.txt 7001\n");
}

TEST_F(RecentTest, ChoosingAnEntryOpensItAndMovesItUpWithItsIdentifier) {
    WriteLetterFiles();
    std::string shown;
    screen.Then([] { OpenAll({u"\\A.txt", u"\\B.txt", u"\\C.txt", u"\\D.txt", u"\\E.txt"}); });
    Menu({kFile, kRecent}).Then([&] { shown = screen.Text(); }).Key('3', u'3');
    Run();
    for (const char *line : {"1  E.txt", "2  D.txt", "3  C.txt", "4  B.txt"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
    EXPECT_EQ(shown.find("A.txt"), std::string::npos) << shown;
    EXPECT_EQ(EditorText(), u"CC");
    EXPECT_EQ(Title(), u"Scrivel - C.txt ");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\C.txt");
    EXPECT_EQ(Entries(), "C.txt 7002\nE.txt 7000\nD.txt 7003\nB.txt 7001\n");
    EXPECT_EQ(RecentCount, 4);
}

TEST_F(RecentTest, SaveAsPutsItsPathOnTopButAPlainSaveLeavesTheList) {
    WriteFile("a.txt", "a");
    screen.Then([] { OpenDocument(u"\\a.txt"); });
    CaretToEnd().Type(u"1");
    Menu({kFile, kSave});
    std::string afterSave;
    screen.Then([&] {
        afterSave = Entries();
        SaveDocumentAs(u"\\copy.txt");
    });
    Run();
    EXPECT_EQ(afterSave, "a.txt 7000\n");
    EXPECT_EQ(ReadFile("a.txt"), "a1");
    EXPECT_EQ(Entries(), "copy.txt 7001\na.txt 7000\n");
    EXPECT_EQ(PathAt(0), u"\\copy.txt");
    EXPECT_EQ(PathAt(1), u"\\a.txt");
}

TEST_F(RecentTest, PathsAreComparedExactlySoOnlyTheSamePathMovesAnEntry) {
    WriteFile("a.txt", "lower");
    WriteFile("A.txt", "upper");
    WriteFile("one/same.txt", "first");
    WriteFile("two/same.txt", "second");
    std::string topTwice;
    screen.Then([&] {
        OpenAll({u"\\a.txt", u"\\a.txt"});
        topTwice = Entries();
        OpenAll({u"\\A.txt", u"\\one\\same.txt", u"\\two\\same.txt"});
    });
    // The two entries named same.txt each open their own file: the second is the one in "one".
    Menu({kFile, kRecent}).Key('2', u'2');
    Run();
    EXPECT_EQ(topTwice, "a.txt 7000\n") << "opening the top entry again changes nothing";
    EXPECT_EQ(Entries(), "same.txt 7002\nsame.txt 7003\nA.txt 7001\na.txt 7000\n");
    EXPECT_EQ(EditorText(), u"first");
    EXPECT_EQ(PathAt(0), u"\\one\\same.txt");
    EXPECT_EQ(PathAt(1), u"\\two\\same.txt");
}

TEST_F(RecentTest, ChoosingAnEntryWithUnsavedChangesAsksAndNoLeavesEverything) {
    WriteLetterFiles();
    std::string question;
    screen.Then([] { OpenAll({u"\\A.txt", u"\\B.txt"}); });
    CaretToEnd().Type(u"+");
    Menu({kFile, kRecent, 2}).Then([&] { question = screen.Text(); }).Key(VK_TSOFT2);
    std::string afterNo;
    std::u16string titleAfterNo;
    screen.Then([&] {
        afterNo = Entries();
        titleAfterNo = Title();
    });
    // Asked again, Yes: the changes go and A opens.
    Menu({kFile, kRecent, 2}).Key(VK_TSOFT1);
    Run();
    EXPECT_NE(question.find("discard"), std::string::npos) << question;
    EXPECT_EQ(afterNo, "B.txt 7001\nA.txt 7000\n");
    EXPECT_EQ(titleAfterNo, u"Scrivel - B.txt *");
    EXPECT_EQ(EditorText(), u"AA");
    EXPECT_EQ(Title(), u"Scrivel - A.txt ");
    EXPECT_EQ(Entries(), "A.txt 7000\nB.txt 7001\n");
    EXPECT_EQ(ReadFile("B.txt"), "BB");
}

// ---------------------------------------------------------------------------------------------------
// The list across a restart
// ---------------------------------------------------------------------------------------------------

TEST_F(RecentTest, AConfirmedQuitStoresTheListAndTheNextStartRestoresItsOrder) {
    WriteLetterFiles();
    screen.Then([] { OpenAll({u"\\A.txt", u"\\B.txt", u"\\C.txt", u"\\D.txt", u"\\E.txt"}); });
    Menu({kQuit});
    Run();
    EXPECT_FALSE(Running());
    // Each path of 6 characters is stored as its 12 bytes and the low byte of the terminator.
    for (const char16_t *name : {u"Recent0", u"Recent1", u"Recent2", u"Recent3"})
        EXPECT_EQ(StoredBytes(name), 13) << Utf8(name);
    std::string stored = RegistryText();
    EXPECT_NE(stored.find("\"Recent0\"=hex(1):5c,00,45,00,2e,00,74,00,78,00,74,00,00\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"Recent3\"=hex(1):5c,00,42,00,2e,00,74,00,78,00,74,00,00\n"), std::string::npos) << stored;

    NextStart();
    Run(u"\\A.txt");
    EXPECT_EQ(Entries(), "E.txt 7003\nD.txt 7002\nC.txt 7001\nB.txt 7000\n")
        << "read oldest first; the command-line file is not added";
    EXPECT_EQ(EditorText(), u"AA");
    EXPECT_EQ(RegistryText(), stored) << "reading changes nothing stored";
}

TEST_F(RecentTest, TheListIsStoredOnlyByAQuitTheUserConfirms) {
    WriteLetterFiles();
    screen.Then([] { OpenDocument(u"\\A.txt"); });
    CaretToEnd().Type(u"!");
    Menu({kQuit}).Key(VK_TSOFT2);  // discard the changes? No
    Run();
    EXPECT_TRUE(Running());
    EXPECT_EQ(StoredBytes(u"Recent0"), -1);
    // The program ends without Quit (the script runs out): nothing is stored either.
    NextStart();
    Run();
    EXPECT_EQ(Entries(), "(no list)");
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_RECENT));
}

TEST_F(RecentTest, StoredDuplicatesCollapseAndTheNextQuitLeavesTheValueBeyondTheList) {
    // Recent0 and Recent2 both hold \A.txt; Recent3, \C.txt, is stored with a full terminator.
    WriteRegistry(
        "\"Recent0\"=hex(1):5c,00,41,00,2e,00,74,00,78,00,74,00,00\r\n"
        "\"Recent1\"=hex(1):5c,00,42,00,2e,00,74,00,78,00,74,00,00\r\n"
        "\"Recent2\"=hex(1):5c,00,41,00,2e,00,74,00,78,00,74,00,00\r\n"
        "\"Recent3\"=hex(1):5c,00,43,00,2e,00,74,00,78,00,74,00,00,00\r\n");
    std::string atStart;
    screen.Then([&] { atStart = Entries(); });
    Menu({kQuit});
    Run();
    EXPECT_EQ(atStart, "A.txt 7001\nB.txt 7002\nC.txt 7000\n");
    EXPECT_EQ(StoredText(u"Recent0"), u"\\A.txt");
    EXPECT_EQ(StoredText(u"Recent1"), u"\\B.txt");
    EXPECT_EQ(StoredText(u"Recent2"), u"\\C.txt");
    EXPECT_EQ(StoredBytes(u"Recent2"), 13) << "written by the program";
    EXPECT_EQ(StoredBytes(u"Recent3"), 14) << "left as it was";
}

// Paths longer than the 260-character buffers: whatever a list entry holds, nothing is written past a
// buffer; a stored value is read back only up to 259 characters, and a longer one counts as absent.
TEST_F(RecentTest, LongPathsNeverOverrunABufferAndLongStoredValuesCountAsAbsent) {
    const std::u16string longName(300, u'n');
    const std::u16string longPath = u"\\" + longName;
    const std::u16string path259 = u"\\" + std::u16string(258, u'p');
    std::string listed;
    std::u16string thirdPath;
    screen.Then([&] {
        AddRecentFile(longName.c_str());  // no backslash: the whole path is the entry's text
        AddRecentFile(u"\\short.txt");
        AddRecentFile(longName.c_str());  // moved up, its text whole
        listed = Entries();
        AddRecentFile(longPath.c_str());
        AddRecentFile(path259.c_str());
        thirdPath = PathAt(2);
    });
    Menu({kQuit});
    Run();
    EXPECT_EQ(listed, Utf8(longName).substr(0, 63) + " 7000\nshort.txt 7001\n")
        << "the dump reads 63 characters of text back";
    EXPECT_EQ(thirdPath, longName);
    EXPECT_EQ(StoredBytes(u"Recent0"), 2 * 259 + 1);
    EXPECT_EQ(StoredBytes(u"Recent1"), 2 * 301 + 1);
    EXPECT_EQ(StoredBytes(u"Recent2"), 2 * 300 + 1);

    NextStart();
    Run();
    EXPECT_EQ(Entries(), std::string(63, 'p') + " 7001\nshort.txt 7000\n");
    EXPECT_EQ(PathAt(0), path259);
}

// ---------------------------------------------------------------------------------------------------
// Files that cannot be opened or written
// ---------------------------------------------------------------------------------------------------

struct OpenFailure {
    const char *what;
    std::function<void(const std::string &)> arrange;  // makes the file at this Linux path unreadable
    const char *reason;                                // what the box says
};

void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(RecentTest, AFileThatCannotBeOpenedIsExplainedAndTheDocumentStaysExactlyAsItWas) {
    WriteFile("doc.txt", "mine");
    HANDLE held = INVALID_HANDLE_VALUE;
    const bool root = geteuid() == 0;  // root reads any file, whatever its permissions
    std::vector<OpenFailure> failures = {
        {"missing", [](const std::string &) {}, "it does not exist"},
        {"a folder", [](const std::string &bad) { fs::create_directory(bad); }, "it is a folder or a device"},
        {"in use",
         [&](const std::string &bad) {
             WriteBytes(bad, "busy");
             held = CreateFileW(u"\\bad.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         },
         "it is in use"},
    };
    if (!root)
        failures.push_back({"unreadable",
                            [](const std::string &bad) {
                                WriteBytes(bad, "secret");
                                fs::permissions(bad, fs::perms::none);
                            },
                            "you may not read it"});
    for (const OpenFailure &failure : failures) {
        SCOPED_TRACE(failure.what);
        std::string box;
        std::u16string titleBefore, titleAfter;
        bool saveEnabled = false, saveAsEnabled = false;
        // A clean document first, then one with unsaved changes the user agreed to discard.
        screen.Then([&] {
            failure.arrange(RootPath("bad.txt"));
            titleBefore = Title();
            OpenDocument(u"\\bad.txt");
            titleAfter = Title();
        });
        screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
        CaretToEnd().Type(u"+");
        screen.Then([] { OpenRecentFile(7000); }).Key(VK_TSOFT1).Key(VK_TSOFT1);
        screen.Then([&] {
            saveEnabled = !MenuItemGrayed(IDM_FILE_SAVE);
            saveAsEnabled = !MenuItemGrayed(IDM_FILE_SAVEAS);
        });
        Run(u"\\doc.txt");
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        EXPECT_NE(box.find("Error"), std::string::npos) << box;
        EXPECT_NE(box.find(failure.reason), std::string::npos) << box;
        EXPECT_EQ(titleAfter, titleBefore);
        EXPECT_EQ(titleAfter, u"Scrivel - doc.txt");
        EXPECT_EQ(EditorText(), u"mine+");
        EXPECT_EQ(std::u16string(DocumentPath), u"\\doc.txt");
        EXPECT_EQ(Title(), u"Scrivel - doc.txt *");
        EXPECT_TRUE(DirtyFlag);
        EXPECT_TRUE(saveEnabled && saveAsEnabled) << "a kept, modified document can still be saved";
        EXPECT_EQ(Entries(), "bad.txt 7000\n") << "the path goes to the top all the same";
        std::error_code ignored;  // the missing file is still missing
        fs::permissions(RootPath("bad.txt"), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(RootPath("bad.txt"));
        NextStart();
    }
}

TEST_F(RecentTest, WithoutMemoryForTheSubmenuTheListStaysAsItWas) {
    WriteFile("a.txt", "a");
    bool refused = false;
    std::string firstTry;
    screen.Then([&] {
        {
            testing_support::AllocationBudget budget(0);
            AddRecentFile(u"\\a.txt");
            refused = budget.Refused();
        }
        firstTry = Entries();
    });
    std::string file;
    screen.Then([&] {
        file = Dump(GetSubMenu(MainMenu, 0));
        OpenDocument(u"\\a.txt");
    });
    Run();
    EXPECT_TRUE(refused);
    EXPECT_EQ(firstTry, "(no list)");
    EXPECT_EQ(RecentCount, 1);
    EXPECT_NE(file.find("Recent files 40055 grey"), std::string::npos) << file;
    EXPECT_EQ(Entries(), "a.txt 7000\n") << "with memory back, the next file starts the list";
}

TEST_F(RecentTest, SaveAsOverAnExistingFileReplacesItsBytesAndANewNameCreatesOne) {
    WriteFile("old.txt", "a much longer old text");
    screen.Type(u"new").Then([] {
        SaveDocumentAs(u"\\old.txt");
        SendMessageW(EditorControl, EM_REPLACESEL, TRUE, (LPARAM)u" and more than the old text had");
        SaveDocumentAs(u"\\fresh.txt");
    });
    Run();
    EXPECT_EQ(ReadFile("old.txt"), "new");
    EXPECT_EQ(ReadFile("fresh.txt"), "new and more than the old text had");
    EXPECT_EQ(Entries(), "fresh.txt 7001\nold.txt 7000\n");
}

TEST_F(RecentTest, ASaveAsThatFillsTheDiskLeavesTheOldFileWholeAndSaysSo) {
    fs::create_directories(RootPath("small"));
    if (mount("tmpfs", RootPath("small").c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    WriteFile("small/old.txt", "the old file");
    std::string existingBox, newBox;
    bool oldWholeWhileAsked = false;
    screen.Then([] {
        SetWindowTextW(EditorControl, std::u16string(200000, u'z').c_str());
        SendMessageW(EditorControl, EM_REPLACESEL, FALSE, (LPARAM)u"!");
        SaveDocumentAs(u"\\small\\old.txt");
    });
    screen.Then([&] {
        existingBox = screen.Text();
        oldWholeWhileAsked = ReadFile("small/old.txt") == "the old file";
    });
    screen.Key(VK_TSOFT1).Then([] { SaveDocumentAs(u"\\small\\new.txt"); });
    screen.Then([&] { newBox = screen.Text(); }).Key(VK_TSOFT1);
    Run();
    bool newLeftBehind = FileExists("small/new.txt");
    umount2(RootPath("small").c_str(), MNT_DETACH);
    EXPECT_TRUE(oldWholeWhileAsked);
    EXPECT_NE(existingBox.find("disk is full"), std::string::npos) << existingBox;
    EXPECT_NE(existingBox.find("The file has not been"), std::string::npos) << existingBox;
    EXPECT_NE(newBox.find("disk is full"), std::string::npos) << newBox;
    EXPECT_EQ(newBox.find("has not been"), std::string::npos) << "there was no file to keep\n" << newBox;
    EXPECT_FALSE(newLeftBehind) << "a file the failed save created is taken away";
    EXPECT_TRUE(DirtyFlag);
    EXPECT_EQ(Title(), u"Scrivel - untitled *");
    EXPECT_EQ(Entries(), "(no list)");
}

TEST_F(RecentTest, AnEmptyDocumentSavedAsIsAnEmptyFileMadeCurrentAndListed) {
    WriteFile("full.txt", "something");
    screen.Then([] { SetWindowTextW(EditorControl, u"x"); });
    CaretToEnd().Key(VK_TBACK).Then([] { SaveDocumentAs(u"\\full.txt"); });
    Run();
    EXPECT_TRUE(FileExists("full.txt"));
    EXPECT_EQ(ReadFile("full.txt"), "");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\full.txt");
    EXPECT_EQ(Title(), u"Scrivel - full.txt ");
    EXPECT_FALSE(DirtyFlag);
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVEAS));
    EXPECT_EQ(Entries(), "full.txt 7000\n");
}

}  // namespace
