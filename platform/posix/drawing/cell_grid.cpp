// The cell grid a frame is drawn into, and how many columns a terminal gives each character.
#include "platform/posix/drawing/cell_grid.h"

#include <algorithm>
#include <cwchar>
#include <locale.h>

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

// Characters that take no room and join nothing: format, direction and invisible-operator characters,
// the line and paragraph separators, tags. Written raw they would move or hide what the terminal draws
// around them.
const char32_t kInvisible[][2] = {{0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
                                  {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},
                                  {0x2028, 0x202E},   {0x2060, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},
                                  {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
                                  {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F}};

// A UTF-8 character type, whatever the process's own locale: the terminal measures characters the way the
// C library does in any UTF-8 locale, and the screen must agree with it even before (or without) a
// front end choosing a locale.
locale_t Utf8Locale() {
    static const locale_t locale = [] {
        for (const char *name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, locale_t(0))) return l;
        return locale_t(0);
    }();
    return locale;
}

// Columns the terminal gives a character: -1 for one it cannot print, 0 for a combining mark.
int TerminalColumns(char32_t ch) {
    if (ch < 0x300) return (ch < 0x20 || (ch >= 0x7F && ch < 0xA0)) ? -1 : 1;
    if (IsHighSurrogate(ch) || IsLowSurrogate(ch)) return -1;
    locale_t utf8 = Utf8Locale();
    if (!utf8) {
        // Without a UTF-8 character table the C library knows no widths: one column each.
        int width = wcwidth(wchar_t(ch));
        return width < 0 ? 1 : width;
    }
    locale_t previous = uselocale(utf8);
    int width = wcwidth(wchar_t(ch));
    uselocale(previous);
    return width;
}

// What stands on screen for a character, and the columns it takes there. Control characters, invisible
// ones, lone surrogates and those the terminal cannot print never reach it raw: a visible stand-in of one
// column takes their place.
char32_t Shown(char32_t ch, int &columns) {
    columns = 1;
    if (ch >= 0x20 && ch < 0x7F) return ch;
    if (ch < 0x20) return 0x2400 + ch;  // the control pictures: NUL shows as a small "NUL" glyph
    if (ch == 0x7F) return 0x2421;
    if (InRanges(ch, kInvisible, sizeof kInvisible / sizeof kInvisible[0])) return 0xFFFD;
    int width = TerminalColumns(ch);
    if (width < 0) return 0xFFFD;
    columns = width;
    return ch;
}

}  // namespace

int CharColumns(char32_t ch) {
    int columns;
    Shown(ch, columns);
    return columns;
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
    for (size_t i = 0, units; i < text.size(); i += units) {
        char32_t ch = CodePointAt(text, i, units);
        int width;
        ch = Shown(ch, width);
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

std::vector<char32_t> CodePoints(const U16String &text) {
    std::vector<char32_t> out;
    for (size_t i = 0, units; i < text.size(); i += units)
        out.push_back(CodePointAt(text, i, units));
    return out;
}

int TextColumns(const U16String &text) {
    int columns = 0;
    for (char32_t ch : CodePoints(text))
        columns += CharColumns(ch);
    return columns;
}

void DrawFrame(CellGrid &grid, int left, int top, int right, int bottom) {
    grid.Fill(left, top, right, bottom, U' ', kAttrNone);
    for (int c = left + 1; c < right - 1; ++c) {
        grid.Put(c, top, u"\u2500", kAttrNone);
        grid.Put(c, bottom - 1, u"\u2500", kAttrNone);
    }
    for (int r = top + 1; r < bottom - 1; ++r) {
        grid.Put(left, r, u"\u2502", kAttrNone);
        grid.Put(right - 1, r, u"\u2502", kAttrNone);
    }
    grid.Put(left, top, u"\u250C", kAttrNone);
    grid.Put(right - 1, top, u"\u2510", kAttrNone);
    grid.Put(left, bottom - 1, u"\u2514", kAttrNone);
    grid.Put(right - 1, bottom - 1, u"\u2518", kAttrNone);
}

}  // namespace posix
