// The cell grid, and the drawing of the whole phone screen into it: the title row, the active window
// with its children, the soft-key row and the overlays (popup menus, message boxes).
#include "platform/posix/internal.h"

#include <algorithm>

namespace posix {

// ---------------------------------------------------------------------------------------------------
// Character widths
// ---------------------------------------------------------------------------------------------------

namespace {

bool InRanges(char32_t ch, const char32_t (*ranges)[2], size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (ch >= ranges[i][0] && ch <= ranges[i][1]) return true;
    return false;
}

const char32_t kCombining[][2] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                                  {0x064B, 0x065F}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x1AB0, 0x1AFF},
                                  {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F},
                                  {0xFE20, 0xFE2F}};
const char32_t kWide[][2] = {{0x1100, 0x115F},   {0x2E80, 0x303E},  {0x3041, 0x33FF}, {0x3400, 0x4DBF},
                             {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},  {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
                             {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},  {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
                             {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};

// What stands on screen for a character that must not reach the terminal raw.
char32_t VisibleStandIn(char32_t ch) {
    if (ch < 0x20) return 0x2400 + ch;  // the control pictures: NUL shows as a small "NUL" glyph
    if (ch == 0x7F) return 0x2421;
    if (ch >= 0x80 && ch < 0xA0) return 0xFFFD;
    if (ch >= 0xD800 && ch <= 0xDFFF) return 0xFFFD;  // a lone surrogate
    return ch;
}

}  // namespace

int CharColumns(char32_t ch) {
    if (ch < 0x300) return 1;  // Latin, and the control characters, which are shown through a stand-in
    if (InRanges(ch, kCombining, sizeof kCombining / sizeof kCombining[0])) return 0;
    if (InRanges(ch, kWide, sizeof kWide / sizeof kWide[0])) return 2;
    return 1;
}

// ---------------------------------------------------------------------------------------------------
// The grid
// ---------------------------------------------------------------------------------------------------

void CellGrid::Resize(int cols, int rows) {
    cols_ = std::max(cols, 0);
    rows_ = std::max(rows, 0);
    cells_.assign(size_t(cols_) * rows_, Cell{});
}

int CellGrid::Put(int col, int row, const U16String &text, unsigned char attr, int clipLeft, int clipRight) {
    if (clipRight < 0 || clipRight > cols_) clipRight = cols_;
    clipLeft = std::max(clipLeft, 0);
    bool rowVisible = row >= 0 && row < rows_;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        ch = VisibleStandIn(ch);
        int width = CharColumns(ch);
        if (width == 0) continue;  // a combining mark: the terminal cell holds only its base
        bool fits = col >= clipLeft && col + width <= clipRight;
        if (rowVisible && fits) {
            Cell &cell = At(col, row);
            // Overwriting half of a wide character leaves a blank in its other half.
            if (cell.wideTail && col > 0) At(col - 1, row) = Cell{U' ', At(col - 1, row).attr, false};
            if (col + width < cols_ && At(col + width, row).wideTail) At(col + width, row) = Cell{};
            cell = Cell{ch, attr, false};
            if (width == 2) At(col + 1, row) = Cell{U' ', attr, true};
        } else if (rowVisible && width == 2 && col + 1 == clipRight && col >= clipLeft) {
            At(col, row) = Cell{U' ', attr, false};  // a wide character cut by the edge
        }
        col += width;
    }
    return col;
}

void CellGrid::Fill(int left, int top, int right, int bottom, char32_t ch, unsigned char attr) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, cols_);
    bottom = std::min(bottom, rows_);
    for (int r = top; r < bottom; ++r)
        for (int c = left; c < right; ++c)
            At(c, r) = Cell{ch, attr, false};
}

namespace {

void AppendUtf8(std::string &out, char32_t ch) {
    if (ch < 0x80) {
        out += char(ch);
    } else if (ch < 0x800) {
        out += char(0xC0 | (ch >> 6));
        out += char(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += char(0xE0 | (ch >> 12));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    } else {
        out += char(0xF0 | (ch >> 18));
        out += char(0x80 | ((ch >> 12) & 0x3F));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    }
}

}  // namespace

std::string CellGrid::RowText(int row) const {
    std::string out;
    if (row < 0 || row >= rows_) return out;
    for (int c = 0; c < cols_; ++c) {
        const Cell &cell = At(c, row);
        if (!cell.wideTail) AppendUtf8(out, cell.ch);
    }
    return out;
}

std::string CellGrid::Text() const {
    std::string out;
    for (int r = 0; r < rows_; ++r)
        out += RowText(r) + "\n";
    return out;
}

// ---------------------------------------------------------------------------------------------------
// The screen
// ---------------------------------------------------------------------------------------------------

namespace {

void PaintTree(Window *w) {
    if (!(w->style & WS_VISIBLE)) return;
    HWND handle = w->handle;
    SendMessageW(handle, WM_PAINT, 0, 0);
    w = FromHandle(handle);
    if (!w) return;
    for (Window *child : std::vector<Window *>(w->children))
        if (FromHandle(child->handle)) PaintTree(child);
}

void DrawTitleRow(CellGrid &grid, HWND active) {
    grid.Fill(0, 0, grid.Cols(), 1, U' ', kAttrReverse);
    U16String title;
    if (Overlay *o = TopOverlay()) title = o->Title();
    if (title.empty()) {
        if (Window *w = FromHandle(active)) {
            // A window that keeps its text elsewhere answers WM_GETTEXT.
            int n = GetWindowTextLengthW(active);
            title.resize(n + 1);
            n = GetWindowTextW(active, title.data(), n + 1);
            title.resize(std::max(n, 0));
            (void)w;
        }
    }
    int right = grid.Cols();
    if (WaitCursorShown()) {
        const U16String busy = u" (busy) ";
        right = std::max(0, grid.Cols() - (int)busy.size());
        grid.Put(right, 0, busy, kAttrReverse | kAttrBold);
    }
    grid.Put(1, 0, title, kAttrReverse | kAttrBold, 0, right);
}

void DrawSoftKeyRow(CellGrid &grid, HWND active) {
    int row = grid.Rows() - 1;
    if (row < 1) return;
    grid.Fill(0, row, grid.Cols(), row + 1, U' ', kAttrNone);
    U16String left, right;
    if (Overlay *o = TopOverlay()) {
        left = o->LeftLabel();
        right = o->RightLabel();
    } else if (HWND bar = SoftKeyBarFor(active)) {
        left = SoftKeyLabel(bar, 0);
        right = SoftKeyLabel(bar, 1);
    }
    // While the left soft key is held its label says so.
    unsigned char leftAttr = kAttrReverse;
    if (GetAsyncKeyState(VK_TSOFT1) & 0x8000) leftAttr |= kAttrBold | kAttrUnderline;
    if (!left.empty()) grid.Put(0, row, u" " + left + u" ", leftAttr);
    if (!right.empty()) {
        U16String label = u" " + right + u" ";
        int width = 0;
        for (char16_t ch : label)
            width += std::max(CharColumns(ch), 0);
        grid.Put(std::max(0, grid.Cols() - width), row, label, kAttrReverse);
    }
}

}  // namespace

void RenderScreen(CellGrid &grid) {
    grid.Fill(0, 0, grid.Cols(), grid.Rows(), U' ', kAttrNone);
    grid.cursorVisible = false;
    SetPaintGrid(&grid);
    HWND active = ActiveTopLevel();
    std::vector<Window *> windows = TopLevelWindows();
    // Ordinary windows first in z order, then the active one over them, then pop-ups.
    for (Window *w : windows)
        if (FromHandle(w->handle) && w->handle != active && !(w->style & WS_POPUP)) PaintTree(w);
    if (Window *a = FromHandle(active); a && !(a->style & WS_POPUP)) PaintTree(a);
    for (Window *w : windows)
        if (FromHandle(w->handle) && (w->style & WS_POPUP)) PaintTree(w);
    DrawTitleRow(grid, active);
    DrawSoftKeyRow(grid, active);
    for (Overlay *o : Overlays())
        o->Draw(grid);
    int col, row;
    if (!TopOverlay() && CaretCell(col, row) && col < grid.Cols() && row > 0 && row < grid.Rows() - 1) {
        grid.cursorVisible = true;
        grid.cursorCol = col;
        grid.cursorRow = row;
    }
    SetPaintGrid(nullptr);
}

}  // namespace posix
