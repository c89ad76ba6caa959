// Window classes and windows: handles, the parent/child tree, text, rectangles, focus, activation, show
// state, subclassing, sending messages and the default window procedure.
#include "platform/posix/windowing/window.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/system/instance.h"
#include "platform/posix/windowing/dialog.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/paint.h"

#include <algorithm>
#include <map>
#include <memory>

namespace posix {
namespace {

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

struct WindowState {
    std::vector<std::unique_ptr<WindowClass>> classes;
    std::map<uintptr_t, std::unique_ptr<Window>> windows;  // by handle value
    std::vector<Window *> topLevel;                        // creation order
    uintptr_t nextHandle = 0x10010;                        // even, so that handle | 1 still names it
    HWND focus = nullptr;
    HWND active = nullptr;
    std::vector<std::pair<HHOOK, HOOKPROC>> cbtHooks;  // newest first, as hook chains run
    uintptr_t nextHook = 0x6000010;
    bool systemClassesRegistered = false;  // the built-in control classes are among classes
};

WindowState &State() {
    static WindowState state;
    return state;
}

// Handles of windows are multiples of 16 in their own range; remote windows of other processes have the
// high tag below and carry the process id.
constexpr uintptr_t kRemoteTag = uintptr_t(0x7E) << 40;

bool SameName(const U16String &a, const WCHAR *b) {
    return lstrcmpiW(a.c_str(), b) == 0;
}

void EnsureSystemClasses();

WindowClass *FindClass(const WCHAR *name) {
    EnsureSystemClasses();
    if (!name) return nullptr;
    for (auto &c : State().classes)
        if (SameName(c->name, name)) return c.get();
    return nullptr;
}

bool IsVisibleChain(Window *w) {
    for (; w; w = w->parent)
        if (!(w->style & WS_VISIBLE)) return false;
    return true;
}

RECT DefaultTopLevelRect() {
    return FullScreenArea();
}

}  // namespace

RECT FullScreenArea() {
    FrontEnd *fe = GetFrontEnd();
    int cols = fe ? fe->Cols() : 80;
    int rows = fe ? fe->Rows() : 24;
    // Row 0 is the title, the last row the soft keys.
    return RECT{0, kCellHeight, cols * kCellWidth, std::max(rows - 1, 1) * kCellHeight};
}

namespace {

void Activate(Window *w);

void SendActivate(Window *w, WORD state, HWND other) {
    SendMessageW(w->handle, WM_ACTIVATE, MAKEWPARAM(state, 0), (LPARAM)other);
}

void Activate(Window *w) {
    WindowState &s = State();
    if (w && s.active == w->handle) return;
    HWND previous = s.active;
    s.active = w ? w->handle : nullptr;
    if (Window *old = FromHandle(previous)) SendActivate(old, WA_INACTIVE, s.active);
    if (w) {
        if (!w->destroying && w->windowClass && !w->windowClass->system) PublishWindowClass(w->windowClass->name);
        SendActivate(w, WA_ACTIVE, previous);
    }
    InvalidateScreen();
}

// The visible top-level window most recently created after the one going away, or before it.
Window *NextToActivate(Window *leaving) {
    auto &tl = State().topLevel;
    for (auto it = tl.rbegin(); it != tl.rend(); ++it)
        if (*it != leaving && !(*it)->destroying && ((*it)->style & WS_VISIBLE)) return *it;
    return nullptr;
}

void DestroyTree(Window *w);

void UnlinkAndFree(Window *w) {
    WindowState &s = State();
    if (w->parent) {
        auto &siblings = w->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    } else {
        s.topLevel.erase(std::remove(s.topLevel.begin(), s.topLevel.end(), w), s.topLevel.end());
    }
    if (s.focus == w->handle) s.focus = nullptr;
    if (s.active == w->handle) s.active = nullptr;
    DropCaretOf(w->handle);
    s.windows.erase((uintptr_t)w->handle);
}

void DestroyTree(Window *w) {
    w->destroying = true;
    SendMessageW(w->handle, WM_DESTROY, 0, 0);
    // Children are destroyed after their parent has seen WM_DESTROY, as Win32 does.
    std::vector<Window *> children = w->children;
    for (Window *child : children)
        if (FromHandle(child->handle)) DestroyTree(child);
    SendMessageW(w->handle, WM_NCDESTROY, 0, 0);
    UnlinkAndFree(w);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Shared with the other modules
// ---------------------------------------------------------------------------------------------------

Window *FromHandle(HWND hwnd) {
    auto &windows = State().windows;
    auto it = windows.find((uintptr_t)hwnd & ~uintptr_t(1));
    return it == windows.end() ? nullptr : it->second.get();
}

std::vector<Window *> TopLevelWindows() {
    return State().topLevel;
}

HWND ActiveTopLevel() {
    return State().active;
}

Window *TopLevelOf(Window *window) {
    while (window && window->parent)
        window = window->parent;
    return window;
}

namespace {

// The platform's own control classes exist before the first lookup of any class.
void EnsureSystemClasses() {
    if (State().systemClassesRegistered) return;
    State().systemClassesRegistered = true;
    RegisterControlClasses();
    RegisterDialogClass();
}

}  // namespace

void RegisterSystemClass(const char16_t *name, WNDPROC proc, UINT style, int wndExtra) {
    if (FindClass(name)) return;
    auto c = std::make_unique<WindowClass>();
    c->name = name;
    c->proc = proc;
    c->style = style;
    c->wndExtra = wndExtra;
    c->system = true;
    State().classes.push_back(std::move(c));
}

bool HasBorder(const Window *) {
    // A one-pixel border is an eighth of a character cell: it takes no cells on this screen.
    return false;
}

RECT ClientRectOnScreen(Window *window) {
    RECT r{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
    for (Window *w = window; w; w = w->parent) {
        r.left += w->rect.left;
        r.right += w->rect.left;
        r.top += w->rect.top;
        r.bottom += w->rect.top;
    }
    return r;
}

void NotifyParentCommand(HWND control, WORD code) {
    Window *w = FromHandle(control);
    if (!w || !w->parent) return;
    SendMessageW(w->parent->handle, WM_COMMAND, MAKEWPARAM((WORD)w->id, code), (LPARAM)control);
}

LRESULT NotifyParent(HWND control, NMHDR *header) {
    Window *w = FromHandle(control);
    if (!w || !w->parent) return 0;
    header->hwndFrom = control;
    header->idFrom = w->id;
    return SendMessageW(w->parent->handle, WM_NOTIFY, (WPARAM)w->id, (LPARAM)header);
}

void ResizeTopLevelWindows() {
    RECT area = DefaultTopLevelRect();
    for (Window *w : State().topLevel) {
        if ((w->dialog || (w->style & WS_POPUP)) && !w->fullScreen) continue;
        RECT old = w->rect;
        int oldW = old.right - old.left, oldH = old.bottom - old.top;
        w->rect = area;
        int newW = area.right - area.left, newH = area.bottom - area.top;
        // The phone's screen is the terminal: children that filled the old client area follow it.
        for (Window *child : w->children) {
            RECT &c = child->rect;
            if (c.left == 0 && c.top == 0 && c.right == oldW && c.bottom == oldH) {
                c.right = newW;
                c.bottom = newH;
                SendMessageW(child->handle, WM_SIZE, 0, MAKELPARAM(newW, newH));
            }
        }
        SendMessageW(w->handle, WM_SIZE, 0, MAKELPARAM(newW, newH));
    }
    InvalidateScreen();
}

void DestroyAllWindows() {
    for (Window *w : std::vector<Window *>(State().topLevel))
        if (FromHandle(w->handle)) DestroyWindow(w->handle);
}

void ResetWindows() {
    WindowState &s = State();
    s.cbtHooks.clear();
    // Free without sending messages: the procedures may belong to a program whose state is gone.
    s.windows.clear();
    s.topLevel.clear();
    s.classes.clear();
    s.systemClassesRegistered = false;
    s.focus = nullptr;
    s.active = nullptr;
    s.nextHandle = 0x10010;
}

HWND RemoteWindowHandle(int pid) {
    return (HWND)(kRemoteTag | (uintptr_t(pid) << 4));
}
int RemoteWindowPid(HWND hwnd) {
    uintptr_t v = (uintptr_t)hwnd & ~uintptr_t(1);
    if ((v & (uintptr_t(0xFF) << 40)) != kRemoteTag) return 0;
    return int((v & ((uintptr_t(1) << 40) - 1)) >> 4);
}

}  // namespace posix

using namespace posix;

// ---------------------------------------------------------------------------------------------------
// Classes
// ---------------------------------------------------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW *wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_unique<WindowClass>();
    c->name = wc->lpszClassName;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->wndExtra = wc->cbWndExtra;
    c->instance = wc->hInstance;
    c->background = wc->hbrBackground;
    State().classes.push_back(std::move(c));
    return ATOM(0xC000 + State().classes.size());
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    auto &classes = State().classes;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (SameName((*it)->name, className) && !(*it)->system) {
            classes.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount) {
    Window *w = FromHandle(hwnd);
    if (!w || !buffer || maxCount <= 0) return 0;
    int n = std::min<int>((int)w->windowClass->name.size(), maxCount - 1);
    std::copy_n(w->windowClass->name.begin(), n, buffer);
    buffer[n] = 0;
    return n;
}

// ---------------------------------------------------------------------------------------------------
// Creation and destruction
// ---------------------------------------------------------------------------------------------------

namespace {

RECT CreationRect(DWORD style, Window *parent, int x, int y, int width, int height) {
    if (!parent && !(style & WS_POPUP)) {
        RECT area = DefaultTopLevelRect();
        if (x == CW_USEDEFAULT) return area;
        if (width == CW_USEDEFAULT) width = area.right - area.left;
        if (height == CW_USEDEFAULT) height = area.bottom - area.top;
        return RECT{x, y, x + width, y + height};
    }
    if (x == CW_USEDEFAULT) x = 0, y = 0;
    if (width == CW_USEDEFAULT) width = 0, height = 0;
    return RECT{x, y, x + width, y + height};
}

// A computer-based-training hook may refuse a window before it sees any message.
bool CreationRefusedByHook(HWND handle, CREATESTRUCTW *cs) {
    auto hooks = State().cbtHooks;
    if (hooks.empty()) return false;
    CBT_CREATEWNDW create{cs, nullptr};
    return hooks.front().second(HCBT_CREATEWND, (WPARAM)handle, (LPARAM)&create) != 0;
}

// An overlapped top-level window, or one with a sizing frame, is asked its size limits before anything else.
void AskSizeLimits(Window *w) {
    if (w->parent || ((w->style & WS_POPUP) && !(w->style & WS_THICKFRAME))) return;
    MINMAXINFO limits{};
    limits.ptMaxSize = limits.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SendMessageW(w->handle, WM_GETMINMAXINFO, 0, (LPARAM)&limits);
}

// The window is asked its client area within its rectangle; ours follows from the style, whatever it says.
void AskClientArea(Window *w) {
    RECT area = w->rect;
    SendMessageW(w->handle, WM_NCCALCSIZE, FALSE, (LPARAM)&area);
}

// A child tells its parent that it has been made or is about to go (event WM_CREATE or WM_DESTROY),
// unless it was made with WS_EX_NOPARENTNOTIFY.
void NotifyParent(Window *w, UINT event) {
    if (!w->parent || (w->style & WS_POPUP) || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
    SendMessageW(w->parent->handle, WM_PARENTNOTIFY, MAKEWPARAM(event, LOWORD(w->id)), (LPARAM)w->handle);
}

// A child just made is told its size and place, its parent is told of it, and it is shown if it is visible.
// False when the window went in the meantime.
bool AnnounceCreation(HWND handle, const CREATESTRUCTW &cs) {
    Window *w = FromHandle(handle);
    if (w && w->parent) {
        SendMessageW(handle, WM_SIZE, 0, MAKELPARAM(cs.cx, cs.cy));
        if (FromHandle(handle)) SendMessageW(handle, WM_MOVE, 0, MAKELPARAM(cs.x, cs.y));
    }
    if ((w = FromHandle(handle))) NotifyParent(w, WM_CREATE);
    if ((w = FromHandle(handle)) && (w->style & WS_VISIBLE)) SendMessageW(handle, WM_SHOWWINDOW, TRUE, 0);
    return FromHandle(handle) != nullptr;
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parentHandle, HMENU menu, HINSTANCE instance, LPVOID param) {
    WindowClass *wc = FindClass(className);
    if (!wc) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Window *parent = nullptr;
    Window *owner = nullptr;
    if (parentHandle) {
        Window *p = FromHandle(parentHandle);
        if (!p) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (style & WS_CHILD)
            parent = p;
        else
            owner = TopLevelOf(p);
    } else if (style & WS_CHILD) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    WindowState &s = State();
    auto w = std::make_unique<Window>();
    w->handle = (HWND)s.nextHandle;
    s.nextHandle += 16;
    w->windowClass = wc;
    w->proc = wc->proc;
    w->style = style;
    w->exStyle = exStyle;
    w->parent = parent;
    w->owner = owner;
    w->instance = instance;
    w->rect = CreationRect(style, parent, x, y, width, height);
    if (parent) w->id = (UINT_PTR)menu;
    w->extra.assign((wc->wndExtra + sizeof(LONG_PTR) - 1) / sizeof(LONG_PTR) + 3, 0);
    Window *raw = w.get();
    s.windows[(uintptr_t)raw->handle] = std::move(w);
    if (parent)
        parent->children.push_back(raw);
    else
        s.topLevel.push_back(raw);

    CREATESTRUCTW cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parentHandle;
    cs.x = raw->rect.left;
    cs.y = raw->rect.top;
    cs.cx = raw->rect.right - raw->rect.left;
    cs.cy = raw->rect.bottom - raw->rect.top;
    cs.style = (LONG)style;
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    HWND handle = raw->handle;
    if (CreationRefusedByHook(handle, &cs)) {
        UnlinkAndFree(raw);
        return nullptr;
    }
    AskSizeLimits(raw);
    bool created = FromHandle(handle) && SendMessageW(handle, WM_NCCREATE, 0, (LPARAM)&cs);
    if (created && FromHandle(handle)) AskClientArea(raw);
    if (!created || (FromHandle(handle) && SendMessageW(handle, WM_CREATE, 0, (LPARAM)&cs) == -1)) {
        if (Window *failed = FromHandle(handle)) DestroyTree(failed);
        return nullptr;
    }
    if (!FromHandle(handle) || !AnnounceCreation(handle, cs)) return nullptr;
    if (!parent && (style & WS_VISIBLE)) Activate(raw);
    InvalidateScreen();
    return handle;
}

BOOL DestroyWindow(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying) return TRUE;
    NotifyParent(w, WM_DESTROY);
    if (!(w = FromHandle(hwnd)) || w->destroying) return TRUE;
    WindowState &s = State();
    bool wasActive = !w->parent && s.active == w->handle;
    if (w->parent && (w->style & WS_VISIBLE)) {
        // A visible child is hidden as it goes (the focus on it goes to its parent). A focus inside it
        // goes with it, untold.
        ShowWindow(hwnd, SW_HIDE);
        if (!(w = FromHandle(hwnd)) || w->destroying) return TRUE;
        if (IsChild(hwnd, s.focus)) s.focus = nullptr;
    }
    bool hadFocus = false;
    for (Window *f = FromHandle(s.focus); f; f = f->parent)
        if (f == w) hadFocus = true;
    if (hadFocus) {
        HWND leaving = s.focus;
        s.focus = nullptr;
        if (FromHandle(leaving)) SendMessageW(leaving, WM_KILLFOCUS, 0, 0);
    }
    if (!(w = FromHandle(hwnd)) || w->destroying) return TRUE;
    U16String className = w->windowClass->name;
    bool topLevel = !w->parent;
    // Owned top-level windows go with their owner.
    for (Window *other : std::vector<Window *>(s.topLevel))
        if (other->owner == w && FromHandle(other->handle)) DestroyWindow(other->handle);
    DestroyTree(w);
    if (topLevel) {
        bool more = false;
        for (Window *other : s.topLevel)
            if (SameName(other->windowClass->name, className.c_str())) more = true;
        if (!more) UnpublishWindowClass(className);
    }
    if (wasActive) Activate(NextToActivate(nullptr));
    InvalidateScreen();
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return FromHandle(hwnd) != nullptr;
}

BOOL IsWindowVisible(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    return w && IsVisibleChain(w);
}

BOOL IsWindowEnabled(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window *w = FromHandle(hwnd);
    if (!w) return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable) {
        w->style &= ~WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        // A disabled window cannot keep the focus, nor can anything inside it.
        HWND focus = GetFocus();
        if (focus && (focus == w->handle || IsChild(w->handle, focus))) SetFocus(nullptr);
    }
    if (wasDisabled != !enable) SendMessageW(hwnd, WM_ENABLE, enable, 0);
    InvalidateScreen();
    return wasDisabled;
}

// ---------------------------------------------------------------------------------------------------
// Procedures and window data
// ---------------------------------------------------------------------------------------------------

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!proc) return 0;
    return proc(hwnd, message, wParam, lParam);
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *w = FromHandle(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindowProcW(w->proc, w->handle, message, wParam, lParam);
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    Window *w = FromHandle(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
        case GWLP_WNDPROC: return (LONG_PTR)w->proc;
        case GWL_STYLE: return (LONG_PTR)(LONG)w->style;
        case GWL_EXSTYLE: return (LONG_PTR)w->exStyle;
        case GWLP_ID: return (LONG_PTR)w->id;
        case GWLP_HINSTANCE: return (LONG_PTR)w->instance;
        case GWLP_USERDATA: return w->userData;
        default:
            if (index >= 0 && size_t(index) / sizeof(LONG_PTR) < w->extra.size())
                return w->extra[size_t(index) / sizeof(LONG_PTR)];
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    Window *w = FromHandle(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = GetWindowLongPtrW(hwnd, index);
    switch (index) {
        case GWLP_WNDPROC: w->proc = (WNDPROC)value; break;
        case GWL_STYLE: w->style = (DWORD)value; break;
        case GWL_EXSTYLE: w->exStyle = (DWORD)value; break;
        case GWLP_ID: w->id = (UINT_PTR)value; break;
        case GWLP_HINSTANCE: w->instance = (HINSTANCE)value; break;
        case GWLP_USERDATA: w->userData = value; break;
        default:
            if (index >= 0 && size_t(index) / sizeof(LONG_PTR) < w->extra.size()) {
                w->extra[size_t(index) / sizeof(LONG_PTR)] = value;
                break;
            }
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
    }
    InvalidateScreen();
    return old;
}

LONG GetWindowLongW(HWND hwnd, int index) {
    return (LONG)GetWindowLongPtrW(hwnd, index);
}
LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    return (LONG)SetWindowLongPtrW(hwnd, index, value);
}

// ---------------------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------------------

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!FromHandle(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageW(hwnd, WM_SETTEXT, 0, (LPARAM)(text ? text : u"")) != 0;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (!FromHandle(hwnd) || !buffer || maxCount <= 0) return 0;
    return (int)SendMessageW(hwnd, WM_GETTEXT, (WPARAM)maxCount, (LPARAM)buffer);
}

int GetWindowTextLengthW(HWND hwnd) {
    if (!FromHandle(hwnd)) return 0;
    return (int)SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
}

// ---------------------------------------------------------------------------------------------------
// Geometry and show state
// ---------------------------------------------------------------------------------------------------

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window *w = FromHandle(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window *w = FromHandle(hwnd);
    if (!w || !rect) return FALSE;
    *rect = ClientRectOnScreen(w);
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window *w = FromHandle(hwnd);
    if (!w) return FALSE;
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        r.right += x - r.left;
        r.bottom += y - r.top;
        r.left = x;
        r.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    bool resized =
        (r.right - r.left != w->rect.right - w->rect.left) || (r.bottom - r.top != w->rect.bottom - w->rect.top);
    w->rect = r;
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    if (resized) SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(r.right - r.left, r.bottom - r.top));
    InvalidateScreen();
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    Window *w = FromHandle(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
    if (cmdShow == SW_HIDE) {
        w->style &= ~WS_VISIBLE;
        if (!w->parent && State().active == w->handle) Activate(NextToActivate(w));
    } else {
        w->style |= WS_VISIBLE;
        if (!w->parent && cmdShow != SW_SHOWNA) {
            // A window shown again comes to the front of the others.
            auto &tl = State().topLevel;
            tl.erase(std::remove(tl.begin(), tl.end(), w), tl.end());
            tl.push_back(w);
            Activate(w);
        }
    }
    if (bool(wasVisible) != bool(w->style & WS_VISIBLE))
        SendMessageW(hwnd, WM_SHOWWINDOW, (w->style & WS_VISIBLE) != 0, 0);
    // A child hidden with the focus on it gives the focus to its parent; a focus further in stays.
    if ((w = FromHandle(hwnd)) && cmdShow == SW_HIDE && w->parent && State().focus == w->handle)
        SetFocus(w->parent->handle);
    InvalidateScreen();
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    if (!FromHandle(hwnd)) return FALSE;
    InvalidateScreen();
    return TRUE;
}

BOOL InvalidateRect(HWND, const RECT *, BOOL) {
    InvalidateScreen();
    return TRUE;
}

int GetSystemMetrics(int index) {
    FrontEnd *fe = GetFrontEnd();
    if (index == SM_CXSCREEN) return (fe ? fe->Cols() : 80) * kCellWidth;
    if (index == SM_CYSCREEN) return (fe ? fe->Rows() : 24) * kCellHeight;
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Focus and activation
// ---------------------------------------------------------------------------------------------------

HWND SetFocus(HWND hwnd) {
    WindowState &s = State();
    HWND previous = s.focus;
    if (!hwnd) {
        s.focus = nullptr;
        if (FromHandle(previous)) SendMessageW(previous, WM_KILLFOCUS, 0, 0);
        return previous;
    }
    Window *w = FromHandle(hwnd);
    if (!w || w->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    hwnd = w->handle;
    if (previous == hwnd) return previous;
    Window *top = TopLevelOf(w);
    if (s.active != top->handle) {
        Activate(top);
        // Activation may already have moved the focus somewhere; the caller's wish comes last.
        previous = s.focus;
        if (previous == hwnd) return previous;
    }
    s.focus = hwnd;
    if (FromHandle(previous)) SendMessageW(previous, WM_KILLFOCUS, (WPARAM)hwnd, 0);
    if (s.focus == hwnd && FromHandle(hwnd)) SendMessageW(hwnd, WM_SETFOCUS, (WPARAM)previous, 0);
    InvalidateScreen();
    return previous;
}

HWND GetFocus(void) {
    return State().focus;
}
HWND GetActiveWindow(void) {
    return State().active;
}
HWND GetForegroundWindow(void) {
    return State().active;
}

HWND SetActiveWindow(HWND hwnd) {
    HWND previous = State().active;
    Window *w = FromHandle(hwnd);
    if (w) Activate(TopLevelOf(w));
    return previous;
}

BOOL SetForegroundWindow(HWND hwnd) {
    // The lowest bit asks for the window's owned windows to come along; handles here are even.
    if (int pid = RemoteWindowPid(hwnd)) return AskRemoteToForeground(pid);
    Window *w = FromHandle(hwnd);
    if (!w) return FALSE;
    Window *top = TopLevelOf(w);
    // Owned windows shown above their owner stay in front of it.
    Window *front = top;
    for (Window *other : State().topLevel)
        if (other->owner == top && (other->style & WS_VISIBLE)) front = other;
    Activate(front);
    if (FrontEnd *fe = GetFrontEnd()) fe->BringToFront();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Relations
// ---------------------------------------------------------------------------------------------------

HWND GetParent(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w) return nullptr;
    if (w->parent) return w->parent->handle;
    return w->owner ? w->owner->handle : nullptr;
}

BOOL IsChild(HWND parentHandle, HWND hwnd) {
    Window *p = FromHandle(parentHandle);
    for (Window *w = FromHandle(hwnd); w && w->parent; w = w->parent)
        if (w->parent == p) return TRUE;
    return FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window *w = FromHandle(dialog);
    if (!w) return nullptr;
    for (Window *child : w->children)
        if ((int)child->id == id) return child->handle;
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    return w ? (int)w->id : 0;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
    Window *w = FromHandle(hwnd);
    if (!w) return nullptr;
    switch (cmd) {
        case GW_CHILD: return w->children.empty() ? nullptr : w->children.front()->handle;
        case GW_OWNER: return w->owner ? w->owner->handle : nullptr;
        case GW_HWNDNEXT: {
            const std::vector<Window *> &siblings = w->parent ? w->parent->children : State().topLevel;
            auto it = std::find(siblings.begin(), siblings.end(), w);
            if (it != siblings.end() && ++it != siblings.end()) return (*it)->handle;
            return nullptr;
        }
        case GW_HWNDFIRST: {
            const std::vector<Window *> &siblings = w->parent ? w->parent->children : State().topLevel;
            return siblings.empty() ? nullptr : siblings.front()->handle;
        }
    }
    return nullptr;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    for (Window *w : State().topLevel) {
        if (w->destroying) continue;
        if (className && !SameName(w->windowClass->name, className)) continue;
        if (windowName && w->text != windowName) continue;
        return w->handle;
    }
    // Another process of this user may show a window of the class.
    if (className && !windowName)
        if (int pid = FindRemoteWindowClass(className)) return RemoteWindowHandle(pid);
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// The default window procedure
// ---------------------------------------------------------------------------------------------------

namespace {

LRESULT DefaultGetText(Window *w, WPARAM maxCount, LPWSTR buffer) {
    if (!buffer || maxCount == 0) return 0;
    size_t n = std::min<size_t>(w->text.size(), maxCount - 1);
    std::copy_n(w->text.begin(), n, buffer);
    buffer[n] = 0;
    return (LRESULT)n;
}

void DefaultPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *w = FromHandle(hwnd);
    if (!w) return 0;
    switch (message) {
        case WM_NCCREATE: {
            auto *cs = (CREATESTRUCTW *)lParam;
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
            return TRUE;
        }
        case WM_SETTEXT:
            w->text = lParam ? (LPCWSTR)lParam : u"";
            InvalidateScreen();
            return TRUE;
        case WM_GETTEXT: return DefaultGetText(w, wParam, (LPWSTR)lParam);
        case WM_GETTEXTLENGTH: return (LRESULT)w->text.size();
        case WM_SETFONT:
            w->font = (HFONT)wParam;
            if (lParam) InvalidateScreen();
            return 0;
        case WM_GETFONT: return (LRESULT)w->font;
        case WM_ACTIVATE:
            // Activating a top-level window gives it the focus, unless a window inside it has it already.
            if (LOWORD(wParam) != WA_INACTIVE && !w->parent) {
                HWND focus = GetFocus();
                if (!focus || !IsChild(hwnd, focus)) SetFocus(hwnd);
            }
            return 0;
        case WM_PAINT: DefaultPaint(hwnd); return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ERASEBKGND: return 1;
        default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------------
// Hooks
// ---------------------------------------------------------------------------------------------------

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE, DWORD) {
    if (idHook != WH_CBT || !proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    WindowState &s = State();
    HHOOK hook = (HHOOK)s.nextHook;
    s.nextHook += 16;
    s.cbtHooks.insert(s.cbtHooks.begin(), {hook, proc});
    return hook;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    auto &hooks = State().cbtHooks;
    for (auto it = hooks.begin(); it != hooks.end(); ++it) {
        if (it->first == hook) {
            hooks.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    auto hooks = State().cbtHooks;
    for (size_t i = 0; i + 1 < hooks.size(); ++i)
        if (hooks[i].first == hook) return hooks[i + 1].second(code, wParam, lParam);
    return 0;
}
