// A second top-level window in front of the first, as a program opens one for a while: activation and
// focus as it comes and goes, a soft-key bar owned by one of its children, and its destruction with
// everything in it.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"
#include "tests/platform/res_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Recorded> g_log;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_COMMAND:
        case WM_HOTKEY:
        case WM_DESTROY:
        case WM_SIZE: g_log.push_back({hwnd, message, wParam, lParam}); break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<Recorded> Of(UINT message) {
    std::vector<Recorded> out;
    for (const Recorded &r : g_log)
        if (r.message == message) out.push_back(r);
    return out;
}

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr uint16_t kMainBar = 200, kSecondBar = 201;
constexpr uint16_t kMark = 300, kMenu = 301, kSelect = 310, kCancel = 311, kSave = 183;

class SecondWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        posix::SetFrontEnd(&screen);
        g_log.clear();
        // Two bars: "Mark"/"Menu" for the first window, "Select"/"Cancel" for the second.
        res.Add(4, kMainBar, ResBuilder::Menu({{0, kMark, u"Mark"}, {0x80, kMenu, u"Menu"}}));
        res.Add(4, kSecondBar, ResBuilder::Menu({{0, kSelect, u"Select"}, {0x80, kCancel, u"Cancel"}}));
        // Strings 208 to 211: block 14 holds 208 to 223.
        res.Add(6, 14, ResBuilder::StringBlock({u"Mark", u"Menu", u"Select", u"Cancel"}));
        res.Add(10, kMainBar,
                ResBuilder::Words(
                    {kMainBar, 2, 0xFFFE, kMark, 4, 16, 208, 0, 0xFFFF, 0xFFFE, kMenu, 4, 16, 209, 0, 0xFFFF}));
        res.Add(10, kSecondBar,
                ResBuilder::Words(
                    {kSecondBar, 2, 0xFFFE, kSelect, 4, 16, 210, 0, 0xFFFF, 0xFFFE, kCancel, 4, 16, 211, 0, 0xFFFF}));
        posix::SetResourceImage(posix::ResourceImage{res.Bytes().data(), res.Bytes().size()});
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = u"Recorder";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        first = TopLevel(u"First", WS_VISIBLE);
        firstChild = Child(first, 120);
        Bar(first, kMainBar);
        SetFocus(firstChild);
    }
    void TearDown() override {
        EXPECT_EQ(screen.Failure(), "");
        posix::ResetPlatform();
        posix::SetFrontEnd(nullptr);
    }
    static HWND TopLevel(const char16_t *title, DWORD style) {
        return CreateWindowExW(0, u"Recorder", title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               nullptr, nullptr, kInstance, nullptr);
    }
    static HWND Child(HWND parent, int id) {
        RECT r{};
        GetClientRect(parent, &r);
        return CreateWindowExW(0, u"Recorder", u"", WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom, parent,
                               (HMENU)(UINT_PTR)id, kInstance, nullptr);
    }
    static HWND Bar(HWND owner, UINT id) {
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = owner;
        info.nToolBarId = id;
        info.hInstRes = kInstance;
        EXPECT_TRUE(SHCreateMenuBar(&info));
        return info.hwndMB;
    }
    // The second window as a program opens it: hidden at first, a child filling it that owns its bar,
    // then shown and the child focused.
    void OpenSecond() {
        second = TopLevel(u"Second", WS_CLIPCHILDREN);
        secondChild = Child(second, 121);
        secondBar = Bar(secondChild, kSecondBar);
        SetWindowTextW(second, u"Second shown");
        g_log.clear();
        ShowWindow(second, SW_SHOW);
        SetFocus(secondChild);
    }
    void Loop() {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    std::string SoftKeys() const { return screen.Row(screen.Rows() - 1); }

    posix::HeadlessScreen screen{40, 12};
    ResBuilder res;
    HWND first = nullptr, firstChild = nullptr;
    HWND second = nullptr, secondChild = nullptr, secondBar = nullptr;
};

TEST_F(SecondWindowTest, AHiddenWindowComesInFrontWhenShownAndTakesTheFocus) {
    second = TopLevel(u"Second", WS_CLIPCHILDREN);
    EXPECT_EQ(GetActiveWindow(), first) << "a window made without WS_VISIBLE is not activated";
    EXPECT_EQ(GetFocus(), firstChild);
    g_log.clear();
    ShowWindow(second, SW_SHOW);
    EXPECT_EQ(GetActiveWindow(), second);
    std::vector<Recorded> activations = Of(WM_ACTIVATE);
    ASSERT_EQ(activations.size(), 2u);
    EXPECT_EQ(activations[0].hwnd, first);
    EXPECT_EQ(LOWORD(activations[0].wParam), WA_INACTIVE);
    EXPECT_EQ(activations[1].hwnd, second);
    EXPECT_EQ(LOWORD(activations[1].wParam), WA_ACTIVE);
    EXPECT_EQ((HWND)activations[1].lParam, first);
    // Default handling of the activation gives the window the focus, which the child had until now.
    EXPECT_EQ(GetFocus(), second);
    ASSERT_EQ(Of(WM_KILLFOCUS).size(), 1u);
    EXPECT_EQ(Of(WM_KILLFOCUS)[0].hwnd, firstChild);
    screen.Then([] {});
    Loop();
    EXPECT_NE(screen.Row(0).find("Second"), std::string::npos) << screen.Row(0);
}

// The bar belongs to a child: it shows while the child's window is in front, its commands go to the
// top-level window, and keys it takes over go to the child that owns it.
TEST_F(SecondWindowTest, ABarOwnedByAChildSendsCommandsToItsTopLevelWindow) {
    OpenSecond();
    SendMessageW(secondBar, SHCMBM_OVERRIDEKEY, VK_TBACK,
                 MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
    screen.Key(VK_TSOFT1).Key(VK_TBACK);
    Loop();
    EXPECT_EQ(SoftKeys().rfind(" Select ", 0), 0u) << SoftKeys();
    ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(Of(WM_COMMAND)[0].hwnd, second);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kSelect);
    ASSERT_EQ(Of(WM_HOTKEY).size(), 2u) << "press and release";
    EXPECT_EQ(Of(WM_HOTKEY)[0].hwnd, secondChild);

    // The left key relabelled and given a new command, as Select becomes Save.
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<WCHAR *>(u"Save");
    ASSERT_TRUE(SendMessageW(secondBar, TB_SETBUTTONINFOW, kSelect, (LPARAM)&info));
    info.dwMask = TBIF_COMMAND;
    info.idCommand = kSave;
    ASSERT_TRUE(SendMessageW(secondBar, TB_SETBUTTONINFOW, kSelect, (LPARAM)&info));
    EXPECT_FALSE(SendMessageW(secondBar, TB_SETBUTTONINFOW, kSelect, (LPARAM)&info)) << "no button has it now";
    g_log.clear();
    screen.Key(VK_TSOFT1).Key(VK_TSOFT2);
    Loop();
    EXPECT_EQ(SoftKeys().rfind(" Save ", 0), 0u) << SoftKeys();
    ASSERT_EQ(Of(WM_COMMAND).size(), 2u);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[0].wParam), kSave);
    EXPECT_EQ(LOWORD(Of(WM_COMMAND)[1].wParam), kCancel);
}

// Closing as a program does: the first window shown, the focus back in its child, then the second
// destroyed with its children and bar. The first stays active and focused, and its bar shows again.
TEST_F(SecondWindowTest, DestroyingTheSecondWindowLeavesTheFirstInFrontWithItsFocus) {
    OpenSecond();
    HWND grandChild = Child(secondChild, 5);
    ShowWindow(first, SW_SHOWNORMAL);
    SetFocus(firstChild);
    g_log.clear();
    ASSERT_TRUE(DestroyWindow(second));
    EXPECT_FALSE(IsWindow(second) || IsWindow(secondChild) || IsWindow(grandChild) || IsWindow(secondBar));
    std::vector<Recorded> destroyed = Of(WM_DESTROY);
    ASSERT_EQ(destroyed.size(), 3u);
    EXPECT_EQ(destroyed[0].hwnd, second) << "the parent hears first";
    EXPECT_EQ(destroyed[1].hwnd, secondChild);
    EXPECT_EQ(destroyed[2].hwnd, grandChild);
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), firstChild);
    EXPECT_TRUE(Of(WM_ACTIVATE).empty()) << "the first was already in front";
    screen.Then([] {});
    Loop();
    EXPECT_EQ(SoftKeys().rfind(" Mark ", 0), 0u) << SoftKeys();
    EXPECT_NE(screen.Row(0).find("First"), std::string::npos) << screen.Row(0);
}

// Destroyed while in front, the second window hands the front back to the first, which hears of it.
TEST_F(SecondWindowTest, DestroyingTheActiveSecondWindowActivatesTheFirst) {
    OpenSecond();
    g_log.clear();
    DestroyWindow(second);
    EXPECT_EQ(GetActiveWindow(), first);
    ASSERT_FALSE(Of(WM_ACTIVATE).empty());
    EXPECT_EQ(Of(WM_ACTIVATE).back().hwnd, first);
    EXPECT_EQ(LOWORD(Of(WM_ACTIVATE).back().wParam), WA_ACTIVE);
}

TEST_F(SecondWindowTest, SetWindowPosWithoutMovingChangesOnlyTheSize) {
    OpenSecond();
    RECT before{}, after{};
    GetWindowRect(secondChild, &before);
    g_log.clear();
    ASSERT_TRUE(SetWindowPos(secondChild, nullptr, 99, 99, 160, 64, SWP_NOMOVE));
    GetWindowRect(secondChild, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 160);
    EXPECT_EQ(after.bottom - after.top, 64);
    ASSERT_EQ(Of(WM_SIZE).size(), 1u);
    EXPECT_EQ(Of(WM_SIZE)[0].lParam, MAKELPARAM(160, 64));
}

}  // namespace
