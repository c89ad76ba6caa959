// Rows and columns of the edit control's text.
#include "platform/posix/controls/edit_layout.h"

#include "platform/posix/drawing/cell_grid.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace posix::edit {

namespace {

// Where wrap may cut a line: after the blanks that follow a word. The blank that reaches the edge may
// hang past it; a run of blanks longer than that is cut into rows like a long word.
bool IsBlank(char32_t ch) {
    return ch == U' ' || ch == U'\t';
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Characters and columns
// ---------------------------------------------------------------------------------------------------

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
    return WalkColumns(row, KnownSpotBefore(row, pos), pos, INT_MAX).column;
}

Spot Layout::SpotAt(const Row &row, int column) const {
    return WalkColumns(row, KnownSpotBeforeColumn(row, column), row.end, column);
}

Spot Layout::WalkColumns(const Row &row, const Known &from, size_t pos, int column, bool *tab) const {
    pos = std::min(pos, row.end);
    Spot spot = from.spot;
    // None at the walk's end, where the change that asked for this walk may keep one already.
    size_t nextMark = from.remember ? spot.pos + kSpacing : SIZE_MAX;
    bool tabSinceMark = false;
    std::vector<ColumnMark> fresh;
    TextReader reader(text_, spot.pos);
    while (spot.pos < pos) {
        char32_t ch = ReadUnit(reader);
        int width = UnitColumns(ch, spot.column);
        if (width > column - spot.column) break;
        tabSinceMark |= ch == U'\t';
        spot.column += width;
        spot.pos = reader.Pos();
        if (spot.pos >= nextMark && spot.pos < pos) {
            fresh.push_back({spot.pos, spot.column, tabSinceMark});
            nextMark = spot.pos + kSpacing;
            tabSinceMark = false;
        }
    }
    RememberColumns(fresh);
    if (tab) *tab = tabSinceMark;
    return spot;
}

// ---------------------------------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------------------------------

void Layout::SetWrapColumns(int columns) {
    columns = std::max(columns, 0);
    if (columns != wrapColumns_) Forget();  // rows and columns of the old width are of no use
    wrapColumns_ = columns;
}

size_t Layout::RowEnd(size_t start, size_t contentEnd, size_t *reach) const {
    if (reach) *reach = contentEnd + 1;
    if (!Wraps()) return contentEnd;
    int column = 0;
    size_t afterBlanks = start;  // the latest place a word begins, where the row may be cut
    TextReader reader(text_, start);
    for (size_t p = start; p < contentEnd;) {
        char32_t ch = ReadUnit(reader);
        size_t next = reader.Pos();
        int width = UnitColumns(ch, column);
        if (IsBlank(ch) && column > wrapColumns_) {
            if (reach) *reach = p + 2;
            return p;  // what stands before it already reaches past the edge: the run goes on below
        }
        if (IsBlank(ch)) {
            afterBlanks = next;
        } else if (column + width > wrapColumns_ && p > start) {
            if (reach) *reach = p + 2;  // reading the character at p may have read the unit after it
            return afterBlanks > start ? afterBlanks : p;
        }
        column += width;
        p = next;
    }
    return contentEnd;
}

Row Layout::RowFrom(size_t line, size_t start, size_t *reach) const {
    size_t contentEnd = text_.LineContentEnd(line);
    Row row;
    row.line = line;
    row.start = start;
    row.end = RowEnd(start, contentEnd, reach);
    row.last = row.end >= contentEnd;
    return row;
}

Row Layout::WalkRows(size_t line, const Known &from, size_t pos, bool afterWrap, std::vector<size_t> *passed) const {
    size_t reach = 0;
    Row row = RowFrom(line, from.spot.pos, &reach);
    size_t markedAt = row.start;
    std::vector<RowMark> fresh;
    while (!row.last && (pos > row.end || (pos == row.end && !afterWrap))) {
        if (passed) passed->push_back(row.start);
        if (from.remember && row.end - markedAt >= kSpacing) {
            fresh.push_back({row.end, reach, true});
            markedAt = row.end;
        }
        row = RowFrom(line, row.end, &reach);
    }
    RememberRows(fresh);
    return row;
}

Row Layout::LastRowOf(size_t line) const {
    size_t end = text_.LineContentEnd(line);
    return WalkRows(line, KnownRowStartBefore(line, end, false), end, false);
}

Row Layout::RowHolding(size_t pos, bool afterWrap) const {
    pos = std::min(pos, text_.Length());
    size_t line = text_.LineOf(pos);
    return WalkRows(line, KnownRowStartBefore(line, pos, afterWrap), pos, afterWrap);
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
        row = WalkRows(row.line, KnownRowStartBefore(row.line, row.start, true), row.start, true);
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
        std::vector<size_t> starts;
        while (steps < count) {
            if (result.start == text_.LineStart(result.line)) {
                if (result.line == 0) break;
                result = LastRowOf(result.line - 1);
                ++steps;
                continue;
            }
            // One walk down from a known row of the line finds all the rows between it and this one.
            starts.clear();
            Row above = WalkRows(result.line, KnownRowStartBefore(result.line, result.start, true), result.start, true,
                                 &starts);
            starts.push_back(above.start);
            size_t take = std::min(count - steps, starts.size());
            result = RowFrom(result.line, starts[starts.size() - take]);
            steps += take;
        }
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
