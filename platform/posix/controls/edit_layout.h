// How the edit control's text falls into rows of character cells.
//
// Without wrap each line of text is one row. With wrap a line is cut into rows no wider than the wrap
// width (but for a blank after a word, which may hang past the edge), between words where the row has
// room, inside a word or a run of blanks that is longer than a row. Rows and columns
// are worked out on demand, never for the whole text at once, so that only what is on screen and what the
// caret passes through is laid out. A long line is measured once: walks along it leave checkpoints (rows
// that start there with wrap, positions and their columns without), later walks start from the nearest
// one, and every change of the text goes through the layout so that the checkpoints move with the text.
#pragma once

#include "platform/posix/controls/edit_text.h"
#include "platform/posix/base/utf16.h"

#include <vector>

namespace posix::edit {

// One row of the display: all of a line of text, or the part of it that wrap puts on one row.
struct Row {
    size_t line = 0;   // the line of text it shows
    size_t start = 0;  // first position on the row; rows are told apart by it
    size_t end = 0;    // position after the last character on the row (the line's break is never on it)
    bool last = true;  // it ends its line: the next row starts the next line
};

// A place on a row and the column it is drawn at, counted from the row's start.
struct Spot {
    size_t pos = 0;
    int column = 0;
};

class Layout {
public:
    static constexpr int kTabColumns = 8;

    explicit Layout(TextStore &text) : text_(text) {}

    // Wraps rows at this many columns; 0 keeps each line on one row.
    void SetWrapColumns(int columns);
    bool Wraps() const { return wrapColumns_ > 0; }

    // --- Changing the text (the store's own calls, with the checkpoints kept in step) ---
    void Assign(const char16_t *text, size_t count);
    void AssignTerminated(const char16_t *text);
    void Replace(size_t from, size_t to, const char16_t *text, size_t count);

    // --- Rows ---
    Row RowFrom(size_t line, size_t start) const { return RowFrom(line, start, nullptr); }  // start begins a row
    Row FirstRowOf(size_t line) const { return RowFrom(line, text_.LineStart(line)); }
    Row LastRowOf(size_t line) const;
    // The row a position is shown on. A position where wrap cuts a line starts the lower row, or ends
    // the upper one when afterWrap says the caret was put at that row's end.
    Row RowHolding(size_t pos, bool afterWrap) const;
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
    // The last place on the row whose column is not past the given one: drawing a row scrolled sideways
    // by that many columns starts there.
    Spot SpotAt(const Row &row, int column) const;
    size_t PositionAt(const Row &row, int column) const { return SpotAt(row, column).pos; }
    char32_t UnitAt(size_t pos) const { return ReadUnit(pos); }  // a surrogate pair reads as one character
    size_t NextUnit(size_t pos) const {                          // the position after the character at pos
        ReadUnit(pos);
        return pos;
    }
    size_t PreviousUnit(size_t pos) const;
    static int UnitColumns(char32_t ch, int column);  // cells a character takes when it starts at column

    // --- Display lines, numbered from the text's start: with wrap every row is one (linear in the text) ---
    size_t DisplayLineCount() const;
    size_t DisplayLineOf(const Row &row) const;
    bool DisplayLine(size_t number, Row &row) const;

private:
    // The character at pos, moving pos past it; a lone half of a pair is a character of its own.
    char32_t ReadUnit(size_t &pos) const {
        char16_t c = text_.At(pos++);
        if (!IsHighSurrogate(c) || !IsLowSurrogate(text_.At(pos))) return c;
        return CombineSurrogates(c, text_.At(pos++));
    }
    // The same for the walks along a line, which read on from one character to the next.
    static char32_t ReadUnit(TextReader &reader) {
        char16_t c = reader.Take();
        if (!IsHighSurrogate(c) || !IsLowSurrogate(reader.Peek())) return c;
        return CombineSurrogates(c, reader.Take());
    }

    // A change of the text: [from, to) of the old text became [from, end) of the new one, and the line
    // holding end runs from lineStart to lineEnd.
    struct Change {
        size_t from, to, end;
        size_t line, lineStart, lineEnd;
        size_t Moved(size_t oldPos) const { return oldPos - to + end; }  // for positions at or after to
    };
    // A place to walk from (for rows, where one starts), and whether the walk is to leave checkpoints:
    // only where the line has none further on, so that they stay about kSpacing apart.
    struct Known {
        Spot spot;
        bool remember = false;
    };

    // --- Walking (edit_layout.cpp) ---
    // Measures a row from a known place to pos, stopping before a character that would pass column. tab
    // tells whether a tab was passed since the last checkpoint left.
    Spot WalkColumns(const Row &row, const Known &from, size_t pos, int column, bool *tab = nullptr) const;
    // The rows of a line from a known row start down to the row holding pos. passed, when given,
    // collects the starts of the rows before that one.
    Row WalkRows(size_t line, const Known &from, size_t pos, bool afterWrap,
                 std::vector<size_t> *passed = nullptr) const;
    // reach, when given, is where the text that decided the row's end stops: the row depends on nothing after.
    Row RowFrom(size_t line, size_t start, size_t *reach) const;
    size_t RowEnd(size_t start, size_t contentEnd, size_t *reach) const;
    size_t RowsOf(size_t line) const;

    // --- Checkpoints (edit_checkpoints.cpp) ---
    static constexpr size_t kSpacing = 4096;  // units between the checkpoints a walk leaves

    // Without wrap: a position on a long line and its column.
    struct ColumnMark {
        size_t pos;
        int column;
        bool tabBefore;  // a tab lies between the checkpoint before it on the line (or the line's start) and it
    };
    // With wrap: where a row of a long line starts. An unsettled one started a row before a change in
    // front of it, and does again when the rows after the change come back to it, which makes it and
    // those after it settled; on a line the settled ones come first.
    struct RowMark {
        size_t start;
        size_t reach;  // the rows of the line above it were worked out from the text before this position
        bool settled;  // known to start a row of the text as it is
    };

    Known KnownSpotBefore(const Row &row, size_t pos) const;
    Known KnownSpotBeforeColumn(const Row &row, int column) const;
    Known KnownRowStartBefore(size_t line, size_t pos, bool afterWrap) const;
    void RememberColumns(const std::vector<ColumnMark> &fresh) const;
    void RememberRows(const std::vector<RowMark> &fresh) const;
    void SettleRows(size_t line, size_t limit) const;
    void Forget();
    void MoveColumnMarks(const Change &change);
    void MoveRowMarks(const Change &change);

    TextStore &text_;
    int wrapColumns_ = 0;                          // 0: no wrap
    mutable std::vector<ColumnMark> columnMarks_;  // sorted by position; only without wrap
    mutable std::vector<RowMark> rowMarks_;        // sorted by start; only with wrap
};

}  // namespace posix::edit
