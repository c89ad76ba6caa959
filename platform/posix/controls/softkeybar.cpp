// The soft-key bar: two buttons built from a bar data resource, shown on the bottom row while its window
// is active. The left and right soft keys press its buttons; a button with a popup opens it; keys taken
// over with SHCMBM_OVERRIDEKEY arrive at the bar's owner as WM_HOTKEY instead.
#include "platform/posix/controls/shell.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/soft_keys.h"
#include "platform/posix/windowing/window.h"
#include "platform/soft_key_buttons.h"

#include <utility>

namespace posix {
namespace {

constexpr const char16_t *kBarClass = u"menu_worker";
constexpr UINT kOpenPopup = WM_USER + 1;  // posted to itself, so that the popup runs from the loop

SoftKeyButtons *BarOf(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w || !w->windowClass || w->windowClass->name != kBarClass) return nullptr;
    return static_cast<SoftKeyButtons *>(w->state);
}

// Commands go to the top-level window the bar serves; hot keys to the window that made the bar.
HWND CommandTarget(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w || !w->parent) return nullptr;
    return TopLevelOf(w->parent)->handle;
}

void OpenPopup(HWND hwnd, int index) {
    SoftKeyButtons *bar = BarOf(hwnd);
    const SoftKeyButton *button = bar ? bar->At(size_t(index)) : nullptr;
    if (!button) return;
    HMENU popup = (HMENU)button->data;
    HWND owner = CommandTarget(hwnd);
    if (!popup || !owner) return;
    UINT command = (UINT)TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_BOTTOMALIGN, 0, 0, owner, nullptr);
    if (command && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void Free(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w) return;
    delete BarOf(hwnd);
    w->state = nullptr;
}

BOOL SetButtonInfo(SoftKeyButtons &bar, WPARAM which, const TBBUTTONINFOW *info) {
    if (!bar.SetInfo(which, info)) return FALSE;
    InvalidateScreen();
    return TRUE;
}

LRESULT CALLBACK SoftKeyBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SoftKeyButtons *bar = BarOf(hwnd);
    switch (message) {
        case WM_NCDESTROY: Free(hwnd); return 0;
        case TB_GETBUTTONINFOW: return bar ? bar->GetInfo(wParam, (TBBUTTONINFOW *)lParam) : -1;
        case TB_SETBUTTONINFOW: return bar ? SetButtonInfo(*bar, wParam, (const TBBUTTONINFOW *)lParam) : 0;
        case SHCMBM_OVERRIDEKEY: return bar ? bar->OverrideKey(wParam, lParam) : 0;
        case SHCMBM_GETSUBMENU: return bar ? (LRESULT)bar->SubMenu(lParam) : 0;
        case SHCMBM_GETMENU: return bar ? (LRESULT)bar->Menu() : 0;
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

const SoftKeyButton *ButtonOf(HWND hwnd, int index) {
    SoftKeyButtons *bar = BarOf(hwnd);
    return bar && index >= 0 ? bar->At(size_t(index)) : nullptr;
}

U16String ButtonLabel(HWND hwnd, int index) {
    const SoftKeyButton *b = ButtonOf(hwnd, index);
    return b && b->Shown() ? b->label : U16String();
}

bool ButtonOpensMenu(HWND hwnd, int index) {
    const SoftKeyButton *b = ButtonOf(hwnd, index);
    return b && b->OpensMenu();
}

bool PressSoftKey(HWND hwnd, int vk, bool down) {
    SoftKeyButtons *bar = BarOf(hwnd);
    Window *w = FromHandle(hwnd);
    if (!bar || !w) return false;
    DWORD flags = bar->KeyFlags(vk);
    if (flags & SHMBOF_NODEFAULT) {
        if ((flags & SHMBOF_NOTIFY) && w->parent)
            PostMessageW(w->parent->handle, WM_HOTKEY, (WPARAM)vk, MAKELPARAM(down ? 0 : MOD_KEYUP, vk));
        return true;
    }
    if (vk == VK_TBACK) return false;  // the Back key's default is the focused window's own
    if (!down) return true;
    int index = vk == VK_TSOFT1 ? 0 : 1;
    const SoftKeyButton *b = bar->At(size_t(index));
    if (!b || !b->Pressable()) return true;
    if (b->OpensMenu())
        PostMessageW(hwnd, kOpenPopup, (WPARAM)index, 0);
    else if (HWND target = CommandTarget(hwnd))
        PostMessageW(target, WM_COMMAND, MAKEWPARAM(b->command, 0), (LPARAM)hwnd);
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
    auto *bar = new SoftKeyButtons;
    if (!(info->dwFlags & SHCMBF_EMPTYBAR) && !bar->Load(info->hInstRes, info->nToolBarId)) {
        delete bar;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    HWND hwnd =
        CreateWindowExW(0, kBarClass, u"", WS_CHILD, 0, 0, 0, 0, info->hwndParent, nullptr, info->hInstRes, nullptr);
    Window *w = FromHandle(hwnd);
    if (!w) {
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
