// Device contexts, text output into the cell grid, fonts, stock objects, the caret and the cursor.
#include "platform/posix/internal.h"

#include <algorithm>
#include <map>
#include <memory>

#ifdef SCRIVEL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace posix {
namespace {

struct DeviceContext {
    HWND hwnd = nullptr;
    CellGrid *grid = nullptr;  // null when nothing is being drawn (a context only measured with)
    POINT origin{};            // client origin in screen pixels
    RECT clip{};               // screen pixels
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    HFONT font = nullptr;
};

struct Font {
    LOGFONTW logFont{};
};

struct Caret {
    HWND owner = nullptr;
    POINT pos{};
    int hideCount = 1;  // shown when 0, as ShowCaret/HideCaret count
};

struct GdiState {
    std::map<uintptr_t, std::unique_ptr<DeviceContext>> contexts;
    std::map<uintptr_t, std::unique_ptr<Font>> fonts;
    uintptr_t nextHandle = 0x5000010;
    Caret caret;
    HCURSOR cursor = nullptr;
    CellGrid *paintGrid = nullptr;  // the frame being drawn, during RenderScreen
    std::vector<U16String> fontFamilies;
    bool fontFamiliesSet = false;
};

GdiState &State() {
    static GdiState state;
    return state;
}

constexpr COLORREF kHighlight = RGB(0, 0, 128);
constexpr COLORREF kGrayText = RGB(128, 128, 128);

// Stock objects live at fixed handles in their own range.
constexpr uintptr_t kStockBase = 0x4000000;
constexpr uintptr_t kWaitCursor = 0x4100000 + 32514;
constexpr uintptr_t kArrowCursor = 0x4100000 + 32512;

DeviceContext *Context(HDC dc) {
    auto &c = State().contexts;
    auto it = c.find((uintptr_t)dc);
    return it == c.end() ? nullptr : it->second.get();
}

HDC NewContext(HWND hwnd, CellGrid *grid) {
    GdiState &s = State();
    auto dc = std::make_unique<DeviceContext>();
    dc->hwnd = hwnd;
    dc->grid = grid;
    if (Window *w = FromHandle(hwnd)) {
        RECT r = ClientRectOnScreen(w);
        dc->origin = POINT{r.left, r.top};
        dc->clip = r;
        // A child is clipped by each of its ancestors.
        for (Window *p = w->parent; p; p = p->parent) {
            RECT pr = ClientRectOnScreen(p);
            dc->clip.left = std::max(dc->clip.left, pr.left);
            dc->clip.top = std::max(dc->clip.top, pr.top);
            dc->clip.right = std::min(dc->clip.right, pr.right);
            dc->clip.bottom = std::min(dc->clip.bottom, pr.bottom);
        }
        dc->font = w->font;
    } else if (grid) {
        dc->clip = RECT{0, 0, grid->Cols() * kCellWidth, grid->Rows() * kCellHeight};
    }
    HDC handle = (HDC)s.nextHandle;
    s.nextHandle += 16;
    s.contexts[(uintptr_t)handle] = std::move(dc);
    return handle;
}

Font *FontOf(HGDIOBJ object) {
    auto &f = State().fonts;
    auto it = f.find((uintptr_t)object);
    return it == f.end() ? nullptr : it->second.get();
}

unsigned char AttrFor(const DeviceContext &dc) {
    unsigned char attr = kAttrNone;
    if (dc.bkMode == OPAQUE && dc.bkColor == kHighlight) attr |= kAttrReverse;
    if (dc.textColor == kGrayText) attr |= kAttrDim;
    if (Font *f = FontOf(dc.font))
        if (f->logFont.lfWeight >= FW_BOLD) attr |= kAttrBold;
    return attr;
}

std::vector<U16String> DefaultFontFamilies() {
    std::vector<U16String> names;
#ifdef SCRIVEL_HAVE_FONTCONFIG
    if (FcInit()) {
        FcPattern *pattern = FcPatternCreate();
        FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet *set = FcFontList(nullptr, pattern, objects);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcChar8 *family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
            std::string utf8 = (const char *)family;
            WCHAR wide[LF_FACESIZE] = {};
            int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), (int)utf8.size(), wide, LF_FACESIZE - 1);
            if (n <= 0) continue;
            U16String name(wide, n);
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
        if (set) FcFontSetDestroy(set);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    }
#endif
    if (names.empty()) names = {u"Courier New", u"Nina", u"Tahoma"};
    return names;
}

}  // namespace

void SetFontFamilies(const std::vector<U16String> &families) {
    State().fontFamilies = families;
    State().fontFamiliesSet = true;
}

HDC BeginFrameContext(CellGrid *grid) {
    return NewContext(nullptr, grid);
}
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

bool WaitCursorShown() {
    return (uintptr_t)State().cursor == kWaitCursor;
}

const LOGFONTW *FontDescription(HFONT font) {
    Font *f = FontOf(font);
    return f ? &f->logFont : nullptr;
}

void ResetGdi() {
    GdiState &s = State();
    s.contexts.clear();
    s.fonts.clear();
    s.caret = Caret{};
    s.cursor = nullptr;
    s.paintGrid = nullptr;
    s.fontFamilies.clear();
    s.fontFamiliesSet = false;
}

}  // namespace posix

using namespace posix;

// ---------------------------------------------------------------------------------------------------
// Device contexts
// ---------------------------------------------------------------------------------------------------

HDC GetDC(HWND hwnd) {
    if (hwnd && !FromHandle(hwnd)) return nullptr;
    return NewContext(hwnd, hwnd ? State().paintGrid : nullptr);
}

int ReleaseDC(HWND, HDC dc) {
    return State().contexts.erase((uintptr_t)dc) ? 1 : 0;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
    if (!FromHandle(hwnd) || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = NewContext(hwnd, State().paintGrid);
    GetClientRect(hwnd, &paint->rcPaint);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT *paint) {
    if (!paint) return FALSE;
    State().contexts.erase((uintptr_t)paint->hdc);
    return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    DeviceContext *c = Context(dc);
    if (!c) return CLR_INVALID;
    std::swap(c->textColor, color);
    return color;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    DeviceContext *c = Context(dc);
    if (!c) return CLR_INVALID;
    std::swap(c->bkColor, color);
    return color;
}

int SetBkMode(HDC dc, int mode) {
    DeviceContext *c = Context(dc);
    if (!c) return 0;
    std::swap(c->bkMode, mode);
    return mode;
}

DWORD GetSysColor(int index) {
    switch (index) {
        case COLOR_HIGHLIGHT: return kHighlight;
        case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
        case COLOR_GRAYTEXT: return kGrayText;
        case COLOR_WINDOWTEXT: return 0;
        default: return RGB(255, 255, 255);
    }
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
    DeviceContext *c = Context(dc);
    if (!c || (!text && count > 0)) return FALSE;
    if (!c->grid || count <= 0) return TRUE;
    int sx = c->origin.x + x, sy = c->origin.y + y;
    if (sy < c->clip.top || sy >= c->clip.bottom) return TRUE;
    int row = sy / kCellHeight;
    if (row < 0 || row >= c->grid->Rows()) return TRUE;
    int clipLeft = std::max<LONG>(c->clip.left, 0) / kCellWidth;
    int clipRight = std::min<int>(c->clip.right / kCellWidth, c->grid->Cols());
    // Start columns left of the clip are still laid out, so that wide characters stay in step.
    int col = sx >= 0 ? sx / kCellWidth : -((-sx + kCellWidth - 1) / kCellWidth);
    c->grid->Put(col, row, U16String(text, count), AttrFor(*c), clipLeft, clipRight);
    return TRUE;
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT *rect, LPCWSTR text, UINT count, const INT *) {
    DeviceContext *c = Context(dc);
    if (!c) return FALSE;
    if ((options & ETO_OPAQUE) && rect && c->grid) {
        int left = (c->origin.x + rect->left) / kCellWidth, right = (c->origin.x + rect->right) / kCellWidth;
        int top = (c->origin.y + rect->top) / kCellHeight, bottom = (c->origin.y + rect->bottom) / kCellHeight;
        left = std::max<int>(left, c->clip.left / kCellWidth);
        right = std::min<int>(right, c->clip.right / kCellWidth);
        top = std::max<int>(top, c->clip.top / kCellHeight);
        bottom = std::min<int>(bottom, c->clip.bottom / kCellHeight);
        c->grid->Fill(left, top, right, bottom, U' ', AttrFor(*c) & kAttrReverse);
    }
    return TextOutW(dc, x, y, text, (int)count);
}

int FillRect(HDC dc, const RECT *rect, HBRUSH brush) {
    DeviceContext *c = Context(dc);
    if (!c || !rect) return 0;
    if (!c->grid) return 1;
    int left = std::max<int>((c->origin.x + rect->left) / kCellWidth, c->clip.left / kCellWidth);
    int right = std::min<int>((c->origin.x + rect->right) / kCellWidth, c->clip.right / kCellWidth);
    int top = std::max<int>((c->origin.y + rect->top) / kCellHeight, c->clip.top / kCellHeight);
    int bottom = std::min<int>((c->origin.y + rect->bottom) / kCellHeight, c->clip.bottom / kCellHeight);
    bool dark = (uintptr_t)brush == kStockBase + BLACK_BRUSH || (uintptr_t)brush == kStockBase + GRAY_BRUSH ||
                (uintptr_t)brush == (uintptr_t)(COLOR_HIGHLIGHT + 1);
    c->grid->Fill(left, top, right, bottom, U' ', dark ? kAttrReverse : kAttrNone);
    return 1;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size) {
    if (!Context(dc) || !size) return FALSE;
    int cols = count > 0 && text ? TextColumns(U16String(text, size_t(count))) : 0;
    *size = SIZE{cols * kCellWidth, kCellHeight};
    return TRUE;
}

BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics) {
    if (!Context(dc) || !metrics) return FALSE;
    *metrics = TEXTMETRICW{};
    metrics->tmHeight = kCellHeight;
    metrics->tmAscent = kCellHeight - 3;
    metrics->tmDescent = 3;
    metrics->tmAveCharWidth = kCellWidth;
    metrics->tmMaxCharWidth = 2 * kCellWidth;
    metrics->tmWeight = FW_NORMAL;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Objects
// ---------------------------------------------------------------------------------------------------

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object > DEFAULT_GUI_FONT) return nullptr;
    return (HGDIOBJ)(kStockBase + object);
}

HFONT CreateFontIndirectW(const LOGFONTW *logFont) {
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GdiState &s = State();
    auto f = std::make_unique<Font>();
    f->logFont = *logFont;
    f->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    HFONT handle = (HFONT)s.nextHandle;
    s.nextHandle += 16;
    s.fonts[(uintptr_t)handle] = std::move(f);
    return handle;
}

BOOL DeleteObject(HGDIOBJ object) {
    if ((uintptr_t)object >= kStockBase && (uintptr_t)object <= kStockBase + DEFAULT_GUI_FONT) return TRUE;
    return State().fonts.erase((uintptr_t)object) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext *c = Context(dc);
    if (!c) return nullptr;
    if (!FontOf(object) && (uintptr_t)object != kStockBase + SYSTEM_FONT &&
        (uintptr_t)object != kStockBase + DEFAULT_GUI_FONT)
        return (HGDIOBJ)(kStockBase + WHITE_BRUSH);  // a brush: nothing here draws with it
    HGDIOBJ old = c->font ? (HGDIOBJ)c->font : GetStockObject(SYSTEM_FONT);
    c->font = (HFONT)object;
    return old;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    Font *f = FontOf(object);
    if (!f) return 0;
    if (!buffer) return sizeof(LOGFONTW);
    int n = std::min<int>(size, sizeof(LOGFONTW));
    std::memcpy(buffer, &f->logFont, n);
    return n;
}

int EnumFontFamiliesW(HDC, LPCWSTR family, FONTENUMPROCW proc, LPARAM lParam) {
    GdiState &s = State();
    if (!s.fontFamiliesSet) SetFontFamilies(DefaultFontFamilies());
    int result = 1;
    std::vector<U16String> families = s.fontFamilies;
    for (const U16String &name : families) {
        if (family && lstrcmpiW(family, name.c_str()) != 0) continue;
        LOGFONTW lf{};
        lf.lfHeight = kCellHeight;
        lf.lfWeight = FW_NORMAL;
        size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
        std::copy_n(name.begin(), n, lf.lfFaceName);
        TEXTMETRICW tm{};
        tm.tmHeight = kCellHeight;
        tm.tmAveCharWidth = kCellWidth;
        result = proc(&lf, &tm, TRUETYPE_FONTTYPE, lParam);
        if (!result) break;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------
// Caret and cursor
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

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance || !IS_INTRESOURCE(name)) return nullptr;
    uintptr_t id = (uintptr_t)name;
    if (id == 32514) return (HCURSOR)kWaitCursor;
    if (id == 32512) return (HCURSOR)kArrowCursor;
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = State().cursor;
    State().cursor = cursor;
    if (previous != cursor) {
        InvalidateScreen();
        // The busy mark must be seen while the work runs, not after it.
        if (FrontEnd *fe = GetFrontEnd()) {
            CellGrid grid(fe->Cols(), fe->Rows());
            RenderScreen(grid);
            fe->Present(grid);
        }
    }
    return previous;
}
