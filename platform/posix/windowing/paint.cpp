// The device contexts of windows, placed and clipped by the window tree, and the caret.
#include "platform/posix/windowing/paint.h"
#include "platform/posix/drawing/gdi.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>

namespace posix {
namespace {

struct Caret {
    HWND owner = nullptr;
    POINT pos{};
    int hideCount = 1;  // shown when 0, as ShowCaret/HideCaret count
};

struct PaintState {
    Caret caret;
    CellGrid *paintGrid = nullptr;  // the frame being composed
};

PaintState &State() {
    static PaintState state;
    return state;
}

// A context for the window's client area, clipped by each of its ancestors; for no window, one that
// draws nowhere.
HDC WindowContext(HWND hwnd, CellGrid *grid) {
    Window *w = FromHandle(hwnd);
    if (!w) return CreateGridContext(grid, POINT{}, RECT{}, nullptr);
    RECT clip = ClientRectOnScreen(w);
    POINT origin{clip.left, clip.top};
    for (Window *p = w->parent; p; p = p->parent) {
        RECT pr = ClientRectOnScreen(p);
        clip.left = std::max(clip.left, pr.left);
        clip.top = std::max(clip.top, pr.top);
        clip.right = std::min(clip.right, pr.right);
        clip.bottom = std::min(clip.bottom, pr.bottom);
    }
    return CreateGridContext(grid, origin, clip, w->font);
}

}  // namespace

void SetPaintGrid(CellGrid *grid) {
    State().paintGrid = grid;
}

bool CaretCell(int &col, int &row) {
    Caret &c = State().caret;
    Window *w = FromHandle(c.owner);
    if (!w || c.hideCount > 0 || !IsWindowVisible(c.owner) || GetFocus() != c.owner) return false;
    RECT r = ClientRectOnScreen(w);
    int x = r.left + c.pos.x, y = r.top + c.pos.y;
    if (x < r.left || y < r.top || x >= r.right || y >= r.bottom) return false;
    col = x / kCellWidth;
    row = y / kCellHeight;
    return true;
}

void ResetPaint() {
    State().caret = Caret{};
    State().paintGrid = nullptr;
}

}  // namespace posix

using namespace posix;

// ---------------------------------------------------------------------------------------------------
// Device contexts of windows
// ---------------------------------------------------------------------------------------------------

HDC GetDC(HWND hwnd) {
    if (hwnd && !FromHandle(hwnd)) return nullptr;
    return WindowContext(hwnd, hwnd ? State().paintGrid : nullptr);
}

int ReleaseDC(HWND, HDC dc) {
    return DeleteGridContext(dc) ? 1 : 0;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
    if (!FromHandle(hwnd) || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = WindowContext(hwnd, State().paintGrid);
    GetClientRect(hwnd, &paint->rcPaint);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT *paint) {
    if (!paint) return FALSE;
    DeleteGridContext(paint->hdc);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// The caret
// ---------------------------------------------------------------------------------------------------

BOOL CreateCaret(HWND hwnd, HANDLE, int, int) {
    if (!FromHandle(hwnd)) return FALSE;
    State().caret = Caret{hwnd, POINT{0, 0}, 1};
    InvalidateScreen();
    return TRUE;
}

BOOL DestroyCaret(void) {
    State().caret = Caret{};
    InvalidateScreen();
    return TRUE;
}

namespace posix {

void DropCaretOf(HWND hwnd) {
    if (State().caret.owner == hwnd) DestroyCaret();
}

}  // namespace posix

BOOL SetCaretPos(int x, int y) {
    Caret &c = State().caret;
    if (!c.owner) return FALSE;
    c.pos = POINT{x, y};
    InvalidateScreen();
    return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
    if (!point || !State().caret.owner) return FALSE;
    *point = State().caret.pos;
    return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
    Caret &c = State().caret;
    if (!c.owner || (hwnd && hwnd != c.owner)) return FALSE;
    if (c.hideCount > 0) --c.hideCount;
    InvalidateScreen();
    return TRUE;
}

BOOL HideCaret(HWND hwnd) {
    Caret &c = State().caret;
    if (!c.owner || (hwnd && hwnd != c.owner)) return FALSE;
    ++c.hideCount;
    InvalidateScreen();
    return TRUE;
}
