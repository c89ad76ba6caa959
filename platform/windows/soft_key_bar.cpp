// The phone's soft-key bar on desktop Windows: a strip under its window with the two labels, pressed with
// F1 and F2 (or a click), Back on Backspace and Esc pressing a Cancel key. Keys taken over with
// SHCMBM_OVERRIDEKEY reach the bar's owner as WM_HOTKEY on press and on release, as on the phone.
#include "platform/soft_key_buttons.h"
#include "platform/win32.h"

namespace {

constexpr const WCHAR *kBarClass = L"ScrivelSoftKeyBar";
constexpr const WCHAR *kBarProperty = L"ScrivelSoftKeyBar";
constexpr UINT_PTR kFollowOwner = 1;  // the subclass that keeps the strip under its window
constexpr int kBarHeight = 26;

struct SoftKeyBar {
    HWND owner = nullptr;
    SoftKeyButtons buttons;
};

HHOOK KeyHook;
int LiveBars;

SoftKeyBar *BarOf(HWND bar) {
    return reinterpret_cast<SoftKeyBar *>(GetWindowLongPtrW(bar, GWLP_USERDATA));
}

void OpenPopup(HWND hwnd, const SoftKeyBar &bar, const SoftKeyButton &button) {
    HMENU popup = reinterpret_cast<HMENU>(button.data);
    HWND owner = bar.owner;
    RECT strip;
    GetWindowRect(hwnd, &strip);
    // The owner must be in front for the menu to take the keys and close when the user clicks away.
    SetForegroundWindow(owner);
    UINT command = UINT(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, strip.right,
                                         strip.top, owner, nullptr));
    if (command && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// A soft key pressed or let go: the owner's hot key if it took the key over, else the button's command
// or popup. Returns whether the key was the bar's.
bool PressKey(HWND hwnd, int vk, bool down) {
    SoftKeyBar *bar = BarOf(hwnd);
    if (!bar) return false;
    DWORD flags = bar->buttons.KeyFlags(vk);
    if (flags & SHMBOF_NODEFAULT) {
        if (flags & SHMBOF_NOTIFY)
            PostMessageW(bar->owner, WM_HOTKEY, WPARAM(vk), MAKELPARAM(down ? 0 : MOD_KEYUP, vk));
        return true;
    }
    if (vk == VK_TBACK) return false;  // the Back key's default is the focused window's own
    if (!down) return true;
    const SoftKeyButton *b = bar->buttons.At(vk == VK_TSOFT1 ? 0 : 1);
    if (!b || !b->Pressable()) return true;
    if (b->OpensMenu())
        OpenPopup(hwnd, *bar, *b);
    else
        PostMessageW(bar->owner, WM_COMMAND, MAKEWPARAM(b->command, 0), LPARAM(hwnd));
    return true;
}

// Esc closes what a Cancel key closes; on a bar whose right key opens a menu it does nothing.
bool PressEscape(HWND hwnd, bool down) {
    SoftKeyBar *bar = BarOf(hwnd);
    const SoftKeyButton *right = bar ? bar->buttons.At(1) : nullptr;
    if (!right) return false;
    if (right->OpensMenu()) return true;
    return PressKey(hwnd, VK_TSOFT2, down);
}

// A held key repeats its press; the phone's soft keys press once, so a repeat is only swallowed.
bool TakeKey(HWND bar, int vk, bool down, bool repeat) {
    SoftKeyBar *state = BarOf(bar);
    bool softKey = vk == VK_TSOFT1 || vk == VK_TSOFT2 || vk == VK_TBACK;
    if (!state || (!softKey && vk != VK_ESCAPE)) return false;
    if (repeat) return vk != VK_TBACK || state->buttons.KeyFlags(vk) != 0;
    return softKey ? PressKey(bar, vk, down) : PressEscape(bar, down);
}

HWND BarForWindow(HWND hwnd) {
    HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    return root ? static_cast<HWND>(GetPropW(root, kBarProperty)) : nullptr;
}

// Sees every key before the window it is for, in every loop of the thread (dialogs' and menus' too).
LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    MSG *msg = reinterpret_cast<MSG *>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP)) {
        bool down = msg->message == WM_KEYDOWN;
        bool repeat = down && (msg->lParam & (1 << 30));
        HWND bar = BarForWindow(msg->hwnd);
        if (bar && TakeKey(bar, int(msg->wParam), down, repeat)) msg->message = WM_NULL;
    }
    return CallNextHookEx(KeyHook, code, wParam, lParam);
}

void PlaceUnder(HWND bar, HWND owner) {
    RECT frame;
    GetWindowRect(owner, &frame);
    bool shown = IsWindowVisible(owner) && !IsIconic(owner);
    SetWindowPos(bar, HWND_TOP, frame.left, frame.bottom, frame.right - frame.left, kBarHeight,
                 SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

LRESULT CALLBACK FollowOwner(HWND owner, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_WINDOWPOSCHANGED) PlaceUnder(reinterpret_cast<HWND>(data), owner);
    return DefSubclassProc(owner, message, wParam, lParam);
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT area;
    GetClientRect(hwnd, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    SoftKeyBar *bar = BarOf(hwnd);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    InflateRect(&area, -8, 0);
    for (size_t i = 0; bar && i < 2; ++i) {
        const SoftKeyButton *b = bar->buttons.At(i);
        if (!b || !b->Shown()) continue;
        SetTextColor(dc, GetSysColor((b->state & TBSTATE_ENABLED) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        UINT side = i == 0 ? DT_LEFT : DT_RIGHT;
        DrawTextW(dc, b->label.c_str(), int(b->label.size()), &area, side | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

void Free(HWND hwnd) {
    SoftKeyBar *bar = BarOf(hwnd);
    if (!bar) return;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (IsWindow(bar->owner)) {
        RemoveWindowSubclass(bar->owner, FollowOwner, kFollowOwner);
        RemovePropW(bar->owner, kBarProperty);
    }
    delete bar;
    if (--LiveBars == 0 && KeyHook) {
        UnhookWindowsHookEx(KeyHook);
        KeyHook = nullptr;
    }
}

BOOL SetButtonInfo(HWND hwnd, SoftKeyBar &bar, WPARAM which, const TBBUTTONINFOW *info) {
    if (!bar.buttons.SetInfo(which, info)) return FALSE;
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

LRESULT CALLBACK SoftKeyBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SoftKeyBar *bar = BarOf(hwnd);
    switch (message) {
        case WM_NCDESTROY: Free(hwnd); break;
        case WM_PAINT: Paint(hwnd); return 0;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_LBUTTONUP: {
            RECT area;
            GetClientRect(hwnd, &area);
            int vk = short(LOWORD(lParam)) < area.right / 2 ? VK_TSOFT1 : VK_TSOFT2;
            PressKey(hwnd, vk, true);
            if (IsWindow(hwnd)) PressKey(hwnd, vk, false);
            return 0;
        }
        case TB_GETBUTTONINFOW:
            return bar ? bar->buttons.GetInfo(wParam, reinterpret_cast<TBBUTTONINFOW *>(lParam)) : -1;
        case TB_SETBUTTONINFOW:
            return bar ? SetButtonInfo(hwnd, *bar, wParam, reinterpret_cast<const TBBUTTONINFOW *>(lParam)) : 0;
        case SHCMBM_OVERRIDEKEY: return bar ? bar->buttons.OverrideKey(wParam, lParam) : 0;
        case SHCMBM_GETSUBMENU: return bar ? reinterpret_cast<LRESULT>(bar->buttons.SubMenu(lParam)) : 0;
        case SHCMBM_GETMENU: return bar ? reinterpret_cast<LRESULT>(bar->buttons.Menu()) : 0;
        default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterBarClass(HINSTANCE instance) {
    WNDCLASSW wc = {};
    if (GetClassInfoW(instance, kBarClass, &wc)) return true;
    wc.lpfnWndProc = SoftKeyBarProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kBarClass;
    return RegisterClassW(&wc) != 0;
}

}  // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO *info) {
    if (!info || info->cbSize != sizeof(SHMENUBARINFO) || !IsWindow(info->hwndParent)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HINSTANCE instance = info->hInstRes ? info->hInstRes : GetModuleHandleW(nullptr);
    if (!RegisterBarClass(instance)) return FALSE;
    auto *bar = new SoftKeyBar;
    bar->owner = info->hwndParent;
    if (!(info->dwFlags & SHCMBF_EMPTYBAR) && !bar->buttons.Load(instance, info->nToolBarId)) {
        delete bar;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kBarClass, L"", WS_POPUP | WS_BORDER, 0, 0, 0, 0,
                                info->hwndParent, nullptr, instance, nullptr);
    if (!hwnd) {
        delete bar;
        return FALSE;
    }
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    ++LiveBars;
    if (!KeyHook) KeyHook = SetWindowsHookExW(WH_GETMESSAGE, KeyFilter, nullptr, GetCurrentThreadId());
    SetPropW(info->hwndParent, kBarProperty, hwnd);
    SetWindowSubclass(info->hwndParent, FollowOwner, kFollowOwner, reinterpret_cast<DWORD_PTR>(hwnd));
    PlaceUnder(hwnd, info->hwndParent);
    info->hwndMB = hwnd;
    return TRUE;
}

// The Back key reaches the focused control as the key that deletes: Backspace.
void SHSendBackToFocusWindow(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_HOTKEY) return;
    HWND focus = GetFocus();
    if (!focus) return;
    if (LOWORD(lParam) & MOD_KEYUP) {
        SendMessageW(focus, WM_KEYUP, VK_BACK, LPARAM(0xC0000001u));
    } else {
        SendMessageW(focus, WM_KEYDOWN, VK_BACK, 1);
        if (IsWindow(focus)) SendMessageW(focus, WM_CHAR, VK_BACK, 1);
    }
}

// A full-screen dialog covers the window it belongs to, as the phone's fills the screen.
BOOL SHInitDialog(PSHINITDLGINFO info) {
    if (!info || !IsWindow(info->hDlg) || !(info->dwMask & SHIDIM_FLAGS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->dwFlags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG)) {
        RECT area;
        HWND owner = GetWindow(info->hDlg, GW_OWNER);
        if (owner)
            GetWindowRect(owner, &area);
        else
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        SetWindowPos(info->hDlg, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}
