// Text measured through a device context takes the columns the screen gives it.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/reset.h"

#include <gtest/gtest.h>

namespace {

class TextExtentTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"ExtentHost";
        wc.hInstance = (HINSTANCE)0x400000;
        ASSERT_NE(RegisterClassW(&wc), 0);
        window = CreateWindowExW(0, u"ExtentHost", u"", WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                 (HINSTANCE)0x400000, nullptr);
        ASSERT_NE(window, nullptr);
        dc = GetDC(window);
        ASSERT_NE(dc, nullptr);
    }
    void TearDown() override {
        ReleaseDC(window, dc);
        DestroyWindow(window);
        posix::ResetPlatform();
    }
    // The width in character cells of the first count units of text.
    int Columns(const char16_t *text, int count) {
        SIZE size{-1, -1};
        EXPECT_TRUE(GetTextExtentPoint32W(dc, text, count, &size));
        EXPECT_EQ(size.cy, posix::kCellHeight);
        return size.cx / posix::kCellWidth;
    }

    HWND window = nullptr;
    HDC dc = nullptr;
};

TEST_F(TextExtentTest, CharactersTakeTheColumnsTheScreenGivesThem) {
    EXPECT_EQ(Columns(u"abc", 3), 3);
    EXPECT_EQ(Columns(u"abc", 2), 2);
    EXPECT_EQ(Columns(u"abc", 0), 0);
    EXPECT_EQ(Columns(u"\u4E2D\u6587", 2), 4) << "wide characters take two columns";
    EXPECT_EQ(Columns(u"\U0001F680", 2), 2) << "a surrogate pair is one wide character";
    EXPECT_EQ(Columns(u"e\u0301", 2), 1) << "a combining mark takes no column of its own";
    EXPECT_EQ(Columns(u"\t\u202E", 2), 2) << "control and invisible characters show as one-column stand-ins";
}

}  // namespace
