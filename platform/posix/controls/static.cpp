// The "static" control: a text shown in its rectangle, left-aligned, centred or right-aligned, broken at
// blanks into rows as Win32 breaks it, optionally framed (WS_BORDER). It keeps the font it is given and
// reports it; it never deletes it. It tells its parent nothing: clicks (SS_NOTIFY) do not exist here.
#include "platform/posix/controls/control_state.h"
#include "platform/posix/controls/static.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/drawing/gdi.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>

namespace posix {

namespace {

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

struct StaticState {
    HFONT font = nullptr;  // WM_SETFONT's font, reported by WM_GETFONT; null until one is set
};

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

StaticState *StateOf(HWND hwnd) {
    return ControlState<StaticState>(hwnd, StaticProc);
}

// ---------------------------------------------------------------------------------------------------
// Laying out the text
// ---------------------------------------------------------------------------------------------------

// The longest start of text (from start) that fits in width columns, at least one character.
size_t FittingEnd(const U16String &text, size_t start, size_t end, int width) {
    size_t pos = start;
    int used = 0;
    while (pos < end) {
        size_t units;
        int columns = CharColumns(CodePointAt(text, pos, units));
        if (used + columns > width && pos > start) break;
        used += columns;
        pos += units;
    }
    return pos;
}

// One line of the text (between line breaks) as rows of at most width columns, broken after blanks
// where there are any, as Win32 breaks a static's words.
void BreakLine(const U16String &text, size_t start, size_t end, int width, std::vector<U16String> &rows) {
    if (start == end) rows.push_back(U16String());
    while (start < end) {
        size_t cut = FittingEnd(text, start, end, width);
        if (cut < end && text[cut] != u' ') {
            size_t blank = text.rfind(u' ', cut - 1);
            if (blank != U16String::npos && blank > start) cut = blank;
        }
        U16String row = text.substr(start, cut - start);
        while (!row.empty() && row.back() == u' ')
            row.pop_back();
        rows.push_back(row);
        start = cut;
        while (start < end && text[start] == u' ')
            ++start;
    }
}

// The rows the text takes: CR LF, LF and CR end lines; without wrap each line is one row, cut by the edge.
std::vector<U16String> RowsOf(const U16String &text, int width, bool wrap) {
    std::vector<U16String> rows;
    size_t start = 0;
    for (;;) {
        size_t end = text.find_first_of(u"\r\n", start);
        size_t stop = end == U16String::npos ? text.size() : end;
        if (wrap)
            BreakLine(text, start, stop, std::max(width, 1), rows);
        else
            rows.push_back(text.substr(start, stop - start));
        if (end == U16String::npos) break;
        start = end + 1;
        if (text[end] == u'\r' && start < text.size() && text[start] == u'\n') ++start;
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------------

// A border takes a cell on each side, where there is room for it and for a row of text inside.
bool DrawsFrame(DWORD style, int cols, int rows) {
    return (style & WS_BORDER) && cols >= 3 && rows >= 3;
}

// A line of the border's width between its two corners.
U16String FrameLine(int cols, char16_t left, char16_t right) {
    U16String line(size_t(cols), u'\u2500');
    line.front() = left;
    line.back() = right;
    return line;
}

void DrawFrameCells(HDC dc, int cols, int rows) {
    U16String top = FrameLine(cols, u'\u250C', u'\u2510');
    U16String bottom = FrameLine(cols, u'\u2514', u'\u2518');
    TextOutW(dc, 0, 0, top.data(), int(top.size()));
    TextOutW(dc, 0, (rows - 1) * kCellHeight, bottom.data(), int(bottom.size()));
    for (int r = 1; r < rows - 1; ++r) {
        TextOutW(dc, 0, r * kCellHeight, u"\u2502", 1);
        TextOutW(dc, (cols - 1) * kCellWidth, r * kCellHeight, u"\u2502", 1);
    }
}

int AlignedColumn(DWORD style, int width, int used) {
    switch (style & SS_TYPEMASK) {
        case SS_CENTER: return std::max((width - used) / 2, 0);
        case SS_RIGHT: return std::max(width - used, 0);
        default: return 0;
    }
}

// A terminal cannot draw the font a static was given. When that is not the system font, its face and size
// show with the text, so that a sample still tells what it samples: in the frame's bottom edge, else on
// the row after the text (the last row when the text fills them all). A face too long for the room is cut
// short, with an ellipsis, so that the size still shows.
void DrawFontCaption(HDC dc, const StaticState *s, int cols, int rows, int inset, int textRows) {
    U16String caption = s ? FontCaption(s->font) : U16String();
    int room = cols - 2 * inset - 2 * inset;  // a frame keeps a blank either side of the caption
    if (caption.empty() || room <= 0 || rows <= 0) return;
    size_t comma = caption.rfind(u", ");
    if (TextColumns(caption) > room && comma != U16String::npos) {
        U16String size = caption.substr(comma);
        int faceRoom = room - TextColumns(size);
        U16String face = caption.substr(0, comma);
        face = faceRoom > 1 ? face.substr(0, FittingEnd(face, 0, face.size(), faceRoom - 1)) : U16String();
        while (!face.empty() && face.back() == u' ')
            face.pop_back();
        caption = face + u"\u2026" + size;
    }
    caption.resize(FittingEnd(caption, 0, caption.size(), room));
    if (inset) caption = u" " + caption + u" ";
    int row = inset ? rows - 1 : std::min(textRows, rows - 1);
    TextOutW(dc, inset * kCellWidth, row * kCellHeight, caption.data(), int(caption.size()));
}

LRESULT OnPaint(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    int cols = (client.right - client.left) / kCellWidth, rows = (client.bottom - client.top) / kCellHeight;
    DWORD style = w->style;
    int inset = 0;
    if (DrawsFrame(style, cols, rows)) {
        DrawFrameCells(dc, cols, rows);
        inset = 1;
    }
    SetTextColor(dc, GetSysColor((style & WS_DISABLED) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    int width = cols - 2 * inset, height = rows - 2 * inset;
    bool wrap = (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP;
    std::vector<U16String> lines = RowsOf(w->text, width, wrap);
    for (int i = 0; i < height && i < int(lines.size()); ++i) {
        int column = inset + AlignedColumn(style, width, TextColumns(lines[i]));
        const U16String &line = lines[i];
        TextOutW(dc, column * kCellWidth, (inset + i) * kCellHeight, line.data(), int(line.size()));
    }
    DrawFontCaption(dc, StateOf(hwnd), cols, rows, inset, int(lines.size()));
    EndPaint(hwnd, &ps);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!AttachControlState<StaticState>(hwnd)) return FALSE;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT OnNcDestroy(HWND hwnd) {
    DeleteControlState<StaticState>(hwnd, StaticProc);
    return 0;
}

LRESULT OnSetFont(StaticState &s, HFONT font, bool redraw) {
    s.font = font;
    if (redraw) InvalidateScreen();
    return 0;
}

LRESULT OnSetText(HWND hwnd, LPCWSTR text) {
    // A null text empties the control; the parent hears nothing of the change.
    DefWindowProcW(hwnd, WM_SETTEXT, 0, (LPARAM)(text ? text : u""));
    return TRUE;
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return OnNcCreate(hwnd, message, wParam, lParam);
    StaticState *state = StateOf(hwnd);
    if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_NCDESTROY: return OnNcDestroy(hwnd);
        case WM_PAINT: return OnPaint(hwnd);
        case WM_SETTEXT: return OnSetText(hwnd, (LPCWSTR)lParam);
        case WM_SETFONT: return OnSetFont(*state, (HFONT)wParam, lParam != 0);
        case WM_GETFONT: return (LRESULT)state->font;
        case WM_GETDLGCODE: return DLGC_STATIC;
        case WM_ENABLE: InvalidateScreen(); return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void RegisterStaticClass() {
    RegisterSystemClass(u"static", StaticProc);
}

}  // namespace posix
