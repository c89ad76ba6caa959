// Fonts and the screen's device context: the families EnumFontFamiliesW lists, font objects and what
// GetObjectW tells of them, how the terminal names a font it cannot draw, and SHInitDialog's full screen.
#include "platform/posix/controls/shell.h"
#include "platform/posix/drawing/gdi.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> g_faces;
int g_stopAfter = -1;  // the callback answers 0 (stop) at this call; -1 never

int CALLBACK CollectFace(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM context) {
    EXPECT_EQ(context, 77);
    g_faces.push_back(font->lfFaceName);
    return int(g_faces.size()) == g_stopAfter ? 0 : 1;
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        posix::ResetPlatform();
        g_faces.clear();
        g_stopAfter = -1;
    }
    void TearDown() override { posix::ResetPlatform(); }

    static HFONT Make(const std::u16string &face, LONG height) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        face.copy(lf.lfFaceName, LF_FACESIZE - 1);
        return CreateFontIndirectW(&lf);
    }
    int Enumerate(const WCHAR *family = nullptr) {
        HDC dc = GetDC(nullptr);
        EXPECT_NE(dc, nullptr);
        int result = EnumFontFamiliesW(dc, family, CollectFace, 77);
        EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
        return result;
    }

    posix::HeadlessScreen screen{40, 12};
};

TEST_F(FontTest, EnumerationCallsBackOncePerFamilyBeforeItReturns) {
    posix::SetFontFamilies({u"DejaVu Sans Mono", u"DejaVu Sans", u"Nina"});
    EXPECT_EQ(Enumerate(), 1);
    EXPECT_EQ(g_faces, (std::vector<std::u16string>{u"DejaVu Sans Mono", u"DejaVu Sans", u"Nina"}));
    g_faces.clear();
    g_stopAfter = 2;
    EXPECT_EQ(Enumerate(), 0) << "the callback's 0 ends the enumeration and is its result";
    EXPECT_EQ(g_faces.size(), 2u);
    g_faces.clear();
    g_stopAfter = -1;
    Enumerate(u"nina");
    EXPECT_EQ(g_faces, std::vector<std::u16string>{u"Nina"}) << "a named family lists only itself";
}

TEST_F(FontTest, FaceNamesNeverPassThirtyOneCharacters) {
    const std::u16string longName = u"An Extraordinarily Long Family Name Indeed";
    posix::SetFontFamilies({longName, u"Thirty characters long familyX\U0001F600 name"});
    Enumerate();
    ASSERT_EQ(g_faces.size(), 2u);
    EXPECT_EQ(g_faces[0], longName.substr(0, 31));
    EXPECT_EQ(g_faces[1].size(), 30u) << "a surrogate pair at the cut goes whole or not at all";
}

TEST_F(FontTest, TheMachinesFamiliesAreListedWhenNoneAreSet) {
    Enumerate();
    ASSERT_FALSE(g_faces.empty()) << "fontconfig's families, or the fixed list without it";
    for (const std::u16string &face : g_faces) {
        EXPECT_FALSE(face.empty());
        EXPECT_LE(face.size(), 31u);
    }
    std::vector<std::u16string> sorted = g_faces;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "each family once";
}

TEST_F(FontTest, AFontTellsTheDescriptionItWasMadeFromUntilItIsDeleted) {
    size_t before = posix::LiveFontCount();
    HFONT font = Make(u"DejaVu Sans", 12);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(posix::LiveFontCount(), before + 1);
    LOGFONTW lf{};
    EXPECT_EQ(GetObjectW(font, 0, nullptr), int(sizeof(LOGFONTW)));
    EXPECT_EQ(GetObjectW(font, sizeof(lf), &lf), int(sizeof(LOGFONTW)));
    EXPECT_EQ(lf.lfHeight, 12);
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"DejaVu Sans");
    LOGFONTW part{};
    part.lfWidth = 99;
    EXPECT_EQ(GetObjectW(font, sizeof(LONG), &part), int(sizeof(LONG)));
    EXPECT_EQ(part.lfHeight, 12);
    EXPECT_EQ(part.lfWidth, 99) << "only the bytes asked for are written";
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(posix::LiveFontCount(), before);
    EXPECT_FALSE(DeleteObject(font)) << "a deleted font is gone";
    EXPECT_EQ(GetObjectW(font, sizeof(lf), &lf), 0);
}

TEST_F(FontTest, StockFontsDescribeTheSystemFontAndAreNeverDeleted) {
    LOGFONTW lf{};
    EXPECT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(lf), &lf), int(sizeof(LOGFONTW)));
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"System");
    EXPECT_TRUE(DeleteObject(GetStockObject(SYSTEM_FONT)));
    EXPECT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(lf), &lf), int(sizeof(LOGFONTW)));
    EXPECT_EQ(GetObjectW((HGDIOBJ)(uintptr_t)0x1234, sizeof(lf), &lf), 0);
}

TEST_F(FontTest, TheTerminalNamesAFontOtherThanTheSystemFont) {
    HFONT chosen = Make(u"DejaVu Sans Mono", 12);
    EXPECT_EQ(posix::FontCaption(chosen), u"DejaVu Sans Mono, 12");
    EXPECT_EQ(posix::FontCaption(Make(u"System", 16)), u"") << "the dialogs' own font";
    EXPECT_EQ(posix::FontCaption((HFONT)GetStockObject(DEFAULT_GUI_FONT)), u"");
    EXPECT_EQ(posix::FontCaption(nullptr), u"");
    EXPECT_EQ(posix::FontCaption(Make(u"", 9)), u"9") << "the default face, at its height";
}

// ---------------------------------------------------------------------------------------------------
// SHInitDialog
// ---------------------------------------------------------------------------------------------------

TEST_F(FontTest, AFullScreenDialogFillsTheRowsBetweenTitleAndSoftKeys) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"DialogLike";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND dialog = CreateWindowExW(0, u"DialogLike", u"Select font", WS_POPUP | WS_VISIBLE, 8, 40, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN};
    ASSERT_TRUE(SHInitDialog(&info));
    RECT r{};
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, posix::kCellHeight);
    EXPECT_EQ(r.right, 40 * posix::kCellWidth);
    EXPECT_EQ(r.bottom, 11 * posix::kCellHeight);
    screen.ResizeTo(50, 14).Then([] { PostQuitMessage(0); });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0))
        DispatchMessageW(&msg);
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.right, 50 * posix::kCellWidth) << "it follows the terminal's size";
    EXPECT_EQ(r.bottom, 13 * posix::kCellHeight);
    posix::CellGrid grid(50, 14);
    posix::RenderScreen(grid);
    EXPECT_NE(grid.RowText(0).find("Select font"), std::string::npos) << "its caption is the title";
}

TEST_F(FontTest, SHInitDialogRefusesWhatIsNoDialog) {
    EXPECT_FALSE(SHInitDialog(nullptr));
    SHINITDLGINFO info{SHIDIM_FLAGS, (HWND)(uintptr_t)0x999990, SHIDIF_SIZEDLGFULLSCREEN};
    EXPECT_FALSE(SHInitDialog(&info));
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"DialogLike";
    ASSERT_NE(RegisterClassW(&wc), 0);
    info.hDlg = CreateWindowExW(0, u"DialogLike", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    posix::FailNextShellInitDialog();
    EXPECT_FALSE(SHInitDialog(&info)) << "a device short of memory";
    EXPECT_TRUE(SHInitDialog(&info)) << "only the next call fails";
}

}  // namespace
