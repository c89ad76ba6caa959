// Device contexts, text output into the cell grid, fonts and stock objects. A context knows the grid it
// draws into, its origin and its clip; which window it serves is the windowing layer's business.
#include "platform/posix/drawing/gdi.h"

#include <algorithm>
#include <map>
#include <memory>

#ifdef HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace posix {
namespace {

struct DeviceContext {
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

struct GdiState {
    std::map<uintptr_t, std::unique_ptr<DeviceContext>> contexts;
    std::map<uintptr_t, std::unique_ptr<Font>> fonts;
    uintptr_t nextHandle = 0x5000010;
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

DeviceContext *Context(HDC dc) {
    auto &c = State().contexts;
    auto it = c.find((uintptr_t)dc);
    return it == c.end() ? nullptr : it->second.get();
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

// A face name as a LOGFONTW holds it: at most 31 units, a surrogate pair never cut in half.
U16String FaceName(const U16String &name) {
    size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
    if (n > 0 && n < name.size() && IsHighSurrogate(name[n - 1])) --n;
    return name.substr(0, n);
}

// The machine's font families, one name each, in fontconfig's order.
std::vector<U16String> DefaultFontFamilies() {
    std::vector<U16String> names;
#ifdef HAVE_FONTCONFIG
    if (FcInit()) {
        FcPattern *pattern = FcPatternCreate();
        FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet *set = FcFontList(nullptr, pattern, objects);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcChar8 *family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
            std::string utf8 = (const char *)family;
            int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), (int)utf8.size(), nullptr, 0);
            if (n <= 0) continue;
            U16String wide(size_t(n), u'\0');
            MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), (int)utf8.size(), wide.data(), n);
            U16String name = FaceName(wide);
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

// The stock fonts are objects 10 to 17, all but 15 (the default palette).
bool IsStockFont(HGDIOBJ object) {
    uintptr_t v = (uintptr_t)object;
    return v >= kStockBase + 10 && v <= kStockBase + DEFAULT_GUI_FONT && v != kStockBase + 15;
}

// What GetObjectW tells of a stock font: the terminal's one face, a cell high.
LOGFONTW StockFontDescription() {
    LOGFONTW lf{};
    lf.lfHeight = kCellHeight;
    lf.lfWeight = FW_NORMAL;
    const U16String face = u"System";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    return lf;
}

}  // namespace

void SetFontFamilies(const std::vector<U16String> &families) {
    State().fontFamilies.clear();
    for (const U16String &name : families)
        State().fontFamilies.push_back(FaceName(name));
    State().fontFamiliesSet = true;
}

size_t LiveFontCount() {
    return State().fonts.size();
}

U16String FontCaption(HFONT font) {
    Font *f = FontOf(font);
    if (!f) return U16String();
    const LOGFONTW &lf = f->logFont;
    U16String face(lf.lfFaceName);
    if (lstrcmpiW(face.c_str(), u"System") == 0) return U16String();
    WCHAR height[16] = {};
    _itow(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, height, 10);
    return face.empty() ? U16String(height) : face + u", " + height;
}

HDC CreateGridContext(CellGrid *grid, POINT origin, RECT clip, HFONT font) {
    GdiState &s = State();
    auto dc = std::make_unique<DeviceContext>();
    dc->grid = grid;
    dc->origin = origin;
    dc->clip = clip;
    dc->font = font;
    HDC handle = (HDC)s.nextHandle;
    s.nextHandle += 16;
    s.contexts[(uintptr_t)handle] = std::move(dc);
    return handle;
}

bool DeleteGridContext(HDC dc) {
    return State().contexts.erase((uintptr_t)dc) != 0;
}

const LOGFONTW *FontDescription(HFONT font) {
    Font *f = FontOf(font);
    return f ? &f->logFont : nullptr;
}

void ResetGdi() {
    GdiState &s = State();
    s.contexts.clear();
    s.fonts.clear();
    s.fontFamilies.clear();
    s.fontFamiliesSet = false;
}

}  // namespace posix

using namespace posix;

// ---------------------------------------------------------------------------------------------------
// Device contexts
// ---------------------------------------------------------------------------------------------------

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
    if (!f && !IsStockFont(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    LOGFONTW description = f ? f->logFont : StockFontDescription();
    if (!buffer) return sizeof(LOGFONTW);
    if (size <= 0) return 0;
    int n = std::min<int>(size, sizeof(LOGFONTW));
    std::memcpy(buffer, &description, n);
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
