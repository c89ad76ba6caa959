// The application shell as a person meets it: start-up, the soft keys, the menu, About, Quit, Back.
#include "tests/program/harness.h"
#include "platform/posix/windowing/window.h"

namespace {

using AppTest = ProgramTest;

TEST_F(AppTest, StartsUntitledWithTheSoftKeysAndGreyedItems) {
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Running());  // the script ran out; the program did not quit by itself
    EXPECT_EQ(Title(), u"Scrivel - untitled");
    EXPECT_EQ(screen.Row(0).substr(0, 20), " Scrivel - untitled ");
    std::string softKeys = screen.Row(23);
    EXPECT_EQ(softKeys.rfind(" Mark ", 0), 0u) << softKeys;
    EXPECT_EQ(softKeys.substr(softKeys.size() - 6), " Menu ") << softKeys;
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVE));
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVEAS));
    EXPECT_TRUE(MenuItemGrayed(IDM_EDIT_UNDO));
    EXPECT_TRUE(MenuItemGrayed(IDM_FIND_NEXT));
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_RECENT));
    EXPECT_FALSE(MenuItemChecked(IDM_MISC_WORDWRAP));
    EXPECT_EQ(GetFocus(), EditorControl);
    EXPECT_FALSE(DirtyFlag);
    EXPECT_EQ(EditorText(), u"");
}

TEST_F(AppTest, MenuListsItsItemsNumberedAndSubmenusOpenByDigit) {
    std::string menu, file, misc;
    screen.Key(VK_TSOFT2).Then([&] { menu = screen.Text(); });
    screen.Key('1', u'1').Then([&] { file = screen.Text(); });
    screen.Key(VK_TBACK).Key('5', u'5').Then([&] { misc = screen.Text(); });
    screen.Key(VK_TBACK).Key(VK_TBACK);
    Run();
    for (const char *item : {"1  File", "2  Edit", "3  Find", "4  Find next", "5  Misc.", "6  Quit"})
        EXPECT_NE(menu.find(item), std::string::npos) << item << "\n" << menu;
    for (const char *item : {"1  Open", "2  New", "3  Save As", "4  Save", "5  Recent files"})
        EXPECT_NE(file.find(item), std::string::npos) << item << "\n" << file;
    for (const char *item : {"1  Word wrap", "2  Change font", "3  About"})
        EXPECT_NE(misc.find(item), std::string::npos) << item << "\n" << misc;
    EXPECT_EQ(screen.Text().find("Find next"), std::string::npos) << "the menu stays open";
}

TEST_F(AppTest, GreyedItemsCannotBeChosen) {
    // File, Save is greyed on an untitled, clean document: choosing it does nothing and the menu stays.
    std::string after;
    Menu({1, 4}).Then([&] { after = screen.Text(); }).Key(VK_TSOFT2);
    Run();
    EXPECT_NE(after.find("1  Open"), std::string::npos) << after;
    EXPECT_TRUE(Running());
}

TEST_F(AppTest, AboutShowsTheProgramAndClosesWithTheLeftSoftKey) {
    std::string box;
    Menu({5, 3}).Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run();
    EXPECT_NE(box.find("About"), std::string::npos) << box;
    EXPECT_NE(box.find("Scrivel - "), std::string::npos) << box;
    EXPECT_NE(box.find("1.0.0.2"), std::string::npos) << box;
    EXPECT_EQ(screen.Text().find("1.0.0.2"), std::string::npos) << "the box is gone";
    EXPECT_TRUE(Running());
}

TEST_F(AppTest, QuitEndsTheProgramWithExitCodeZero) {
    Menu({6}).Key('x', u'x');  // nothing after Quit is read
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(Running());
    EXPECT_GE(screen.Pending(), 2u);
}

TEST_F(AppTest, QuitWithChangesAsksAndNoKeepsTheTextAndMarker) {
    std::string question;
    screen.Type(u"abc");
    Menu({6}).Then([&] { question = screen.Text(); }).Key(VK_TSOFT2);
    Run();
    EXPECT_NE(question.find("You have made changes to the file, do you want to discard them ?"), std::string::npos)
        << question;
    EXPECT_NE(question.find("Warning"), std::string::npos);
    EXPECT_TRUE(Running());
    EXPECT_EQ(EditorText(), u"abc");
    EXPECT_EQ(Title(), u"Scrivel - untitled *");
    EXPECT_TRUE(DirtyFlag);
}

TEST_F(AppTest, QuitWithChangesAndYesQuits) {
    screen.Type(u"abc");
    Menu({6}).Key(VK_TSOFT1);
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(Running());
}

TEST_F(AppTest, BackKeyReachesTheFocusedEditorInsteadOfClosing) {
    screen.Type(u"abc").Key(VK_TBACK);
    Run();
    EXPECT_TRUE(Running());
    EXPECT_EQ(EditorText(), u"ab");
}

TEST_F(AppTest, KeyMessagesAtTheMainWindowAreNotPassedOn) {
    screen.Then([&] {
        EXPECT_EQ(SendMessageW(MainWindow, WM_KEYDOWN, 'A', 1), 1);
        EXPECT_EQ(SendMessageW(MainWindow, WM_KEYUP, VK_DOWN, 1), 1);
        EXPECT_EQ(SendMessageW(MainWindow, WM_KEYDOWN, VK_UP, 1), 0);
        EXPECT_EQ(SendMessageW(MainWindow, WM_SYSKEYDOWN, VK_PRINT, 1), 0);
        EXPECT_EQ(SendMessageW(MainWindow, WM_KEYDOWN, VK_TSOFT1, 1), 0);
    });
    Run();
    EXPECT_TRUE(Running());
}

TEST_F(AppTest, UndoBecomesAvailableAfterAnEditWhenTheMenuOpens) {
    bool greyedBefore = false, greyedAfter = false;
    screen.Then([&] { greyedBefore = MenuItemGrayed(IDM_EDIT_UNDO); });
    screen.Type(u"x").Key(VK_TSOFT2).Then([&] { greyedAfter = MenuItemGrayed(IDM_EDIT_UNDO); }).Key(VK_TSOFT2);
    Run();
    EXPECT_TRUE(greyedBefore);
    EXPECT_FALSE(greyedAfter);
}

TEST_F(AppTest, ASecondStartWhileRunningHandsOverAndCreatesNoWindow) {
    int secondResult = -1;
    size_t windowsDuring = 0;
    screen.Then([&] {
        std::u16string none;
        secondResult = wWinMain(GetModuleHandleW(nullptr), nullptr, none.data(), SW_SHOW);
        windowsDuring = posix::TopLevelWindows().size();
    });
    Run();
    EXPECT_EQ(secondResult, 0);
    EXPECT_EQ(windowsDuring, 1u);
    EXPECT_EQ(GetForegroundWindow(), MainWindow);
}

TEST_F(AppTest, ResizingTheScreenRedrawsEverythingAtTheNewSize) {
    RECT editor{};
    screen.Type(u"hello").ResizeTo(100, 30).Then([&] { GetClientRect(EditorControl, &editor); });
    Run();
    EXPECT_EQ(editor.right, 100 * 8);
    EXPECT_EQ(editor.bottom, 28 * 16);
    std::string softKeys = screen.Row(29);
    EXPECT_EQ(softKeys.size(), 100u);
    EXPECT_EQ(softKeys.substr(94), " Menu ");
    EXPECT_EQ(screen.Row(1).substr(0, 5), "hello");
}

TEST_F(AppTest, StartUpWithAFileInAFolderShowsOnlyItsName) {
    WriteFile("docs/notes.txt", "hello");
    Run(u"\\docs\\notes.txt");
    EXPECT_EQ(Title(), u"Scrivel - notes.txt");
    EXPECT_EQ(EditorText(), u"hello");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\docs\\notes.txt");
    EXPECT_FALSE(DirtyFlag);
}

TEST_F(AppTest, StartUpWithACommandLineWithoutABackslashNamesTheWholeLine) {
    WriteFile("plain.txt", "x");
    Run(u"plain.txt");
    EXPECT_EQ(std::u16string(DocumentName), u"plain.txt");
    EXPECT_EQ(Title(), u"Scrivel - plain.txt");
}

TEST_F(AppTest, StartUpInAMissingFolderSaysSoAndIsUntitled) {
    std::string box;
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Run(u"\\nowhere\\gone.txt");
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_NE(box.find("does not exist"), std::string::npos) << box;
    EXPECT_EQ(Title(), u"Scrivel - untitled");
    EXPECT_EQ(std::u16string(DocumentPath), u"");
    EXPECT_EQ(EditorText(), u"");
}

}  // namespace
