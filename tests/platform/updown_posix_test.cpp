// The up-down as the phone's spinner: a list box with its horizontal up-down, stepped by Left and Right,
// with Up and Down moving between controls, drawn on the cells; and the phone's UDS_NOSCROLL. How it
// answers as Win32 does is in tests/shared/updown_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"
#include "tests/shared/updown_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
// The phone's spinner style: wrap, sets buddy value, aligned right, automatic buddy, arrow keys,
// horizontal, expandable.
constexpr DWORD kSpinner = 0x50000277;
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

TEST_F(UpDownTest, UdsNoScrollLeavesEveryKeyToTheBuddy) {
    HWND strip = Child(u"edit", 0x50810080, 4, 0, 32, 160, 16);
    Child(UPDOWN_CLASSW, kChild | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_EXPANDABLE | UDS_NOSCROLL, 5, 0,
          48, 16, 16);
    SetFocus(strip);
    for (char16_t ch : std::u16string(u"ab"))
        SendMessageW(strip, WM_CHAR, ch, 1);
    Key(strip, VK_LEFT);
    SendMessageW(strip, WM_CHAR, u'x', 1);
    Key(strip, VK_UP);
    Key(strip, VK_DOWN);
    EXPECT_EQ(Text(strip), u"axb") << "Up and Down reach the buddy";
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
