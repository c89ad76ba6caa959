// The "static" control's text and font messages as Win32 answers them.
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> g_parentCommands;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_NOTIFY) g_parentCommands.push_back(message);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class StaticTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        g_parentCommands.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = TEXT("StaticParent");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
        // Hidden: nothing here is drawn.
        parent = CreateWindowExW(0, TEXT("StaticParent"), TEXT(""), 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override {
        DestroyWindow(parent);
        test_platform::Reset();
        UnregisterClassW(TEXT("StaticParent"), test_platform::Instance());
    }

    HWND Static(const WCHAR *text) {
        return CreateWindowExW(0, TEXT("static"), text, WS_CHILD | WS_VISIBLE, 0, 0, 96, 16, parent, (HMENU)5,
                               test_platform::Instance(), nullptr);
    }
    HWND parent = nullptr;
};

TEST_F(StaticTest, TextAndFontMessagesAnswerAsWin32AndNotifyNobody) {
    HWND label = Static(TEXT("Search for:"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(SendMessageW(label, WM_SETTEXT, 0, (LPARAM)TEXT("Changed text")), 1);
    WCHAR buffer[32] = {};
    EXPECT_EQ(SendMessageW(label, WM_GETTEXT, 32, (LPARAM)buffer), 12);
    EXPECT_EQ(WString(buffer), TEXT("Changed text"));
    EXPECT_EQ(SendMessageW(label, WM_GETTEXT, 4, (LPARAM)buffer), 3);
    EXPECT_EQ(WString(buffer), TEXT("Cha"));
    EXPECT_EQ(SendMessageW(label, WM_SETTEXT, 0, 0), 1);
    EXPECT_EQ(GetWindowTextLengthW(label), 0);
    EXPECT_TRUE(g_parentCommands.empty());

    EXPECT_EQ(SendMessageW(label, WM_GETFONT, 0, 0), 0) << "no font outside a dialog";
    LOGFONTW lf{};
    lf.lfHeight = 12;
    HFONT font = CreateFontIndirectW(&lf);
    EXPECT_EQ(SendMessageW(label, WM_SETFONT, (WPARAM)font, TRUE), 0);
    EXPECT_EQ((HFONT)SendMessageW(label, WM_GETFONT, 0, 0), font);
    EXPECT_EQ(SendMessageW(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    DestroyWindow(label);
    LOGFONTW kept{};
    EXPECT_EQ(GetObjectW(font, sizeof kept, &kept), (int)sizeof kept) << "the font belongs to whoever made it";
    EXPECT_EQ(kept.lfHeight, 12);
    DeleteObject(font);
}

}  // namespace
