// Rows and columns of the edit control's text.
#include "platform/posix/controls/edit_layout.h"

#include "platform/posix/internal.h"

#include <algorithm>

namespace posix::edit {

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c < 0xE000;
}
// Where wrap may cut a line: after the blanks that follow a word. Blanks may hang past the edge.
bool IsBlank(char32_t ch) {
    return ch == U' ' || ch == U'\t';
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Characters and columns
// ---------------------------------------------------------------------------------------------------

char32_t Layout::UnitAt(size_t pos) const {
    char16_t c = text_.At(pos);
    if (IsHighSurrogate(c)) {
        char16_t low = text_.At(pos + 1);
        if (IsLowSurrogate(low)) return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (low - 0xDC00);
    }
    return c;
}

size_t Layout::NextUnit(size_t pos) const {
    return IsHighSurrogate(text_.At(pos)) && IsLowSurrogate(text_.At(pos + 1)) ? pos + 2 : pos + 1;
}

size_t Layout::PreviousUnit(size_t pos) const {
    if (pos == 0) return 0;
    return pos >= 2 && IsLowSurrogate(text_.At(pos - 1)) && IsHighSurrogate(text_.At(pos - 2)) ? pos - 2 : pos - 1;
}

int Layout::UnitColumns(char32_t ch, int column) {
    if (ch == U'\t') return kTabColumns - column % kTabColumns;
    if (ch >= 0x20 && ch < 0x7F) return 1;  // the common case, without the table search
    return CharColumns(ch);
}

int Layout::ColumnOf(const Row &row, size_t pos) const {
    pos = std::min(pos, row.end);
    int column = 0;
    for (size_t p = row.start; p < pos; p = NextUnit(p))
        column += UnitColumns(UnitAt(p), column);
    return column;
}

size_t Layout::PositionAt(const Row &row, int column) const {
    int col = 0;
    size_t p = row.start;
    while (p < row.end) {
        int width = UnitColumns(UnitAt(p), col);
        if (col + width > column) break;
        col += width;
        p = NextUnit(p);
    }
    return p;
}

// ---------------------------------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------------------------------

size_t Layout::RowEnd(size_t start, size_t contentEnd) const {
    if (!Wraps()) return contentEnd;
    int column = 0;
    size_t afterBlanks = start;  // the latest place a word begins, where the row may be cut
    for (size_t p = start; p < contentEnd;) {
        char32_t ch = UnitAt(p);
        int width = UnitColumns(ch, column);
        size_t next = NextUnit(p);
        if (IsBlank(ch)) {
            afterBlanks = next;
        } else if (column + width > wrapColumns_ && p > start) {
            return afterBlanks > start ? afterBlanks : p;
        }
        column += width;
        p = next;
    }
    return contentEnd;
}

Row Layout::RowFrom(size_t line, size_t start) const {
    size_t contentEnd = text_.LineContentEnd(line);
    Row row;
    row.line = line;
    row.start = start;
    row.end = RowEnd(start, contentEnd);
    row.last = row.end >= contentEnd;
    return row;
}

Row Layout::LastRowOf(size_t line) const {
    Row row = FirstRowOf(line);
    while (!row.last)
        row = RowFrom(line, row.end);
    return row;
}

Row Layout::RowHolding(size_t pos, bool afterWrap) const {
    pos = std::min(pos, text_.Length());
    return RowHolding(pos, afterWrap, FirstRowOf(text_.LineOf(pos)));
}

Row Layout::RowHolding(size_t pos, bool afterWrap, const Row &from) const {
    Row row = from;
    while (!row.last && (pos > row.end || (pos == row.end && !afterWrap)))
        row = RowFrom(row.line, row.end);
    return row;
}

size_t Layout::NextLineStart(const Row &row) const {
    return row.line + 1 < text_.LineCount() ? text_.LineStart(row.line + 1) : text_.Length();
}

bool Layout::Next(Row &row) const {
    if (!row.last) {
        row = RowFrom(row.line, row.end);
        return true;
    }
    if (row.line + 1 >= text_.LineCount()) return false;
    row = FirstRowOf(row.line + 1);
    return true;
}

bool Layout::Previous(Row &row) const {
    if (row.start > text_.LineStart(row.line)) {
        Row above = FirstRowOf(row.line);
        while (above.end < row.start && !above.last)
            above = RowFrom(row.line, above.end);
        row = above;
        return true;
    }
    if (row.line == 0) return false;
    row = LastRowOf(row.line - 1);
    return true;
}

Row Layout::Down(const Row &row, size_t count, size_t *moved) const {
    size_t steps = 0;
    Row result = row;
    if (!Wraps()) {
        steps = std::min(count, text_.LineCount() - 1 - row.line);
        if (steps) result = FirstRowOf(row.line + steps);
    } else {
        while (steps < count && Next(result))
            ++steps;
    }
    if (moved) *moved = steps;
    return result;
}

Row Layout::Up(const Row &row, size_t count, size_t *moved) const {
    size_t steps = 0;
    Row result = row;
    if (!Wraps()) {
        steps = std::min(count, row.line);
        if (steps) result = FirstRowOf(row.line - steps);
    } else {
        while (steps < count && Previous(result))
            ++steps;
    }
    if (moved) *moved = steps;
    return result;
}

size_t Layout::RowsBetween(const Row &from, const Row &to, size_t limit) const {
    if (to.start <= from.start) return 0;
    if (!Wraps()) return std::min(to.line - from.line, limit + 1);
    size_t count = 0;
    Row row = from;
    while (count <= limit && row.start < to.start && Next(row))
        ++count;
    return count;
}

// ---------------------------------------------------------------------------------------------------
// Display lines
// ---------------------------------------------------------------------------------------------------

size_t Layout::RowsOf(size_t line) const {
    if (!Wraps()) return 1;
    size_t count = 1;
    for (Row row = FirstRowOf(line); !row.last; row = RowFrom(line, row.end))
        ++count;
    return count;
}

size_t Layout::DisplayLineCount() const {
    if (!Wraps()) return text_.LineCount();
    size_t count = 0;
    for (size_t line = 0; line < text_.LineCount(); ++line)
        count += RowsOf(line);
    return count;
}

size_t Layout::DisplayLineOf(const Row &row) const {
    if (!Wraps()) return row.line;
    size_t number = 0;
    for (size_t line = 0; line < row.line; ++line)
        number += RowsOf(line);
    for (Row r = FirstRowOf(row.line); r.start < row.start && !r.last; r = RowFrom(row.line, r.end))
        ++number;
    return number;
}

bool Layout::DisplayLine(size_t number, Row &row) const {
    if (!Wraps()) {
        if (number >= text_.LineCount()) return false;
        row = FirstRowOf(number);
        return true;
    }
    for (size_t line = 0; line < text_.LineCount(); ++line) {
        for (Row r = FirstRowOf(line);; r = RowFrom(line, r.end)) {
            if (number-- == 0) {
                row = r;
                return true;
            }
            if (r.last) break;
        }
    }
    return false;
}

}  // namespace posix::edit
