// Modal dialogs from templates: DialogBoxIndirectParamW and its modal loop, EndDialog, the dialog
// class's procedure DefDlgProcW, IsDialogMessageW and the keyboard moves between controls.
//
// A dialog is a pop-up top-level window of the class "#32770", owned by the top-level window of the
// parent it is given and shown as a box over the screen. Dialog units map to cells: 4 across and 8 down
// make one cell, which is what a dialog unit means. As on the phone, Up and Down move between the
// dialog's controls where the focused control has no use for them (a single-line edit, a static).
#include "platform/posix/windowing/dialog.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/dialog_template.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/message_loop.h"
#include "platform/posix/windowing/message_queue.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>

namespace posix {

namespace {

constexpr const char16_t *kDialogClass = u"#32770";

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

struct DialogState {
    HWND owner = nullptr;        // the top-level window disabled while the dialog runs, if any
    bool ownerDisabled = false;  // the dialog disabled the owner and must enable it again
    bool ended = false;          // EndDialog was called: the modal loop stops
    INT_PTR result = 0;          // what EndDialog gave, returned by DialogBoxIndirectParamW
    HFONT font = nullptr;        // the template's font, made for the dialog and deleted with it
    HWND savedFocus = nullptr;   // the control that had the focus when the dialog was last deactivated
    WORD defaultId = IDOK;       // DM_GETDEFID's answer
};

DialogState *DialogOf(HWND hwnd) {
    Window *w = FromHandle(hwnd);
    if (!w || !w->dialog) return nullptr;
    return static_cast<DialogState *>(w->state);
}

LONG_PTR &Slot(Window *w, int offset) {
    return w->extra[size_t(offset) / sizeof(LONG_PTR)];
}

// ---------------------------------------------------------------------------------------------------
// Geometry: dialog units to cells
// ---------------------------------------------------------------------------------------------------

int FloorDiv(int value, int by) {
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

// A rectangle in dialog units as pixels on whole cells; anything with an extent keeps at least a cell.
RECT CellsFromDialogUnits(int x, int y, int cx, int cy) {
    int left = FloorDiv(x, 4), top = FloorDiv(y, 8);
    int right = FloorDiv(x + cx, 4), bottom = FloorDiv(y + cy, 8);
    if (cx > 0) right = std::max(right, left + 1);
    if (cy > 0) bottom = std::max(bottom, top + 1);
    return RECT{left * kCellWidth, top * kCellHeight, right * kCellWidth, bottom * kCellHeight};
}

// Where the dialog's client area goes on screen: centred between the title and soft-key rows
// (DS_CENTER), or at its place in the owner's client area. The frame drawn around it takes a cell on
// each side, and the whole box stays on the screen where the screen is large enough.
RECT PlaceDialog(const DialogTemplate &t, HWND owner) {
    RECT size = CellsFromDialogUnits(0, 0, t.cx, t.cy);
    int cols = size.right / kCellWidth, rows = size.bottom / kCellHeight;
    FrontEnd *fe = GetFrontEnd();
    int screenCols = fe ? fe->Cols() : 80, screenRows = fe ? fe->Rows() : 24;
    int left, top;
    if (t.style & DS_CENTER) {
        left = (screenCols - cols) / 2;
        top = 1 + (screenRows - 2 - rows) / 2;
    } else {
        RECT origin{0, kCellHeight, 0, 0};
        if (Window *o = FromHandle(owner)) origin = ClientRectOnScreen(o);
        left = origin.left / kCellWidth + FloorDiv(t.x, 4) + 1;
        top = origin.top / kCellHeight + FloorDiv(t.y, 8) + 1;
    }
    left = std::max(std::min(left, screenCols - 1 - cols), 1);
    top = std::max(std::min(top, screenRows - 2 - rows), 2);
    return RECT{left * kCellWidth, top * kCellHeight, (left + cols) * kCellWidth, (top + rows) * kCellHeight};
}

// ---------------------------------------------------------------------------------------------------
// Focus among the controls
// ---------------------------------------------------------------------------------------------------

bool IsTabStop(const Window *w) {
    return (w->style & WS_TABSTOP) && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED) && !w->destroying;
}

LRESULT DialogCode(HWND control, const MSG *msg = nullptr) {
    return SendMessageW(control, WM_GETDLGCODE, msg ? msg->wParam : 0, (LPARAM)msg);
}

// Gives a control the focus as the dialog manager does: an edit reached so has all its text selected.
void FocusControl(HWND control) {
    if (!control) return;
    if (DialogCode(control) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
    if (IsWindow(control)) SetFocus(control);
}

// The control inside the dialog that has the focus, or null.
HWND FocusedControl(HWND dialog) {
    HWND focus = GetFocus();
    return focus && IsChild(dialog, focus) ? focus : nullptr;
}

// Back to the control that had the focus, or to the first tab stop.
void RestoreFocus(HWND dialog, DialogState &d) {
    if (FocusedControl(dialog)) return;
    if (d.savedFocus && IsChild(dialog, d.savedFocus) && IsWindowEnabled(d.savedFocus)) {
        SetFocus(d.savedFocus);
        return;
    }
    FocusControl(GetNextDlgTabItem(dialog, nullptr, FALSE));
}

// WM_NEXTDLGCTL: with a nonzero lParam, wParam is the control; otherwise wParam says backwards.
void NextDialogControl(HWND dialog, WPARAM wParam, LPARAM lParam) {
    HWND target = LOWORD(lParam) ? (HWND)wParam : GetNextDlgTabItem(dialog, FocusedControl(dialog), wParam != 0);
    FocusControl(target);
}

// ---------------------------------------------------------------------------------------------------
// The dialog procedure's answer
// ---------------------------------------------------------------------------------------------------

// Messages whose answer is the dialog procedure's own return value rather than DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: return true;
        default: return false;
    }
}

LRESULT DefaultDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogState *d = DialogOf(dialog);
    if (!d) return DefWindowProcW(dialog, message, wParam, lParam);
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                d->savedFocus = FocusedControl(dialog);
            else
                RestoreFocus(dialog, *d);
            return 0;
        case WM_SETFOCUS: RestoreFocus(dialog, *d); return 0;
        case WM_CLOSE: SendMessageW(dialog, WM_COMMAND, IDCANCEL, (LPARAM)GetDlgItem(dialog, IDCANCEL)); return 0;
        case WM_NEXTDLGCTL: NextDialogControl(dialog, wParam, lParam); return 0;
        case DM_GETDEFID: return MAKELONG(d->defaultId, DC_HASDEFID);
        case DM_SETDEFID: d->defaultId = LOWORD(wParam); return TRUE;
    }
    return DefWindowProcW(dialog, message, wParam, lParam);
}

void FreeDialog(HWND dialog) {
    Window *w = FromHandle(dialog);
    DialogState *d = DialogOf(dialog);
    if (!d) return;
    if (d->font) DeleteObject(d->font);
    delete d;
    w->state = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------------------------------

HFONT FontFor(const DialogTemplate &t) {
    if (!t.hasFont) return nullptr;
    LOGFONTW lf{};
    lf.lfHeight = -LONG(t.pointSize);
    lf.lfWeight = LONG(t.weight);
    lf.lfItalic = t.italic;
    size_t n = std::min<size_t>(t.typeface.size(), LF_FACESIZE - 1);
    std::copy_n(t.typeface.begin(), n, lf.lfFaceName);
    return CreateFontIndirectW(&lf);
}

HWND CreateControl(HWND dialog, HINSTANCE instance, const DialogItemTemplate &item, HFONT font) {
    RECT r = CellsFromDialogUnits(item.x, item.y, item.cx, item.cy);
    LPCWSTR text = item.text.isOrdinal ? MAKEINTRESOURCEW(item.text.ordinal) : item.text.text.c_str();
    HWND control = CreateWindowExW(item.exStyle, item.className.c_str(), text, (item.style | WS_CHILD) & ~WS_POPUP,
                                   r.left, r.top, r.right - r.left, r.bottom - r.top, dialog, (HMENU)(UINT_PTR)item.id,
                                   instance, (LPVOID)item.data);
    if (control && font) SendMessageW(control, WM_SETFONT, (WPARAM)font, FALSE);
    return control;
}

// Undoes a creation that failed part way: the owner comes back as it was.
void AbandonDialog(HWND dialog) {
    DWORD error = GetLastError();
    if (DialogState *d = DialogOf(dialog)) {
        if (d->ownerDisabled) EnableWindow(d->owner, TRUE);
        d->ownerDisabled = false;
    }
    DestroyWindow(dialog);
    SetLastError(error);
}

// Creates the dialog and its controls, hidden, with the owner disabled, and runs WM_INITDIALOG. Null
// when a control (or the dialog) cannot be made; the last error then says why.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate &t, HWND owner, DLGPROC proc, LPARAM param) {
    RECT r = PlaceDialog(t, owner);
    const char16_t *className = t.className.empty() ? kDialogClass : t.className.c_str();
    DWORD style = (t.style & ~(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
    HWND dialog = CreateWindowExW(t.exStyle, className, t.title.c_str(), style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, owner, nullptr, instance, nullptr);
    Window *w = FromHandle(dialog);
    if (!w) return nullptr;
    auto *d = new DialogState;
    w->state = d;
    w->dialog = true;
    d->owner = w->owner ? w->owner->handle : nullptr;
    d->font = FontFor(t);
    Slot(w, DWLP_DLGPROC) = (LONG_PTR)proc;
    // The owner is disabled before the dialog procedure sees anything.
    if (d->owner && IsWindowEnabled(d->owner)) {
        EnableWindow(d->owner, FALSE);
        d->ownerDisabled = true;
    }
    if (d->font) SendMessageW(dialog, WM_SETFONT, (WPARAM)d->font, FALSE);
    for (const DialogItemTemplate &item : t.items) {
        if (!IsWindow(dialog)) return nullptr;
        if (!CreateControl(dialog, instance, item, DialogOf(dialog) ? DialogOf(dialog)->font : nullptr) &&
            !(t.style & DS_NOFAILCREATE)) {
            AbandonDialog(dialog);
            return nullptr;
        }
    }
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    LRESULT focusFirst = SendMessageW(dialog, WM_INITDIALOG, (WPARAM)first, param);
    d = DialogOf(dialog);
    if (!d) return nullptr;
    if (focusFirst && !d->ended) FocusControl(GetNextDlgTabItem(dialog, nullptr, FALSE));
    return dialog;
}

// ---------------------------------------------------------------------------------------------------
// The keyboard
// ---------------------------------------------------------------------------------------------------

// On the phone the pad's Up and Down go from control to control, except in a control that moves
// through rows of its own with them (a list, a multiline edit).
bool UpDownMovesFocus(LRESULT code) {
    if (!(code & DLGC_WANTARROWS)) return true;
    bool singleLineEdit = (code & DLGC_HASSETSEL) && !(code & DLGC_WANTALLKEYS);
    return singleLineEdit;
}

// Enter presses the default button: a focused default push button, or the dialog's default id.
void PressDefault(HWND dialog) {
    HWND focus = FocusedControl(dialog);
    if (focus && (DialogCode(focus) & DLGC_DEFPUSHBUTTON)) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), (LPARAM)focus);
        return;
    }
    DWORD defId = (DWORD)SendMessageW(dialog, DM_GETDEFID, 0, 0);
    WORD id = HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : IDOK;
    HWND button = GetDlgItem(dialog, id);
    if (!button || IsWindowEnabled(button))
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

// A key press the dialog takes for itself; false when it goes to the control.
bool TakeDialogKey(HWND dialog, MSG &msg) {
    LRESULT code = DialogCode(msg.hwnd, &msg);
    if (code & DLGC_WANTMESSAGE) return false;
    switch (msg.wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) return false;
            SendMessageW(dialog, WM_NEXTDLGCTL, (GetKeyState(VK_SHIFT) & 0x8000) != 0, 0);
            return true;
        case VK_UP:
        case VK_DOWN:
            if (!UpDownMovesFocus(code)) return false;
            SendMessageW(dialog, WM_NEXTDLGCTL, msg.wParam == VK_UP, 0);
            return true;
        case VK_ESCAPE: SendMessageW(dialog, WM_COMMAND, IDCANCEL, (LPARAM)GetDlgItem(dialog, IDCANCEL)); return true;
        case VK_RETURN: PressDefault(dialog); return true;
        default: return false;
    }
}

}  // namespace

void RegisterDialogClass() {
    RegisterSystemClass(kDialogClass, DefDlgProcW, 0, DLGWINDOWEXTRA);
}

}  // namespace posix

using namespace posix;

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *w = FromHandle(dialog);
    if (!w) return 0;
    DLGPROC proc = w->dialog ? (DLGPROC)Slot(w, DWLP_DLGPROC) : nullptr;
    Slot(w, DWLP_MSGRESULT) = 0;
    INT_PTR handled = proc ? proc(dialog, message, wParam, lParam) : 0;
    w = FromHandle(dialog);
    if (message == WM_NCDESTROY) {
        FreeDialog(dialog);
        return 0;
    }
    if (handled) {
        if (!w || AnswersDirectly(message)) return handled;
        return Slot(w, DWLP_MSGRESULT);
    }
    if (!w) return 0;
    return DefaultDialogMessage(dialog, message, wParam, lParam);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND parent, DLGPROC dialogFunc,
                                LPARAM initParam) {
    if (!dialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (parent && !IsWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    DialogTemplate t = ReadDialogTemplate(dialogTemplate);
    HWND dialog = CreateDialogFromTemplate(instance, t, parent, dialogFunc, initParam);
    if (!dialog) return -1;
    DialogState *d = DialogOf(dialog);
    HWND owner = d ? d->owner : nullptr;
    // Shown only now, whatever the template says, and never when it ended during WM_INITDIALOG.
    if (d && !d->ended) ShowWindow(dialog, SW_SHOW);
    // The owner hears each time the dialog waits for input, unless the template asks for quiet.
    bool tellIdle = owner && !(t.style & DS_NOIDLEMSG);
    RunModalLoop([dialog] { return !DialogOf(dialog) || DialogOf(dialog)->ended; },
                 [dialog](MSG &msg) { return IsDialogMessageW(dialog, &msg) != FALSE; },
                 [dialog, owner, tellIdle] {
                     if (tellIdle) SendMessageW(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, (LPARAM)dialog);
                 });
    INT_PTR result = 0;
    if ((d = DialogOf(dialog))) {
        result = d->result;
        if (d->ownerDisabled) EnableWindow(d->owner, TRUE);
        d->ownerDisabled = false;
        DestroyWindow(dialog);
    }
    if (owner && IsWindow(owner) && IsWindowVisible(owner)) SetActiveWindow(owner);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogState *d = DialogOf(dialog);
    if (!d) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    d->ended = true;
    d->result = result;
    // The owner is enabled before the dialog goes, so that it can take the activation back.
    if (d->ownerDisabled) EnableWindow(d->owner, TRUE);
    d->ownerDisabled = false;
    ShowWindow(dialog, SW_HIDE);
    // Wakes a modal loop that waits for input, when the call did not come from one of its messages.
    PostMessageW(dialog, WM_NULL, 0, 0);
    return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    Window *d = FromHandle(dialog);
    if (!d) return nullptr;
    const std::vector<Window *> &children = d->children;
    size_t n = children.size();
    if (n == 0) return nullptr;
    Window *from = FromHandle(control);
    auto at = std::find(children.begin(), children.end(), from);
    if (!from || at == children.end()) {
        // No control to start from: the first tab stop, or the last going backwards.
        for (size_t i = 0; i < n; ++i) {
            Window *c = children[previous ? n - 1 - i : i];
            if (IsTabStop(c)) return c->handle;
        }
        return nullptr;
    }
    size_t start = size_t(at - children.begin());
    for (size_t step = 1; step < n; ++step) {
        size_t i = previous ? (start + n - step) % n : (start + step) % n;
        if (IsTabStop(children[i])) return children[i]->handle;
    }
    return control;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    if (!DialogOf(dialog) || !rect) return FALSE;
    RECT r = CellsFromDialogUnits(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    *rect = r;
    return TRUE;
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
    if (!msg || !DialogOf(dialog)) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    if (msg->message == WM_KEYDOWN && TakeDialogKey(dialog, *msg)) {
        DropPendingChar(*msg);
        return TRUE;
    }
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}
