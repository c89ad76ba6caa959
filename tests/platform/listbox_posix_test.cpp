// How the "listbox" control draws on the cells: one item a row, the selection reversed and kept in view.
// Its messages, keys and notifications are in tests/shared/listbox_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr int kListId = 1002;
constexpr DWORD kNotify = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;

class ListBoxDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
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

    HWND Make(const std::vector<std::u16string> &items, int rows, int cols) {
        HWND list = CreateWindowExW(0, u"listbox", nullptr, kNotify, 0, 0, cols * posix::kCellWidth,
                                    rows * posix::kCellHeight, host, (HMENU)(UINT_PTR)kListId, kInstance, nullptr);
        EXPECT_NE(list, nullptr);
        for (const std::u16string &item : items)
            SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)item.c_str());
        return list;
    }

    posix::HeadlessScreen screen{40, 12};
    HWND host = nullptr;
};

TEST_F(ListBoxDrawingTest, ItemsShowOneARowWithTheSelectionReversedAndKeptInView) {
    HWND list = Make({u"one", u"two", u"three", u"four"}, 2, 10);
    SendMessageW(list, LB_SETCURSEL, 3, 0);
    posix::CellGrid grid(40, 12);
    posix::RenderScreen(grid);
    // The host's client area starts on row 1, under the title row.
    EXPECT_EQ(grid.RowText(1).substr(0, 10), "three     ");
    EXPECT_EQ(grid.RowText(2).substr(0, 10), "four      ");
    EXPECT_EQ(grid.At(0, 2).attr & posix::kAttrReverse, posix::kAttrReverse);
    EXPECT_EQ(grid.At(0, 1).attr & posix::kAttrReverse, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 2);
}

}  // namespace
