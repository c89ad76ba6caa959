// The soft-key bar: two buttons built from a bar data resource, shown on the bottom row while its window
// is active. The left and right soft keys press its buttons; a button with a popup opens it; keys taken
// over with SHCMBM_OVERRIDEKEY arrive at the bar's owner as WM_HOTKEY instead.
#include "platform/posix/controls/shell.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/soft_keys.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>
#include <map>
#include <utility>

namespace posix {
namespace {

constexpr const char16_t *kBarClass = u"menu_worker";
constexpr UINT kOpenPopup = WM_USER + 1;  // posted to itself, so that the popup runs from the loop

struct Button {
    int command = 0;
    BYTE state = TBSTATE_ENABLED;
    BYTE style = 0;
    U16String label;
    DWORD_PTR data = 0;  // the popup menu of a drop-down button
};

struct SoftKeyBar {
    HMENU menu = nullptr;  // the menu the bar was built from
    std::vector<Button> buttons;
    std::map<int, DWORD> overrides;  // key -> flags taken over (SHMBOF_*)
};

SoftKeyBar *BarOf(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w || !w->windowClass || w->windowClass->name != kBarClass) return nullptr;
    return static_cast<SoftKeyBar *>(w->state);
}

WORD ReadWord(const BYTE *p) {
    return WORD(p[0] | (p[1] << 8));
}

// The bar data resource: menu number, button count, then seven 16-bit fields a button.
bool LoadBarResource(HINSTANCE instance, UINT id, SoftKeyBar &bar) {
    HRSRC res = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!res) return false;
    auto *data = static_cast<const BYTE *>(LockResource(LoadResource(instance, res)));
    DWORD size = SizeofResource(instance, res);
    if (!data || size < 4) return false;
    WORD menuId = ReadWord(data);
    WORD count = ReadWord(data + 2);
    if (size < 4u + count * 14u) return false;
    bar.menu = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
    for (WORD i = 0; i < count; ++i) {
        const BYTE *f = data + 4 + i * 14;
        Button b;
        b.command = ReadWord(f + 2);
        b.state = (BYTE)ReadWord(f + 4);
        b.style = (BYTE)ReadWord(f + 6);
        WORD labelId = ReadWord(f + 8);
        WORD popupIndex = ReadWord(f + 12);
        const WCHAR *label = nullptr;
        int n = LoadStringW(instance, labelId, (LPWSTR)&label, 0);
        if (label && n > 0) b.label.assign(label, n);
        if (popupIndex != 0xFFFF && bar.menu) b.data = (DWORD_PTR)GetSubMenu(bar.menu, popupIndex);
        bar.buttons.push_back(b);
    }
    return true;
}

int FindButton(SoftKeyBar &bar, WPARAM which, DWORD mask) {
    if (mask & TBIF_BYINDEX) return which < bar.buttons.size() ? (int)which : -1;
    for (size_t i = 0; i < bar.buttons.size(); ++i)
        if (bar.buttons[i].command == (int)which) return (int)i;
    return -1;
}

LRESULT OnGetButtonInfo(SoftKeyBar &bar, WPARAM which, TBBUTTONINFOW *info) {
    if (!info || info->cbSize != sizeof(TBBUTTONINFOW)) return -1;
    int index = FindButton(bar, which, info->dwMask);
    if (index < 0) return -1;
    const Button &b = bar.buttons[index];
    if (info->dwMask & TBIF_COMMAND) info->idCommand = b.command;
    if (info->dwMask & TBIF_STATE) info->fsState = b.state;
    if (info->dwMask & TBIF_STYLE) info->fsStyle = b.style;
    if (info->dwMask & TBIF_LPARAM) info->lParam = b.data;
    if (info->dwMask & TBIF_IMAGE) info->iImage = -2;
    if ((info->dwMask & TBIF_TEXT) && info->pszText && info->cchText > 0) {
        size_t n = std::min<size_t>(b.label.size(), info->cchText - 1);
        std::copy_n(b.label.begin(), n, info->pszText);
        info->pszText[n] = 0;
    }
    return index;
}

LRESULT OnSetButtonInfo(SoftKeyBar &bar, WPARAM which, const TBBUTTONINFOW *info) {
    if (!info || info->cbSize != sizeof(TBBUTTONINFOW)) return FALSE;
    int index = FindButton(bar, which, info->dwMask);
    if (index < 0) return FALSE;
    Button &b = bar.buttons[index];
    if (info->dwMask & TBIF_COMMAND) b.command = info->idCommand;
    if (info->dwMask & TBIF_STATE) b.state = info->fsState;
    if (info->dwMask & TBIF_STYLE) b.style = info->fsStyle;
    if (info->dwMask & TBIF_LPARAM) b.data = info->lParam;
    if ((info->dwMask & TBIF_TEXT) && info->pszText) b.label = info->pszText;
    InvalidateScreen();
    return TRUE;
}

LRESULT OnOverrideKey(SoftKeyBar &bar, WPARAM vk, LPARAM lParam) {
    DWORD mask = LOWORD(lParam), value = HIWORD(lParam);
    DWORD &flags = bar.overrides[(int)(vk & 0xFF)];
    flags = (flags & ~mask) | (value & mask);
    return TRUE;
}

HMENU OnGetSubMenu(SoftKeyBar &bar, LPARAM command) {
    for (const Button &b : bar.buttons)
        if (b.command == (int)command) return (HMENU)b.data;
    return nullptr;
}

// Commands go to the top-level window the bar serves; hot keys to the window that made the bar.
HWND CommandTarget(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w || !w->parent) return nullptr;
    return TopLevelOf(w->parent)->handle;
}

void OpenPopup(HWND hwnd, int index) {
    SoftKeyBar *bar = BarOf(hwnd);
    if (!bar || index < 0 || index >= (int)bar->buttons.size()) return;
    HMENU popup = (HMENU)bar->buttons[index].data;
    HWND owner = CommandTarget(hwnd);
    if (!popup || !owner) return;
    UINT command = (UINT)TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_BOTTOMALIGN, 0, 0, owner, nullptr);
    if (command && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void Free(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w) return;
    if (SoftKeyBar *bar = BarOf(hwnd)) {
        if (bar->menu) DestroyMenu(bar->menu);
        delete bar;
    }
    w->state = nullptr;
}

LRESULT CALLBACK SoftKeyBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SoftKeyBar *bar = BarOf(hwnd);
    switch (message) {
        case WM_NCDESTROY: Free(hwnd); return 0;
        case TB_GETBUTTONINFOW: return bar ? OnGetButtonInfo(*bar, wParam, (TBBUTTONINFOW *)lParam) : -1;
        case TB_SETBUTTONINFOW: return bar ? OnSetButtonInfo(*bar, wParam, (const TBBUTTONINFOW *)lParam) : 0;
        case SHCMBM_OVERRIDEKEY: return bar ? OnOverrideKey(*bar, wParam, lParam) : 0;
        case SHCMBM_GETSUBMENU: return bar ? (LRESULT)OnGetSubMenu(*bar, lParam) : 0;
        case SHCMBM_GETMENU: return bar ? (LRESULT)bar->menu : 0;
        case kOpenPopup: OpenPopup(hwnd, (int)wParam); return 0;
        case WM_PAINT: return 0;  // drawn on the soft-key row by the screen, not in a window
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// Set by FailNextShellInitDialog: the next SHInitDialog fails.
bool &InitDialogFails() {
    static bool fails = false;
    return fails;
}

void FindBars(Window *w, HWND &found) {
    if (w->windowClass && w->windowClass->name == kBarClass && !w->destroying) found = w->handle;
    for (Window *child : w->children)
        FindBars(child, found);
}

HWND FindBar(HWND topLevel) {
    Window *w = FromHandle(topLevel);
    if (!w) return nullptr;
    HWND found = nullptr;
    FindBars(w, found);
    return found;
}

U16String ButtonLabel(HWND hwnd, int index) {
    SoftKeyBar *bar = BarOf(hwnd);
    if (!bar || index < 0 || index >= (int)bar->buttons.size()) return U16String();
    const Button &b = bar->buttons[index];
    return (b.state & TBSTATE_HIDDEN) ? U16String() : b.label;
}

bool ButtonOpensMenu(HWND hwnd, int index) {
    SoftKeyBar *bar = BarOf(hwnd);
    if (!bar || index < 0 || index >= (int)bar->buttons.size()) return false;
    const Button &b = bar->buttons[index];
    return b.data && (b.style & TBSTYLE_DROPDOWN);
}

bool PressSoftKey(HWND hwnd, int vk, bool down) {
    SoftKeyBar *bar = BarOf(hwnd);
    Window *w = FromHandle(hwnd);
    if (!bar || !w) return false;
    auto it = bar->overrides.find(vk);
    DWORD flags = it == bar->overrides.end() ? 0 : it->second;
    if (flags & SHMBOF_NODEFAULT) {
        if ((flags & SHMBOF_NOTIFY) && w->parent)
            PostMessageW(w->parent->handle, WM_HOTKEY, (WPARAM)vk, MAKELPARAM(down ? 0 : MOD_KEYUP, vk));
        return true;
    }
    if (vk == VK_TBACK) return false;  // the Back key's default is the focused window's own
    if (!down) return true;
    int index = vk == VK_TSOFT1 ? 0 : 1;
    if (index >= (int)bar->buttons.size()) return true;
    const Button &b = bar->buttons[index];
    if (!(b.state & TBSTATE_ENABLED) || (b.state & TBSTATE_HIDDEN)) return true;
    if (b.data && (b.style & TBSTYLE_DROPDOWN))
        PostMessageW(hwnd, kOpenPopup, (WPARAM)index, 0);
    else if (HWND target = CommandTarget(hwnd))
        PostMessageW(target, WM_COMMAND, MAKEWPARAM(b.command, 0), (LPARAM)hwnd);
    return true;
}

// What the keyboard and the screen ask of the bars.
class Bars : public SoftKeyBars {
public:
    HWND BarFor(HWND topLevel) override { return FindBar(topLevel); }
    U16String Label(HWND bar, int index) override { return ButtonLabel(bar, index); }
    bool OpensMenu(HWND bar, int index) override { return ButtonOpensMenu(bar, index); }
    bool Press(HWND bar, int vk, bool down) override { return PressSoftKey(bar, vk, down); }
};

void RegisterBarClass() {
    static Bars bars;
    RegisterSystemClass(kBarClass, SoftKeyBarProc);
    RegisterSoftKeyBars(&bars);
}

}  // namespace

void FailNextShellInitDialog() {
    InitDialogFails() = true;
}

void ResetShell() {
    InitDialogFails() = false;
}

}  // namespace posix

using namespace posix;

// SHIDIF_SIZEDLGFULLSCREEN makes the dialog fill the screen between the title row, which then shows its
// caption, and the soft-key row; SHIDIF_SIZEDLG does the same on this screen, where no input panel takes
// room. The dialog stays that size when the terminal is resized.
BOOL SHInitDialog(PSHINITDLGINFO info) {
    Window *w = info ? FromHandle(info->hDlg) : nullptr;
    if (!w || w->parent || !(info->dwMask & SHIDIM_FLAGS) || std::exchange(InitDialogFails(), false)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->dwFlags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG)) {
        RECT area = FullScreenArea();
        w->fullScreen = true;
        SetWindowPos(info->hDlg, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateScreen();
    return TRUE;
}

BOOL SHCreateMenuBar(SHMENUBARINFO *info) {
    if (!info || info->cbSize != sizeof(SHMENUBARINFO) || !FromHandle(info->hwndParent)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RegisterBarClass();
    auto *bar = new SoftKeyBar;
    if (!(info->dwFlags & SHCMBF_EMPTYBAR) && !LoadBarResource(info->hInstRes, info->nToolBarId, *bar)) {
        delete bar;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    HWND hwnd =
        CreateWindowExW(0, kBarClass, u"", WS_CHILD, 0, 0, 0, 0, info->hwndParent, nullptr, info->hInstRes, nullptr);
    Window *w = FromHandle(hwnd);
    if (!w) {
        if (bar->menu) DestroyMenu(bar->menu);
        delete bar;
        return FALSE;
    }
    w->state = bar;
    FromHandle(info->hwndParent)->softKeyBar = hwnd;
    info->hwndMB = hwnd;
    InvalidateScreen();
    return TRUE;
}

void SHSendBackToFocusWindow(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_HOTKEY) return;
    HWND focus = GetFocus();
    if (!focus) return;
    // The Back key reaches the focused control as the key that deletes: Backspace.
    bool release = (LOWORD(lParam) & MOD_KEYUP) != 0;
    if (release) {
        SendMessageW(focus, WM_KEYUP, VK_BACK, LPARAM(0xC0000001u));
    } else {
        SendMessageW(focus, WM_KEYDOWN, VK_BACK, 1);
        if (IsWindow(focus)) SendMessageW(focus, WM_CHAR, VK_BACK, 1);
    }
}
