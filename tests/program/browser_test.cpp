// The file browser for File, Open and File, Save As: the folder tree listed lazily from the device root,
// the checks and boxes before opening and saving, the Save As strip, the ways out, and the faults mended
// (nothing selected, paths too long, Back in the name field, a second Select, Enter destroying the tree).
#include "browser/browser.h"
#include "browser/folder_tree.h"
#include "settings/recent.h"
#include "tests/program/harness.h"

#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Menu items by number: File is 1; in File, Open is 1 and Save As 3.
constexpr int kFile = 1, kOpen = 1, kSaveAs = 3;

using Texts = std::vector<std::u16string>;

class BrowserTest : public ProgramTest {
protected:
    posix::HeadlessScreen &OpenBrowserKeys() { return Menu({kFile, kOpen}); }
    posix::HeadlessScreen &SaveAsBrowserKeys() { return Menu({kFile, kSaveAs}); }
    // The screen as it is now, kept for the checks after the run.
    posix::HeadlessScreen &Capture(std::string &into) {
        return screen.Then([this, &into] { into = screen.Text(); });
    }
    static HTREEITEM Next(UINT code, HTREEITEM item = nullptr) {
        return (HTREEITEM)SendMessageW(FolderTree, TVM_GETNEXTITEM, code, (LPARAM)item);
    }
    static TVITEMW Item(HTREEITEM item, WCHAR *text) {
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
        tv.hItem = item;
        tv.stateMask = 0xFFFF;
        tv.pszText = text;
        tv.cchTextMax = MAX_PATH;
        SendMessageW(FolderTree, TVM_GETITEM, 0, (LPARAM)&tv);
        return tv;
    }
    static std::u16string Text(HTREEITEM item) {
        WCHAR text[MAX_PATH] = {};
        Item(item, text);
        return text;
    }
    static Texts Children(HTREEITEM parent = nullptr) {
        Texts texts;
        for (HTREEITEM item = Next(TVGN_CHILD, parent); item; item = Next(TVGN_NEXT, item))
            texts.push_back(Text(item));
        return texts;
    }
    static HTREEITEM Find(const std::u16string &text, HTREEITEM parent = nullptr) {
        for (HTREEITEM item = Next(TVGN_CHILD, parent); item; item = Next(TVGN_NEXT, item))
            if (Text(item) == text) return item;
        return nullptr;
    }
    static std::u16string FieldText() {
        WCHAR text[512] = {};
        GetWindowTextW(SaveNameField, text, 512);
        return text;
    }
    static bool BrowserOpen() { return IsWindow(BrowserWindow) != FALSE; }
    // The root used by the scenarios: folders a and c, a file b.txt and a hidden .profile.
    void WriteDevice() const {
        fs::create_directories(RootPath("a"));
        fs::create_directories(RootPath("c"));
        WriteFile("a/x.txt", "in a");
        WriteFile("a/.hidden", "h");
        WriteFile("b.txt", "bee");
        WriteFile(".profile", "p");
    }
};

// ---------------------------------------------------------------------------------------------------
// The tree
// ---------------------------------------------------------------------------------------------------

TEST_F(BrowserTest, OpenListsTheRootSortedWithBoldFoldersAndNoDotFiles) {
    WriteDevice();
    std::string shown;
    std::u16string title;
    Texts top;
    bool folderBold = false, fileBold = true, active = false, focused = false;
    LPARAM topPath = 0;
    OpenBrowserKeys().Then([&] {
        shown = screen.Text();
        WCHAR text[MAX_PATH];
        GetWindowTextW(BrowserWindow, text, MAX_PATH);
        title = text;
        top = Children();
        folderBold = Item(Find(u"a"), text).state & TVIS_BOLD;
        fileBold = Item(Find(u"b.txt"), text).state & TVIS_BOLD;
        topPath = Item(Find(u"b.txt"), text).lParam;
        active = GetActiveWindow() == BrowserWindow;
        focused = GetFocus() == FolderTree;
        EXPECT_EQ(std::u16string((LPCWSTR)topPath), u"\\") << "top-level items have the root's folder path";
    });
    Run();
    EXPECT_EQ(title, u"Scrivel - Open File");
    EXPECT_EQ(top, (Texts{u"a", u"b.txt", u"c"}));
    EXPECT_TRUE(folderBold);
    EXPECT_FALSE(fileBold);
    EXPECT_TRUE(active && focused);
    EXPECT_NE(shown.find("Scrivel - Open File"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\u251C+a"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\u251C\u2500b.txt"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\u2514+c"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("profile"), std::string::npos) << shown;
    EXPECT_NE(shown.find(" Open "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" Cancel "), std::string::npos) << shown;
}

// A folder is listed the first time it opens, and never again in the same browser.
TEST_F(BrowserTest, ExpandingAFolderListsItOnceAndSelectsIt) {
    WriteDevice();
    Texts first, second;
    UINT state = 0;
    int count = -1;
    std::u16string childPath;
    OpenBrowserKeys().Key(VK_RIGHT).Then([&] {
        HTREEITEM a = Find(u"a");
        first = Children(a);
        WCHAR text[MAX_PATH];
        TVITEMW item = Item(a, text);
        state = item.state;
        count = item.cChildren;
        childPath = (LPCWSTR)Item(Find(u"x.txt", a), text).lParam;
        WriteFile("a/later.txt", "new");
    });
    screen.Key(VK_LEFT).Key(VK_RIGHT).Then([&] { second = Children(Find(u"a")); });
    Run();
    EXPECT_EQ(first, (Texts{u"x.txt"}));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(state & (TVIS_EXPANDEDONCE | TVIS_EXPANDED | TVIS_SELECTED),
              UINT(TVIS_EXPANDEDONCE | TVIS_EXPANDED | TVIS_SELECTED));
    EXPECT_EQ(childPath, u"\\a\\");
    EXPECT_EQ(second, first) << "a listed folder is not listed again";
}

TEST_F(BrowserTest, AFolderHoldingOnlyDotFilesLosesItsButton) {
    WriteFile("dots/.one", "1");
    std::string shown;
    int count = -1;
    OpenBrowserKeys().Key(VK_RIGHT).Then([&] {
        WCHAR text[MAX_PATH];
        count = Item(Find(u"dots"), text).cChildren;
        shown = screen.Text();
    });
    Run();
    EXPECT_EQ(count, 0);
    EXPECT_NE(shown.find("\u2514\u2500dots"), std::string::npos) << shown;
}

TEST_F(BrowserTest, CancelLeavesTheEditorAsItWasAndReleasesEverything) {
    WriteDevice();
    WriteFile("doc.txt", "mine");
    CaretToEnd().Type(u"!");
    OpenBrowserKeys().Key(VK_TSOFT1).Key(VK_TSOFT2);  // discard? Yes; then Cancel
    Run(u"\\doc.txt");
    EXPECT_FALSE(BrowserOpen());
    EXPECT_EQ(GetActiveWindow(), MainWindow);
    EXPECT_EQ(GetFocus(), EditorControl);
    EXPECT_EQ(EditorText(), u"mine!");
    EXPECT_EQ(Title(), u"Scrivel - doc.txt *");
    EXPECT_TRUE(BrowserStrings.empty());
}

TEST_F(BrowserTest, OpenWithUnsavedChangesAnsweredNoOpensNoBrowser) {
    WriteFile("doc.txt", "mine");
    CaretToEnd().Type(u"!");
    OpenBrowserKeys().Key(VK_TSOFT2);
    Run(u"\\doc.txt");
    EXPECT_EQ(BrowserWindow, nullptr);
    EXPECT_EQ(GetActiveWindow(), MainWindow);
}

// ---------------------------------------------------------------------------------------------------
// Open
// ---------------------------------------------------------------------------------------------------

TEST_F(BrowserTest, OpenReadsTheSelectedFileAndClosesTheBrowser) {
    WriteDevice();
    OpenBrowserKeys().Key(VK_DOWN).Key(VK_TSOFT1);
    Run();
    EXPECT_FALSE(BrowserOpen());
    EXPECT_EQ(EditorText(), u"bee");
    EXPECT_EQ(Title(), u"Scrivel - b.txt ");
    EXPECT_EQ(GetFocus(), EditorControl);
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVE));
    EXPECT_TRUE(MenuItemGrayed(IDM_FILE_SAVEAS));
    ASSERT_NE(RecentMenu, nullptr);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ASSERT_TRUE(GetMenuItemInfoW(RecentMenu, 0, TRUE, &info));
    EXPECT_EQ(std::u16string((LPCWSTR)info.dwItemData), u"\\b.txt");
}

// Enter on a file opens it: the browser and its tree are destroyed while the tree is still telling of
// the key, which the platform survives.
TEST_F(BrowserTest, EnterOnAFileOpensItAndOnAFolderOnlyOpensTheFolder) {
    WriteDevice();
    bool stillOpen = false;
    Texts underA;
    OpenBrowserKeys().Key(VK_RETURN).Then([&] {
        stillOpen = BrowserOpen();
        underA = Children(Find(u"a"));
    });
    screen.Key(VK_DOWN).Key(VK_RETURN);
    Run();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(underA, (Texts{u"x.txt"}));
    EXPECT_FALSE(BrowserOpen());
    EXPECT_EQ(EditorText(), u"in a");
    EXPECT_EQ(Title(), u"Scrivel - x.txt ");
}

TEST_F(BrowserTest, OpenOnAFolderSaysItIsADirectoryAndStays) {
    WriteDevice();
    std::string box;
    OpenBrowserKeys().Key(VK_TSOFT1);
    Capture(box).Key(VK_RETURN);
    Run();
    EXPECT_NE(box.find("The selection is a directory"), std::string::npos) << box;
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    EXPECT_TRUE(BrowserOpen());
    EXPECT_EQ(Text(Next(TVGN_CARET)), u"a");
}

// A file or folder that went away after the listing is told apart from one that cannot be read.
TEST_F(BrowserTest, OpenOnAnEntryGoneSinceTheListingTellsWhatIsMissing) {
    WriteDevice();
    std::string fileBox, pathBox;
    OpenBrowserKeys().Key(VK_RIGHT).Key(VK_DOWN).Then([&] {
        fs::remove(RootPath("b.txt"));
        fs::remove_all(RootPath("a"));
    });
    screen.Key(VK_TSOFT1);
    Capture(pathBox).Key(VK_RETURN).Key(VK_DOWN).Key(VK_TSOFT1);
    Capture(fileBox).Key(VK_RETURN);
    Run();
    EXPECT_NE(pathBox.find("Path does not exist"), std::string::npos) << pathBox;
    EXPECT_NE(fileBox.find("File does not exist"), std::string::npos) << fileBox;
    EXPECT_TRUE(BrowserOpen());
}

TEST_F(BrowserTest, OpenOnADeviceSaysItIsASystemFile) {
    ASSERT_EQ(mkfifo(RootPath("pipe").c_str(), 0644), 0);
    std::string box;
    OpenBrowserKeys().Key(VK_TSOFT1);
    Capture(box).Key(VK_RETURN);
    Run();
    EXPECT_NE(box.find("This file is a system file and can't be read due to security issues"), std::string::npos)
        << box;
    EXPECT_EQ(box.find("readonly"), std::string::npos);
    EXPECT_TRUE(BrowserOpen());
}

// A file the user may not write: the question; No keeps the browser, Yes opens the file.
TEST_F(BrowserTest, OpenOnAReadOnlyFileAsksFirst) {
    bool mounted = false;
    if (geteuid() == 0) {
        // Root may write any file: only a read-only file system makes one it may not.
        fs::create_directories(RootPath("ro"));
        if (mount("tmpfs", RootPath("ro").c_str(), "tmpfs", 0, "size=16k") != 0) GTEST_SKIP() << "no mount";
        WriteFile("ro/r.txt", "read me");
        mounted = mount(nullptr, RootPath("ro").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        if (!mounted) {
            umount2(RootPath("ro").c_str(), MNT_DETACH);
            GTEST_SKIP() << "no read-only remount";
        }
    } else {
        WriteFile("ro/r.txt", "read me");
        fs::permissions(RootPath("ro/r.txt"), fs::perms::owner_read | fs::perms::group_read);
    }
    std::string box;
    bool openAfterNo = false;
    OpenBrowserKeys().Key(VK_RIGHT).Key(VK_DOWN).Key(VK_TSOFT1);
    Capture(box).Key(VK_TSOFT2).Then([&] { openAfterNo = BrowserOpen(); });
    screen.Key(VK_TSOFT1).Key(VK_TSOFT1);
    Run();
    if (mounted) umount2(RootPath("ro").c_str(), MNT_DETACH);
    EXPECT_NE(box.find("This file is readonly, you wont be able to save to it, continue ?"), std::string::npos) << box;
    EXPECT_TRUE(openAfterNo);
    EXPECT_FALSE(BrowserOpen());
    EXPECT_EQ(EditorText(), u"read me");
}

// ---------------------------------------------------------------------------------------------------
// Save As
// ---------------------------------------------------------------------------------------------------

TEST_F(BrowserTest, SelectOnAFolderProposesItsPathAndSaveCreatesTheFile) {
    WriteDevice();
    std::u16string proposed, label;
    std::string shown;
    bool fieldFocused = false, spinMade = false;
    RECT tree = {}, client = {};
    screen.Type(u"hello");
    SaveAsBrowserKeys().Key(VK_TSOFT1).Then([&] {
        proposed = FieldText();
        fieldFocused = GetFocus() == SaveNameField;
        WCHAR text[64] = {};
        GetWindowTextW(SaveAsLabel, text, 64);
        label = text;
        spinMade = GetDlgItem(BrowserWindow, IDC_SAVEAS_SPIN) != nullptr;
        GetClientRect(FolderTree, &tree);
        GetClientRect(BrowserWindow, &client);
        shown = screen.Text();
    });
    screen.Type(u"new.txt").Key(VK_TSOFT1);
    Run();
    EXPECT_EQ(proposed, u"\\a\\");
    EXPECT_TRUE(fieldFocused);
    EXPECT_EQ(label, u"Save As :");
    EXPECT_TRUE(spinMade);
    EXPECT_EQ(tree.bottom, client.bottom - 50);
    EXPECT_NE(shown.find(" Save "), std::string::npos) << shown;
    EXPECT_NE(shown.find("Scrivel - Save File"), std::string::npos) << shown;
    EXPECT_FALSE(BrowserOpen());
    EXPECT_EQ(ReadFile("a/new.txt"), "hello");
    EXPECT_EQ(Title(), u"Scrivel - new.txt ");
    EXPECT_EQ(std::u16string(DocumentPath), u"\\a\\new.txt");
}

// Over an existing file: the question; No keeps the browser with the strip and the file, Yes replaces it.
TEST_F(BrowserTest, SaveOverAnExistingFileAsksAndNoKeepsEverything) {
    WriteDevice();
    std::string box;
    bool openAfterNo = false;
    std::string fileAfterNo;
    std::u16string fieldAfterNo;
    screen.Type(u"new text");
    SaveAsBrowserKeys().Key(VK_DOWN).Key(VK_TSOFT1).Key(VK_TSOFT1);
    Capture(box).Key(VK_TSOFT2).Then([&] {
        openAfterNo = BrowserOpen();
        fileAfterNo = ReadFile("b.txt");
        fieldAfterNo = FieldText();
    });
    screen.Key(VK_TSOFT1).Key(VK_TSOFT1);
    Run();
    EXPECT_NE(box.find("This file already exist, do you want to owerwrite it ?"), std::string::npos) << box;
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(fileAfterNo, "bee");
    EXPECT_EQ(fieldAfterNo, u"\\b.txt");
    EXPECT_FALSE(BrowserOpen());
    EXPECT_EQ(ReadFile("b.txt"), "new text");
}

// A folder under the typed name: its error, then the question all the same, and nothing is saved
// whatever the answer.
TEST_F(BrowserTest, SaveOntoAFolderOrIntoAMissingFolderSavesNothing) {
    WriteDevice();
    std::string folderBox, questionBox, missingBox;
    screen.Type(u"text");
    SaveAsBrowserKeys().Key(VK_TSOFT1).Key(VK_TBACK).Key(VK_TSOFT1);
    Capture(folderBox).Key(VK_RETURN);
    Capture(questionBox).Key(VK_TSOFT1);
    screen.Type(u"\\nowhere\\f.txt").Key(VK_TSOFT1);
    Capture(missingBox).Key(VK_RETURN);
    screen.Then([] { SetWindowTextW(SaveNameField, u"\\zz\\f.txt"); }).Key(VK_TSOFT1);
    Capture(missingBox).Key(VK_RETURN);
    Run();
    EXPECT_NE(folderBox.find("The chosen filename is a directory"), std::string::npos) << folderBox;
    EXPECT_NE(questionBox.find("owerwrite"), std::string::npos) << questionBox;
    EXPECT_NE(missingBox.find("Path does not exist"), std::string::npos) << missingBox;
    EXPECT_TRUE(BrowserOpen());
    EXPECT_TRUE(fs::is_directory(RootPath("a")));
    EXPECT_FALSE(FileExists("zz"));
}

// Back is the phone's only delete key: in the name field it deletes, in the tree it does nothing.
TEST_F(BrowserTest, BackDeletesInTheNameFieldAndNothingInTheTree) {
    WriteDevice();
    std::u16string afterBack;
    HTREEITEM selectedBefore = nullptr, selectedAfter = nullptr;
    bool openAfterTreeBack = false;
    screen.Type(u"t");
    SaveAsBrowserKeys().Key(VK_RIGHT).Key(VK_DOWN).Then([&] { selectedBefore = Next(TVGN_CARET); });
    screen.Key(VK_TBACK).Then([&] {
        selectedAfter = Next(TVGN_CARET);
        openAfterTreeBack = BrowserOpen();
    });
    screen.Key(VK_TSOFT1).Key(VK_TBACK).Key(VK_TBACK).Then([&] { afterBack = FieldText(); });
    // An emptied field saves nothing and shows no box.
    for (int i = 0; i < 10; ++i)
        screen.Key(VK_TBACK);
    screen.Key(VK_TSOFT1);
    Run();
    EXPECT_EQ(selectedAfter, selectedBefore);
    EXPECT_TRUE(openAfterTreeBack);
    EXPECT_EQ(afterBack, u"\\a\\x.t");
    EXPECT_TRUE(BrowserOpen());
    EXPECT_EQ(FieldText(), u"");
}

// Enter on another file once the tree has the focus again selects again: the strip is reused, with the
// new path in the field, and no second set of controls is made.
TEST_F(BrowserTest, ASecondSelectReusesTheStrip) {
    WriteDevice();
    HWND field = nullptr, label = nullptr;
    int childrenFirst = 0, childrenSecond = 0;
    auto countChildren = [] {
        int n = 0;
        for (HWND w = GetWindow(BrowserWindow, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            ++n;
        return n;
    };
    screen.Type(u"t");
    SaveAsBrowserKeys().Key(VK_TSOFT1).Then([&] {
        field = SaveNameField;
        label = SaveAsLabel;
        childrenFirst = countChildren();
        SendMessageW(BrowserWindow, WM_ACTIVATE, WA_ACTIVE, 0);
    });
    screen.Key(VK_DOWN).Key(VK_RETURN).Then([&] { childrenSecond = countChildren(); });
    Run();
    EXPECT_EQ(SaveNameField, field);
    EXPECT_EQ(SaveAsLabel, label);
    EXPECT_EQ(childrenSecond, childrenFirst);
    EXPECT_EQ(FieldText(), u"\\b.txt");
    EXPECT_EQ(GetFocus(), SaveNameField);
}

TEST_F(BrowserTest, TheBrowserGivesTheFocusToTheTreeWheneverItIsActivatedOrFocused) {
    WriteDevice();
    HWND afterActivate = nullptr, afterSetFocus = nullptr;
    SaveAsBrowserKeys().Key(VK_TSOFT1).Then([&] {
        SendMessageW(BrowserWindow, WM_ACTIVATE, WA_ACTIVE, 0);
        afterActivate = GetFocus();
        SetFocus(SaveNameField);
        SendMessageW(BrowserWindow, WM_SETFOCUS, 0, 0);
        afterSetFocus = GetFocus();
    });
    Run();
    EXPECT_EQ(afterActivate, FolderTree);
    EXPECT_EQ(afterSetFocus, FolderTree);
}

// ---------------------------------------------------------------------------------------------------
// Nothing selected, and paths too long
// ---------------------------------------------------------------------------------------------------

// An empty device: the tree has nothing to select, and Open, Select and Enter do nothing at all.
TEST_F(BrowserTest, OpenAndSelectWithNothingSelectedDoNothing) {
    std::string openShown, saveShown;
    OpenBrowserKeys().Key(VK_TSOFT1).Key(VK_RETURN);
    Capture(openShown).Key(VK_TSOFT2);
    // Save As waits for something to save.
    screen.Type(u"t");
    SaveAsBrowserKeys().Key(VK_TSOFT1).Key(VK_RETURN);
    Capture(saveShown);
    Run();
    EXPECT_EQ(openShown.find("Error"), std::string::npos) << openShown;
    EXPECT_NE(openShown.find("Scrivel - Open File"), std::string::npos) << openShown;
    EXPECT_NE(saveShown.find(" Select "), std::string::npos) << "no strip was made: " << saveShown;
    EXPECT_EQ(SaveNameField, nullptr);
    EXPECT_TRUE(BrowserOpen());
}

// Paths of 260 characters or more never fit the browser's buffers: each is refused with a box that says
// so, and nothing is cut, listed, opened or saved.
TEST_F(BrowserTest, PathsTooLongForTheBuffersAreRefusedWithABox) {
    const std::string outer(200, 'o'), inner(100, 'i'), file(100, 'f');
    WriteFile(outer + "/" + file, "deep");
    fs::create_directories(RootPath(outer + "/" + inner));
    WriteFile(outer + "/" + inner + "/z.txt", "deeper");
    std::string listBox, openBox, selectBox, saveBox;
    const std::u16string outerName(outer.begin(), outer.end()), innerName(inner.begin(), inner.end());
    Texts underInner;
    // The outer folder lists its file and, after it, the inner folder, whose listing cannot fit.
    OpenBrowserKeys().Key(VK_RIGHT).Key(VK_DOWN).Key(VK_DOWN).Key(VK_RIGHT);
    Capture(listBox).Key(VK_RETURN).Then([&] { underInner = Children(Find(innerName, Find(outerName))); });
    screen.Key(VK_UP).Key(VK_TSOFT1);
    Capture(openBox).Key(VK_RETURN).Key(VK_TSOFT2);
    screen.Type(u"t");
    SaveAsBrowserKeys().Key(VK_RIGHT).Key(VK_DOWN).Key(VK_TSOFT1);
    Capture(selectBox).Key(VK_RETURN).Key(VK_UP).Key(VK_TSOFT1);
    screen.Type(std::u16string(300, u'n')).Key(VK_TSOFT1);
    Capture(saveBox).Key(VK_RETURN);
    Run();
    for (const std::string *box : {&listBox, &openBox, &selectBox, &saveBox}) {
        EXPECT_NE(box->find("The path is too long"), std::string::npos) << *box;
        EXPECT_NE(box->find("Error"), std::string::npos) << *box;
    }
    EXPECT_TRUE(underInner.empty());
    EXPECT_EQ(EditorText(), u"t");
    EXPECT_TRUE(BrowserOpen());
}

}  // namespace
