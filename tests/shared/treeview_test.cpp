// The "SysTreeView32" control as Win32 behaves: the order of sorted insertion, reading and changing
// items, the notifications of expanding, collapsing, selecting and keys, and a control destroyed inside
// its own notification. How it draws on the screen of cells is in tests/platform/treeview_screen_test.cpp.
#include "tests/support/test_platform.h"

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

constexpr int kTreeId = 121;
constexpr DWORD kStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        g_notes.clear();
        g_onNotify = nullptr;
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = TEXT("TreeHost");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        host = MakeHost();
        ASSERT_NE(host, nullptr);
        tree = Make(kStyle, 5);
    }
    void TearDown() override {
        g_onNotify = nullptr;
        if (IsWindow(host)) DestroyWindow(host);
        test_platform::Reset();
        UnregisterClassW(TEXT("TreeHost"), test_platform::Instance());
    }

    // Hidden: the tests need its notifications and the focus, not the screen.
    static HWND MakeHost() {
        return CreateWindowExW(0, TEXT("TreeHost"), TEXT("Host"), 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
    }
    // A tree that shows exactly the given number of rows, whatever the height of an item.
    HWND Make(DWORD style, int rows) {
        HWND made = CreateWindowExW(0, WC_TREEVIEWW, TEXT(""), style, 0, 0, 160, 80, host, (HMENU)(UINT_PTR)kTreeId,
                                    test_platform::Instance(), nullptr);
        EXPECT_NE(made, nullptr);
        RECT window{}, client{};
        GetWindowRect(made, &window);
        GetClientRect(made, &client);
        int frame = (window.bottom - window.top) - client.bottom;
        int rowHeight = int(SendMessageW(made, TVM_GETITEMHEIGHT, 0, 0));
        SetWindowPos(made, nullptr, 0, 0, window.right - window.left, rows * rowHeight + frame,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(SendMessageW(made, TVM_GETVISIBLECOUNT, 0, 0), rows);
        return made;
    }
    // An item as the browser inserts them: bold with a button for a folder, plain for a file.
    HTREEITEM Insert(const WString &text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_SORT, bool folder = false,
                     LPARAM data = 0) {
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
    WString Text(HTREEITEM item) const {
        WCHAR buffer[MAX_PATH] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buffer;
        tv.cchTextMax = MAX_PATH;
        return SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv) ? WString(buffer) : TEXT("(no item)");
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
    std::vector<WString> Children(HTREEITEM parent = nullptr) const {
        std::vector<WString> texts;
        for (HTREEITEM item = Next(TVGN_CHILD, parent); item; item = Next(TVGN_NEXT, item))
            texts.push_back(Text(item));
        return texts;
    }
    void Key(WPARAM vk) { SendMessageW(tree, WM_KEYDOWN, vk, 1); }
    HWND host = nullptr;
    HWND tree = nullptr;
};

using Texts = std::vector<WString>;

// ---------------------------------------------------------------------------------------------------
// Inserting
// ---------------------------------------------------------------------------------------------------

// TVI_SORT compares with lstrcmpW: folders and files in one order, lower case before upper case whatever
// came first, and digits one by one.
TEST_F(TreeViewTest, SortedInsertionFollowsTheCaseSensitiveWordSort) {
    for (const WCHAR *name :
         {TEXT("c"), TEXT("Abc"), TEXT("b.txt"), TEXT("A2"), TEXT("a"), TEXT("abc"), TEXT("a2"), TEXT("10"), TEXT("9")})
        ASSERT_NE(Insert(name), nullptr);
    EXPECT_EQ(Children(), (Texts{TEXT("10"), TEXT("9"), TEXT("a"), TEXT("a2"), TEXT("A2"), TEXT("abc"), TEXT("Abc"),
                                 TEXT("b.txt"), TEXT("c")}));
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 9);
}

// Once the order no longer follows the texts, a sorted insertion walks the siblings as Win32 does: it
// goes before the first one that sorts after it.
TEST_F(TreeViewTest, SortedInsertionAmongUnsortedSiblingsStopsAtTheFirstGreaterOne) {
    Insert(TEXT("m"));
    Insert(TEXT("z"), TVI_ROOT, TVI_FIRST);
    Insert(TEXT("a"), TVI_ROOT, TVI_LAST);
    Insert(TEXT("b"));
    EXPECT_EQ(Children(), (Texts{TEXT("b"), TEXT("z"), TEXT("m"), TEXT("a")}));
    HTREEITEM m = Next(TVGN_NEXT, Next(TVGN_NEXT, Next(TVGN_ROOT)));
    Insert(TEXT("n"), TVI_ROOT, m);
    EXPECT_EQ(Children(), (Texts{TEXT("b"), TEXT("z"), TEXT("m"), TEXT("n"), TEXT("a")}));
    // An item of another parent is no place to insert after: the new item goes last.
    HTREEITEM child = Insert(TEXT("x"), m);
    EXPECT_NE(Insert(TEXT("y"), TVI_ROOT, child), nullptr);
    EXPECT_EQ(Children(), (Texts{TEXT("b"), TEXT("z"), TEXT("m"), TEXT("n"), TEXT("a"), TEXT("y")}));
}

// Many names in random order come out as a sort by lstrcmpW would put them, equal names included.
TEST_F(TreeViewTest, ManySortedInsertionsMatchASortByTheSameComparison) {
    std::mt19937 random(7);
    std::vector<WString> names;
    // Fewer over Win32, whose control walks the siblings for each sorted insertion: the order is the same.
    const int count = test_platform::kOnWin32 ? 1000 : 3000;
    for (int i = 0; i < count; ++i) {
        WString name;
        for (int n = 1 + int(random() % 5); n > 0; --n)
            name += TEXT("aAbB-1._z")[random() % 9];
        names.push_back(name);
    }
    for (const WString &name : names)
        ASSERT_NE(Insert(name), nullptr);
    std::stable_sort(names.begin(), names.end(),
                     [](const WString &a, const WString &b) { return lstrcmpW(a.c_str(), b.c_str()) < 0; });
    EXPECT_EQ(Children(), names);
}

TEST_F(TreeViewTest, ChangingATextThenInsertingSortedStillFindsAPlace) {
    HTREEITEM b = Insert(TEXT("b"));
    Insert(TEXT("d"));
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = b;
    tv.pszText = const_cast<WCHAR *>(TEXT("x"));
    ASSERT_TRUE(SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv));
    Insert(TEXT("c"));
    EXPECT_EQ(Children(), (Texts{TEXT("c"), TEXT("x"), TEXT("d")}));
}

// ---------------------------------------------------------------------------------------------------
// Reading and changing items
// ---------------------------------------------------------------------------------------------------

TEST_F(TreeViewTest, GetItemFillsWhatTheMaskAsksAndRefusesAMissingItem) {
    HTREEITEM folder = Insert(TEXT("Documents"), TVI_ROOT, TVI_SORT, true, 1234);
    WCHAR buffer[5] = {TEXT('?'), TEXT('?'), TEXT('?'), TEXT('?'), TEXT('?')};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
    tv.hItem = folder;
    tv.pszText = buffer;
    tv.cchTextMax = 5;
    tv.stateMask = TVIS_BOLD;
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv));
    EXPECT_EQ(WString(buffer), TEXT("Docu"));
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

// The parent hears of each child of a deleted item, then of the item. The selection inside it moves on
// once the item is gone: to its next sibling, else its parent, else its previous sibling.
TEST_F(TreeViewTest, DeletingAnItemTellsTheParentOfEachChildThenOfItAndMovesTheSelection) {
    HTREEITEM a = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    HTREEITEM x = Insert(TEXT("x"), a);
    HTREEITEM y = Insert(TEXT("y"), a);
    HTREEITEM b = Insert(TEXT("b"));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)y);
    g_notes.clear();
    ASSERT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)a));
    ASSERT_EQ(Codes(), (std::vector<UINT>{TVN_DELETEITEMW, TVN_DELETEITEMW, TVN_DELETEITEMW, TVN_SELCHANGINGW,
                                          TVN_SELCHANGEDW}));
    EXPECT_EQ(g_notes[0].item, x) << "the children first";
    EXPECT_EQ(g_notes[1].item, y);
    EXPECT_EQ(g_notes[2].item, a);
    EXPECT_EQ(g_notes[4].item, b);
    EXPECT_EQ(g_notes[4].action, UINT(TVC_UNKNOWN));
    EXPECT_EQ(Next(TVGN_CARET), b);
    EXPECT_EQ(Children(), (Texts{TEXT("b")}));

    HTREEITEM c = Insert(TEXT("c"), b);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)c);
    ASSERT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)c));
    EXPECT_EQ(Next(TVGN_CARET), b) << "the last child gives the selection to its parent";
    HTREEITEM d = Insert(TEXT("d"));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)d);
    ASSERT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)d));
    EXPECT_EQ(Next(TVGN_CARET), b) << "the last top-level item gives it to the one before";
    g_notes.clear();
    ASSERT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)b));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_DELETEITEMW})) << "nothing is left to select";
    EXPECT_EQ(Next(TVGN_CARET), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Expanding and collapsing
// ---------------------------------------------------------------------------------------------------

// A folder with a button but no children yet: the parent hears of each try, and nothing opens.
TEST_F(TreeViewTest, AnEmptyItemWithAButtonTellsEachExpansionAndStaysClosed) {
    HTREEITEM folder = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    SetFocus(tree);
    g_notes.clear();
    EXPECT_EQ(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder), 0);
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDINGW, TVN_KEYDOWN, TVN_ITEMEXPANDINGW, TVN_KEYDOWN,
                                          TVN_ITEMEXPANDINGW}));
    EXPECT_EQ(g_notes[0].action, UINT(TVE_EXPAND));
    EXPECT_EQ(State(folder) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE), 0u);
}

// Children inserted while the parent is told make the expansion go ahead: then it hears that it did, and
// the item is marked expanded, and expanded once.
TEST_F(TreeViewTest, ChildrenInsertedWhileExpandingOpenTheItem) {
    HTREEITEM folder = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    g_onNotify = [&](NMHDR *header) -> LRESULT {
        if (header->code == TVN_ITEMEXPANDINGW && Next(TVGN_CHILD, folder) == nullptr) {
            Insert(TEXT("y"), folder);
            Insert(TEXT("x"), folder);
        }
        return 0;
    };
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RIGHT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_EQ(State(folder), UINT(TVIS_BOLD | TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDEDONCE));
    EXPECT_EQ(Children(folder), (Texts{TEXT("x"), TEXT("y")}));

    // Right again goes to the first child; Left goes back to the parent, and Left there collapses it,
    // telling the parent before and after.
    Key(VK_RIGHT);
    EXPECT_EQ(Text(Next(TVGN_CARET)), TEXT("x"));
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
    insert.item.pszText = const_cast<WCHAR *>(TEXT("a"));
    auto folder = (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
    EXPECT_EQ(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder), 0) << "no children yet";
    g_notes.clear();
    Insert(TEXT("x"), folder);
    g_notes.clear();
    EXPECT_TRUE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_TRUE(State(folder) & TVIS_EXPANDEDONCE);
    g_notes.clear();
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)folder);
    SendMessageW(tree, TVM_EXPAND, TVE_TOGGLE, (LPARAM)folder);
    EXPECT_TRUE(g_notes.empty());
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);

    // Collapsing with a reset takes the children away, and the next expansion asks again.
    g_onNotify = nullptr;
    g_notes.clear();
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, (LPARAM)folder);
    EXPECT_EQ(Children(folder), Texts{});
    EXPECT_EQ(State(folder) & TVIS_EXPANDEDONCE, 0u);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_DELETEITEMW}));
}

// A parent answering TRUE to TVN_ITEMEXPANDING keeps the item as it is.
TEST_F(TreeViewTest, AParentAnsweringTrueKeepsAnItemFromCollapsing) {
    SKIP_UNDER_WINE("Wine collapses the item whatever the parent answers; TRUE prevents it on Windows");
    HTREEITEM folder = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    Insert(TEXT("x"), folder);
    ASSERT_TRUE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)folder));
    g_onNotify = [](NMHDR *header) -> LRESULT { return header->code == TVN_ITEMEXPANDINGW; };
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)folder);
    Key(VK_LEFT);
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);
}

// cChildren set to 0 takes the button away and keys no longer expand, even with real children.
TEST_F(TreeViewTest, NoChildrenCountMeansNoButtonWhateverTheChildren) {
    HTREEITEM folder = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    Insert(TEXT("x"), folder);
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = folder;
    tv.cChildren = 0;
    SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RIGHT);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN}));
}

// ---------------------------------------------------------------------------------------------------
// Selection, keys and focus
// ---------------------------------------------------------------------------------------------------

TEST_F(TreeViewTest, TheFocusSelectsTheFirstItemWhenNoneIsSelected) {
    HTREEITEM a = Insert(TEXT("a"));
    Insert(TEXT("b"));
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
    Insert(TEXT("a"));
    for (WPARAM vk : {VK_DOWN, VK_RETURN, VK_RIGHT})
        Key(vk);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, TVN_KEYDOWN, TVN_KEYDOWN}));
    EXPECT_EQ(g_notes[1].key, VK_RETURN);
    EXPECT_EQ(Next(TVGN_CARET), nullptr);
}

TEST_F(TreeViewTest, ArrowsMoveThroughTheVisibleItemsAndTheParentMayRefuse) {
    HTREEITEM a = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    Insert(TEXT("x"), a);
    HTREEITEM b = Insert(TEXT("b"));
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

// The action key tells the parent of the key, then sends NM_RETURN, and a file has nothing more to do.
TEST_F(TreeViewTest, TheActionKeyTellsTheParentThenSendsReturn) {
    Insert(TEXT("b.txt"));
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RETURN);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, NM_RETURN}));
    EXPECT_EQ(g_notes[0].key, VK_RETURN);
}

// On the phone the action key also opens or closes an item with children, as the arrows do.
TEST_F(TreeViewTest, TheActionKeyOpensOrClosesAFolderOnThePhone) {
    SKIP_ON_DESKTOP_WINDOWS("a desktop tree view sends NM_RETURN and does nothing more with the key");
    HTREEITEM folder = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    Insert(TEXT("x"), folder);
    SetFocus(tree);
    g_notes.clear();
    Key(VK_RETURN);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_KEYDOWN, NM_RETURN, TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW}));
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);
    Key(VK_RETURN);
    EXPECT_FALSE(State(folder) & TVIS_EXPANDED);
}

// The parent may destroy the control, or itself, while the control tells it of a key; the control then
// stops where it is, as Win32's does.
TEST_F(TreeViewTest, AControlDestroyedInsideItsOwnKeyNotificationIsSurvived) {
    for (bool destroyHost : {false, true}) {
        SCOPED_TRACE(destroyHost ? "the host destroyed" : "the tree destroyed");
        if (destroyHost) {
            DestroyWindow(host);
            host = MakeHost();
            tree = Make(kStyle, 5);
        }
        HWND doomed = destroyHost ? host : tree;
        for (const WCHAR *name : {TEXT("a"), TEXT("b"), TEXT("c")})
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
// Scrolling
// ---------------------------------------------------------------------------------------------------

TEST_F(TreeViewTest, EnsureVisibleOpensTheWayAndScrollsAsLittleAsWillDo) {
    HTREEITEM folder = Insert(TEXT("a"), TVI_ROOT, TVI_SORT, true);
    HTREEITEM deep = nullptr;
    for (const WCHAR *name : {TEXT("1"), TEXT("2"), TEXT("3"), TEXT("4"), TEXT("5"), TEXT("6")})
        deep = Insert(name, folder);
    ASSERT_TRUE(SendMessageW(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)deep));
    EXPECT_TRUE(State(folder) & TVIS_EXPANDED);
    // Five rows: a, 1 .. 6 is seven, so the view starts two rows down, at 2.
    EXPECT_EQ(Text(Next(TVGN_FIRSTVISIBLE)), TEXT("2"));
    EXPECT_EQ(Text(Next(TVGN_NEXTVISIBLE, folder)), TEXT("1"));
    EXPECT_EQ(Text(Next(TVGN_LASTVISIBLE)), TEXT("6"));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)folder);
    EXPECT_EQ(Next(TVGN_FIRSTVISIBLE), folder);
}

}  // namespace
