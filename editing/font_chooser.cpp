// The font chooser. A font object is made for every sample and for Done; each sample font is released as
// soon as the next one replaces it or the dialog goes, so that opening the chooser again and again does
// not pile fonts up. The font Done makes belongs to the editor from then on.
#include "editing/font_chooser.h"

#include "shell/shell.h"
#include "shell/soft_keys.h"
#include "editing/editor.h"
#include "resource.h"
#include "settings/settings.h"

#include <algorithm>

HWND FontDialogWindow = nullptr;

namespace {

constexpr int kSmallestSize = 5;
constexpr int kLargestSize = 24;
// Where the size list opens when no stored size names one of its items: "15".
constexpr int kFirstSize = 15;

HWND FaceList(HWND dialog) {
    return GetDlgItem(dialog, IDC_FONT_NAMES);
}
HWND SizeList(HWND dialog) {
    return GetDlgItem(dialog, IDC_FONT_SIZES);
}

// ---------------------------------------------------------------------------------------------------
// The two lists
// ---------------------------------------------------------------------------------------------------

void FillFaceList() {
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesW(screen, nullptr, AddFaceName, 0);
    ReleaseDC(nullptr, screen);
}

// Each item's data is its size, so that the choice is read back as a number rather than parsed.
void FillSizeList(HWND dialog) {
    HWND sizes = SizeList(dialog);
    for (int size = kSmallestSize; size <= kLargestSize; ++size) {
        WCHAR text[12];
        _itow(size, text, 10);
        LRESULT index = SendMessageW(sizes, LB_ADDSTRING, 0, (LPARAM)text);
        if (index >= 0) SendMessageW(sizes, LB_SETITEMDATA, (WPARAM)index, size);
    }
}

// A stored choice comes back as it was stored: the item of that very name first (letter case aside),
// and only when there is none the first item that begins with it. LB_SELECTSTRING alone would start
// after the first item and take "DejaVu Sans Mono" for a stored "DejaVu Sans". A stored value that
// names no item opens the list where it opens with nothing stored, so that Done always has an item.
void Preselect(HWND list, LPCWSTR stored, int otherwise) {
    LRESULT index = LB_ERR;
    if (stored && *stored) {
        index = SendMessageW(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)stored);
        if (index == LB_ERR) index = SendMessageW(list, LB_FINDSTRING, (WPARAM)-1, (LPARAM)stored);
    }
    SendMessageW(list, LB_SETCURSEL, index == LB_ERR ? (WPARAM)otherwise : (WPARAM)index, 0);
}

void PreselectFace(HWND dialog) {
    Preselect(FaceList(dialog), FontFaceName.c_str(), 0);
}

void PreselectSize(HWND dialog) {
    WCHAR text[12] = {};
    if (FontSize >= 1) _itow(int(FontSize), text, 10);
    Preselect(SizeList(dialog), text, kFirstSize - kSmallestSize);
}

// The description of the font the lists select: all zero but the face and the height. False when
// either list has no selection or the face would not fit, so that no font is built from a missing face
// or a height of LB_ERR.
bool ReadChoice(HWND dialog, LOGFONTW &description) {
    description = LOGFONTW{};
    HWND faces = FaceList(dialog), sizes = SizeList(dialog);
    LRESULT face = SendMessageW(faces, LB_GETCURSEL, 0, 0);
    LRESULT size = SendMessageW(sizes, LB_GETCURSEL, 0, 0);
    if (face == LB_ERR || size == LB_ERR) return false;
    LRESULT length = SendMessageW(faces, LB_GETTEXTLEN, (WPARAM)face, 0);
    if (length < 1 || length >= LF_FACESIZE) return false;
    SendMessageW(faces, LB_GETTEXT, (WPARAM)face, (LPARAM)description.lfFaceName);
    LRESULT height = SendMessageW(sizes, LB_GETITEMDATA, (WPARAM)size, 0);
    if (height < kSmallestSize || height > kLargestSize) return false;
    description.lfHeight = LONG(height);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// The sample
// ---------------------------------------------------------------------------------------------------

// The sample starts in the dialog's own font, which the dialog releases itself; every later one is ours.
void ReleaseSampleFont(HWND dialog, HFONT font) {
    if (font && font != (HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0)) DeleteObject(font);
}

void RefreshSample(HWND dialog) {
    HFONT font = CreateChosenFont(dialog);
    if (!font) return;
    HWND sample = GetDlgItem(dialog, IDC_FONT_SAMPLE);
    HFONT shown = (HFONT)SendMessageW(sample, WM_GETFONT, 0, 0);
    SendMessageW(sample, WM_SETFONT, (WPARAM)font, 1);
    ReleaseSampleFont(dialog, shown);
}

// ---------------------------------------------------------------------------------------------------
// The dialog
// ---------------------------------------------------------------------------------------------------

void CreateFontSoftKeys(HWND dialog) {
    CreateSoftKeysTakingBack(dialog, IDR_FONT_MENU);
}

INT_PTR InitFontDialog(HWND dialog) {
    FontDialogWindow = dialog;
    SHINITDLGINFO info = {};
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    info.dwFlags = SHIDIF_SIZEDLGFULLSCREEN;
    if (!SHInitDialog(&info)) {
        // Without its soft keys the dialog would have no way out: it ends before it is shown and the
        // user is back in the editor with nothing changed.
        EndDialog(dialog, 0);
        return 0;
    }
    CreateFontSoftKeys(dialog);
    FillFaceList();
    PreselectFace(dialog);
    FillSizeList(dialog);
    PreselectSize(dialog);
    // The face list takes the focus next, and its LBN_SETFOCUS draws the first sample.
    return 1;
}

// Done: the choice is remembered and stored even when its font cannot be made; the editor then keeps
// the font it has. Lists that hold no choice (a machine that enumerates no face) store nothing.
void ConfirmFont(HWND dialog) {
    LOGFONTW description;
    if (!ReadChoice(dialog, description)) {
        EndDialog(dialog, 0);
        return;
    }
    HFONT font = CreateFontIndirectW(&description);
    FontFaceName = description.lfFaceName;
    FontSize = description.lfHeight;
    SaveFontSetting(FontFaceName.c_str(), FontSize);
    EndDialog(dialog, (INT_PTR)font);
}

INT_PTR OnListNotification(HWND dialog, WORD code) {
    if (code != LBN_SELCHANGE && code != LBN_SETFOCUS) return 0;
    RefreshSample(dialog);
    return 1;
}

INT_PTR OnFontCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
        case IDC_FONT_NAMES:
        case IDC_FONT_SIZES: return OnListNotification(dialog, HIWORD(wParam));
        case IDM_FONT_DONE: ConfirmFont(dialog); return 1;
        case IDM_DIALOG_CANCEL: EndDialog(dialog, 0); return 1;
        default: return 1;
    }
}

INT_PTR OnFontHotKey(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam) == VK_TBACK) SHSendBackToFocusWindow(message, wParam, lParam);
    return 1;
}

// The dialog goes with the last sample font still shown; the controls are destroyed only after this.
void OnFontDialogDestroy(HWND dialog) {
    ReleaseSampleFont(dialog, (HFONT)SendMessageW(GetDlgItem(dialog, IDC_FONT_SAMPLE), WM_GETFONT, 0, 0));
    if (FontDialogWindow == dialog) FontDialogWindow = nullptr;
}

// Runs the chooser owned by window: the font Done made, 0 when none, -1 when it could not be shown.
INT_PTR RunFontDialog(HWND window) {
    HRSRC resource = FindResourceW(InstanceHandle, MAKEINTRESOURCEW(IDD_FONT), RT_DIALOG);
    HGLOBAL loaded = resource ? LoadResource(InstanceHandle, resource) : nullptr;
    auto dialogTemplate = (LPCDLGTEMPLATEW)(loaded ? LockResource(loaded) : nullptr);
    if (!dialogTemplate) return -1;
    return DialogBoxIndirectParamW(InstanceHandle, dialogTemplate, window, FontDialogProc, 0);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Shared with the window procedure
// ---------------------------------------------------------------------------------------------------

INT_PTR CALLBACK FontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return InitFontDialog(dialog);
        case WM_COMMAND: return OnFontCommand(dialog, wParam);
        case WM_HOTKEY: return OnFontHotKey(message, wParam, lParam);
        case WM_DESTROY: OnFontDialogDestroy(dialog); return 0;
        default: return 0;
    }
}

int CALLBACK AddFaceName(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM) {
    if (!font || !FontDialogWindow) return 1;
    // Copied with a bound and a terminator of its own: the list never reads past the face field.
    WCHAR face[LF_FACESIZE] = {};
    const WCHAR *end = std::find(font->lfFaceName, font->lfFaceName + LF_FACESIZE - 1, WCHAR(0));
    std::copy(font->lfFaceName, end, face);
    if (face[0]) SendMessageW(FaceList(FontDialogWindow), LB_ADDSTRING, 0, (LPARAM)face);
    return 1;
}

HFONT CreateChosenFont(HWND dialog) {
    LOGFONTW description;
    if (!ReadChoice(dialog, description)) return nullptr;
    return CreateFontIndirectW(&description);
}

LRESULT ChangeFontCommand(HWND window) {
    INT_PTR result = RunFontDialog(window);
    // 0: nothing chosen; -1: the dialog could not be shown. Neither touches the editor's font.
    if (result != 0 && result != -1) SetEditorFont((HFONT)result);
    // A dialog that ended before it was shown gives no activation back to MainWindow, and its owner lost
    // the focus when the dialog disabled it: the editor takes it again, so that typing reaches it.
    if (EditorControl) SetFocus(EditorControl);
    return 1;
}

void ResetFontChooserState() {
    FontDialogWindow = nullptr;
}
