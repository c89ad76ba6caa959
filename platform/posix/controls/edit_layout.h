// How the edit control's text falls into rows of character cells.
//
// Without wrap each line of text is one row. With wrap a line is cut into rows no wider than the wrap
// width, between words where the row has room, inside a word that is longer than a row. Rows are worked
// out on demand from the start of their line (or from any row start before them), never for the whole
// text at once, so that only what is on screen and what the caret passes through is laid out.
#pragma once

#include "platform/posix/controls/edit_text.h"

namespace posix::edit {

// One row of the display: all of a line of text, or the part of it that wrap puts on one row.
struct Row {
    size_t line = 0;   // the line of text it shows
    size_t start = 0;  // first position on the row; rows are told apart by it
    size_t end = 0;    // position after the last character on the row (the line's break is never on it)
    bool last = true;  // it ends its line: the next row starts the next line
};

class Layout {
public:
    static constexpr int kTabColumns = 8;

    explicit Layout(const TextStore &text) : text_(text) {}

    // Wraps rows at this many columns; 0 keeps each line on one row.
    void SetWrapColumns(int columns) { wrapColumns_ = columns > 0 ? columns : 0; }
    bool Wraps() const { return wrapColumns_ > 0; }

    // --- Rows ---
    Row RowFrom(size_t line, size_t start) const;  // start must begin a row of that line
    Row FirstRowOf(size_t line) const { return RowFrom(line, text_.LineStart(line)); }
    Row LastRowOf(size_t line) const;
    Row LastRow() const { return LastRowOf(text_.LineCount() - 1); }
    // The row a position is shown on. A position where wrap cuts a line starts the lower row, or ends
    // the upper one when afterWrap says the caret was put at that row's end. Between the rows of one
    // line, the walk may begin at a known row of that line before pos (from).
    Row RowHolding(size_t pos, bool afterWrap) const;
    Row RowHolding(size_t pos, bool afterWrap, const Row &from) const;
    bool Next(Row &row) const;      // the row below; false on the text's last row
    bool Previous(Row &row) const;  // the row above; false on the first row
    // Up to count rows below (or above); moved tells how many there were.
    Row Down(const Row &row, size_t count, size_t *moved = nullptr) const;
    Row Up(const Row &row, size_t count, size_t *moved = nullptr) const;
    // Rows from one row down to a later one, counting no further than limit (limit + 1 when farther).
    size_t RowsBetween(const Row &from, const Row &to, size_t limit) const;
    // Where the line after the row's line starts (the text's length after the last line).
    size_t NextLineStart(const Row &row) const;

    // --- Columns within a row ---
    int ColumnOf(const Row &row, size_t pos) const;
    // The last position on the row whose column is not past the given one.
    size_t PositionAt(const Row &row, int column) const;
    char32_t UnitAt(size_t pos) const;  // a surrogate pair reads as one character
    size_t NextUnit(size_t pos) const;  // the position after the character at pos
    size_t PreviousUnit(size_t pos) const;
    static int UnitColumns(char32_t ch, int column);  // cells a character takes when it starts at column

    // --- Display lines, numbered from the text's start: with wrap every row is one (linear in the text) ---
    size_t DisplayLineCount() const;
    size_t DisplayLineOf(const Row &row) const;
    bool DisplayLine(size_t number, Row &row) const;

private:
    size_t RowEnd(size_t start, size_t contentEnd) const;
    size_t RowsOf(size_t line) const;

    const TextStore &text_;
    int wrapColumns_ = 0;  // 0: no wrap
};

}  // namespace posix::edit
