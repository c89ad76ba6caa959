// The "msctls_updown32" control against Win32's behaviour (range, position, buddy, and the order of
// UDN_DELTAPOS, buddy update and scroll message), and as the phone's spinner: a list box with its
// horizontal up-down, stepped by Left and Right, with Up and Down moving between controls.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the host heard, in order: "delta <pos> <delta>", "command <id> <code>", "hscroll <pos>"...
std::vector<std::string> g_heard;
LRESULT g_deltaAnswer = 0;  // what the host answers UDN_DELTAPOS: non-zero refuses the step

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY: {
            auto *nm = reinterpret_cast<NMUPDOWN *>(lParam);
            if (nm->hdr.code != UDN_DELTAPOS) return 0;
            g_heard.push_back("delta " + std::to_string(nm->iPos) + " " + std::to_string(nm->iDelta));
            return g_deltaAnswer;
        }
        case WM_COMMAND:
            g_heard.push_back("command " + std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam)));
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
            EXPECT_EQ(LOWORD(wParam), SB_THUMBPOSITION);
            g_heard.push_back(std::string(message == WM_HSCROLL ? "hscroll " : "vscroll ") +
                              std::to_string(short(HIWORD(wParam))));
            return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
// The phone's spinner style: wrap, sets buddy value, aligned right, automatic buddy, arrow keys,
// horizontal, expandable.
constexpr DWORD kSpinner = 0x50000277;
constexpr DWORD kVertical = kChild | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_SETBUDDYINT;
constexpr DWORD kList = kChild | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

using Heard = std::vector<std::string>;

class UpDownTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_heard.clear();
        g_deltaAnswer = 0;
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = u"SpinHost";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        host = CreateWindowExW(0, u"SpinHost", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        posix::ResetPlatform();
    }

    HWND Child(const char16_t *cls, DWORD style, int id, int x, int y, int w, int h, const char16_t *text = u"") {
        HWND hwnd = CreateWindowExW(0, cls, text, style, x, y, w, h, host, (HMENU)(UINT_PTR)id, kInstance, nullptr);
        EXPECT_NE(hwnd, nullptr);
        return hwnd;
    }
    HWND List(int id, int row, std::initializer_list<const char16_t *> items) {
        HWND list = Child(u"listbox", kList, id, 0, row * 16, 160, 16);
        for (const char16_t *item : items)
            SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)item);
        return list;
    }
    HWND Spinner(int id, int row) { return Child(UPDOWN_CLASSW, kSpinner, id, 160, row * 16, 16, 16); }
    static void Key(HWND target, int vk) { SendMessageW(target, WM_KEYDOWN, (WPARAM)vk, 1); }
    static LRESULT Cursel(HWND list) { return SendMessageW(list, LB_GETCURSEL, 0, 0); }
    static std::u16string Text(HWND hwnd) {
        WCHAR buffer[64] = {};
        GetWindowTextW(hwnd, buffer, 64);
        return buffer;
    }
    Heard TakeHeard() {
        Heard out = g_heard;
        g_heard.clear();
        return out;
    }

    posix::HeadlessScreen screen{40, 12};
    HWND host = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Range, position and buddy (Win32: Q20)
// ---------------------------------------------------------------------------------------------------

TEST_F(UpDownTest, RangeStartsAtOneHundredDownToZeroAndPositionsStayInIt) {
    HWND spin = Child(UPDOWN_CLASSW, kChild, 5, 0, 0, 16, 16);
    EXPECT_EQ(SendMessageW(spin, UDM_GETRANGE, 0, 0), 0x00640000);
    SendMessageW(spin, UDM_SETRANGE, 0, MAKELONG(50, 10));
    int lower = -1, upper = -1;
    SendMessageW(spin, UDM_GETRANGE32, (WPARAM)&lower, (LPARAM)&upper);
    EXPECT_EQ(lower, 10);
    EXPECT_EQ(upper, 50);
    EXPECT_EQ(SendMessageW(spin, UDM_SETPOS32, 0, 70), 10) << "the previous position, clamped in at SETRANGE";
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 50);
    EXPECT_EQ(SendMessageW(spin, UDM_SETPOS, 0, MAKELONG(20, 0)), 50);
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS, 0, 0), 20);
    EXPECT_EQ(TakeHeard(), Heard{}) << "setting the position notifies nothing";
}

TEST_F(UpDownTest, AutoBuddyIsThePreviousSiblingAndAlignRightTakesItsWidth) {
    HWND edit = Child(u"edit", kChild | WS_BORDER, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical | UDS_ALIGNRIGHT, 2, 0, 32, 16, 24);
    EXPECT_EQ((HWND)SendMessageW(spin, UDM_GETBUDDY, 0, 0), edit);
    RECT e{}, s{};
    GetWindowRect(edit, &e);
    GetWindowRect(spin, &s);
    EXPECT_EQ(e.right - e.left, 144) << "the buddy gives up the up-down's width";
    EXPECT_EQ(s.left, e.right);
    EXPECT_EQ(s.top, e.top);
    HWND other = Child(u"edit", kChild, 3, 0, 48, 80, 16);
    EXPECT_EQ((HWND)SendMessageW(spin, UDM_SETBUDDY, (WPARAM)other, 0), edit);
    EXPECT_EQ((HWND)SendMessageW(spin, UDM_GETBUDDY, 0, 0), other);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC),
              GetWindowLongPtrW(Child(u"edit", kChild, 4, 0, 64, 8, 8), GWLP_WNDPROC))
        << "the old buddy gets its own procedure back";
}

TEST_F(UpDownTest, AStepNotifiesThenSetsTheBuddyThenScrolls) {
    HWND edit = Child(u"edit", 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 5000);
    SendMessageW(spin, UDM_SETPOS32, 0, 1233);
    EXPECT_EQ(Text(edit), u"1,233") << "the buddy shows the position with separators";
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard(), (Heard{"delta 1233 1", "command 1 1024", "command 1 768", "vscroll 1234"}))
        << "UDN_DELTAPOS, the buddy's EN_UPDATE and EN_CHANGE, then WM_VSCROLL";
    EXPECT_EQ(Text(edit), u"1,234");
    Key(spin, VK_DOWN);
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 1233) << "the up-down takes Down itself too";
}

TEST_F(UpDownTest, ABuddyTextThatIsNoNumberKeepsThePositionAndSaysSo) {
    HWND edit = Child(u"edit", 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 100);
    SendMessageW(spin, UDM_SETPOS32, 0, 7);
    SetWindowTextW(edit, u"seven");
    BOOL error = FALSE;
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, (LPARAM)&error), 7);
    EXPECT_TRUE(error);
    SetWindowTextW(edit, u"500");
    EXPECT_EQ(HIWORD(SendMessageW(spin, UDM_GETPOS, 0, 0)), 1) << "out of range";
    SetWindowTextW(edit, u"42");
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS, 0, 0), 42);
}

TEST_F(UpDownTest, AtTheEndsItWrapsOnlyUnderUdsWrapYetAlwaysNotifies) {
    HWND edit = Child(u"edit", 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical | UDS_WRAP, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 2);
    SendMessageW(spin, UDM_SETPOS32, 0, 2);
    Key(edit, VK_UP);
    EXPECT_EQ(Text(edit), u"0");
    Key(edit, VK_DOWN);
    EXPECT_EQ(Text(edit), u"2");
    SetWindowLongW(spin, GWL_STYLE, kVertical);
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(Text(edit), u"2");
    EXPECT_EQ(TakeHeard(), (Heard{"delta 2 1", "command 1 1024", "command 1 768", "vscroll 2"}));
}

TEST_F(UpDownTest, WithMinimumAboveMaximumUpCountsDown) {
    HWND edit = Child(u"edit", 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETPOS32, 0, 50);  // the default range, 100 down to 0
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard().front(), "delta 50 -1");
    EXPECT_EQ(Text(edit), u"49");
}

TEST_F(UpDownTest, TheParentMayRefuseAStep) {
    HWND edit = Child(u"edit", 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 10);
    SendMessageW(spin, UDM_SETPOS32, 0, 3);
    g_deltaAnswer = 1;
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard(), Heard{"delta 3 1"});
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 3);
}

TEST_F(UpDownTest, AnEditBuddyStillTypesAndMovesItsCaret) {
    HWND edit = Child(u"edit", 0x50810080, 1, 0, 0, 160, 16);
    Child(UPDOWN_CLASSW, kVertical, 2, 0, 64, 16, 16);
    HWND strip = Child(u"edit", 0x50810080, 4, 0, 32, 160, 16);
    Child(UPDOWN_CLASSW, kChild | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_EXPANDABLE | UDS_NOSCROLL, 5, 0,
          48, 16, 16);
    for (HWND target : {edit, strip}) {
        SetFocus(target);
        for (char16_t ch : std::u16string(u"ab"))
            SendMessageW(target, WM_CHAR, ch, 1);
        Key(target, VK_LEFT);
        SendMessageW(target, WM_CHAR, u'x', 1);
        EXPECT_EQ(Text(target), u"axb");
    }
    Key(strip, VK_UP);
    Key(strip, VK_DOWN);
    EXPECT_EQ(Text(strip), u"axb") << "UDS_NOSCROLL leaves every key to the buddy";
}

// ---------------------------------------------------------------------------------------------------
// The phone's spinner
// ---------------------------------------------------------------------------------------------------

TEST_F(UpDownTest, LeftAndRightStepThroughTheListRoundTheEndsAndNotifyAsTheUserWould) {
    HWND list = List(1002, 0, {u"alpha", u"beta", u"gamma"});
    Spinner(1004, 0);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    TakeHeard();
    Key(list, VK_RIGHT);
    EXPECT_EQ(Cursel(list), 1);
    EXPECT_EQ(TakeHeard(), (Heard{"delta 0 1", "command 1002 1", "hscroll 1"}))
        << "UDN_DELTAPOS, the list's LBN_SELCHANGE, then WM_HSCROLL";
    Key(list, VK_RIGHT);
    Key(list, VK_RIGHT);
    EXPECT_EQ(Cursel(list), 0) << "UDS_WRAP: past the last comes the first";
    Key(list, VK_LEFT);
    EXPECT_EQ(Cursel(list), 2) << "and before the first the last";
}

TEST_F(UpDownTest, ASpinnerWithoutWrapStopsAtTheEnds) {
    HWND list = List(1002, 0, {u"alpha", u"beta"});
    Child(UPDOWN_CLASSW, kSpinner & ~UDS_WRAP, 1004, 160, 0, 16, 16);
    Key(list, VK_LEFT);
    EXPECT_EQ(Cursel(list), 1) << "with nothing selected, Left comes in at the last item";
    Key(list, VK_RIGHT);
    EXPECT_EQ(Cursel(list), 1);
}

TEST_F(UpDownTest, UpAndDownMoveBetweenTheSpinners) {
    HWND faces = List(1002, 0, {u"one", u"two"});
    Spinner(1004, 0);
    Child(u"listbox", kChild, 1001, 0, 32, 80, 16);  // takes no focus by Tab
    HWND sizes = List(1005, 3, {u"5", u"6"});
    Spinner(1006, 3);
    SetFocus(faces);
    Key(faces, VK_DOWN);
    EXPECT_EQ(GetFocus(), sizes);
    Key(sizes, VK_DOWN);
    EXPECT_EQ(GetFocus(), faces) << "round to the first";
    Key(faces, VK_UP);
    EXPECT_EQ(GetFocus(), sizes);
    EXPECT_EQ(Cursel(faces), LB_ERR) << "Up and Down select nothing";
    EXPECT_EQ(SendMessageW(faces, WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST_F(UpDownTest, ASpinnerShowsItsItemBetweenArrowsOnOneRow) {
    HWND list = List(1002, 0, {u"DejaVu Sans", u"DejaVu Sans Mono"});
    Spinner(1004, 0);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    RECT r{};
    GetClientRect(list, &r);
    EXPECT_EQ(r.right, 144) << "the up-down took its width from the list";
    posix::CellGrid grid(40, 12);
    posix::RenderScreen(grid);
    EXPECT_EQ(grid.RowText(1).substr(0, 20), "< DejaVu Sans >     ");
    EXPECT_EQ(grid.At(2, 1).attr & posix::kAttrReverse, 0) << "reversed only while it has the focus";
    SetFocus(list);
    Key(list, VK_RIGHT);
    posix::RenderScreen(grid);
    EXPECT_EQ(grid.RowText(1).substr(0, 20), "<DejaVu Sans Mono>  ") << "the spaces give way to the item";
    EXPECT_EQ(grid.At(2, 1).attr & posix::kAttrReverse, posix::kAttrReverse);
    SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)u"DejaVu Sans Condensed");
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    posix::RenderScreen(grid);
    EXPECT_EQ(grid.RowText(1).substr(0, 20), "<DejaVu Sans Cond>  ") << "a longer item is cut, the arrows stay";
}

TEST_F(UpDownTest, ANarrowSpinnerShowsAShortItemWholeWithoutSpaces) {
    // Four cells of list once the up-down has taken its own, as the font chooser's size list has.
    HWND list = Child(u"listbox", kList, 1005, 0, 0, 56, 16);
    for (const char16_t *size : {u"9", u"15", u"124"})
        SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)size);
    Child(UPDOWN_CLASSW, kSpinner, 1006, 56, 0, 24, 16);
    posix::CellGrid grid(40, 12);
    const char *shown[] = {"<9>  ", "<15> ", "<12> "};
    for (int i = 0; i < 3; ++i) {
        SendMessageW(list, LB_SETCURSEL, (WPARAM)i, 0);
        posix::RenderScreen(grid);
        EXPECT_EQ(grid.RowText(1).substr(0, 5), shown[i]) << i;
    }
}

}  // namespace
