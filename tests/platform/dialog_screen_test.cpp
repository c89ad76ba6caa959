// What a dialog shows on the screen of cells and how a person's keys reach it there: dialog units as
// cells, and a dialog's own soft-key bar, driven through the headless screen. How the dialog manager
// behaves as Win32 does is in tests/shared/dialog_test.cpp.
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/window.h"
#include "tests/platform/res_builder.h"
#include "tests/shared/dialog_template.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;

// ---------------------------------------------------------------------------------------------------
// A recording dialog procedure
// ---------------------------------------------------------------------------------------------------

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct DuringInit {
    bool visible = true;
    HWND focus = (HWND)1;
    bool ownerEnabled = true;
};

std::vector<Seen> g_seen;
DuringInit g_init;
std::function<INT_PTR(HWND)> g_onInit;  // the answer to WM_INITDIALOG
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> g_onOther;
HWND g_owner = nullptr;

bool Recorded(UINT message) {
    switch (message) {
        case WM_PAINT:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case WM_NULL: return false;
        default: return true;
    }
}

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Recorded(message)) g_seen.push_back({message, wParam, lParam});
    if (message == WM_INITDIALOG) {
        g_init.visible = IsWindowVisible(dialog) != FALSE;
        g_init.focus = GetFocus();
        g_init.ownerEnabled = IsWindowEnabled(g_owner) != FALSE;
        return g_onInit ? g_onInit(dialog) : TRUE;
    }
    return g_onOther ? g_onOther(dialog, message, wParam, lParam) : FALSE;
}

std::vector<Seen> SeenOf(UINT message) {
    std::vector<Seen> out;
    for (const Seen &s : g_seen)
        if (s.message == message) out.push_back(s);
    return out;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_seen.clear();
        g_init = DuringInit{};
        g_onInit = nullptr;
        g_onOther = nullptr;
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"Owner";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        g_owner = CreateWindowExW(0, u"Owner", u"Owner title", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        ASSERT_NE(g_owner, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(screen.Failure(), "");
        g_onInit = nullptr;
        g_onOther = nullptr;
        posix::ResetPlatform();
    }
    INT_PTR Run(const DLGTEMPLATE *t, LPARAM param = 0, HWND owner = (HWND)-1) {
        return DialogBoxIndirectParamW(kInstance, t, owner == (HWND)-1 ? g_owner : owner, RecordingDialogProc, param);
    }
    // Ends the dialog from the script, once the keys before it have been handled. The modal loop sees
    // that it ended when it next takes input: a key release that nothing acts on.
    posix::HeadlessScreen &EndWith(INT_PTR result) {
        return screen.Then([result] { EndDialog(GetActiveWindow(), result); }).Release(VK_SHIFT);
    }
    posix::HeadlessScreen screen{40, 12};
};

// ---------------------------------------------------------------------------------------------------
// Dialog units as cells
// ---------------------------------------------------------------------------------------------------

TEST_F(DialogTest, FourDialogUnitsAcrossAndEightDownMakeACell) {
    RECT editRect{};
    g_onInit = [&](HWND dialog) {
        GetClientRect(GetDlgItem(dialog, kFirstEdit), &editRect);
        return TRUE;
    };
    EndWith(1);
    EXPECT_EQ(Run(TwoEdits(false).Build()), 1);
    // 97 x 12 dialog units: 24 cells across, one row down.
    EXPECT_EQ(editRect.right, 24 * 8);
    EXPECT_EQ(editRect.bottom, 16);
}

// ---------------------------------------------------------------------------------------------------
// The dialog's own soft-key bar and the screen
// ---------------------------------------------------------------------------------------------------

constexpr uint16_t kBar = 200, kFindCommand = 300, kCancelCommand = 301;

class DialogSoftKeyTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        res.Add(4, kBar, ResBuilder::Menu({{0, kFindCommand, u"Go"}, {0x80, kCancelCommand, u"Stop"}}));
        res.Add(6, 14, ResBuilder::StringBlock({u"Go", u"Stop"}));  // strings 208 and 209
        res.Add(10, kBar,
                ResBuilder::Words({kBar, 2, 0xFFFE, kFindCommand, 4, 16, 208, 0, 0xFFFF, 0xFFFE, kCancelCommand, 4, 16,
                                   209, 0, 0xFFFF}));
        posix::SetResourceImage(posix::ResourceImage{res.Bytes().data(), res.Bytes().size()});
        g_onInit = [](HWND dialog) {
            SHMENUBARINFO info{};
            info.cbSize = sizeof(info);
            info.hwndParent = dialog;
            info.nToolBarId = kBar;
            info.hInstRes = GetModuleHandleW(nullptr);
            EXPECT_TRUE(SHCreateMenuBar(&info));
            SendMessageW(info.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK,
                         MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY));
            return TRUE;
        };
        g_onOther = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
            if (message == WM_HOTKEY && HIWORD(lParam) == VK_TBACK) SHSendBackToFocusWindow(message, wParam, lParam);
            if (message == WM_COMMAND && LOWORD(wParam) == kCancelCommand) EndDialog(dialog, 9);
            return message == WM_HOTKEY || message == WM_COMMAND;
        };
    }
    ResBuilder res;
};

TEST_F(DialogSoftKeyTest, TheBarShowsWhileTheDialogIsUpAndItsKeysReachTheProcedure) {
    std::string shown;
    std::u16string afterBack;
    screen.Key(VK_END).Key(VK_TBACK).Then([&] {
        shown = screen.Text();
        WCHAR buffer[16] = {};
        GetWindowTextW(GetFocus(), buffer, 16);
        afterBack = buffer;
    });
    screen.Key(VK_TSOFT1).Key(VK_TSOFT2);
    TemplateBuilder t = TwoEdits(false);
    EXPECT_EQ(Run(t.Build()), 9);
    std::string bottom = shown.substr(shown.rfind('\n', shown.size() - 2) + 1);
    EXPECT_EQ(bottom.rfind(" Go ", 0), 0u) << shown;
    EXPECT_NE(bottom.find(" Stop "), std::string::npos) << shown;
    EXPECT_NE(shown.find("Label:"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\u250C"), std::string::npos) << "drawn as a box\n" << shown;
    EXPECT_EQ(shown.rfind("Owner title", 40), 1u) << "a dialog without a caption leaves the owner's title\n" << shown;
    EXPECT_EQ(afterBack, u"ab") << "Back deleted a character in the field";
    std::vector<Seen> hotKeys = SeenOf(WM_HOTKEY);
    ASSERT_FALSE(hotKeys.empty());
    EXPECT_EQ(HIWORD(hotKeys[0].lParam), VK_TBACK);
    std::vector<WORD> commands;
    for (const Seen &s : SeenOf(WM_COMMAND))
        if (HIWORD(s.wParam) == 0) commands.push_back(LOWORD(s.wParam));
    EXPECT_EQ(commands, (std::vector<WORD>{kFindCommand, kCancelCommand}));
}

}  // namespace
