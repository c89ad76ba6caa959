// The "msctls_updown32" (spin) control, behaving as Win32's does: its range and position, its buddy
// (the previous sibling under UDS_AUTOBUDDY), the buddy's text under UDS_SETBUDDYINT, and each step's
// UDN_DELTAPOS, buddy update and WM_HSCROLL or WM_VSCROLL, in that order.
//
// Where we follow the phone rather than the desktop: a horizontal up-down takes Left and Right (the
// desktop's takes only Up and Down). With a list box for its buddy it is the phone's one-line spinner:
// its range is the list's items, Left and Right step through them (round under UDS_WRAP) and the list
// tells its parent LBN_SELCHANGE as a user's selection does, while Up and Down move the focus to the
// previous or next control that takes it. UDS_NOSCROLL leaves every key to the buddy.
#include "platform/posix/controls/control_state.h"
#include "platform/posix/controls/updown.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>
#include <map>
#include <new>

namespace posix {
namespace {

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

struct UpDownState {
    explicit UpDownState(HWND window) : hwnd(window) {}

    HWND hwnd;                    // the control
    HWND buddy = nullptr;         // the window whose value it steps, if any
    WNDPROC buddyProc = nullptr;  // the buddy's procedure before UDS_ARROWKEYS put BuddyKeyProc in front
    int lower = 100;              // the range, as Win32 starts it: 100 down to 0
    int upper = 0;
    int pos = 0;  // the position, kept within the range
};

// Which up-down has put its key procedure in front of a buddy.
std::map<HWND, HWND> &BuddyOwners() {
    static std::map<HWND, HWND> owners;
    return owners;
}

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK BuddyKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

UpDownState *StateOf(HWND hwnd) {
    return ControlState<UpDownState>(hwnd, UpDownProc);
}

DWORD StyleOf(const UpDownState &s) {
    Window *w = FromHandle(s.hwnd);
    return w ? w->style : 0;
}

bool ClassIs(HWND hwnd, const char16_t *name) {
    WCHAR buffer[32] = {};
    return hwnd && GetClassNameW(hwnd, buffer, 32) && lstrcmpiW(buffer, name) == 0;
}

bool BuddyIsList(const UpDownState &s) {
    return ClassIs(s.buddy, u"listbox");
}

// ---------------------------------------------------------------------------------------------------
// Range and position
// ---------------------------------------------------------------------------------------------------

// A list buddy's items are the range of the phone's spinner.
void Range(const UpDownState &s, int &lower, int &upper) {
    if (BuddyIsList(s)) {
        lower = 0;
        upper = std::max(0, int(SendMessageW(s.buddy, LB_GETCOUNT, 0, 0)) - 1);
        return;
    }
    lower = s.lower;
    upper = s.upper;
}

int Clamp(const UpDownState &s, int value) {
    int lower, upper;
    Range(s, lower, upper);
    return std::clamp(value, std::min(lower, upper), std::max(lower, upper));
}

// The number written with a comma between thousands, unless UDS_NOTHOUSANDS.
U16String BuddyText(const UpDownState &s, int value) {
    U16String digits;
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    int n = 0;
    do {
        if (n > 0 && n % 3 == 0 && !(StyleOf(s) & UDS_NOTHOUSANDS)) digits.insert(digits.begin(), u',');
        digits.insert(digits.begin(), char16_t(u'0' + magnitude % 10));
        magnitude /= 10;
        ++n;
    } while (magnitude);
    return value < 0 ? u"-" + digits : digits;
}

// Reads the buddy's value: a list's selection, or the number in its text (separators allowed). False
// when the text is no number within the range, or there is no buddy whose text holds the position
// (UDM_GETPOS then reports an error, as Win32's does).
bool ReadBuddy(const UpDownState &s, int &value) {
    if (BuddyIsList(s)) {
        value = int(SendMessageW(s.buddy, LB_GETCURSEL, 0, 0));
        return value != LB_ERR;
    }
    if (!s.buddy || !(StyleOf(s) & UDS_SETBUDDYINT)) {
        value = s.pos;
        return false;
    }
    WCHAR text[64] = {};
    GetWindowTextW(s.buddy, text, 64);
    long long number = 0;
    bool negative = text[0] == u'-', digits = false;
    for (const WCHAR *p = text + (negative ? 1 : 0); *p; ++p) {
        if (*p == u',') continue;
        if (*p < u'0' || *p > u'9' || number > 0x7FFFFFFF) return false;
        number = number * 10 + (*p - u'0');
        digits = true;
    }
    if (!digits) return false;
    value = int(negative ? -number : number);
    return Clamp(s, value) == value;
}

void UpdateBuddy(const UpDownState &s) {
    if (BuddyIsList(s)) {
        SendMessageW(s.buddy, LB_SETCURSEL, WPARAM(s.pos), 0);
    } else if (s.buddy && (StyleOf(s) & UDS_SETBUDDYINT)) {
        SetWindowTextW(s.buddy, BuddyText(s, s.pos).c_str());
    }
}

LRESULT OnSetRange(UpDownState &s, int lower, int upper) {
    s.lower = lower;
    s.upper = upper;
    s.pos = Clamp(s, s.pos);
    return 0;
}

LRESULT OnSetPos(UpDownState &s, int pos) {
    int previous = s.pos;
    s.pos = Clamp(s, pos);
    UpdateBuddy(s);
    InvalidateScreen();
    return previous;
}

LRESULT OnGetPos32(UpDownState &s, BOOL *error) {
    int value;
    bool ok = ReadBuddy(s, value);
    if (ok) s.pos = value;
    if (error) *error = ok ? FALSE : TRUE;
    return s.pos;
}

LRESULT OnGetPos(UpDownState &s) {
    BOOL error = FALSE;
    int pos = int(OnGetPos32(s, &error));
    return MAKELONG(WORD(pos), error ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------------
// Stepping
// ---------------------------------------------------------------------------------------------------

// The scroll message a step ends with, refused or not, with the position it leaves.
void SendScroll(UpDownState &s) {
    Window *w = FromHandle(s.hwnd);
    if (!w || !w->parent) return;
    UINT scroll = (StyleOf(s) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
    SendMessageW(w->parent->handle, scroll, MAKEWPARAM(SB_THUMBPOSITION, WORD(s.pos)), (LPARAM)s.hwnd);
}

// One step towards the upper end (up, or right) or the lower: UDN_DELTAPOS, which the parent may refuse,
// then the buddy when the position changed, then the scroll message, which goes out in any case. At an
// end the position wraps under UDS_WRAP and otherwise stays.
void Step(UpDownState &s, bool towardsUpper) {
    int lower, upper, old;
    Range(s, lower, upper);
    bool hasValue = ReadBuddy(s, old);
    if (!hasValue) old = BuddyIsList(s) ? (towardsUpper ? lower - 1 : upper + 1) : s.pos;
    NMUPDOWN change{};
    change.hdr.code = UDN_DELTAPOS;
    change.iPos = old;
    change.iDelta = (upper >= lower) == towardsUpper ? 1 : -1;
    HWND hwnd = s.hwnd;
    if (hasValue) s.pos = old;
    bool refused = NotifyParent(hwnd, &change.hdr) != 0;
    if (!StateOf(hwnd)) return;
    if (!refused) {
        int next = change.iPos + change.iDelta;
        int low = std::min(lower, upper), high = std::max(lower, upper);
        if (next < low || next > high)
            next = (StyleOf(s) & UDS_WRAP) ? (next < low ? high : low) : std::clamp(next, low, high);
        bool changed = next != old;
        s.pos = next;
        if (changed) UpdateBuddy(s);
        if (changed && BuddyIsList(s) && (GetWindowLongW(s.buddy, GWL_STYLE) & LBS_NOTIFY))
            NotifyParentCommand(s.buddy, LBN_SELCHANGE);
        if (!StateOf(hwnd)) return;
    }
    SendScroll(s);
    InvalidateScreen();
}

// The next (or previous) control of the parent that takes the focus by Tab, round the end.
HWND NextTabStop(HWND from, bool forward) {
    Window *w = FromHandle(from);
    if (!w || !w->parent) return nullptr;
    const std::vector<Window *> &siblings = w->parent->children;
    int n = int(siblings.size());
    int at = int(std::find(siblings.begin(), siblings.end(), w) - siblings.begin());
    for (int k = 1; k < n; ++k) {
        Window *c = siblings[((at + (forward ? k : -k)) % n + n) % n];
        if ((c->style & WS_TABSTOP) && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) return c->handle;
    }
    return nullptr;
}

enum class KeyUse { Step, StepBack, MoveFocus, MoveFocusBack, PassOn };

// What an arrow key does: a horizontal up-down steps on Right and Left; a vertical one on Up and Down.
// Beside a list, the keys across the steps move the focus.
KeyUse UseOfKey(const UpDownState &s, WPARAM vk) {
    DWORD style = StyleOf(s);
    if (!(style & UDS_ARROWKEYS) || (style & UDS_NOSCROLL)) return KeyUse::PassOn;
    bool horizontal = (style & UDS_HORZ) != 0;
    WPARAM up = horizontal ? VK_RIGHT : VK_UP, down = horizontal ? VK_LEFT : VK_DOWN;
    if (vk == up) return KeyUse::Step;
    if (vk == down) return KeyUse::StepBack;
    if (horizontal && BuddyIsList(s)) {
        if (vk == VK_DOWN) return KeyUse::MoveFocus;
        if (vk == VK_UP) return KeyUse::MoveFocusBack;
    }
    return KeyUse::PassOn;
}

// Answers a key the up-down takes; false for a key it leaves to the buddy.
bool TakeKey(UpDownState &s, WPARAM vk) {
    switch (UseOfKey(s, vk)) {
        case KeyUse::Step: Step(s, true); return true;
        case KeyUse::StepBack: Step(s, false); return true;
        case KeyUse::MoveFocus:
        case KeyUse::MoveFocusBack:
            if (HWND next = NextTabStop(s.buddy, UseOfKey(s, vk) == KeyUse::MoveFocus)) SetFocus(next);
            return true;
        case KeyUse::PassOn: return false;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// The buddy
// ---------------------------------------------------------------------------------------------------

void ReleaseBuddy(UpDownState &s) {
    if (!s.buddy) return;
    if (s.buddyProc && (WNDPROC)GetWindowLongPtrW(s.buddy, GWLP_WNDPROC) == BuddyKeyProc)
        SetWindowLongPtrW(s.buddy, GWLP_WNDPROC, (LONG_PTR)s.buddyProc);
    BuddyOwners().erase(s.buddy);
    s.buddy = nullptr;
    s.buddyProc = nullptr;
}

// UDS_ALIGNRIGHT puts the up-down at the buddy's right end and takes its width from the buddy.
void AlignWithBuddy(const UpDownState &s) {
    Window *me = FromHandle(s.hwnd), *buddy = FromHandle(s.buddy);
    if (!me || !buddy || buddy->parent != me->parent) return;
    int width = me->rect.right - me->rect.left;
    RECT b = buddy->rect;
    if (StyleOf(s) & UDS_ALIGNRIGHT) {
        MoveWindow(s.buddy, b.left, b.top, std::max(0, int(b.right - b.left) - width), b.bottom - b.top, FALSE);
        MoveWindow(s.hwnd, b.right - width, b.top, width, b.bottom - b.top, FALSE);
    } else if (StyleOf(s) & UDS_ALIGNLEFT) {
        MoveWindow(s.buddy, b.left + width, b.top, std::max(0, int(b.right - b.left) - width), b.bottom - b.top, FALSE);
        MoveWindow(s.hwnd, b.left, b.top, width, b.bottom - b.top, FALSE);
    }
}

LRESULT OnSetBuddy(UpDownState &s, HWND buddy) {
    HWND previous = s.buddy;
    ReleaseBuddy(s);
    if (!IsWindow(buddy)) return (LRESULT)previous;
    s.buddy = buddy;
    if (StyleOf(s) & UDS_ARROWKEYS) {
        s.buddyProc = (WNDPROC)SetWindowLongPtrW(buddy, GWLP_WNDPROC, (LONG_PTR)BuddyKeyProc);
        BuddyOwners()[buddy] = s.hwnd;
    }
    AlignWithBuddy(s);
    InvalidateScreen();
    return (LRESULT)previous;
}

// In front of the buddy's own procedure: the arrow keys the up-down takes, and a list buddy's wish for
// arrows when it is a spinner. Everything else reaches the buddy unchanged.
LRESULT CALLBACK BuddyKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto owner = BuddyOwners().find(hwnd);
    UpDownState *s = owner == BuddyOwners().end() ? nullptr : StateOf(owner->second);
    if (!s || !s->buddyProc) return DefWindowProcW(hwnd, message, wParam, lParam);
    WNDPROC base = s->buddyProc;
    if (message == WM_KEYDOWN && TakeKey(*s, wParam)) return 0;
    if (message == WM_NCDESTROY) {
        BuddyOwners().erase(hwnd);
        s->buddy = nullptr;
        s->buddyProc = nullptr;
    }
    return CallWindowProcW(base, hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------------

// A list spinner draws its own arrows round its item; any other up-down shows its two arrows.
LRESULT OnPaint(const UpDownState &s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.hwnd, &ps);
    if (!BuddyIsList(s)) {
        const char16_t *arrows = (StyleOf(s) & UDS_HORZ) ? u"<>" : u"^v";
        TextOutW(dc, 0, 0, arrows, 2);
    }
    EndPaint(s.hwnd, &ps);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// The window procedure
// ---------------------------------------------------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!AttachControlState<UpDownState>(hwnd, hwnd)) return FALSE;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// UDS_AUTOBUDDY takes the sibling created just before.
LRESULT OnCreate(UpDownState &s) {
    Window *w = FromHandle(s.hwnd);
    if (!(StyleOf(s) & UDS_AUTOBUDDY) || !w || !w->parent) return 0;
    const std::vector<Window *> &siblings = w->parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), w);
    if (at != siblings.begin() && at != siblings.end()) OnSetBuddy(s, (*(at - 1))->handle);
    return 0;
}

LRESULT OnNcDestroy(HWND hwnd) {
    if (UpDownState *s = StateOf(hwnd)) ReleaseBuddy(*s);
    DeleteControlState<UpDownState>(hwnd, UpDownProc);
    return 0;
}

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return OnNcCreate(hwnd, message, wParam, lParam);
    UpDownState *state = StateOf(hwnd);
    if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
    UpDownState &s = *state;
    switch (message) {
        case WM_CREATE: return OnCreate(s);
        case WM_NCDESTROY: return OnNcDestroy(hwnd);
        case WM_PAINT: return OnPaint(s);
        case WM_GETDLGCODE: return 0;
        // Keys the up-down does not take are answered as handled and go no further.
        case WM_KEYDOWN: return TakeKey(s, wParam) ? 0 : 1;
        case UDM_SETRANGE: return OnSetRange(s, short(HIWORD(lParam)), short(LOWORD(lParam)));
        case UDM_GETRANGE: return MAKELONG(WORD(s.upper), WORD(s.lower));
        case UDM_SETRANGE32: return OnSetRange(s, int(wParam), int(lParam));
        case UDM_GETRANGE32:
            if (wParam) *reinterpret_cast<int *>(wParam) = s.lower;
            if (lParam) *reinterpret_cast<int *>(lParam) = s.upper;
            return 0;
        case UDM_SETPOS: return OnSetPos(s, short(LOWORD(lParam)));
        case UDM_GETPOS: return OnGetPos(s);
        case UDM_SETPOS32: return OnSetPos(s, int(lParam));
        case UDM_GETPOS32: return OnGetPos32(s, reinterpret_cast<BOOL *>(lParam));
        case UDM_SETBUDDY: return OnSetBuddy(s, (HWND)wParam);
        case UDM_GETBUDDY: return (LRESULT)s.buddy;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void RegisterUpDownClass() {
    RegisterSystemClass(UPDOWN_CLASSW, UpDownProc);
}

}  // namespace posix
