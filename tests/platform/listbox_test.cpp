// The "listbox" control against Win32's behaviour: the search rules of LB_SELECTSTRING, LB_FINDSTRING and
// LB_FINDSTRINGEXACT, the word-sort order of LBS_SORT, item data, the error values, the notifications it
// sends its parent, and how it draws.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

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

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr int kListId = 1002;
constexpr int kEditId = 1000;
constexpr DWORD kPlain = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOINTEGRALHEIGHT;
constexpr DWORD kNotify = kPlain | LBS_NOTIFY;
constexpr DWORD kSorted = kNotify | LBS_SORT;

using Codes = std::vector<WORD>;
using Strings = std::vector<std::u16string>;

class ListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_notifications.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = u"ListHost";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        host = CreateWindowExW(0, u"ListHost", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        posix::ResetPlatform();
    }

    HWND Make(DWORD style, const Strings &items = {}, int rows = 5, int cols = 20) {
        HWND list = CreateWindowExW(0, u"listbox", nullptr, style, 0, 0, cols * posix::kCellWidth,
                                    rows * posix::kCellHeight, host, (HMENU)(UINT_PTR)kListId, kInstance, nullptr);
        EXPECT_NE(list, nullptr);
        for (const std::u16string &item : items)
            Add(list, item);
        g_notifications.clear();
        return list;
    }
    static LRESULT Add(HWND list, const std::u16string &text) {
        return SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)text.c_str());
    }
    static LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(list, message, wParam, lParam);
    }
    static LRESULT SelectString(HWND list, int start, const std::u16string &text) {
        return SendMessageW(list, LB_SELECTSTRING, (WPARAM)start, (LPARAM)text.c_str());
    }
    static LRESULT FindExact(HWND list, int start, const std::u16string &text) {
        return SendMessageW(list, LB_FINDSTRINGEXACT, (WPARAM)start, (LPARAM)text.c_str());
    }
    static std::u16string ItemText(HWND list, int index) {
        std::u16string text(size_t(Send(list, LB_GETTEXTLEN, index)) + 1, u'\0');
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

    posix::HeadlessScreen screen{40, 12};
    HWND host = nullptr;
};

const Strings kFruit = {u"apple", u"apricot", u"banana", u"Cherry"};

// ---------------------------------------------------------------------------------------------------
// Searching (Win32: Q9)
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, SelectStringSearchesFromTheItemAfterTheStartAndWrapsRound) {
    for (DWORD style : {kNotify, kSorted}) {
        HWND list = Make(style, kFruit);
        ASSERT_EQ(Items(list), kFruit) << "sorted or not, these four keep their order";
        EXPECT_EQ(SelectString(list, 0, u"ap"), 1) << "the start item itself is looked at last";
        EXPECT_EQ(SelectString(list, 0, u"app"), 0) << "round the end back to the first";
        EXPECT_EQ(SelectString(list, 0, u"AP"), 1) << "case does not count";
        EXPECT_EQ(SelectString(list, 0, u"cherry"), 3);
        EXPECT_EQ(SelectString(list, -1, u"ap"), 0) << "-1 searches from the first";
        EXPECT_EQ(SelectString(list, 1, u"ap"), 0);
        EXPECT_EQ(SelectString(list, 3, u"ap"), 0);
        EXPECT_EQ(SelectString(list, 99, u"ap"), 0) << "a start past the end searches from the first";
        EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
        EXPECT_EQ(Received(), Codes{}) << "LB_SELECTSTRING never notifies";
        DestroyWindow(list);
    }
}

TEST_F(ListBoxTest, SelectStringWithoutAMatchKeepsTheSelection) {
    HWND list = Make(kNotify, kFruit);
    Send(list, LB_SETCURSEL, 2);
    EXPECT_EQ(SelectString(list, 0, u"zzz"), LB_ERR);
    EXPECT_EQ(SelectString(list, 0, u"apple pie"), LB_ERR) << "the whole text must be the item's beginning";
    EXPECT_EQ(SelectString(list, 0, u""), LB_ERR);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 2);
    HWND fresh = Make(kNotify, kFruit);
    EXPECT_EQ(SelectString(fresh, 0, u"zzz"), LB_ERR);
    EXPECT_EQ(Send(fresh, LB_GETCURSEL), LB_ERR) << "a fresh list stays without a selection";
}

TEST_F(ListBoxTest, FindStringExactNeedsTheWholeTextAndFindStringOnlyFinds) {
    HWND list = Make(kNotify, kFruit);
    EXPECT_EQ(FindExact(list, -1, u"APPLE"), 0);
    EXPECT_EQ(FindExact(list, -1, u"app"), LB_ERR);
    EXPECT_EQ(FindExact(list, 0, u"apple"), 0) << "found round the end";
    EXPECT_EQ(Send(list, LB_FINDSTRING, (WPARAM)-1, (LPARAM)u"b"), 2);
    EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR) << "finding selects nothing";
    // A name that is the beginning of another is found whole only by the exact search.
    HWND faces = Make(kSorted, {u"DejaVu Sans Mono", u"DejaVu Sans"});
    ASSERT_EQ(Items(faces), (Strings{u"DejaVu Sans", u"DejaVu Sans Mono"}));
    EXPECT_EQ(FindExact(faces, -1, u"DejaVu Sans"), 0);
    EXPECT_EQ(SelectString(faces, 0, u"DejaVu Sans"), 1) << "the prefix search starts after item 0";
}

// ---------------------------------------------------------------------------------------------------
// Sorting (Win32: Q11)
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, SortedListsKeepWin32sWordSortOrder) {
    // Added out of order; of each pair that differs only in case the lower-case one comes first.
    const Strings added = {u"f",      u"cop",   u"a10", u"B",     u"_x", u"coop", u"e",   u"10",  u"a-b", u"abd",
                           u"\u00E9", u"a b",   u"a2",  u"9",     u"~x", u"abc",  u"c",   u"a.b", u"1",   u"ab",
                           u"a1",     u"b.txt", u"a_b", u"co-op", u"A2", u"Abc",  u"ABD", u"C"};
    HWND list = Make(kSorted);
    for (const std::u16string &item : added)
        Add(list, item);
    const Strings expected = {u"_x", u"~x", u"1",    u"10",    u"9",   u"a b", u"a.b",    u"a_b", u"a1", u"a10",
                              u"A2", u"a2", u"ab",   u"a-b",   u"Abc", u"abc", u"ABD",    u"abd", u"B",  u"b.txt",
                              u"C",  u"c",  u"coop", u"co-op", u"cop", u"e",   u"\u00E9", u"f"};
    EXPECT_EQ(Items(list), expected) << "the newer of two names equal but for case goes first";
}

TEST_F(ListBoxTest, AddStringTellsWhereItWentAndInsertStringDoesNotSort) {
    HWND list = Make(kSorted, {u"b", u"d"});
    EXPECT_EQ(Add(list, u"c"), 1);
    EXPECT_EQ(Add(list, u"a"), 0);
    EXPECT_EQ(Add(list, u"e"), 4);
    EXPECT_EQ(Send(list, LB_INSERTSTRING, 0, (LPARAM)u"z"), 0);
    EXPECT_EQ(Send(list, LB_INSERTSTRING, (WPARAM)-1, (LPARAM)u"0"), 6) << "-1 appends";
    EXPECT_EQ(Send(list, LB_INSERTSTRING, 9, (LPARAM)u"x"), LB_ERR);
    EXPECT_EQ(Items(list), (Strings{u"z", u"a", u"b", u"c", u"d", u"e", u"0"}));
    HWND unsorted = Make(kNotify, {u"b", u"a"});
    EXPECT_EQ(Add(unsorted, u"c"), 2);
    EXPECT_EQ(Items(unsorted), (Strings{u"b", u"a", u"c"}));
}

TEST_F(ListBoxTest, AThousandSortedNamesComeOutInOrder) {
    HWND list = Make(kSorted);
    // Added in a scrambled order: i * 7919 runs through every remainder of 1000.
    for (int i = 0; i < 1000; ++i) {
        int n = (i * 7919) % 1000;
        std::u16string name = u"item ";
        name += char16_t(u'0' + n / 100);
        name += char16_t(u'0' + n / 10 % 10);
        name += char16_t(u'0' + n % 10);
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
    HWND list = Make(kSorted, {u"m"});
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 0), 0) << "data never set reads 0";
    EXPECT_EQ(Send(list, LB_SETITEMDATA, 0, 42), TRUE);
    Add(list, u"a");
    Add(list, u"z");
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 1), 42);
    Send(list, LB_DELETESTRING, 0);
    EXPECT_EQ(Send(list, LB_GETITEMDATA, 0), 42);
    EXPECT_EQ(ItemText(list, 0), u"m");
}

TEST_F(ListBoxTest, AMissingIndexAnswersLbErr) {
    HWND list = Make(kNotify, {u"one", u"two"});
    Send(list, LB_SETCURSEL, 1);
    WCHAR buffer[8] = {u'#', 0};
    for (int index : {5, -1}) {
        SetLastError(0);
        EXPECT_EQ(Send(list, LB_GETITEMDATA, (WPARAM)index), LB_ERR);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
        EXPECT_EQ(Send(list, LB_GETTEXT, (WPARAM)index, (LPARAM)buffer), LB_ERR);
        EXPECT_EQ(buffer[0], u'#') << "the buffer is left alone";
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
    HWND list = Make(kSorted, {u"b", u"c"});
    Send(list, LB_SETCURSEL, 0);
    Add(list, u"a");
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
    SendMessageW(list, WM_CHAR, u'a', 1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
    SendMessageW(list, WM_CHAR, u'A', 1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 1);
    SendMessageW(list, WM_CHAR, u'c', 1);
    EXPECT_EQ(Send(list, LB_GETCURSEL), 3);
    EXPECT_EQ(Received(), Codes(3, LBN_SELCHANGE));
}

TEST_F(ListBoxTest, FocusNotificationsGoOutEvenWithoutLbsNotify) {
    HWND edit = CreateWindowExW(0, u"edit", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 100, 80, 16, host,
                                (HMENU)(UINT_PTR)kEditId, kInstance, nullptr);
    HWND list = Make(kPlain, kFruit);
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

// ---------------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------------

TEST_F(ListBoxTest, ItemsShowOneARowWithTheSelectionReversedAndKeptInView) {
    HWND list = Make(kNotify, {u"one", u"two", u"three", u"four"}, 2, 10);
    Send(list, LB_SETCURSEL, 3);
    posix::CellGrid grid(40, 12);
    posix::RenderScreen(grid);
    // The host's client area starts on row 1, under the title row.
    EXPECT_EQ(grid.RowText(1).substr(0, 10), "three     ");
    EXPECT_EQ(grid.RowText(2).substr(0, 10), "four      ");
    EXPECT_EQ(grid.At(0, 2).attr & posix::kAttrReverse, posix::kAttrReverse);
    EXPECT_EQ(grid.At(0, 1).attr & posix::kAttrReverse, 0);
    EXPECT_EQ(Send(list, LB_GETTOPINDEX), 2);
}

}  // namespace
