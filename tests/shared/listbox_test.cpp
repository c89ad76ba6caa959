// The "listbox" control against Win32's behaviour: the search rules of LB_SELECTSTRING, LB_FINDSTRING and
// LB_FINDSTRINGEXACT, the word-sort order of LBS_SORT, item data, the error values and the notifications it
// sends its parent. How it draws is in tests/platform/listbox_posix_test.cpp.
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// WM_COMMAND notifications the host received: (control id, code).
std::vector<std::pair<WORD, WORD>> g_notifications;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam) g_notifications.push_back({LOWORD(wParam), HIWORD(wParam)});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

constexpr int kListId = 1002;
constexpr int kEditId = 1000;
constexpr DWORD kPlain = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOINTEGRALHEIGHT;
constexpr DWORD kNotify = kPlain | LBS_NOTIFY;
constexpr DWORD kSorted = kNotify | LBS_SORT;

using Codes = std::vector<WORD>;
using Strings = std::vector<WString>;

class ListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        g_notifications.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = TEXT("ListHost");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
        // Hidden unless a test needs the focus: nothing here is drawn.
        host = CreateWindowExW(0, TEXT("ListHost"), TEXT(""), 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        test_platform::Reset();
        UnregisterClassW(TEXT("ListHost"), test_platform::Instance());
    }

    HWND Make(DWORD style, const Strings &items = {}, int rows = 5, int cols = 20) {
        HWND list = CreateWindowExW(0, TEXT("listbox"), nullptr, style, 0, 0, cols * 8, rows * 16, host,
                                    (HMENU)(UINT_PTR)kListId, test_platform::Instance(), nullptr);
        EXPECT_NE(list, nullptr);
        for (const WString &item : items)
            Add(list, item);
        g_notifications.clear();
        return list;
    }
    static LRESULT Add(HWND list, const WString &text) {
        return SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)text.c_str());
    }
    static LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(list, message, wParam, lParam);
    }
    static LRESULT SelectString(HWND list, int start, const WString &text) {
        return SendMessageW(list, LB_SELECTSTRING, (WPARAM)start, (LPARAM)text.c_str());
    }
    static LRESULT FindExact(HWND list, int start, const WString &text) {
        return SendMessageW(list, LB_FINDSTRINGEXACT, (WPARAM)start, (LPARAM)text.c_str());
    }
    static WString ItemText(HWND list, int index) {
        WString text(size_t(Send(list, LB_GETTEXTLEN, index)) + 1, TEXT('\0'));
        text.resize(size_t(Send(list, LB_GETTEXT, index, (LPARAM)text.data())));
        return text;
    }
    static Strings Items(HWND list) {
        Strings out;
        for (int i = 0; i < Send(list, LB_GETCOUNT); ++i)
            out.push_back(ItemText(list, i));
        return out;
    }
    static void Key(HWND list, int vk) { SendMessageW(list, WM_KEYDOWN, (WPARAM)vk, 1); }
    // The codes the list sent since the last call.
    Codes Received(int id = kListId) {
        Codes codes;
        for (auto [from, code] : g_notifications)
            if (from == id) codes.push_back(code);
        g_notifications.clear();
        return codes;
    }

    HWND host = nullptr;
};

const Strings kFruit = {TEXT("apple"), TEXT("apricot"), TEXT("banana"), TEXT("Cherry")};

// ---------------------------------------------------------------------------------------------------
// Searching (Win32: Q9)
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, SelectStringSearchesFromTheItemAfterTheStartAndWrapsRound) {
    for (DWORD style : {kNotify, kSorted}) {
        HWND list = Make(style, kFruit);
        ASSERT_EQ(Items(list), kFruit) << "sorted or not, these four keep their order";
        EXPECT_EQ(SelectString(list, 0, TEXT("ap")), 1) << "the start item itself is looked at last";
        EXPECT_EQ(SelectString(list, 0, TEXT("app")), 0) << "round the end back to the first";
        EXPECT_EQ(SelectString(list, 0, TEXT("AP")), 1) << "case does not count";
        EXPECT_EQ(SelectString(list, 0, TEXT("cherry")), 3);
        EXPECT_EQ(SelectString(list, -1, TEXT("ap")), 0) << "-1 searches from the first";
        EXPECT_EQ(SelectString(list, 1, TEXT("ap")), 0);
        EXPECT_EQ(SelectString(list, 3, TEXT("ap")), 0);
        EXPECT_EQ(SelectString(list, 99, TEXT("ap")), 0) << "a start past the end searches from the first";
        EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
        EXPECT_EQ(Received(), Codes{}) << "LB_SELECTSTRING never notifies";
        DestroyWindow(list);
    }
}

TEST_F(ListBoxTest, SelectStringWithoutAMatchKeepsTheSelection) {
    HWND list = Make(kNotify, kFruit);
    Send(list, LB_SETCURSEL, 2);
    EXPECT_EQ(SelectString(list, 0, TEXT("zzz")), LB_ERR);
    EXPECT_EQ(SelectString(list, 0, TEXT("apple pie")), LB_ERR) << "the whole text must be the item's beginning";
    EXPECT_EQ(SelectString(list, 0, TEXT("")), LB_ERR);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 2);
    HWND fresh = Make(kNotify, kFruit);
    EXPECT_EQ(SelectString(fresh, 0, TEXT("zzz")), LB_ERR);
    EXPECT_EQ(Send(fresh, LB_GETCURSEL), LB_ERR) << "a fresh list stays without a selection";
}

TEST_F(ListBoxTest, FindStringExactNeedsTheWholeTextAndFindStringOnlyFinds) {
    HWND list = Make(kNotify, kFruit);
    EXPECT_EQ(FindExact(list, -1, TEXT("APPLE")), 0);
    EXPECT_EQ(FindExact(list, -1, TEXT("app")), LB_ERR);
    EXPECT_EQ(FindExact(list, 0, TEXT("apple")), 0) << "found round the end";
    EXPECT_EQ(Send(list, LB_FINDSTRING, (WPARAM)-1, (LPARAM)TEXT("b")), 2);
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR) << "finding selects nothing";
    // A name that is the beginning of another is found whole only by the exact search.
    HWND faces = Make(kSorted, {TEXT("DejaVu Sans Mono"), TEXT("DejaVu Sans")});
    ASSERT_EQ(Items(faces), (Strings{TEXT("DejaVu Sans"), TEXT("DejaVu Sans Mono")}));
    EXPECT_EQ(FindExact(faces, -1, TEXT("DejaVu Sans")), 0);
    EXPECT_EQ(SelectString(faces, 0, TEXT("DejaVu Sans")), 1) << "the prefix search starts after item 0";
}

// ---------------------------------------------------------------------------------------------------
// Sorting (Win32: Q11)
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, SortedListsKeepWin32sWordSortOrder) {
    // Added out of order; of each pair that differs only in case the lower-case one comes first.
    const Strings added = {TEXT("f"),  TEXT("cop"), TEXT("a10"), TEXT("B"),     TEXT("_x"),     TEXT("coop"),
                           TEXT("e"),  TEXT("10"),  TEXT("a-b"), TEXT("abd"),   TEXT("\u00E9"), TEXT("a b"),
                           TEXT("a2"), TEXT("9"),   TEXT("~x"),  TEXT("abc"),   TEXT("c"),      TEXT("a.b"),
                           TEXT("1"),  TEXT("ab"),  TEXT("a1"),  TEXT("b.txt"), TEXT("a_b"),    TEXT("co-op"),
                           TEXT("A2"), TEXT("Abc"), TEXT("ABD"), TEXT("C")};
    HWND list = Make(kSorted);
    for (const WString &item : added)
        Add(list, item);
    const Strings expected = {TEXT("_x"),  TEXT("~x"),    TEXT("1"),      TEXT("10"),  TEXT("9"),    TEXT("a b"),
                              TEXT("a.b"), TEXT("a_b"),   TEXT("a1"),     TEXT("a10"), TEXT("A2"),   TEXT("a2"),
                              TEXT("ab"),  TEXT("a-b"),   TEXT("Abc"),    TEXT("abc"), TEXT("ABD"),  TEXT("abd"),
                              TEXT("B"),   TEXT("b.txt"), TEXT("C"),      TEXT("c"),   TEXT("coop"), TEXT("co-op"),
                              TEXT("cop"), TEXT("e"),     TEXT("\u00E9"), TEXT("f")};
    EXPECT_EQ(Items(list), expected) << "the newer of two names equal but for case goes first";
}

TEST_F(ListBoxTest, AddStringTellsWhereItWentAndInsertStringDoesNotSort) {
    HWND list = Make(kSorted, {TEXT("b"), TEXT("d")});
    EXPECT_EQ(Add(list, TEXT("c")), 1);
    EXPECT_EQ(Add(list, TEXT("a")), 0);
    EXPECT_EQ(Add(list, TEXT("e")), 4);
    EXPECT_EQ(Send(list, LB_INSERTSTRING, 0, (LPARAM)TEXT("z")), 0);
    EXPECT_EQ(Send(list, LB_INSERTSTRING, (WPARAM)-1, (LPARAM)TEXT("0")), 6) << "-1 appends";
    EXPECT_EQ(Send(list, LB_INSERTSTRING, 9, (LPARAM)TEXT("x")), LB_ERR);
    EXPECT_EQ(Items(list), (Strings{TEXT("z"), TEXT("a"), TEXT("b"), TEXT("c"), TEXT("d"), TEXT("e"), TEXT("0")}));
    HWND unsorted = Make(kNotify, {TEXT("b"), TEXT("a")});
    EXPECT_EQ(Add(unsorted, TEXT("c")), 2);
    EXPECT_EQ(Items(unsorted), (Strings{TEXT("b"), TEXT("a"), TEXT("c")}));
}

TEST_F(ListBoxTest, AThousandSortedNamesComeOutInOrder) {
    HWND list = Make(kSorted);
    // Added in a scrambled order: i * 7919 runs through every remainder of 1000.
    for (int i = 0; i < 1000; ++i) {
        int n = (i * 7919) % 1000;
        WString name = TEXT("item ");
        name += WCHAR(TEXT('0') + n / 100);
        name += WCHAR(TEXT('0') + n / 10 % 10);
        name += WCHAR(TEXT('0') + n % 10);
        Add(list, name);
    }
    ASSERT_EQ(Send(list, LB_GETCOUNT), 1000);
    for (int i = 1; i < 1000; ++i)
        ASSERT_LT(lstrcmpiW(ItemText(list, i - 1).c_str(), ItemText(list, i).c_str()), 0) << "at " << i;
}

// ---------------------------------------------------------------------------------------------------
// Item data, selection and errors (Win32: Q10)
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, ItemDataStaysWithItsItemAsOthersAreAddedAndRemoved) {
    HWND list = Make(kSorted, {TEXT("m")});
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 0), 0) << "data never set reads 0";
    EXPECT_EQ(Send(list, LB_SETITEMDATA, 0, 42), TRUE);
    Add(list, TEXT("a"));
    Add(list, TEXT("z"));
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 1), 42);
    Send(list, LB_DELETESTRING, 0);
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 0), 42);
    EXPECT_EQ(ItemText(list, 0), TEXT("m"));
}

TEST_F(ListBoxTest, AMissingIndexAnswersLbErr) {
    HWND list = Make(kNotify, {TEXT("one"), TEXT("two")});
    Send(list, LB_SETCURSEL, 1);
    WCHAR buffer[8] = {TEXT('#'), 0};
    for (int index : {5, -1}) {
        SetLastError(0);
        EXPECT_EQ(Send(list, LB_GETITEMDATA, (WPARAM)index), LB_ERR);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
        EXPECT_EQ(Send(list, LB_GETTEXT, (WPARAM)index, (LPARAM)buffer), LB_ERR);
        EXPECT_EQ(buffer[0], TEXT('#')) << "the buffer is left alone";
        EXPECT_EQ(Send(list, LB_GETTEXTLEN, (WPARAM)index), LB_ERR);
        EXPECT_EQ(Send(list, LB_DELETESTRING, (WPARAM)index), LB_ERR);
        EXPECT_EQ(Send(list, LB_SETITEMDATA, (WPARAM)index, 7), LB_ERR);
    }
    EXPECT_EQ(Send(list, LB_SETCURSEL, 9), LB_ERR);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 1) << "an index out of range leaves the selection";
    EXPECT_EQ(Send(list, LB_SETCURSEL, (WPARAM)-1), LB_ERR);
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR) << "-1 clears it";
    Send(list, LB_SETCURSEL, 1);
    EXPECT_EQ(Send(list, LB_DELETESTRING, 1), 1) << "the count left";
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR) << "deleting the selected item leaves none";
    Send(list, LB_RESETCONTENT);
    EXPECT_EQ(Send(list, LB_GETCOUNT), 0);
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR);
}

TEST_F(ListBoxTest, TheSelectionFollowsItsItemWhenOthersGoInBeforeIt) {
    HWND list = Make(kSorted, {TEXT("b"), TEXT("c")});
    Send(list, LB_SETCURSEL, 0);
    Add(list, TEXT("a"));
    EXPECT_EQ(Send(list, LB_GETCURSEL), 1);
    Send(list, LB_DELETESTRING, 0);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
}

// ---------------------------------------------------------------------------------------------------
// Keys and notifications (Win32: Q18, Q21)
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, SetCurSelNeverNotifies) {
    HWND list = Make(kNotify, kFruit);
    Send(list, LB_SETCURSEL, 2);
    EXPECT_EQ(Received(), Codes{});
}

TEST_F(ListBoxTest, EverySelectionKeyNotifiesEvenWithoutAChange) {
    HWND list = Make(kNotify, kFruit);
    Key(list, VK_DOWN);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 0) << "with nothing selected the first key selects the first item";
    Key(list, VK_DOWN);
    Key(list, VK_RIGHT);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 2) << "Right acts as Down";
    Key(list, VK_LEFT);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 1);
    Key(list, VK_END);
    Key(list, VK_DOWN);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 3);
    Key(list, VK_HOME);
    Key(list, VK_NEXT);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 3) << "a page of a five-row list";
    EXPECT_EQ(Received(), Codes(8, LBN_SELCHANGE));
    Key(list, 'A');  // a key that selects nothing
    EXPECT_EQ(Received(), Codes{});
}

TEST_F(ListBoxTest, WithoutLbsNotifyKeysSelectSilently) {
    HWND list = Make(kPlain, kFruit);
    Key(list, VK_END);
    Key(list, VK_END);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 3);
    EXPECT_EQ(Received(), Codes{});
}

TEST_F(ListBoxTest, EndWithNothingSelectedSelectsTheFirstItem) {
    HWND list = Make(kNotify, kFruit);
    Key(list, VK_END);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
}

TEST_F(ListBoxTest, ATypedLetterSelectsTheNextItemBeginningWithIt) {
    HWND list = Make(kNotify, kFruit);
    SendMessageW(list, WM_CHAR, TEXT('a'), 1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 1) << "the search starts after the caret item, the first of a new list";
    SendMessageW(list, WM_CHAR, TEXT('A'), 1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 0) << "round the end";
    SendMessageW(list, WM_CHAR, TEXT('c'), 1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 3);
    EXPECT_EQ(Received(), Codes(3, LBN_SELCHANGE));
}

TEST_F(ListBoxTest, FocusNotificationsGoOutEvenWithoutLbsNotify) {
    HWND edit = CreateWindowExW(0, TEXT("edit"), TEXT(""), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 100, 80, 16, host,
                                (HMENU)(UINT_PTR)kEditId, test_platform::Instance(), nullptr);
    HWND list = Make(kPlain, kFruit);
    ShowWindow(host, SW_SHOW);
    SetFocus(edit);
    g_notifications.clear();
    SetFocus(list);
    ASSERT_EQ(g_notifications.size(), 2u);
    EXPECT_EQ(g_notifications[0], std::make_pair(WORD(kEditId), WORD(EN_KILLFOCUS)));
    EXPECT_EQ(g_notifications[1], std::make_pair(WORD(kListId), WORD(LBN_SETFOCUS)));
    g_notifications.clear();
    SetFocus(edit);
    EXPECT_EQ(g_notifications.front(), std::make_pair(WORD(kListId), WORD(LBN_KILLFOCUS)));
    EXPECT_EQ(Send(list, WM_GETDLGCODE), 0x81) << "arrows and characters";
}

}  // namespace
