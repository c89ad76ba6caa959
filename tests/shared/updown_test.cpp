// The "msctls_updown32" control against Win32's behaviour: range, position, buddy, and the order of
// UDN_DELTAPOS, buddy update and scroll message. The phone's spinner (a list box with its horizontal
// up-down, stepped by Left and Right) is ours, in tests/platform/updown_posix_test.cpp.
#include "tests/shared/updown_host.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kVertical = kChild | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_SETBUDDYINT;

using Heard = std::vector<std::string>;

class UpDownTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        g_heard.clear();
        g_deltaAnswer = 0;
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = TEXT("SpinHost");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
        // Hidden unless a test needs the focus: nothing here is drawn.
        host = CreateWindowExW(0, TEXT("SpinHost"), TEXT(""), 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        test_platform::Reset();
        UnregisterClassW(TEXT("SpinHost"), test_platform::Instance());
    }

    HWND Child(const WCHAR *cls, DWORD style, int id, int x, int y, int w, int h, const WCHAR *text = TEXT("")) {
        HWND hwnd = CreateWindowExW(0, cls, text, style, x, y, w, h, host, (HMENU)(UINT_PTR)id,
                                    test_platform::Instance(), nullptr);
        EXPECT_NE(hwnd, nullptr);
        return hwnd;
    }
    static void Key(HWND target, int vk) { SendMessageW(target, WM_KEYDOWN, (WPARAM)vk, 1); }
    static WString Text(HWND hwnd) {
        WCHAR buffer[64] = {};
        GetWindowTextW(hwnd, buffer, 64);
        return buffer;
    }
    Heard TakeHeard() {
        Heard out = g_heard;
        g_heard.clear();
        return out;
    }

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
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS, 0, 0), MAKELONG(20, 1)) << "no buddy holds the position: an error";
    BOOL error = FALSE;
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, (LPARAM)&error), 20);
    EXPECT_TRUE(error);
    EXPECT_EQ(TakeHeard(), Heard{}) << "setting the position notifies nothing";
}

TEST_F(UpDownTest, AutoBuddyIsThePreviousSiblingAndAlignRightTakesItsWidth) {
    HWND list = Child(TEXT("listbox"), kChild | LBS_NOINTEGRALHEIGHT, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical | UDS_ALIGNRIGHT, 2, 0, 32, 16, 24);
    EXPECT_EQ((HWND)SendMessageW(spin, UDM_GETBUDDY, 0, 0), list);
    RECT b{}, s{};
    GetWindowRect(list, &b);
    GetWindowRect(spin, &s);
    EXPECT_EQ(b.right - b.left, 144) << "the buddy gives up the up-down's width";
    EXPECT_EQ(s.left, b.right);
    EXPECT_EQ(s.top, b.top);
}

// Win32 lays an aligned up-down 2 pixels over an edit buddy's edge; ours keeps to whole cells.
TEST_F(UpDownTest, AnAlignedUpDownCoversTheEdgeOfAnEditBuddy) {
    SKIP_ON_OUR_PLATFORM("controls keep to whole character cells");
    HWND edit = Child(TEXT("edit"), kChild | WS_BORDER, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical | UDS_ALIGNRIGHT, 2, 0, 32, 16, 24);
    RECT e{}, s{};
    GetWindowRect(edit, &e);
    GetWindowRect(spin, &s);
    EXPECT_EQ(e.right - e.left, 144);
    EXPECT_EQ(s.left, e.right - 2);
}

TEST_F(UpDownTest, TheOldBuddyGetsItsKeysBack) {
    HWND edit = Child(TEXT("edit"), kChild, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    HWND other = Child(TEXT("edit"), kChild, 3, 0, 48, 80, 16);
    EXPECT_EQ((HWND)SendMessageW(spin, UDM_SETBUDDY, (WPARAM)other, 0), edit);
    EXPECT_EQ((HWND)SendMessageW(spin, UDM_GETBUDDY, 0, 0), other);
    SendMessageW(spin, UDM_SETRANGE32, 0, 10);
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard(), Heard{}) << "the old buddy's Up is its own again";
    Key(other, VK_UP);
    EXPECT_EQ(TakeHeard().front(), "delta 0 1") << "the new buddy's steps the up-down";
}

TEST_F(UpDownTest, AStepNotifiesThenSetsTheBuddyThenScrolls) {
    HWND edit = Child(TEXT("edit"), 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 5000);
    SendMessageW(spin, UDM_SETPOS32, 0, 1233);
    EXPECT_EQ(Text(edit), TEXT("1,233")) << "the buddy shows the position with separators";
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard(), (Heard{"delta 1233 1", "command 1 1024", "command 1 768", "vscroll 1234"}))
        << "UDN_DELTAPOS, the buddy's EN_UPDATE and EN_CHANGE, then WM_VSCROLL";
    EXPECT_EQ(Text(edit), TEXT("1,234"));
    Key(spin, VK_DOWN);
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 1233) << "the up-down takes Down itself too";
}

TEST_F(UpDownTest, ABuddyTextThatIsNoNumberKeepsThePositionAndSaysSo) {
    HWND edit = Child(TEXT("edit"), 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 100);
    SendMessageW(spin, UDM_SETPOS32, 0, 7);
    SetWindowTextW(edit, TEXT("seven"));
    BOOL error = FALSE;
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, (LPARAM)&error), 7);
    EXPECT_TRUE(error);
    SetWindowTextW(edit, TEXT("500"));
    EXPECT_EQ(HIWORD(SendMessageW(spin, UDM_GETPOS, 0, 0)), 1) << "out of range";
    SetWindowTextW(edit, TEXT("42"));
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS, 0, 0), 42);
}

TEST_F(UpDownTest, AtTheEndsItWrapsOnlyUnderUdsWrapYetAlwaysNotifies) {
    HWND edit = Child(TEXT("edit"), 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical | UDS_WRAP, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 2);
    SendMessageW(spin, UDM_SETPOS32, 0, 2);
    Key(edit, VK_UP);
    EXPECT_EQ(Text(edit), TEXT("0"));
    Key(edit, VK_DOWN);
    EXPECT_EQ(Text(edit), TEXT("2"));
    SetWindowLongW(spin, GWL_STYLE, kVertical);
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(Text(edit), TEXT("2"));
    EXPECT_EQ(TakeHeard(), (Heard{"delta 2 1", "vscroll 2"})) << "the buddy is set only when the position changed";
}

TEST_F(UpDownTest, WithMinimumAboveMaximumUpCountsDown) {
    HWND edit = Child(TEXT("edit"), 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETPOS32, 0, 50);  // the default range, 100 down to 0
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard().front(), "delta 50 -1");
    EXPECT_EQ(Text(edit), TEXT("49"));
}

TEST_F(UpDownTest, TheParentMayRefuseAStep) {
    HWND edit = Child(TEXT("edit"), 0x50810080, 1, 0, 0, 160, 16);
    HWND spin = Child(UPDOWN_CLASSW, kVertical, 2, 0, 32, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 10);
    SendMessageW(spin, UDM_SETPOS32, 0, 3);
    g_deltaAnswer = 1;
    TakeHeard();
    Key(edit, VK_UP);
    EXPECT_EQ(TakeHeard(), (Heard{"delta 3 1", "vscroll 3"})) << "the scroll message goes out all the same";
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 3);
}

TEST_F(UpDownTest, AnEditBuddyStillTypesAndMovesItsCaret) {
    HWND edit = Child(TEXT("edit"), 0x50810080, 1, 0, 0, 160, 16);
    Child(UPDOWN_CLASSW, kVertical, 2, 0, 64, 16, 16);
    ShowWindow(host, SW_SHOW);
    SetFocus(edit);
    for (WCHAR ch : WString(TEXT("ab")))
        SendMessageW(edit, WM_CHAR, ch, 1);
    Key(edit, VK_LEFT);
    SendMessageW(edit, WM_CHAR, TEXT('x'), 1);
    EXPECT_EQ(Text(edit), TEXT("axb"));
}

// A desktop up-down takes only Up and Down, even when horizontal: Left and Right reach its list buddy
// untouched, and the list moves by itself. Our spinner steps on them instead, as the phone's does.
TEST_F(UpDownTest, AHorizontalUpDownLeavesLeftAndRightToItsListBuddy) {
    SKIP_ON_OUR_PLATFORM("the phone's spinner steps through its list on Left and Right");
    HWND list = Child(TEXT("listbox"), kChild | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 1002, 0, 0, 160, 16);
    for (const WCHAR *item : {TEXT("alpha"), TEXT("beta"), TEXT("gamma")})
        SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)item);
    HWND spin = Child(UPDOWN_CLASSW,
                      kChild | UDS_WRAP | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_HORZ,
                      1004, 160, 0, 16, 16);
    SendMessageW(spin, UDM_SETRANGE32, 0, 2);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    TakeHeard();
    Key(list, VK_RIGHT);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1) << "Right moves the list as Down does";
    EXPECT_EQ(TakeHeard(), Heard{"command 1002 1"}) << "the list's LBN_SELCHANGE alone";
    EXPECT_EQ(SendMessageW(spin, WM_KEYDOWN, VK_LEFT, 1), 1) << "the up-down itself ignores Left";
    EXPECT_EQ(TakeHeard(), Heard{});
}

}  // namespace
