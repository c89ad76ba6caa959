// What the "SysTreeView32" control shows on the screen of cells: lines and buttons before each text, bold
// folders, the selection, and a button that stays or goes with the item's children count. How the control
// behaves as Win32 does is in tests/shared/treeview_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr DWORD kStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

class TreeViewScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        posix::SetFrontEnd(&screen);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"TreeHost";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        host = CreateWindowExW(0, u"TreeHost", u"Host", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(host, nullptr);
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
    }
    void TearDown() override {
        posix::ResetPlatform();
        posix::SetFrontEnd(nullptr);
    }

    void Make(int rows) {
        tree = CreateWindowExW(0, WC_TREEVIEWW, u"", kStyle, 0, 0, 20 * posix::kCellWidth, rows * posix::kCellHeight,
                               host, (HMENU)121, kInstance, nullptr);
        ASSERT_NE(tree, nullptr);
    }
    // An item as the browser inserts them: bold with a button for a folder, plain for a file.
    HTREEITEM Insert(const std::u16string &text, HTREEITEM parent = TVI_ROOT, bool folder = false) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_SORT;
        insert.item.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN;
        insert.item.pszText = const_cast<WCHAR *>(text.c_str());
        insert.item.state = folder ? TVIS_BOLD : 0;
        insert.item.stateMask = TVIS_BOLD;
        insert.item.cChildren = folder ? 0xFFFF : 0;
        return (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
    }
    void Key(WPARAM vk) { SendMessageW(tree, WM_KEYDOWN, vk, 1); }
    std::string Row(int row) {
        posix::CellGrid grid(screen.Cols(), screen.Rows());
        posix::RenderScreen(grid);
        last = grid;
        std::string text = grid.RowText(row);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    posix::HeadlessScreen screen{30, 10};
    posix::CellGrid last;
    HWND host = nullptr;
    HWND tree = nullptr;
};

// A folder with a button but no children yet keeps its button after each try to open it.
TEST_F(TreeViewScreenTest, AnEmptyItemKeepsItsButtonAfterATryToOpenIt) {
    Make(5);
    HTREEITEM folder = Insert(u"a", TVI_ROOT, true);
    SetFocus(tree);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder);
    Key(VK_RIGHT);
    EXPECT_EQ(Row(1), "\u2514+a");
}

// cChildren set to 0 takes the button away, even with real children.
TEST_F(TreeViewScreenTest, NoChildrenCountShowsNoButtonWhateverTheChildren) {
    Make(5);
    HTREEITEM folder = Insert(u"a", TVI_ROOT, true);
    Insert(u"x", folder);
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = folder;
    tv.cChildren = 0;
    SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
    EXPECT_EQ(Row(1), "\u2514\u2500a");
}

// Lines and buttons before each text, folders bold, the selection in reverse video while focused, and
// the view following the selection down.
TEST_F(TreeViewScreenTest, RowsShowLinesButtonsBoldFoldersAndTheSelectionInSight) {
    Make(4);
    HTREEITEM a = Insert(u"a", TVI_ROOT, true);
    Insert(u"x.txt", a);
    Insert(u"y", a, true);
    Insert(u"b.txt");
    Insert(u"c", TVI_ROOT, true);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)a);
    EXPECT_EQ(Row(1), "\u251C-a");
    EXPECT_EQ(Row(2), "\u2502 \u251C\u2500x.txt");
    EXPECT_EQ(Row(3), "\u2502 \u2514+y");
    EXPECT_EQ(Row(4), "\u251C\u2500b.txt");
    EXPECT_EQ(Row(5), "") << "c is below the four rows";
    Row(1);
    EXPECT_TRUE(last.At(2, 1).attr & posix::kAttrBold) << "a folder";
    EXPECT_FALSE(last.At(2, 4).attr & posix::kAttrBold) << "a file";
    EXPECT_FALSE(last.At(2, 1).attr & posix::kAttrReverse) << "no selection shows without the focus";

    SetFocus(tree);
    Row(1);
    EXPECT_TRUE(last.At(2, 1).attr & posix::kAttrReverse);
    EXPECT_FALSE(last.At(3, 1).attr & posix::kAttrReverse) << "only the text is marked";
    for (int i = 0; i < 4; ++i)
        Key(VK_DOWN);
    EXPECT_EQ(Row(1), "\u2502 \u251C\u2500x.txt");
    EXPECT_EQ(Row(4), "\u2514+c");
    EXPECT_TRUE(last.At(2, 4).attr & posix::kAttrReverse);
}

}  // namespace
