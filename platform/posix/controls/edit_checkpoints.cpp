// The layout's checkpoints on long lines: finding the nearest, remembering new ones, and moving them
// through each change of the text.
//
// A checkpoint is exact, never a guess: without wrap, the column of a position counted from its line's
// start; with wrap, a position where a row of its line starts. Both depend on the text of the line before
// them (a row's end may depend on a few characters after it, up to the mark's reach), so after a change
// those before it stay, those on later lines move with their line unchanged, and those on the rest of the
// changed line are worked out again from the last one that stayed: columns at once, by how far the
// change moved them; rows by walking on until they fall back into the rows the line had before.
#include "platform/posix/controls/edit_layout.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace posix::edit {

namespace {

// After a change wrap falls back into the rows the line had before mostly within a few rows, in text with
// little variety after some thousand units, and in a line that repeats itself perhaps never. The change
// walks this far after its end; further on, the rows are settled when something asks for them.
constexpr size_t kSettlesWithin = 32768;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Changing the text
// ---------------------------------------------------------------------------------------------------

void Layout::Assign(const char16_t *text, size_t count) {
    text_.Assign(text, count);
    Forget();
}

void Layout::AssignTerminated(const char16_t *text) {
    text_.AssignTerminated(text);
    Forget();
}

void Layout::Replace(size_t from, size_t to, const char16_t *text, size_t count) {
    to = std::min(to, text_.Length());
    from = std::min(from, to);
    text_.Replace(from, to, text, count);
    Change change;
    change.from = from;
    change.to = to;
    change.end = from + count;
    change.line = text_.LineOf(change.end);
    change.lineStart = text_.LineStart(change.line);
    change.lineEnd = text_.LineContentEnd(change.line);
    MoveColumnMarks(change);
    MoveRowMarks(change);
}

void Layout::Forget() {
    columnMarks_.clear();
    rowMarks_.clear();
}

// ---------------------------------------------------------------------------------------------------
// Finding and remembering
// ---------------------------------------------------------------------------------------------------

Layout::Known Layout::KnownSpotBefore(const Row &row, size_t pos) const {
    Known known{{row.start, 0}, false};
    if (Wraps()) return known;  // rows are short
    auto after = std::upper_bound(columnMarks_.begin(), columnMarks_.end(), pos,
                                  [](size_t p, const ColumnMark &m) { return p < m.pos; });
    if (after != columnMarks_.begin() && std::prev(after)->pos >= row.start)
        known.spot = {std::prev(after)->pos, std::prev(after)->column};
    known.remember = after == columnMarks_.end() || after->pos > row.end;
    return known;
}

Layout::Known Layout::KnownSpotBeforeColumn(const Row &row, int column) const {
    Known known{{row.start, 0}, false};
    if (Wraps()) return known;
    // The row's checkpoints, whose columns grow with their positions.
    auto first = std::lower_bound(columnMarks_.begin(), columnMarks_.end(), row.start,
                                  [](const ColumnMark &m, size_t p) { return m.pos < p; });
    auto last =
        std::upper_bound(first, columnMarks_.end(), row.end, [](size_t p, const ColumnMark &m) { return p < m.pos; });
    auto after = std::partition_point(first, last, [column](const ColumnMark &m) { return m.column <= column; });
    if (after != first) known.spot = {std::prev(after)->pos, std::prev(after)->column};
    known.remember = after == last;
    return known;
}

Layout::Known Layout::KnownRowStartBefore(size_t line, size_t pos, bool afterWrap) const {
    size_t lineStart = text_.LineStart(line);
    Known known{{lineStart, 0}, false};
    if (!Wraps()) return known;  // the line is one row
    SettleRows(line, pos);       // every checkpoint up to pos is settled now
    // A row starting at pos ends the row above it, which is the one afterWrap asks for.
    auto after = afterWrap ? std::lower_bound(rowMarks_.begin(), rowMarks_.end(), pos,
                                              [](const RowMark &m, size_t p) { return m.start < p; })
                           : std::upper_bound(rowMarks_.begin(), rowMarks_.end(), pos,
                                              [](size_t p, const RowMark &m) { return p < m.start; });
    if (after != rowMarks_.begin() && std::prev(after)->start > lineStart) known.spot.pos = std::prev(after)->start;
    known.remember = after == rowMarks_.end() || after->start > text_.LineContentEnd(line);
    return known;
}

// Checkpoints a walk left, in order, between two neighbours (or after the last one).
void Layout::RememberColumns(const std::vector<ColumnMark> &fresh) const {
    if (fresh.empty()) return;
    auto at = std::lower_bound(columnMarks_.begin(), columnMarks_.end(), fresh.front().pos,
                               [](const ColumnMark &m, size_t p) { return m.pos < p; });
    columnMarks_.insert(at, fresh.begin(), fresh.end());
}

void Layout::RememberRows(const std::vector<RowMark> &fresh) const {
    if (fresh.empty()) return;
    auto at = std::lower_bound(rowMarks_.begin(), rowMarks_.end(), fresh.front().start,
                               [](const RowMark &m, size_t p) { return m.start < p; });
    rowMarks_.insert(at, fresh.begin(), fresh.end());
}

// ---------------------------------------------------------------------------------------------------
// Moving through a change
// ---------------------------------------------------------------------------------------------------

void Layout::MoveColumnMarks(const Change &change) {
    std::vector<ColumnMark> &marks = columnMarks_;
    auto indexOf = [&marks](size_t pos) {
        return size_t(
            std::lower_bound(marks.begin(), marks.end(), pos, [](const ColumnMark &m, size_t p) { return m.pos < p; }) -
            marks.begin());
    };
    // A column before the change counts only characters before it; those inside it are gone.
    size_t kept = indexOf(change.from);
    marks.erase(marks.begin() + kept, marks.begin() + indexOf(change.to + 1));
    for (size_t i = kept; i < marks.size(); ++i)
        marks[i].pos = change.Moved(marks[i].pos);
    if (kept == indexOf(change.lineEnd + 1)) return;  // none on the rest of the changed line

    // The first one on the rest of the line is measured again from the last one before the change.
    Row line = RowFrom(change.line, change.lineStart);
    Known before{{change.lineStart, 0}, true};  // leaving checkpoints through whatever the change put in
    if (kept > 0 && marks[kept - 1].pos >= change.lineStart)
        before.spot = {marks[kept - 1].pos, marks[kept - 1].column};
    size_t pos = marks[kept].pos;
    bool tab = false;
    Spot spot = WalkColumns(line, before, pos, INT_MAX, &tab);
    size_t i = indexOf(pos), end = indexOf(change.lineEnd + 1);
    int shift = spot.column - marks[i].column;
    marks[i] = {pos, spot.column, tab};
    // The others move as far, up to the first tab: beyond it the two columns reach tab stops, which makes
    // the shift a multiple of eight, the same for every later character.
    for (++i; i < end; ++i) {
        if (shift % kTabColumns != 0 && marks[i].tabBefore) {
            Known previous{{marks[i - 1].pos, marks[i - 1].column}, false};
            shift = WalkColumns(line, previous, marks[i].pos, INT_MAX).column - marks[i].column;
        }
        marks[i].column += shift;
    }
}

void Layout::MoveRowMarks(const Change &change) {
    std::vector<RowMark> &marks = rowMarks_;
    if (marks.empty()) return;
    auto firstFrom = [&marks](size_t begin, auto before) {
        return size_t(std::partition_point(marks.begin() + begin, marks.end(), before) - marks.begin());
    };
    // On the line the change starts in, a row start worked out from text before the change stays; the
    // others before the change's end go, the unsettled ones among them too, as the text after them changed.
    size_t lineStart = text_.LineStart(text_.LineOf(change.from));
    size_t first = firstFrom(0, [lineStart](const RowMark &m) { return m.start < lineStart; });
    size_t kept = firstFrom(first, [&change](const RowMark &m) { return m.settled && m.reach <= change.from; });
    marks.erase(marks.begin() + kept,
                marks.begin() + firstFrom(kept, [&change](const RowMark &m) { return m.start < change.to; }));
    for (size_t i = kept; i < marks.size(); ++i) {
        marks[i].start = change.Moved(marks[i].start);
        marks[i].reach = change.Moved(marks[i].reach);
    }
    // Those on the rest of the changed line start rows again once the rows after the change meet one.
    for (size_t i = kept; i < marks.size() && marks[i].start <= change.lineEnd; ++i)
        marks[i].settled = false;
    SettleRows(change.line, change.end + kSettlesWithin);
}

// Works out the rows of the line from its last settled checkpoint until one starts where an unsettled
// checkpoint does, which settles that one and the rest, or until they are past limit. Unsettled
// checkpoints passed on the way start no row: they go. The walk leaves settled ones of its own.
void Layout::SettleRows(size_t line, size_t limit) const {
    std::vector<RowMark> &marks = rowMarks_;
    size_t lineStart = text_.LineStart(line), lineEnd = text_.LineContentEnd(line);
    auto first =
        std::upper_bound(marks.begin(), marks.end(), lineStart, [](size_t p, const RowMark &m) { return p < m.start; });
    auto last = std::upper_bound(first, marks.end(), lineEnd, [](size_t p, const RowMark &m) { return p < m.start; });
    auto unsettled = std::partition_point(first, last, [](const RowMark &m) { return m.settled; });
    if (unsettled == last || unsettled->start > limit) return;
    size_t begin = size_t(unsettled - marks.begin()), end = size_t(last - marks.begin());

    size_t start = unsettled != first ? std::prev(unsettled)->start : lineStart;
    size_t reach = 0;
    Row row = RowFrom(line, start, &reach);
    size_t next = begin, markedAt = start;
    std::vector<RowMark> fresh;
    for (;;) {
        while (next < end && marks[next].start < row.end)
            ++next;
        if (row.last || next == end) break;
        if (marks[next].start == row.end) {
            marks[next].reach = reach;
            for (size_t i = next; i < end; ++i)
                marks[i].settled = true;
            break;
        }
        if (row.end > limit) break;
        if (row.end - markedAt >= kSpacing) {
            fresh.push_back({row.end, reach, true});
            markedAt = row.end;
        }
        row = RowFrom(line, row.end, &reach);
    }
    marks.erase(marks.begin() + begin, marks.begin() + next);
    marks.insert(marks.begin() + begin, fresh.begin(), fresh.end());
}

}  // namespace posix::edit
