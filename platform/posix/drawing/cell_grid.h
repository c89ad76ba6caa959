// The grid of character cells a frame is drawn into, and the columns a terminal gives each character.
#pragma once

#include "platform/posix/base/utf16.h"

#include <string>
#include <vector>

namespace posix {

constexpr int kCellWidth = 8;  // pixels per character cell
constexpr int kCellHeight = 16;

enum CellAttr : unsigned char {
    kAttrNone = 0,
    kAttrReverse = 1,
    kAttrBold = 2,
    kAttrDim = 4,
    kAttrUnderline = 8,
};

struct Cell {
    char32_t ch = U' ';
    unsigned char attr = kAttrNone;
    bool wideTail = false;  // the right half of a double-width character on the left
};

class CellGrid {
public:
    CellGrid(int cols = 0, int rows = 0) { Resize(cols, rows); }
    void Resize(int cols, int rows);
    int Cols() const { return cols_; }
    int Rows() const { return rows_; }
    Cell &At(int col, int row) { return cells_[row * cols_ + col]; }
    const Cell &At(int col, int row) const { return cells_[row * cols_ + col]; }
    // Writes text from (col, row) clipped to [clipLeft, clipRight); returns the column after it.
    // Control characters are shown as a visible stand-in, never stored raw.
    int Put(int col, int row, const U16String &text, unsigned char attr, int clipLeft = 0, int clipRight = -1);
    void Fill(int left, int top, int right, int bottom, char32_t ch, unsigned char attr);
    std::string RowText(int row) const;  // UTF-8, trailing blanks kept
    std::string Text() const;            // every row, each ending in a newline
    bool cursorVisible = false;
    int cursorCol = 0;
    int cursorRow = 0;

private:
    int cols_ = 0;
    int rows_ = 0;
    std::vector<Cell> cells_;
};

// A box of line-drawing characters, blank inside.
void DrawFrame(CellGrid &grid, int left, int top, int right, int bottom);

// The character that starts at text[i], a surrogate pair taken whole; units is how many it took (1 or 2).
inline char32_t CodePointAt(const U16String &text, size_t i, size_t &units) {
    units = 1;
    if (!IsHighSurrogate(text[i]) || i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return text[i];
    units = 2;
    return CombineSurrogates(text[i], text[i + 1]);
}
// The text's characters, a surrogate pair taken as the one character it stands for.
std::vector<char32_t> CodePoints(const U16String &text);

// Columns a character takes on a terminal (0, 1 or 2), and a text (a surrogate pair being one character).
int CharColumns(char32_t ch);
int TextColumns(const U16String &text);

}  // namespace posix
