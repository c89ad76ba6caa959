// The phone's screen composed from the window tree: the title row, the active window with its children,
// the soft-key row and the overlays (popup menus, message boxes). Every frame, the wait cursor's
// included, reaches the front end through PresentFrame.
#include "platform/posix/windowing/screen.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/overlay.h"
#include "platform/posix/windowing/paint.h"
#include "platform/posix/windowing/soft_keys.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>
#include <cstring>
#include <langinfo.h>

namespace posix {
namespace {

// The cursor is the arrow or the wait cursor; they live at fixed handles in their own range.
constexpr uintptr_t kWaitCursor = 0x4100000 + 32514;
constexpr uintptr_t kArrowCursor = 0x4100000 + 32512;

HCURSOR &CurrentCursor() {
    static HCURSOR cursor = nullptr;
    return cursor;
}

}  // namespace

bool WaitCursorShown() {
    return (uintptr_t)CurrentCursor() == kWaitCursor;
}

void ResetCursor() {
    CurrentCursor() = nullptr;
}

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

// The ellipsis that starts a cut title: one character where the terminal shows Unicode, dots elsewhere.
U16String Ellipsis() {
    const char *codeset = nl_langinfo(CODESET);
    return codeset && std::strcmp(codeset, "UTF-8") == 0 ? u"\u2026" : u"...";
}

// The title as it fits in the given columns: a title too long gives up its beginning, so that its end
// (where the mark of unsaved changes stands) stays in sight.
U16String FittedTitle(const U16String &title, int columns) {
    if (TextColumns(title) <= columns) return title;
    U16String ellipsis = Ellipsis();
    int room = columns - TextColumns(ellipsis);
    if (room <= 0) return ellipsis.substr(0, std::max(columns, 0));
    std::vector<char32_t> chars = CodePoints(title);
    size_t first = chars.size();
    int used = 0;
    while (first > 0 && used + CharColumns(chars[first - 1]) <= room)
        used += CharColumns(chars[--first]);
    U16String tail;
    for (size_t i = first; i < chars.size(); ++i) {
        char32_t ch = chars[i];
        if (ch >= 0x10000) {
            tail += HighSurrogateOf(ch);
            tail += LowSurrogateOf(ch);
        } else {
            tail += char16_t(ch);
        }
    }
    // A wide character that did not fit leaves a column over; the ellipsis takes it.
    return ellipsis + U16String(size_t(room - used), u' ') + tail;
}

U16String WindowTitle(HWND hwnd) {
    if (!FromHandle(hwnd)) return U16String();
    // A window that keeps its text elsewhere answers WM_GETTEXT.
    int n = GetWindowTextLengthW(hwnd);
    U16String title(size_t(n) + 1, u'\0');
    n = GetWindowTextW(hwnd, title.data(), n + 1);
    title.resize(std::max(n, 0));
    return title;
}

// Pop-ups with a frame (dialogs, WS_BORDER, WS_CAPTION) have it drawn in the cells around their client
// area, their caption in its top edge, as message boxes show theirs.
void DrawPopupFrame(CellGrid &grid, Window *w) {
    if (!(w->style & WS_VISIBLE) || !(w->dialog || (w->style & (WS_BORDER | WS_DLGFRAME)))) return;
    // A dialog that fills the screen has its caption on the title row and no room for a frame.
    if (w->fullScreen) return;
    RECT r = ClientRectOnScreen(w);
    int left = r.left / kCellWidth - 1, top = r.top / kCellHeight - 1;
    int right = r.right / kCellWidth + 1, bottom = r.bottom / kCellHeight + 1;
    DrawFrame(grid, left, top, right, bottom);
    if ((w->style & WS_CAPTION) == WS_CAPTION && !w->text.empty())
        grid.Put(left + 2, top, u" " + w->text + u" ", kAttrBold, left + 1, right - 1);
}

void DrawTitleRow(CellGrid &grid, HWND active) {
    grid.Fill(0, 0, grid.Cols(), 1, U' ', kAttrReverse);
    U16String title;
    if (Overlay *o = TopOverlay()) title = o->Title();
    if (title.empty()) title = WindowTitle(active);
    // A pop-up without a caption of its own (a dialog, say) leaves its owner's title in place.
    if (title.empty())
        if (Window *a = FromHandle(active); a && (a->style & WS_POPUP) && a->owner)
            title = WindowTitle(a->owner->handle);
    int right = grid.Cols();
    if (WaitCursorShown()) {
        const U16String busy = u" (busy) ";
        right = std::max(0, grid.Cols() - (int)busy.size());
        grid.Put(right, 0, busy, kAttrReverse | kAttrBold);
    }
    // The front end's note stands left of the busy mark, and gives way to the title on a narrow screen.
    if (FrontEnd *frontEnd = GetFrontEnd()) {
        U16String note = frontEnd->TitleNote();
        int width = note.empty() ? 0 : TextColumns(note) + 2;
        if (width > 0 && right - width >= TextColumns(title) / 2 + 8) {
            right -= width;
            grid.Put(right, 0, u" " + note + u" ", kAttrReverse, right, right + width);
        }
    }
    grid.Put(1, 0, FittedTitle(title, right - 1), kAttrReverse | kAttrBold, 0, right);
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
    // A front end whose keys are not the phone's names the key beside each label, on the outer side.
    if (FrontEnd *frontEnd = GetFrontEnd()) {
        U16String leftKey = frontEnd->SoftKeyName(0), rightKey = frontEnd->SoftKeyName(1);
        if (!left.empty() && !leftKey.empty()) left = leftKey + u" " + left;
        if (!right.empty() && !rightKey.empty()) right = right + u" " + rightKey;
    }
    // While the left soft key is held its label says so.
    unsigned char leftAttr = kAttrReverse;
    if (KeyIsDown(VK_TSOFT1)) leftAttr |= kAttrBold | kAttrUnderline;
    if (!left.empty()) grid.Put(0, row, u" " + left + u" ", leftAttr);
    if (!right.empty()) {
        U16String label = u" " + right + u" ";
        grid.Put(std::max(0, grid.Cols() - TextColumns(label)), row, label, kAttrReverse);
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
    for (Window *w : windows) {
        if (!FromHandle(w->handle) || !(w->style & WS_POPUP)) continue;
        DrawPopupFrame(grid, w);
        PaintTree(w);
    }
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

void PresentFrame() {
    FrontEnd *frontEnd = GetFrontEnd();
    if (!frontEnd || !TakeScreenInvalidation()) return;
    CellGrid grid(frontEnd->Cols(), frontEnd->Rows());
    RenderScreen(grid);
    frontEnd->Present(grid);
}

}  // namespace posix

using namespace posix;

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance || !IS_INTRESOURCE(name)) return nullptr;
    uintptr_t id = (uintptr_t)name;
    if (id == 32514) return (HCURSOR)kWaitCursor;
    if (id == 32512) return (HCURSOR)kArrowCursor;
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = CurrentCursor();
    CurrentCursor() = cursor;
    if (previous != cursor) {
        InvalidateScreen();
        // The busy mark must be seen while the work runs, not after it.
        PresentFrame();
    }
    return previous;
}
