// The "SysTreeView32" control against Win32's behaviour: the order of sorted insertion, reading and
// changing items, the notifications of expanding, collapsing, selecting and keys, a control destroyed
// inside its own notification, and how it draws.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Note {
    UINT code;
    UINT action = 0;           // NMTREEVIEW's action
    HTREEITEM item = nullptr;  // itemNew, or itemOld for TVN_DELETEITEM
    UINT state = 0;            // itemNew's state
    WORD key = 0;              // TVN_KEYDOWN's key
};
std::vector<Note> g_notes;
std::function<LRESULT(NMHDR *)> g_onNotify;  // runs inside the notification; its answer is returned

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NOTIFY) return DefWindowProcW(hwnd, message, wParam, lParam);
    auto *header = reinterpret_cast<NMHDR *>(lParam);
    Note note{header->code};
    switch (header->code) {
        case TVN_KEYDOWN: note.key = reinterpret_cast<NMTVKEYDOWN *>(header)->wVKey; break;
        case TVN_ITEMEXPANDINGW:
        case TVN_ITEMEXPANDEDW:
        case TVN_SELCHANGINGW:
        case TVN_SELCHANGEDW: {
            auto *nm = reinterpret_cast<NMTREEVIEWW *>(header);
            note.action = nm->action;
            note.item = nm->itemNew.hItem;
            note.state = nm->itemNew.state;
            break;
        }
        case TVN_DELETEITEMW: note.item = reinterpret_cast<NMTREEVIEWW *>(header)->itemOld.hItem; break;
    }
    g_notes.push_back(note);
    return g_onNotify ? g_onNotify(header) : 0;
}

std::vector<UINT> Codes() {
    std::vector<UINT> codes;
    for (const Note &n : g_notes)
        codes.push_back(n.code);
    return codes;
}

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr int kTreeId = 121;
constexpr DWORD kStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        posix::SetFrontEnd(&screen);
        g_notes.clear();
        g_onNotify = nullptr;
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = u"TreeHost";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        host = CreateWindowExW(0, u"TreeHost", u"Host", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(host, nullptr);
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        tree = Make(kStyle, 5);
    }
    void TearDown() override {
        g_onNotify = nullptr;
        posix::ResetPlatform();
        posix::SetFrontEnd(nullptr);
    }

    HWND Make(DWORD style, int rows, int cols = 20) {
        HWND made = CreateWindowExW(0, WC_TREEVIEWW, u"", style, 0, 0, cols * posix::kCellWidth,
                                    rows * posix::kCellHeight, host, (HMENU)(UINT_PTR)kTreeId, kInstance, nullptr);
        EXPECT_NE(made, nullptr);
        return made;
    }
    // An item as the browser inserts them: bold with a button for a folder, plain for a file.
    HTREEITEM Insert(const std::u16string &text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_SORT,
                     bool folder = false, LPARAM data = 0) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = after;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
        insert.item.pszText = const_cast<WCHAR *>(text.c_str());
        insert.item.lParam = data;
        insert.item.state = folder ? TVIS_BOLD : 0;
        insert.item.stateMask = TVIS_BOLD;
        insert.item.cChildren = folder ? 0xFFFF : 0;
        return (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
    }
    HTREEITEM Next(UINT code, HTREEITEM item = nullptr) const {
        return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, code, (LPARAM)item);
    }
    std::u16string Text(HTREEITEM item) const {
        WCHAR buffer[MAX_PATH] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buffer;
        tv.cchTextMax = MAX_PATH;
        return SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv) ? std::u16string(buffer) : u"(no item)";
    }
    UINT State(HTREEITEM item) const {
        TVITEMW tv{};
        tv.mask = TVIF_STATE;
        tv.hItem = item;
        tv.stateMask = 0xFFFF;
        SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv);
        return tv.state;
    }
    // The texts of the children of parent (the top-level items for null), in display order.
    std::vector<std::u16string> Children(HTREEITEM parent = nullptr) const {
        std::vector<std::u16string> texts;
        for (HTREEITEM item = Next(TVGN_CHILD, parent); item; item = Next(TVGN_NEXT, item))
            texts.push_back(Text(item));
        return texts;
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

using Texts = std::vector<std::u16string>;

// ---------------------------------------------------------------------------------------------------
// Inserting
// ---------------------------------------------------------------------------------------------------

// TVI_SORT compares with lstrcmpW: folders and files in one order, lower case before upper case whatever
// came first, and digits one by one.
TEST_F(TreeViewTest, SortedInsertionFollowsTheCaseSensitiveWordSort) {
    for (const char16_t *name : {u"c", u"Abc", u"b.txt", u"A2", u"a", u"abc", u"a2", u"10", u"9"})
        ASSERT_NE(Insert(name), nullptr);
    EXPECT_EQ(Children(), (Texts{u"10", u"9", u"a", u"a2", u"A2", u"abc", u"Abc", u"b.txt", u"c"}));
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 9);
}

// Once the order no longer follows the texts, a sorted insertion walks the siblings as Win32 does: it
// goes before the first one that sorts after it.
TEST_F(TreeViewTest, SortedInsertionAmongUnsortedSiblingsStopsAtTheFirstGreaterOne) {
    Insert(u"m");
    Insert(u"z", TVI_ROOT, TVI_FIRST);
    Insert(u"a", TVI_ROOT, TVI_LAST);
    Insert(u"b");
    EXPECT_EQ(Children(), (Texts{u"b", u"z", u"m", u"a"}));
    HTREEITEM m = Next(TVGN_NEXT, Next(TVGN_NEXT, Next(TVGN_ROOT)));
    Insert(u"n", TVI_ROOT, m);
    EXPECT_EQ(Children(), (Texts{u"b", u"z", u"m", u"n", u"a"}));
    // A sibling of another parent is no place to insert after.
    HTREEITEM child = Insert(u"x", m);
    EXPECT_EQ(Insert(u"y", TVI_ROOT, child), nullptr);
}

// Many names in random order come out as a sort by lstrcmpW would put them, equal names included.
TEST_F(TreeViewTest, ManySortedInsertionsMatchASortByTheSameComparison) {
    std::mt19937 random(7);
    std::vector<std::u16string> names;
    for (int i = 0; i < 3000; ++i) {
        std::u16string name;
        for (int n = 1 + int(random() % 5); n > 0; --n)
            name += u"aAbB-1._z"[random() % 9];
        names.push_back(name);
    }
    for (const std::u16string &name : names)
        ASSERT_NE(Insert(name), nullptr);
    std::stable_sort(names.begin(), names.end(), [](const std::u16string &a, const std::u16string &b) {
        return lstrcmpW(a.c_str(), b.c_str()) < 0;
    });
    EXPECT_EQ(Children(), names);
}

TEST_F(TreeViewTest, ChangingATextThenInsertingSortedStillFindsAPlace) {
    HTREEITEM b = Insert(u"b");
    Insert(u"d");
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = b;
    tv.pszText = const_cast<WCHAR *>(u"x");
    ASSERT_TRUE(SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv));
    Insert(u"c");
    EXPECT_EQ(Children(), (Texts{u"c", u"x", u"d"}));
}

// ---------------------------------------------------------------------------------------------------
// Reading and changing items
// ---------------------------------------------------------------------------------------------------

TEST_F(TreeViewTest, GetItemFillsWhatTheMaskAsksAndRefusesAMissingItem) {
    HTREEITEM folder = Insert(u"Documents", TVI_ROOT, TVI_SORT, true, 1234);
    WCHAR buffer[5] = {u'?', u'?', u'?', u'?', u'?'};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
    tv.hItem = folder;
    tv.pszText = buffer;
    tv.cchTextMax = 5;
    tv.stateMask = TVIS_BOLD;
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv));
    EXPECT_EQ(std::u16string(buffer), u"Docu");
    EXPECT_EQ(tv.lParam, 1234);
    EXPECT_EQ(tv.state, UINT(TVIS_BOLD));
    EXPECT_EQ(tv.cChildren, 0xFFFF);

    // The listed mark and the count, as a folder gets them once it is listed.
    tv.mask = TVIF_STATE | TVIF_CHILDREN;
    tv.state = tv.stateMask = TVIS_EXPANDEDONCE;
    tv.cChildren = 3;
    ASSERT_TRUE(SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv));
    EXPECT_EQ(State(folder), UINT(TVIS_BOLD | TVIS_EXPANDEDONCE));

    HTREEITEM gone = folder;
    ASSERT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)folder));
    tv.hItem = gone;
    EXPECT_FALSE(SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv));
    EXPECT_FALSE(SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv));
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(TreeViewTest, DeletingAnItemTellsTheParentOfItAndEachChildAndDropsTheSelection) {
    HTREEITEM a = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    HTREEITEM x = Insert(u"x", a);
    HTREEITEM y = Insert(u"y", a);
    Insert(u"b");
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)y);
    g_notes.clear();
    ASSERT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)a));
    ASSERT_EQ(Codes(), (std::vector<UINT>{TVN_DELETEITEMW, TVN_DELETEITEMW, TVN_DELETEITEMW}));
    EXPECT_EQ(g_notes[0].item, a);
    EXPECT_EQ(g_notes[1].item, x);
    EXPECT_EQ(g_notes[2].item, y);
    EXPECT_EQ(Next(TVGN_CARET), nullptr);
    EXPECT_EQ(Children(), (Texts{u"b"}));
}

// ---------------------------------------------------------------------------------------------------
// Expanding and collapsing
// ---------------------------------------------------------------------------------------------------

// A folder with a button but no children yet: the parent hears of each try, and nothing opens.
TEST_F(TreeViewTest, AnEmptyItemWithAButtonTellsEachExpansionAndStaysClosed) {
    HTREEITEM folder = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    SetFocus(tree);
    g_notes.clear();
    EXPECT_EQ(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder), 0);
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDINGW, TVN_KEYDOWN, TVN_ITEMEXPANDINGW, TVN_KEYDOWN,
                                          TVN_ITEMEXPANDINGW}));
    EXPECT_EQ(g_notes[0].action, UINT(TVE_EXPAND));
    EXPECT_EQ(State(folder) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE), 0u);
    EXPECT_EQ(Row(1), "\u2514+a");
}

// Children inserted while the parent is told make the expansion go ahead: then it hears that it did, and
// the item is marked expanded, and expanded once.
TEST_F(TreeViewTest, ChildrenInsertedWhileExpandingOpenTheItem) {
    HTREEITEM folder = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    g_onNotify = [&](NMHDR *header) -> LRESULT {
        if (header->code == TVN_ITEMEXPANDINGW && Next(TVGN_CHILD, folder) == nullptr) {
            Insert(u"y", folder);
            Insert(u"x", folder);
        }
        return 0;
    };
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RIGHT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_EQ(State(folder), UINT(TVIS_BOLD | TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDEDONCE));
    EXPECT_EQ(Children(folder), (Texts{u"x", u"y"}));

    // Right again goes to the first child; Left goes back to the parent, and Left there collapses it,
    // telling the parent before and after.
    Key(VK_RIGHT);
    EXPECT_EQ(Text(Next(TVGN_CARET)), u"x");
    Key(VK_LEFT);
    EXPECT_EQ(Next(TVGN_CARET), folder);
    g_notes.clear();
    Key(VK_LEFT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_EQ(g_notes[1].action, UINT(TVE_COLLAPSE));
    EXPECT_EQ(State(folder) & TVIS_EXPANDED, 0u);
}

// A message asks only until the item has once been expanded; keys ask every time.
TEST_F(TreeViewTest, MessagesExpandSilentlyOnceExpandedButKeysAlwaysTell) {
    // Inserted without TVIF_CHILDREN: its button follows its real children.
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<WCHAR *>(u"a");
    auto folder = (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
    EXPECT_EQ(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder), 0) << "no children yet";
    g_notes.clear();
    Insert(u"x", folder);
    g_notes.clear();
    EXPECT_TRUE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_TRUE(State(folder) & TVIS_EXPANDEDONCE);
    g_notes.clear();
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)folder);
    SendMessageW(tree, TVM_EXPAND, TVE_TOGGLE, (LPARAM)folder);
    EXPECT_TRUE(g_notes.empty());
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);

    // A parent answering TRUE keeps the item as it is.
    g_onNotify = [](NMHDR *header) -> LRESULT { return header->code == TVN_ITEMEXPANDINGW; };
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)folder);
    Key(VK_LEFT);
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);

    // Collapsing with a reset takes the children away, and the next expansion asks again.
    g_onNotify = nullptr;
    g_notes.clear();
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, (LPARAM)folder);
    EXPECT_EQ(Children(folder), Texts{});
    EXPECT_EQ(State(folder) & TVIS_EXPANDEDONCE, 0u);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_DELETEITEMW}));
}

// cChildren set to 0 takes the button away and keys no longer expand, even with real children.
TEST_F(TreeViewTest, NoChildrenCountMeansNoButtonWhateverTheChildren) {
    HTREEITEM folder = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    Insert(u"x", folder);
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = folder;
    tv.cChildren = 0;
    SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RIGHT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN}));
    EXPECT_EQ(Row(1), "\u2514\u2500a");
}

// ---------------------------------------------------------------------------------------------------
// Selection, keys and focus
// ---------------------------------------------------------------------------------------------------

TEST_F(TreeViewTest, TheFocusSelectsTheFirstItemWhenNoneIsSelected) {
    HTREEITEM a = Insert(u"a");
    Insert(u"b");
    g_notes.clear();
    SetFocus(tree);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_SELCHANGINGW, TVN_SELCHANGEDW, NM_SETFOCUS}));
    EXPECT_EQ(g_notes[1].action, UINT(TVC_UNKNOWN));
    EXPECT_EQ(g_notes[1].item, a);
    EXPECT_EQ(Next(TVGN_CARET), a);
    EXPECT_TRUE(State(a) & TVIS_SELECTED);
}

// With nothing selected, a key tells the parent and does nothing more: nothing gets selected, and the
// action key sends no NM_RETURN.
TEST_F(TreeViewTest, KeysWithNothingSelectedOnlyTellTheParent) {
    Insert(u"a");
    for (WPARAM vk : {VK_DOWN, VK_RETURN, VK_RIGHT})
        Key(vk);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, TVN_KEYDOWN, TVN_KEYDOWN}));
    EXPECT_EQ(g_notes[1].key, VK_RETURN);
    EXPECT_EQ(Next(TVGN_CARET), nullptr);
}

TEST_F(TreeViewTest, ArrowsMoveThroughTheVisibleItemsAndTheParentMayRefuse) {
    HTREEITEM a = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    Insert(u"x", a);
    HTREEITEM b = Insert(u"b");
    SetFocus(tree);
    g_notes.clear();
    Key(VK_DOWN);
    EXPECT_EQ(Next(TVGN_CARET), b) << "a is collapsed, so its child is passed over";
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, TVN_SELCHANGINGW, TVN_SELCHANGEDW}));
    EXPECT_EQ(g_notes[2].action, UINT(TVC_BYKEYBOARD));
    Key(VK_DOWN);
    EXPECT_EQ(Next(TVGN_CARET), b) << "the last item stays selected";
    Key(VK_HOME);
    EXPECT_EQ(Next(TVGN_CARET), a);
    g_onNotify = [](NMHDR *header) -> LRESULT { return header->code == TVN_SELCHANGINGW; };
    Key(VK_END);
    EXPECT_EQ(Next(TVGN_CARET), a);
}

// The action key: TVN_KEYDOWN, then NM_RETURN. On the phone it also opens or closes an item with
// children, as the arrows do.
TEST_F(TreeViewTest, TheActionKeyTellsTheParentThenOpensOrClosesAFolder) {
    HTREEITEM folder = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    Insert(u"x", folder);
    Insert(u"b.txt");
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RETURN);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, NM_RETURN, TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);
    Key(VK_RETURN);
    EXPECT_FALSE(State(folder) & TVIS_EXPANDED);
    Key(VK_DOWN);
    g_notes.clear();
    Key(VK_RETURN);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, NM_RETURN})) << "a file has nothing to open";
}

// The parent may destroy the control, or itself, while the control tells it of a key; the control then
// stops where it is, as Win32's does.
TEST_F(TreeViewTest, AControlDestroyedInsideItsOwnKeyNotificationIsSurvived) {
    for (bool destroyHost : {false, true}) {
        SCOPED_TRACE(destroyHost ? "the host destroyed" : "the tree destroyed");
        if (destroyHost) {
            host = CreateWindowExW(0, u"TreeHost", u"Host", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
            tree = Make(kStyle, 5);
        }
        HWND doomed = destroyHost ? host : tree;
        for (const char16_t *name : {u"a", u"b", u"c"})
            Insert(name);
        SetFocus(tree);
        g_notes.clear();
        g_onNotify = [&](NMHDR *header) -> LRESULT {
            if (header->code == TVN_KEYDOWN) DestroyWindow(doomed);
            return 0;
        };
        HWND gone = tree;
        EXPECT_EQ(SendMessageW(gone, WM_KEYDOWN, VK_RETURN, 1), 0);
        g_onNotify = nullptr;
        EXPECT_FALSE(IsWindow(gone));
        EXPECT_EQ(Codes(),
                  (std::vector<UINT>{TVN_KEYDOWN, NM_KILLFOCUS, TVN_DELETEITEMW, TVN_DELETEITEMW, TVN_DELETEITEMW}));
        EXPECT_EQ(SendMessageW(gone, WM_KEYDOWN, VK_DOWN, 1), 0);
        if (!destroyHost) tree = Make(kStyle, 5);
    }
}

// ---------------------------------------------------------------------------------------------------
// Scrolling and drawing
// ---------------------------------------------------------------------------------------------------

TEST_F(TreeViewTest, EnsureVisibleOpensTheWayAndScrollsAsLittleAsWillDo) {
    HTREEITEM folder = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    HTREEITEM deep = nullptr;
    for (const char16_t *name : {u"1", u"2", u"3", u"4", u"5", u"6"})
        deep = Insert(name, folder);
    ASSERT_TRUE(SendMessageW(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)deep));
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);
    // Five rows: a, 1 .. 6 is seven, so the view starts two rows down, at 2.
    EXPECT_EQ(Text(Next(TVGN_FIRSTVISIBLE)), u"2");
    EXPECT_EQ(Text(Next(TVGN_NEXTVISIBLE, folder)), u"1");
    EXPECT_EQ(Text(Next(TVGN_LASTVISIBLE)), u"6");
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)folder);
    EXPECT_EQ(Next(TVGN_FIRSTVISIBLE), folder);
}

// Lines and buttons before each text, folders bold, the selection in reverse video while focused, and
// the view following the selection down.
TEST_F(TreeViewTest, RowsShowLinesButtonsBoldFoldersAndTheSelectionInSight) {
    DestroyWindow(tree);
    tree = Make(kStyle, 4);
    HTREEITEM a = Insert(u"a", TVI_ROOT, TVI_SORT, true);
    Insert(u"x.txt", a);
    Insert(u"y", a, TVI_SORT, true);
    Insert(u"b.txt");
    Insert(u"c", TVI_ROOT, TVI_SORT, true);
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
