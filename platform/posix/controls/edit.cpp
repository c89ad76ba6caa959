// The "edit" control, multiline and single-line, behaving as Win32's does.
//
// The text lives in a TextStore (edit_text.h), the rows it falls into come from a Layout (edit_layout.h),
// and this file keeps the view over them: the selection, the caret, which rows are on screen, the undo
// record and the notifications to the parent. Where we differ from Win32 on purpose: lines also break at a
// lone LF or CR (the text is never converted), Enter types the text's own line break, Up and Down keep
// the column they aim for, EM_GETSEL packs -1 when a position needs more than 16 bits, and EM_UNDO with
// nothing to undo does nothing at all.
#include "platform/posix/controls/control_state.h"
#include "platform/posix/controls/edit_layout.h"
#include "platform/posix/controls/edit_text.h"
#include "platform/posix/controls/edit.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>
#include <new>
#include <climits>
#include <string>

namespace posix {

namespace {

using edit::Layout;
using edit::Row;
using edit::TextStore;

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

constexpr DWORD kDefaultLimit = 30000;         // what Win32 starts both kinds of edit with
constexpr DWORD kMostMultiline = 0xFFFFFFFF;   // EM_SETLIMITTEXT(0) on a multiline edit
constexpr DWORD kMostSingleLine = 0x7FFFFFFE;  // EM_SETLIMITTEXT(0) on a single-line edit

// The last change that can be undone. Undoing takes insertedCount characters out at position and puts
// removed back in; what it took out becomes the record, so that undoing again redoes.
struct UndoRecord {
    size_t position = 0;       // where the change happened
    size_t insertedCount = 0;  // characters the change put in at position
    U16String removed;         // characters the change took out at position
    bool Empty() const { return insertedCount == 0 && removed.empty(); }
};

enum class Undo { Record, Forget };

struct EditState {
    EditState(HWND window, DWORD style)
        : hwnd(window),
          multiline((style & ES_MULTILINE) != 0),
          wrap(multiline && !(style & (WS_HSCROLL | ES_AUTOHSCROLL))),
          indicator(multiline && (style & WS_VSCROLL)),
          text(multiline ? TextStore::Breaks::Lines : TextStore::Breaks::None),
          layout(text) {}

    HWND hwnd;                    // the control
    bool multiline;               // ES_MULTILINE at creation: lines break, Enter and Tab type, Up and Down go by rows
    bool wrap;                    // rows break at the control's width (multiline without WS_HSCROLL, ES_AUTOHSCROLL)
    bool indicator;               // WS_VSCROLL: the rightmost column shows where the view stands in the text
    TextStore text;               // every character, exactly as given; changed only through layout
    Layout layout;                // how the text falls into rows at the current width
    size_t anchor = 0;            // the selection's fixed end, where it was started
    size_t caret = 0;             // the selection's moving end, where the caret stands
    bool caretAfterWrap = false;  // the caret sits at the end of a wrapped row, not the start of the next
    int goalColumn = -1;          // column Up and Down aim for across short rows; -1 until one of them sets it
    Row top;                      // first row on screen
    int scrollColumns = 0;        // columns scrolled sideways (no wrap only)
    int textCols = 1;             // cells across that show text: the client width less the indicator column
    int textRows = 1;             // rows of cells in the client area
    std::vector<Row> shown;       // the rows on screen, from top; rebuilt only by LayOutView
    UndoRecord undo;              // EM_UNDO's one level
    DWORD limit = kDefaultLimit;  // most characters typing and EM_REPLACESEL may leave in the text
    bool modified = false;        // EM_GETMODIFY
    bool focused = false;         // between WM_SETFOCUS and WM_KILLFOCUS; the caret exists only then
    bool inDialog = false;        // a dialog manager asked for its keys (WM_GETDLGCODE with a message)
    HFONT font = nullptr;         // WM_SETFONT's font, kept and reported; the terminal draws one size only
};

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

EditState *StateOf(HWND hwnd) {
    return ControlState<EditState>(hwnd, EditProc);
}

DWORD StyleOf(const EditState &s) {
    Window *w = FromHandle(s.hwnd);
    return w ? w->style : 0;
}

bool ReadOnly(const EditState &s) {
    return (StyleOf(s) & ES_READONLY) != 0;
}
size_t SelectionStart(const EditState &s) {
    return std::min(s.anchor, s.caret);
}
size_t SelectionEnd(const EditState &s) {
    return std::max(s.anchor, s.caret);
}
bool KeyHeld(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

// ---------------------------------------------------------------------------------------------------
// Notifications: each returns false when the parent destroyed the control while handling it.
// ---------------------------------------------------------------------------------------------------

bool Notify(HWND hwnd, WORD code) {
    NotifyParentCommand(hwnd, code);
    return IsWindow(hwnd) != FALSE;
}

bool NotifyEdited(HWND hwnd) {
    return Notify(hwnd, EN_UPDATE) && Notify(hwnd, EN_CHANGE);
}

// ---------------------------------------------------------------------------------------------------
// The view: which rows are on screen and where the caret is drawn
// ---------------------------------------------------------------------------------------------------

// Whether pos is shown on this row: the row's own characters, its end, and for the last row of a line
// the positions inside the line break that follows.
bool RowShows(const EditState &s, const Row &row, size_t pos, bool afterWrap) {
    if (pos < row.start) return false;
    if (pos < row.end) return true;
    if (pos == row.end) return row.last || afterWrap;
    return row.last && pos < s.layout.NextLineStart(row);
}

int ShownIndexOf(const EditState &s, size_t pos, bool afterWrap) {
    for (size_t i = 0; i < s.shown.size(); ++i)
        if (RowShows(s, s.shown[i], pos, afterWrap)) return int(i);
    return -1;
}

Row RowOf(const EditState &s, size_t pos, bool afterWrap) {
    int i = ShownIndexOf(s, pos, afterWrap);
    return i >= 0 ? s.shown[i] : s.layout.RowHolding(pos, afterWrap);
}

Row CaretRow(const EditState &s) {
    return RowOf(s, s.caret, s.caretAfterWrap);
}

void PlaceCaret(const EditState &s) {
    if (!s.focused) return;
    int i = ShownIndexOf(s, s.caret, s.caretAfterWrap);
    if (i < 0) {
        SetCaretPos(-kCellWidth, -kCellHeight);  // off screen: the terminal hides its cursor
        return;
    }
    int column = s.layout.ColumnOf(s.shown[i], s.caret) - s.scrollColumns;
    // At a wrapped row's full end the caret stands just past the last character, in the indicator's column
    // when there is one (as a caret stands after the last pixel); a blank hanging past the edge stays there.
    if (s.wrap) column = std::min(column, s.indicator ? s.textCols : s.textCols - 1);
    SetCaretPos(column * kCellWidth, i * kCellHeight);
}

// The one place the rows on screen are worked out again from the text, after anything changed.
void LayOutView(EditState &s) {
    s.top = s.layout.RowFrom(s.top.line, s.top.start);
    s.shown.clear();
    Row row = s.top;
    for (int i = 0; i < s.textRows; ++i) {
        s.shown.push_back(row);
        if (!s.layout.Next(row)) break;
    }
    PlaceCaret(s);
    InvalidateScreen();
}

// Every change of the top row outside LayOutView goes through here, so that the rows on screen are
// worked out again.
void ScrollTo(EditState &s, const Row &top) {
    s.top = top;
    s.shown.clear();
}

void MeasureClientArea(EditState &s) {
    RECT r{};
    GetClientRect(s.hwnd, &r);
    int cols = (r.right - r.left) / kCellWidth, rows = (r.bottom - r.top) / kCellHeight;
    s.textCols = std::max(cols - (s.indicator ? 1 : 0), 1);
    s.textRows = std::max(rows, 1);
    s.layout.SetWrapColumns(s.wrap ? s.textCols : 0);
    // Rows of the old width may start anywhere in the new ones.
    ScrollTo(s, s.layout.RowHolding(s.top.start, false));
}

// A caret that leaves the view sideways moves it by a third of the width more than needed, as Win32's
// does, so that the caret lands next to text rather than on an edge: going left, a third of the width of
// text before it shows; going right, it lands two thirds across, though the view goes no further than
// putting the end of the caret's row on the last cell.
void ScrollSidewaysToCaret(EditState &s, const Row &caretRow) {
    if (s.wrap) return;
    int column = s.layout.ColumnOf(caretRow, s.caret);
    // A double-width character after the caret must show whole, or the caret would stand on a blank.
    int caretCells = 1;
    if (s.caret < caretRow.end && CharColumns(s.layout.UnitAt(s.caret)) == 2) caretCells = 2;
    int third = s.textCols / 3;
    if (column < s.scrollColumns) {
        s.scrollColumns = std::max(column - third, 0);
    } else if (column + caretCells > s.scrollColumns + s.textCols) {
        int before = std::min(s.textCols - third, s.textCols - 1);  // cells left of the caret
        s.scrollColumns = column - before;
        // Only the columns the view would show past the caret are measured, not the rest of a long row.
        edit::Spot last = s.layout.SpotAt(caretRow, column + s.textCols - 1 - before);
        if (last.pos == caretRow.end) s.scrollColumns = std::min(s.scrollColumns, last.column - s.textCols + 1);
    }
}

// Scrolls as little as keeps the caret on screen. A caret that moved within the rows on screen needs
// no new layout, only its new place.
void ScrollCaretIntoView(EditState &s) {
    size_t topBefore = s.top.start;
    int columnsBefore = s.scrollColumns;
    int shownIndex = ShownIndexOf(s, s.caret, s.caretAfterWrap);
    Row caretRow = shownIndex >= 0 ? s.shown[shownIndex] : s.layout.RowHolding(s.caret, s.caretAfterWrap);
    size_t below = s.textRows - 1;
    if (shownIndex >= 0) {
        // On screen already.
    } else if (caretRow.start < s.top.start) {
        ScrollTo(s, caretRow);
    } else if (s.layout.RowsBetween(s.top, caretRow, below) > below) {
        ScrollTo(s, s.layout.Up(caretRow, below));
    }
    ScrollSidewaysToCaret(s, caretRow);
    if (s.shown.empty() || s.top.start != topBefore || s.scrollColumns != columnsBefore) return LayOutView(s);
    PlaceCaret(s);
    InvalidateScreen();
}

// The top row after [from, to) became count characters: rows below the change keep their place in
// the text, a top row the change swallowed becomes the row where the change is, and what goes in at the
// very start of the top row shows there, pushing the old text down.
void KeepTopThroughChange(EditState &s, size_t from, size_t to, size_t count) {
    size_t top = s.top.start;
    if (top > to || (top == to && from < to))
        top = top - (to - from) + count;
    else if (top > from)
        top = from;
    ScrollTo(s, s.layout.RowHolding(top, false));
}

// ---------------------------------------------------------------------------------------------------
// Changing the text
// ---------------------------------------------------------------------------------------------------

// A change that can be undone joins the record when it continues it: typing on at the end of what was
// typed, Delete and Backspace on at the edge of what they took out.
void RecordChange(UndoRecord &u, size_t from, const U16String &removed, size_t inserted) {
    if (!removed.empty()) {
        bool onlyRemoved = u.insertedCount == 0 && !u.removed.empty();
        if (onlyRemoved && from == u.position) {
            u.removed += removed;
        } else if (onlyRemoved && from + removed.size() == u.position) {
            u.removed.insert(0, removed);
            u.position = from;
        } else {
            u.removed = removed;
            u.position = from;
        }
        u.insertedCount = 0;
    }
    if (inserted == 0) return;
    if (from == u.position || (u.insertedCount > 0 && from == u.position + u.insertedCount)) {
        u.insertedCount += inserted;
    } else {
        u.position = from;
        u.insertedCount = inserted;
        u.removed.clear();
    }
}

void ChangeText(EditState &s, size_t from, size_t to, const char16_t *text, size_t count) {
    s.layout.Replace(from, to, text, count);
    KeepTopThroughChange(s, from, to, count);
    s.caretAfterWrap = false;
    s.goalColumn = -1;
}

// Every change of the text by the user or by EM_REPLACESEL comes through here; the caret ends up after
// the new text.
void ReplaceRange(EditState &s, size_t from, size_t to, const char16_t *text, size_t count, Undo undo) {
    if (undo == Undo::Record) {
        RecordChange(s.undo, from, s.text.Slice(from, to), count);
    } else {
        s.undo = UndoRecord{};
    }
    ChangeText(s, from, to, text, count);
    s.anchor = s.caret = from + count;
    s.modified = true;
    ScrollCaretIntoView(s);
}

// Characters that may still go in when the selection, selected characters long, is replaced.
size_t RoomFor(const EditState &s, size_t selected) {
    size_t remaining = s.text.Length() - selected;
    return s.limit > remaining ? size_t(s.limit) - remaining : 0;
}

// Text typed by the user replaces the selection. What does not fit is cut off after EN_MAXTEXT, as
// EM_REPLACESEL cuts it (a line break may lose its LF); when nothing fits and nothing is selected,
// nothing else happens.
void TypeText(EditState &s, const U16String &typed) {
    size_t from = SelectionStart(s), to = SelectionEnd(s);
    size_t count = std::min(typed.size(), RoomFor(s, to - from));
    if (count < typed.size() && !Notify(s.hwnd, EN_MAXTEXT)) return;
    if (count == 0 && from == to) return;
    ReplaceRange(s, from, to, typed.data(), count, Undo::Record);
    NotifyEdited(s.hwnd);
}

void DeleteRangeByUser(EditState &s, size_t from, size_t to) {
    if (from >= to) return;
    ReplaceRange(s, from, to, nullptr, 0, Undo::Record);
    NotifyEdited(s.hwnd);
}

// The line break Enter types: the text's own first one, CR LF when it has none yet.
U16String LineBreakOf(const TextStore &text) {
    if (text.LineCount() < 2) return u"\r\n";
    size_t next = text.LineStart(1);
    if (text.At(next - 1) == u'\r') return u"\r";
    return next >= 2 && text.At(next - 2) == u'\r' ? u"\r\n" : u"\n";
}

// ---------------------------------------------------------------------------------------------------
// Caret movement
// ---------------------------------------------------------------------------------------------------

// One caret step: a CR LF pair and a surrogate pair are each one.
size_t StepRight(const EditState &s, size_t pos) {
    if (pos >= s.text.Length()) return s.text.Length();
    if (s.multiline && s.text.At(pos) == u'\r' && s.text.At(pos + 1) == u'\n') return pos + 2;
    return s.layout.NextUnit(pos);
}

size_t StepLeft(const EditState &s, size_t pos) {
    if (pos == 0) return 0;
    if (s.multiline && pos >= 2 && s.text.At(pos - 1) == u'\n' && s.text.At(pos - 2) == u'\r') return pos - 2;
    return s.layout.PreviousUnit(pos);
}

bool IsBlank(char16_t ch) {
    return ch == u' ' || ch == u'\t';
}

// Ctrl+Right: past the rest of the word and the blanks after it, within the line; from a line's end, to
// the start of the next.
size_t WordRight(const EditState &s, size_t pos) {
    size_t line = s.text.LineOf(pos), end = s.text.LineContentEnd(line);
    if (pos >= end) return line + 1 < s.text.LineCount() ? s.text.LineStart(line + 1) : pos;
    while (pos < end && !IsBlank(s.text.At(pos)))
        ++pos;
    while (pos < end && IsBlank(s.text.At(pos)))
        ++pos;
    return pos;
}

// Ctrl+Left: back over blanks to the start of the word before them; from a line's start, to the end of
// the line before.
size_t WordLeft(const EditState &s, size_t pos) {
    size_t line = s.text.LineOf(pos), start = s.text.LineStart(line);
    if (pos <= start) return line > 0 ? s.text.LineContentEnd(line - 1) : pos;
    pos = std::min(pos, s.text.LineContentEnd(line));
    while (pos > start && IsBlank(s.text.At(pos - 1)))
        --pos;
    while (pos > start && !IsBlank(s.text.At(pos - 1)))
        --pos;
    return pos;
}

// Puts the caret at pos; without extend the selection goes. Any move but Up and Down forgets the goal.
void MoveCaret(EditState &s, size_t pos, bool extend, bool afterWrap = false) {
    s.caret = pos;
    if (!extend) s.anchor = pos;
    s.caretAfterWrap = afterWrap;
    s.goalColumn = -1;
    ScrollCaretIntoView(s);
}

// Puts the caret on a row at the column aimed for, keeping that aim for the next vertical move.
void MoveCaretToRow(EditState &s, const Row &row, int goal, bool extend) {
    size_t pos = s.layout.PositionAt(row, goal);
    MoveCaret(s, pos, extend, pos == row.end && !row.last);
    s.goalColumn = goal;
}

int GoalColumn(const EditState &s, const Row &caretRow) {
    return s.goalColumn >= 0 ? s.goalColumn : s.layout.ColumnOf(caretRow, s.caret);
}

void MoveByRows(EditState &s, bool down, bool extend) {
    Row row = CaretRow(s);
    int goal = GoalColumn(s, row);
    Row target = row;
    bool moved = down ? s.layout.Next(target) : s.layout.Previous(target);
    if (!moved) {
        MoveCaret(s, s.caret, extend, s.caretAfterWrap);  // the first or last row: only the selection goes
        s.goalColumn = goal;
        return;
    }
    MoveCaretToRow(s, target, goal, extend);
}

// Page Up and Page Down move the caret a screenful of rows and the view with it.
void MoveByPage(EditState &s, bool down, bool extend) {
    Row row = CaretRow(s);
    int goal = GoalColumn(s, row);
    size_t page = size_t(s.textRows), moved = 0;
    Row target = down ? s.layout.Down(row, page, &moved) : s.layout.Up(row, page, &moved);
    if (down) {
        // The view goes down as far as the caret, but leaves the last screenful full, and never goes up.
        Row top = s.layout.Down(s.top, moved);
        size_t below = 0;
        s.layout.Down(top, page - 1, &below);
        if (below < page - 1) {
            Row lastPage = s.layout.Up(top, page - 1 - below);
            top = lastPage.start > s.top.start ? lastPage : s.top;
        }
        ScrollTo(s, top);
    } else {
        ScrollTo(s, s.layout.Up(s.top, moved));
    }
    MoveCaretToRow(s, target, goal, extend);
}

void MoveToRowEdge(EditState &s, bool end, bool extend) {
    Row row = CaretRow(s);
    if (!end) return MoveCaret(s, row.start, extend);
    MoveCaret(s, row.end, extend, !row.last);
}

// ---------------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------------

// Draws one row as runs of selected and plain text; tabs become blanks to the next tab stop.
class RowPainter {
public:
    RowPainter(HDC dc, const EditState &s, int y) : dc_(dc), s_(s), y_(y) {}

    void Draw(const Row &row, size_t selFrom, size_t selTo) {
        const Layout &layout = s_.layout;
        int right = s_.scrollColumns + s_.textCols;
        // What the view is scrolled past is not measured again: the row is drawn from the left edge.
        edit::Spot first = layout.SpotAt(row, s_.scrollColumns);
        int column = first.column;
        size_t pos = first.pos;
        while (pos < row.end && column < right) {
            char32_t ch = layout.UnitAt(pos);
            size_t next = layout.NextUnit(pos);
            int width = Layout::UnitColumns(ch, column);
            if (column + width > s_.scrollColumns) Add(pos, next, ch, column, width, pos >= selFrom && pos < selTo);
            column += width;
            pos = next;
        }
        // A selected line break shows as one selected cell after the line's text.
        bool breakSelected = row.last && row.end < layout.NextLineStart(row) && selFrom <= row.end && selTo > row.end;
        if (breakSelected && column >= s_.scrollColumns && column < right) {
            Flush();
            selected_ = true;
            runColumn_ = column;
            run_ = u" ";
        }
        Flush();
    }

private:
    void Add(size_t pos, size_t next, char32_t ch, int column, int width, bool selected) {
        int from = ch == U'\t' ? std::max(column, s_.scrollColumns) : column;
        if (run_.empty() || selected != selected_) {
            Flush();
            selected_ = selected;
            runColumn_ = from;
        }
        if (ch == U'\t') {
            run_.append(size_t(column + width - from), u' ');
        } else {
            for (size_t p = pos; p < next; ++p)
                run_ += s_.text.At(p);
        }
    }

    void Flush() {
        if (run_.empty()) return;
        SetBkColor(dc_, GetSysColor(selected_ ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        TextOutW(dc_, (runColumn_ - s_.scrollColumns) * kCellWidth, y_, run_.data(), int(run_.size()));
        run_.clear();
    }

    HDC dc_;
    const EditState &s_;
    int y_;                  // pixel row in the client area
    U16String run_;          // characters of the run not yet drawn
    int runColumn_ = 0;      // the run's first column in the row
    bool selected_ = false;  // the run is selected text
};

// Where the text on screen ends: after the last row shown, with its line break.
size_t ShownEnd(const EditState &s) {
    if (s.shown.empty()) return s.top.end;
    const Row &last = s.shown.back();
    return last.last ? s.layout.NextLineStart(last) : last.end;
}

// The rightmost column: a track with a thumb showing which part of the text is on screen. Without wrap,
// in a text of at least a screenful of lines, the thumb goes by lines; otherwise (with wrap a line may be
// many rows) by characters, which needs no rows but those on screen.
void DrawScrollIndicator(HDC dc, const EditState &s) {
    size_t lines = s.text.LineCount(), rows = size_t(s.textRows);
    size_t thumbTop = 0, thumbRows = 0;
    if (!s.wrap && lines >= rows) {
        if (lines > rows || s.top.line > 0) {
            thumbRows = std::max<size_t>(1, rows * rows / std::max(lines, rows));
            size_t range = lines > rows ? lines - rows : 1;
            thumbTop = (rows - thumbRows) * std::min(s.top.line, range) / range;
        }
    } else {
        size_t length = s.text.Length(), first = s.top.start, end = std::max(ShownEnd(s), first);
        if (first > 0 || end < length) {
            size_t shownChars = end - first;
            thumbRows =
                std::clamp<size_t>((rows * shownChars + length / 2) / std::max<size_t>(length, 1), 1,
                                   std::max<size_t>(rows - 1, 1));  // something is hidden: never the whole track
            size_t range = length > shownChars ? length - shownChars : 1;
            thumbTop = (rows - thumbRows) * std::min(first, range) / range;
        }
    }
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    for (size_t i = 0; i < rows; ++i) {
        bool thumb = i >= thumbTop && i < thumbTop + thumbRows;
        TextOutW(dc, s.textCols * kCellWidth, int(i) * kCellHeight, thumb ? u"\u2588" : u"\u2502", 1);
    }
}

// ---------------------------------------------------------------------------------------------------
// Message handlers
// ---------------------------------------------------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, const CREATESTRUCTW *cs) {
    return cs && AttachControlState<EditState>(hwnd, hwnd, DWORD(cs->style));
}

LRESULT OnCreate(EditState &s, const CREATESTRUCTW *cs) {
    MeasureClientArea(s);
    // The window name is the first text, set without notifications, with the caret at the start.
    if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) s.layout.AssignTerminated(cs->lpszName);
    LayOutView(s);
    return 0;
}

LRESULT OnNcDestroy(HWND hwnd) {
    DeleteControlState<EditState>(hwnd, EditProc);
    return 0;
}

LRESULT OnSize(EditState &s) {
    MeasureClientArea(s);
    // A view grown wide enough to show the caret from the first column goes back there.
    if (!s.wrap && s.scrollColumns > 0) {
        Row caretRow = s.layout.RowHolding(s.caret, s.caretAfterWrap);
        if (s.layout.ColumnOf(caretRow, s.caret) < s.textCols) {
            s.scrollColumns = 0;
            LayOutView(s);
        }
    }
    ScrollCaretIntoView(s);
    return 0;
}

LRESULT OnSetText(EditState &s, const WCHAR *text) {
    // As in Win32, a text the control has no memory for is refused and the old one stays.
    try {
        s.layout.AssignTerminated(text ? text : u"");
    } catch (const std::bad_alloc &) {
        Notify(s.hwnd, EN_ERRSPACE);
        return FALSE;
    }
    s.undo = UndoRecord{};
    s.modified = false;
    s.anchor = s.caret = 0;
    s.caretAfterWrap = false;
    s.goalColumn = -1;
    ScrollTo(s, s.layout.FirstRowOf(0));
    s.scrollColumns = 0;
    LayOutView(s);
    // Win32 tells the parent of a new text only in a single-line edit.
    if (!s.multiline) NotifyEdited(s.hwnd);
    return TRUE;
}

LRESULT OnGetText(const EditState &s, WPARAM maxCount, WCHAR *buffer) {
    if (!buffer || maxCount == 0) return 0;
    size_t n = std::min<size_t>(s.text.Length(), maxCount - 1);
    s.text.CopyOut(0, n, buffer);
    buffer[n] = 0;
    return LRESULT(n);
}

LRESULT OnGetSel(const EditState &s, DWORD *start, DWORD *end) {
    size_t from = SelectionStart(s), to = SelectionEnd(s);
    if (start) *start = DWORD(from);
    if (end) *end = DWORD(to);
    // Positions that need more than 16 bits cannot be packed; the out-values still hold them.
    if (from > 0xFFFF || to > 0xFFFF) return -1;
    return MAKELONG(from, to);
}

// A start of -1 drops the selection where the caret is; other negative values count as past the end.
LRESULT OnSetSel(EditState &s, int start, int end) {
    size_t caretBefore = s.caret;
    size_t length = s.text.Length();
    auto clamp = [length](int v) { return v < 0 ? length : std::min<size_t>(size_t(v), length); };
    if (start == -1) {
        s.anchor = s.caret;
    } else {
        s.anchor = clamp(start);
        s.caret = clamp(end);
    }
    // Setting the selection again where the caret already is keeps the column Up and Down aim for.
    if (s.caret != caretBefore) {
        s.goalColumn = -1;
        s.caretAfterWrap = false;
    }
    ScrollCaretIntoView(s);
    return 0;
}

LRESULT OnReplaceSel(EditState &s, bool canUndo, const WCHAR *text) {
    size_t count = text ? std::char_traits<char16_t>::length(text) : 0;
    size_t from = SelectionStart(s), to = SelectionEnd(s);
    size_t room = RoomFor(s, to - from);
    if (count > room) {
        count = room;
        // A surrogate pair is never cut in half.
        if (count > 0 && IsHighSurrogate(text[count - 1])) --count;
        if (!Notify(s.hwnd, EN_MAXTEXT)) return 0;
    }
    if (count == 0 && from == to) return 0;
    ReplaceRange(s, from, to, text, count, canUndo ? Undo::Record : Undo::Forget);
    NotifyEdited(s.hwnd);
    return 0;
}

// Undoing puts back what the last change took out, takes out what it put in, and selects what came back.
LRESULT OnUndo(EditState &s) {
    if (ReadOnly(s) || s.undo.Empty()) return FALSE;
    size_t length = s.text.Length();
    size_t from = std::min(s.undo.position, length);
    size_t to = std::min(from + s.undo.insertedCount, length);
    U16String restore = std::move(s.undo.removed);
    U16String taken = s.text.Slice(from, to);
    ChangeText(s, from, to, restore.data(), restore.size());
    s.undo = UndoRecord{from, restore.size(), std::move(taken)};
    s.anchor = from;
    s.caret = from + restore.size();
    s.modified = true;
    ScrollCaretIntoView(s);
    NotifyEdited(s.hwnd);
    return TRUE;
}

LRESULT OnEmptyUndoBuffer(EditState &s) {
    s.undo = UndoRecord{};
    return 0;
}

LRESULT OnSetModify(EditState &s, bool modified) {
    s.modified = modified;
    return 0;
}

LRESULT OnSetLimitText(EditState &s, WPARAM limit) {
    s.limit = limit ? DWORD(limit) : (s.multiline ? kMostMultiline : kMostSingleLine);
    return 0;
}

LRESULT OnSetReadOnly(EditState &s, bool readOnly) {
    if (Window *w = FromHandle(s.hwnd)) w->style = readOnly ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
    InvalidateScreen();
    return TRUE;
}

// The row a character index is on: past the end means the last row; -1 means the selection's start.
Row RowForIndex(const EditState &s, WPARAM index) {
    if (int(index) == -1) return SelectionStart(s) == s.caret ? CaretRow(s) : RowOf(s, SelectionStart(s), false);
    return RowOf(s, std::min<size_t>(size_t(DWORD(index)), s.text.Length()), false);
}

LRESULT OnLineFromChar(const EditState &s, WPARAM index) {
    if (!s.multiline) return 0;
    return LRESULT(s.layout.DisplayLineOf(RowForIndex(s, index)));
}

LRESULT OnLineIndex(const EditState &s, WPARAM number) {
    if (!s.multiline) return 0;
    if (int(number) == -1) return LRESULT(CaretRow(s).start);
    Row row;
    if (!s.layout.DisplayLine(size_t(DWORD(number)), row)) return -1;
    return LRESULT(row.start);
}

// With -1: the characters on the selection's rows that are not selected.
LRESULT OnLineLength(const EditState &s, WPARAM index) {
    if (!s.multiline) return LRESULT(s.text.Length());
    if (int(index) != -1) {
        Row row = RowForIndex(s, index);
        return LRESULT(row.end - row.start);
    }
    size_t from = SelectionStart(s), to = SelectionEnd(s);
    Row first = RowOf(s, from, false), last = RowOf(s, to, false);
    return LRESULT((from - first.start) + (to < last.end ? last.end - to : 0));
}

LRESULT OnGetLineCount(const EditState &s) {
    return s.multiline ? LRESULT(s.layout.DisplayLineCount()) : 1;
}

// The first WORD of the buffer says how many characters it holds; a terminator follows when there is room.
LRESULT OnGetLine(const EditState &s, WPARAM number, WCHAR *buffer) {
    if (!buffer) return 0;
    size_t room = *reinterpret_cast<const WORD *>(buffer);
    Row row{0, 0, s.text.Length(), true};
    if (s.multiline && !s.layout.DisplayLine(size_t(DWORD(number)), row)) return 0;
    size_t n = std::min(room, row.end - row.start);
    s.text.CopyOut(row.start, row.start + n, buffer);
    if (n < room) buffer[n] = 0;
    return LRESULT(n);
}

// Single-line edits answer the first character in view instead.
LRESULT OnGetFirstVisibleLine(const EditState &s) {
    if (!s.multiline) return LRESULT(s.layout.PositionAt(s.top, s.scrollColumns));
    return LRESULT(s.layout.DisplayLineOf(s.top));
}

// Rows from the top row of the view to this one, negative above it.
int RowsFromTop(const EditState &s, const Row &row) {
    int i = ShownIndexOf(s, row.start, false);
    if (i >= 0 && s.shown[i].start == row.start) return i;
    if (row.start >= s.top.start) return int(std::min<size_t>(s.layout.RowsBetween(s.top, row, SHRT_MAX), SHRT_MAX));
    return -int(std::min<size_t>(s.layout.RowsBetween(row, s.top, SHRT_MAX), SHRT_MAX));
}

LRESULT OnPosFromChar(const EditState &s, WPARAM index) {
    size_t pos = size_t(DWORD(index));
    if (pos > s.text.Length()) return -1;
    Row row = RowOf(s, pos, pos == s.caret && s.caretAfterWrap);
    int x = (s.layout.ColumnOf(row, pos) - s.scrollColumns) * kCellWidth;
    int y = RowsFromTop(s, row) * kCellHeight;
    x = std::clamp(x, SHRT_MIN, SHRT_MAX);
    y = std::clamp(y, SHRT_MIN, SHRT_MAX);
    return MAKELONG(x, y);
}

LRESULT OnCharFromPos(const EditState &s, LPARAM point) {
    if (s.shown.empty()) return 0;
    int x = short(LOWORD(point)), y = short(HIWORD(point));
    int i = std::clamp(y < 0 ? 0 : y / kCellHeight, 0, int(s.shown.size()) - 1);
    const Row &row = s.shown[i];
    size_t pos = s.layout.PositionAt(row, std::max(x, 0) / kCellWidth + s.scrollColumns);
    size_t line = s.multiline ? s.layout.DisplayLineOf(row) : 0;
    return MAKELONG(pos, line);
}

LRESULT OnScrollCaret(EditState &s) {
    ScrollCaretIntoView(s);
    return TRUE;
}

LRESULT OnGetDlgCode(EditState &s, LPARAM message) {
    if (message) s.inDialog = true;
    LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    return s.multiline ? code | DLGC_WANTALLKEYS : code;
}

LRESULT OnSetFocus(EditState &s) {
    s.focused = true;
    CreateCaret(s.hwnd, nullptr, 1, kCellHeight);
    PlaceCaret(s);
    ShowCaret(s.hwnd);
    InvalidateScreen();
    Notify(s.hwnd, EN_SETFOCUS);
    return 0;
}

LRESULT OnKillFocus(EditState &s) {
    s.focused = false;
    DestroyCaret();
    InvalidateScreen();
    Notify(s.hwnd, EN_KILLFOCUS);
    return 0;
}

// A disabled edit draws its text grey.
LRESULT OnEnable() {
    InvalidateScreen();
    return 0;
}

LRESULT OnSetFont(EditState &s, HFONT font, bool redraw) {
    s.font = font;
    if (redraw) InvalidateScreen();
    return 0;
}

// In a dialog, Enter in an edit without ES_WANTRETURN is the default button's, not a line break.
bool LeavesEnterToTheDialog(const EditState &s) {
    return s.inDialog && !(StyleOf(s) & ES_WANTRETURN);
}

// Gives the focus and the Enter key to the dialog's default button, when it has one.
void PressDefaultButton(const EditState &s) {
    HWND dialog = GetParent(s.hwnd);
    DWORD answer = dialog ? DWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)) : 0;
    if (HIWORD(answer) != DC_HASDEFID) return;
    HWND button = GetDlgItem(dialog, LOWORD(answer));
    if (!button) return;
    SendMessageW(dialog, WM_NEXTDLGCTL, (WPARAM)button, TRUE);
    PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0);
}

LRESULT OnChar(EditState &s, WCHAR ch) {
    if (ReadOnly(s)) return 0;
    switch (ch) {
        case VK_BACK:
            if (SelectionStart(s) != SelectionEnd(s))
                DeleteRangeByUser(s, SelectionStart(s), SelectionEnd(s));
            else
                DeleteRangeByUser(s, StepLeft(s, s.caret), s.caret);
            return 0;
        case u'\r':
            if (LeavesEnterToTheDialog(s)) return 0;
            [[fallthrough]];
        case u'\n':
            // A single-line edit has no line to break.
            if (s.multiline) TypeText(s, LineBreakOf(s.text));
            return 0;
        case u'\t':
            if (s.multiline) TypeText(s, u"\t");
            return 0;
        case 0x1A:  // Ctrl+Z undoes, as in every Win32 edit control
            OnUndo(s);
            return 0;
        default:
            // Other control characters come from Ctrl with a letter and type nothing.
            if (ch >= 0x20 && ch != 0x7F) TypeText(s, U16String(1, ch));
            return 0;
    }
}

void DeleteForward(EditState &s) {
    if (ReadOnly(s)) return;
    if (SelectionStart(s) != SelectionEnd(s))
        DeleteRangeByUser(s, SelectionStart(s), SelectionEnd(s));
    else
        DeleteRangeByUser(s, s.caret, StepRight(s, s.caret));
}

// Caret keys in a multiline edit move from the caret and drop the selection, unless Shift keeps its
// anchor; they go by character (by word with Ctrl), by row and by screenful.
void MultilineCaretKey(EditState &s, WPARAM vk, bool extend, bool control) {
    switch (vk) {
        case VK_LEFT: return MoveCaret(s, control ? WordLeft(s, s.caret) : StepLeft(s, s.caret), extend);
        case VK_RIGHT: return MoveCaret(s, control ? WordRight(s, s.caret) : StepRight(s, s.caret), extend);
        case VK_UP: return MoveByRows(s, false, extend);
        case VK_DOWN: return MoveByRows(s, true, extend);
        case VK_HOME: return control ? MoveCaret(s, 0, extend) : MoveToRowEdge(s, false, extend);
        case VK_END: return control ? MoveCaret(s, s.text.Length(), extend) : MoveToRowEdge(s, true, extend);
        case VK_PRIOR: return MoveByPage(s, false, extend);
        case VK_NEXT: return MoveByPage(s, true, extend);
        default: return;
    }
}

// A single-line edit has one row: Up and Down act as Left and Right, Home and End go to the text's ends;
// with Ctrl, all four go by words.
void SingleLineCaretKey(EditState &s, WPARAM vk, bool extend, bool control) {
    switch (vk) {
        case VK_LEFT:
        case VK_UP: return MoveCaret(s, control ? WordLeft(s, s.caret) : StepLeft(s, s.caret), extend);
        case VK_RIGHT:
        case VK_DOWN: return MoveCaret(s, control ? WordRight(s, s.caret) : StepRight(s, s.caret), extend);
        case VK_HOME: return MoveCaret(s, 0, extend);
        case VK_END: return MoveCaret(s, s.text.Length(), extend);
        default: return;
    }
}

LRESULT OnKeyDown(EditState &s, WPARAM vk) {
    if (vk == VK_RETURN && LeavesEnterToTheDialog(s) && !KeyHeld(VK_CONTROL)) {
        PressDefaultButton(s);
    } else if (vk == VK_DELETE) {
        DeleteForward(s);
    } else if (s.multiline) {
        MultilineCaretKey(s, vk, KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL));
    } else {
        SingleLineCaretKey(s, vk, KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL));
    }
    return 0;
}

LRESULT OnPaint(const EditState &s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.hwnd, &ps);
    RECT client{};
    GetClientRect(s.hwnd, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SetTextColor(dc, GetSysColor((StyleOf(s) & WS_DISABLED) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    // Without the focus the selection shows only under ES_NOHIDESEL.
    bool showSelection = s.focused || (StyleOf(s) & ES_NOHIDESEL);
    size_t selFrom = showSelection ? SelectionStart(s) : 0, selTo = showSelection ? SelectionEnd(s) : 0;
    for (size_t i = 0; i < s.shown.size(); ++i)
        RowPainter(dc, s, int(i) * kCellHeight).Draw(s.shown[i], selFrom, selTo);
    if (s.indicator) DrawScrollIndicator(dc, s);
    EndPaint(s.hwnd, &ps);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// The window procedure
// ---------------------------------------------------------------------------------------------------

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return OnNcCreate(hwnd, reinterpret_cast<const CREATESTRUCTW *>(lParam));
    EditState *state = StateOf(hwnd);
    if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
    EditState &s = *state;
    switch (message) {
        case WM_CREATE: return OnCreate(s, reinterpret_cast<const CREATESTRUCTW *>(lParam));
        case WM_NCDESTROY: return OnNcDestroy(hwnd);
        case WM_SIZE: return OnSize(s);
        case WM_PAINT: return OnPaint(s);
        case WM_SETTEXT: return OnSetText(s, reinterpret_cast<const WCHAR *>(lParam));
        case WM_GETTEXT: return OnGetText(s, wParam, reinterpret_cast<WCHAR *>(lParam));
        case WM_GETTEXTLENGTH: return LRESULT(s.text.Length());
        case WM_SETFONT: return OnSetFont(s, reinterpret_cast<HFONT>(wParam), lParam != 0);
        case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
        case WM_SETFOCUS: return OnSetFocus(s);
        case WM_KILLFOCUS: return OnKillFocus(s);
        case WM_GETDLGCODE: return OnGetDlgCode(s, lParam);
        case WM_KEYDOWN: return OnKeyDown(s, wParam);
        case WM_CHAR: return OnChar(s, WCHAR(wParam));
        case WM_ENABLE: return OnEnable();
        case EM_GETSEL: return OnGetSel(s, reinterpret_cast<DWORD *>(wParam), reinterpret_cast<DWORD *>(lParam));
        case EM_SETSEL: return OnSetSel(s, int(DWORD(wParam)), int(DWORD(lParam)));
        case EM_REPLACESEL: return OnReplaceSel(s, wParam != 0, reinterpret_cast<const WCHAR *>(lParam));
        case EM_UNDO: return OnUndo(s);
        case EM_CANUNDO: return !s.undo.Empty();
        case EM_EMPTYUNDOBUFFER: return OnEmptyUndoBuffer(s);
        case EM_GETMODIFY: return s.modified;
        case EM_SETMODIFY: return OnSetModify(s, wParam != 0);
        case EM_SCROLLCARET: return OnScrollCaret(s);
        case EM_LIMITTEXT: return OnSetLimitText(s, wParam);
        case EM_GETLIMITTEXT: return LRESULT(s.limit);
        case EM_SETREADONLY: return OnSetReadOnly(s, wParam != 0);
        case EM_LINEFROMCHAR: return OnLineFromChar(s, wParam);
        case EM_LINEINDEX: return OnLineIndex(s, wParam);
        case EM_LINELENGTH: return OnLineLength(s, wParam);
        case EM_GETLINECOUNT: return OnGetLineCount(s);
        case EM_GETLINE: return OnGetLine(s, wParam, reinterpret_cast<WCHAR *>(lParam));
        case EM_GETFIRSTVISIBLELINE: return OnGetFirstVisibleLine(s);
        case EM_POSFROMCHAR: return OnPosFromChar(s, wParam);
        case EM_CHARFROMPOS: return OnCharFromPos(s, lParam);
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

bool MultilineEditCaret(HWND hwnd, size_t &line, size_t &column) {
    const EditState *s = StateOf(hwnd);
    if (!s || !s->multiline) return false;
    line = s->text.LineOf(s->caret);
    column = 0;
    for (size_t pos = s->text.LineStart(line); pos < s->caret; ++pos)
        if (!IsLowSurrogate(s->text.At(pos))) ++column;
    return true;
}

void RegisterEditClass() {
    RegisterSystemClass(u"edit", EditProc);
}

}  // namespace posix
