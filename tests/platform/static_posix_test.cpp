// How the "static" control draws its text on the screen: alignment, rows broken at blanks, the border,
// and the name of a font the terminal cannot show. Its messages are in tests/shared/static_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
class StaticTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        WNDCLASSW wc{};
        // What the parent hears is in the shared tests; here it only holds the controls.
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"Parent";
        wc.hInstance = kInstance;
        ASSERT_NE(RegisterClassW(&wc), 0);
        parent = CreateWindowExW(0, u"Parent", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
    }
    void TearDown() override { posix::ResetPlatform(); }

    // A static of cols x rows cells at the top left of the client area (screen row 1).
    HWND Static(const char16_t *text, DWORD style, int cols, int rows) {
        return CreateWindowExW(0, u"static", text, WS_CHILD | WS_VISIBLE | style, 0, 0, cols * 8, rows * 16, parent,
                               (HMENU)5, kInstance, nullptr);
    }
    // The screen drawn once, and its rows from the client area's first.
    std::vector<std::string> Draw(int rows) {
        screen.Then([] {});
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0))
            DispatchMessageW(&msg);
        std::vector<std::string> out;
        for (int r = 1; r <= rows; ++r)
            out.push_back(screen.Row(r));
        return out;
    }
    HWND parent = nullptr;
    posix::HeadlessScreen screen{20, 8};
};

TEST_F(StaticTest, AlignmentPlacesEachRowInTheControlsWidth) {
    Static(u"left", SS_LEFT, 10, 1);
    CreateWindowExW(0, u"static", u"mid", WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 16, 10 * 8, 16, parent, nullptr,
                    kInstance, nullptr);
    CreateWindowExW(0, u"static", u"right", WS_CHILD | WS_VISIBLE | SS_RIGHT, 0, 32, 10 * 8, 16, parent, nullptr,
                    kInstance, nullptr);
    std::vector<std::string> rows = Draw(3);
    EXPECT_EQ(rows[0].substr(0, 10), "left      ");
    EXPECT_EQ(rows[1].substr(0, 10), "   mid    ");
    EXPECT_EQ(rows[2].substr(0, 10), "     right");
}

TEST_F(StaticTest, LongTextBreaksAtBlanksAndTheBorderFramesIt) {
    Static(u"Sample of selected font", WS_BORDER | SS_CENTER, 12, 5);
    std::vector<std::string> rows = Draw(5);
    EXPECT_EQ(rows[0].substr(0, 36), "\u250C\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2510");
    EXPECT_EQ(rows[1], "\u2502Sample of \u2502        ");
    EXPECT_EQ(rows[2], "\u2502 selected \u2502        ");
    EXPECT_EQ(rows[3], "\u2502   font   \u2502        ");
    EXPECT_EQ(rows[4].substr(0, 3), "\u2514");
}

TEST_F(StaticTest, AWordLongerThanTheRowIsCutAndANoWrapStaticKeepsOneRow) {
    Static(u"abcdefghij kl", SS_LEFT, 4, 4);
    std::vector<std::string> rows = Draw(4);
    EXPECT_EQ(rows[0].substr(0, 5), "abcd ");
    EXPECT_EQ(rows[1].substr(0, 5), "efgh ");
    EXPECT_EQ(rows[2].substr(0, 5), "ij   ");
    EXPECT_EQ(rows[3].substr(0, 5), "kl   ");
    posix::ResetPlatform();
    SetUp();
    Static(u"one two three", SS_LEFTNOWORDWRAP, 6, 2);
    rows = Draw(2);
    EXPECT_EQ(rows[0].substr(0, 7), "one tw ");
    EXPECT_EQ(rows[1].substr(0, 7), "       ");
}

}  // namespace

namespace {

// The terminal shows one face only, so a static drawn in another font says which it is.
class StaticFontCaptionTest : public StaticTest {
protected:
    static HFONT Font(const std::u16string &face, LONG height) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        face.copy(lf.lfFaceName, LF_FACESIZE - 1);
        return CreateFontIndirectW(&lf);
    }
};

TEST_F(StaticFontCaptionTest, AFramedSampleNamesItsFontInTheBottomEdge) {
    HWND sample = Static(u"Sample of selected font", WS_BORDER, 20, 4);
    HFONT font = Font(u"DejaVu Sans Mono", 12);
    SendMessageW(sample, WM_SETFONT, (WPARAM)font, TRUE);
    std::vector<std::string> rows = Draw(4);
    EXPECT_EQ(rows[1], "\u2502Sample of selected\u2502");
    EXPECT_EQ(rows[3], "\u2514 DejaVu Sans\u2026, 12 \u2518") << "the face is cut, the size and the corners kept";
    DeleteObject(font);
}

TEST_F(StaticFontCaptionTest, AnUnframedStaticNamesItsFontUnderTheText) {
    HWND label = Static(u"Sample", 0, 20, 3);
    HFONT font = Font(u"Nina", 9);
    SendMessageW(label, WM_SETFONT, (WPARAM)font, TRUE);
    std::vector<std::string> rows = Draw(3);
    EXPECT_EQ(rows[0], "Sample              ");
    EXPECT_EQ(rows[1], "Nina, 9             ");
    HFONT system = Font(u"System", -8);
    SendMessageW(label, WM_SETFONT, (WPARAM)system, TRUE);
    EXPECT_EQ(Draw(3)[1], "                    ") << "the system font needs no name";
    DeleteObject(font);
    DeleteObject(system);
}

}  // namespace
