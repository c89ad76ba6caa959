// Find and Find next. The search ignores letter case by converting a copy of the editor's text and a
// copy of the search text the same way, one character for one, so that positions in the copies are
// positions in the editor.
#include "editing/find.h"

#include "shell/shell.h"
#include "shell/soft_keys.h"
#include "shell/wait_cursor.h"
#include "editing/editor.h"
#include "resource.h"

#include <algorithm>
#include <memory>
#include <new>

WString SearchText;

namespace {

void ReportNoMemory(HWND owner) {
    MessageBoxW(owner, TEXT("There is not enough memory to search the text."), TEXT("Error"), MB_OK | MB_ICONERROR);
}

// ---------------------------------------------------------------------------------------------------
// The Find dialog
// ---------------------------------------------------------------------------------------------------

void CreateFindSoftKeys(HWND dialog) {
    // Back then deletes in the field instead of closing the dialog.
    CreateSoftKeysTakingBack(dialog, IDR_FIND_MENU);
}

void InitFindDialog(HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_FIND_TEXT);
    SetFocus(field);
    CreateFindSoftKeys(dialog);
    // The last text comes back all selected, so that typing replaces it.
    if (!SearchText.empty()) {
        SetWindowTextW(field, SearchText.c_str());
        SendMessageW(field, EM_SETSEL, 0, (LPARAM)SearchText.size());
    }
}

// The soft key "Find": the field's text becomes SearchText, an empty one forgets it.
void ConfirmFind(HWND dialog) {
    HWND field = GetDlgItem(dialog, IDC_FIND_TEXT);
    int length = GetWindowTextLengthW(field);
    if (length <= 0) {
        WString().swap(SearchText);
        EndDialog(dialog, 0);
        return;
    }
    // The new text is read before the old one goes, so that a failure leaves SearchText as it was.
    WString text;
    try {
        text.resize(size_t(length) + 1);
    } catch (const std::bad_alloc &) {
        ReportNoMemory(dialog);
        EndDialog(dialog, 0);
        return;
    }
    length = GetWindowTextW(field, text.data(), length + 1);
    text.resize(size_t(length));
    SearchText.swap(text);
    EndDialog(dialog, length);
}

INT_PTR OnFindCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
        case IDM_FIND_CONFIRM: ConfirmFind(dialog); break;
        case IDM_DIALOG_CANCEL: EndDialog(dialog, 0); break;
        default: break;
    }
    return 1;
}

INT_PTR OnFindHotKey(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam) == VK_TBACK) SHSendBackToFocusWindow(message, wParam, lParam);
    return 1;
}

// Runs the Find dialog owned by window: the length of the confirmed entry, 0 when none was confirmed,
// -1 when the dialog could not be shown.
INT_PTR RunFindDialog(HWND window) {
    HRSRC resource = FindResourceW(InstanceHandle, MAKEINTRESOURCEW(IDD_FIND), RT_DIALOG);
    HGLOBAL loaded = resource ? LoadResource(InstanceHandle, resource) : nullptr;
    auto dialogTemplate = (LPCDLGTEMPLATEW)(loaded ? LockResource(loaded) : nullptr);
    if (!dialogTemplate) return -1;
    return DialogBoxIndirectParamW(InstanceHandle, dialogTemplate, window, FindDialogProc, 0);
}

bool EditorIsEmpty() {
    return GetWindowTextLengthW(EditorControl) == 0;
}

// The start of the selection: its lower end, or the caret when nothing is selected.
size_t SelectionStart() {
    DWORD start = 0;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&start, 0);
    return start;
}

// A copy of the text converted to one letter case, or null when there is no memory for it.
std::unique_ptr<WCHAR[]> FoldedCopy(const WCHAR *text, size_t length) {
    std::unique_ptr<WCHAR[]> copy(new (std::nothrow) WCHAR[length + 1]);
    if (!copy) return copy;
    std::copy(text, text + length, copy.get());
    copy[length] = 0;
    CharUpperBuffW(copy.get(), DWORD(length));
    return copy;
}

std::unique_ptr<WCHAR[]> FoldedEditorText(size_t &length) {
    length = size_t(GetWindowTextLengthW(EditorControl));
    std::unique_ptr<WCHAR[]> copy(new (std::nothrow) WCHAR[length + 1]);
    if (!copy) return copy;
    length = size_t(GetWindowTextW(EditorControl, copy.get(), int(length + 1)));
    CharUpperBuffW(copy.get(), DWORD(length));
    return copy;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Shared with the window procedure
// ---------------------------------------------------------------------------------------------------

INT_PTR CALLBACK FindDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: InitFindDialog(dialog); return 1;
        case WM_COMMAND: return OnFindCommand(dialog, wParam);
        case WM_HOTKEY: return OnFindHotKey(message, wParam, lParam);
        default: return 0;
    }
}

bool FindInEditor(HWND owner, int offset) {
    WaitCursor wait;
    size_t length = 0;
    std::unique_ptr<WCHAR[]> text = FoldedEditorText(length);
    std::unique_ptr<WCHAR[]> wanted = text ? FoldedCopy(SearchText.c_str(), SearchText.size()) : nullptr;
    if (!text || !wanted) {
        wait.Restore();
        ReportNoMemory(owner);
        return false;
    }
    // No wrap-around: text before the starting point is never searched.
    size_t from = SelectionStart() + size_t(offset);
    const WCHAR *found = from < length ? wcsstr(text.get() + from, wanted.get()) : nullptr;
    if (found) {
        size_t at = size_t(found - text.get());
        SendMessageW(EditorControl, EM_SETSEL, (WPARAM)at, (LPARAM)(at + SearchText.size()));
        SendMessageW(EditorControl, EM_SCROLLCARET, 0, 0);
        return true;
    }
    wait.Restore();
    MessageBoxW(owner, TEXT("Couldn't find string"), TEXT("Not found"), MB_ICONINFORMATION);
    return true;
}

LRESULT FindCommand(HWND window) {
    if (!RestoreEditor(window) || EditorIsEmpty()) return 1;
    // 0: cancelled or an empty entry; -1: the dialog could not be shown. Neither searches.
    if (RunFindDialog(window) <= 0) return 1;
    if (FindInEditor(window, 0)) EnableMenuItem(MainMenu, IDM_FIND_NEXT, MF_BYCOMMAND | MF_ENABLED);
    return 1;
}

LRESULT FindNextCommand(HWND window) {
    // After an empty entry there is no text to search for, though the item stays enabled.
    if (SearchText.empty()) return 1;
    if (!RestoreEditor(window) || EditorIsEmpty()) return 1;
    FindInEditor(window, 1);
    return 1;
}

void ResetFindState() {
    WString().swap(SearchText);
}
