#include "browser/browser.h"

#include "browser/folder_tree.h"
#include "document/document.h"
#include "document/textfile.h"
#include "editing/editor.h"
#include "resource.h"
#include "shell/shell.h"
#include "shell/soft_keys.h"

HWND BrowserWindow = nullptr;
int BrowserMode = 0;
HWND BrowserSoftKeyBar = nullptr;
HTREEITEM SavedTreeSelection = nullptr;
HWND SaveNameField = nullptr;
HWND SaveAsLabel = nullptr;

namespace {

// Whether the current BrowserWindow shows the Save As strip: a second Select reuses it.
bool SaveStripShown = false;

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kSpinStyle =
    WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_EXPANDABLE | UDS_NOSCROLL;
constexpr DWORD kNameFieldStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
// The strip below the tree, in pixels up from the bottom of the browser's client area.
constexpr int kTreeGap = 50, kLabelTop = 48, kLabelBottom = 24, kFieldTop = 22, kFieldBottom = 2;
constexpr int kSpinWidth = 16;
void ShowError(LPCWSTR text) {
    MessageBoxW(MainWindow, text, TEXT("Error"), MB_ICONHAND);
}
bool AskToGoOn(LPCWSTR text) {
    return MessageBoxW(MainWindow, text, TEXT("Warning"), MB_YESNO | MB_ICONQUESTION) != IDNO;
}

// A path whose attributes could not be read. notFoundIsNew: a missing file in an existing folder is
// no error (Save); otherwise it is one (Open). Answers whether an error was shown.
bool ReportMissingPath(DWORD error, bool notFoundIsNew) {
    if (error == ERROR_FILE_NOT_FOUND) {
        if (notFoundIsNew) return false;
        ShowError(TEXT("File does not exist"));
    } else if (error == ERROR_PATH_NOT_FOUND) {
        ShowError(TEXT("Path does not exist"));
    } else {
        WCHAR text[64];
        wsprintfW(text, TEXT("Unknown error %ld"), (long)(LONG)error);
        ShowError(text);
    }
    return true;
}

HTREEITEM SelectedItem() {
    return (HTREEITEM)SendMessageW(FolderTree, TVM_GETNEXTITEM, TVGN_CARET, 0);
}

// The checks before a file is opened, in their order. True when it may be opened.
bool MayOpen(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        ReportMissingPath(GetLastError(), false);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ShowError(TEXT("The selection is a directory"));
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_ROMMODULE) {
        ShowError(TEXT("This file is placed in ROM and can't be opened"));
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_SYSTEM) {
        ShowError(TEXT("This file is a system file and can't be read due to security issues"));
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return AskToGoOn(TEXT("This file is readonly, you wont be able to save to it, continue ?"));
    return true;
}

// The checks before saving over path. Every error is shown, and an existing path is asked about even
// after one; nothing is saved once an error was shown, whatever the answer.
bool MaySave(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return !ReportMissingPath(GetLastError(), true);
    bool error = false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ShowError(TEXT("The chosen filename is a directory"));
        error = true;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        ShowError(TEXT("This file is readonly"));
        error = true;
    }
    if (!AskToGoOn(TEXT("This file already exist, do you want to owerwrite it ?"))) return false;
    return !error;
}

HWND CreateStripControl(LPCWSTR className, LPCWSTR text, DWORD style, int id, int top, int bottom, int width) {
    return CreateWindowExW(0, className, text, style, 0, top, width, bottom - top, BrowserWindow, (HMENU)(UINT_PTR)id,
                           InstanceHandle, nullptr);
}

// The tree gives the strip room at the bottom; the name field, its label and the spin control fill it,
// and the left soft key becomes "Save".
void BuildSaveStrip() {
    RECT client = {};
    GetClientRect(BrowserWindow, &client);
    LONG b = client.bottom, width = client.right;
    SetWindowPos(FolderTree, nullptr, 0, 0, width, b - kTreeGap, SWP_NOMOVE);
    SendMessageW(FolderTree, TVM_ENSUREVISIBLE, 0, (LPARAM)SavedTreeSelection);
    SaveNameField = CreateStripControl(TEXT("edit"), TEXT(""), kNameFieldStyle, IDC_FOLDER_TREE, b - kFieldTop,
                                       b - kFieldBottom, width);
    SaveAsLabel = CreateStripControl(TEXT("static"), TEXT("Save As :"), kLabelStyle, IDC_SAVEAS_LABEL, b - kLabelTop,
                                     b - kLabelBottom, width);
    // The spin control takes its own width from the end of the label (UDS_ALIGNRIGHT), so it is made
    // only as wide as its arrows: made as wide as the strip, it would take the label's whole row.
    CreateWindowExW(0, UPDOWN_CLASSW, TEXT(""), kSpinStyle, width - kSpinWidth, b - kLabelTop, kSpinWidth,
                    kLabelTop - kLabelBottom, BrowserWindow, (HMENU)(UINT_PTR)IDC_SAVEAS_SPIN, InstanceHandle, nullptr);

    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<LPWSTR>(TEXT("Save"));
    SendMessageW(BrowserSoftKeyBar, TB_SETBUTTONINFO, IDM_SAVEAS_SELECT, (LPARAM)&info);
    info.dwMask = TBIF_COMMAND;
    info.idCommand = IDM_SAVEAS_SAVE;
    SendMessageW(BrowserSoftKeyBar, TB_SETBUTTONINFO, IDM_SAVEAS_SELECT, (LPARAM)&info);
    SaveStripShown = true;
}

}  // namespace

LRESULT OpenBrowser(HWND window, int mode) {
    if (mode == kBrowseToOpen && !ConfirmDiscard()) return 1;
    BrowserMode = mode;
    SaveStripShown = false;
    bool open = mode == kBrowseToOpen;
    BrowserWindow = CreateWindowExW(0, SCRIVEL_CLASS_NAME, open ? TEXT("ScrivelOpenFile") : TEXT("ScrivelSaveAs"),
                                    WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    nullptr, nullptr, InstanceHandle, nullptr);
    if (!BrowserWindow) return 1;
    CreateFolderTree(BrowserWindow, window);
    // The bar belongs to BrowserWindow rather than to the tree, so that its Back key reaches the window
    // procedure, which lets it delete in the name field (and nowhere else).
    BrowserSoftKeyBar = CreateSoftKeysTakingBack(BrowserWindow, open ? IDR_OPEN_MENU : IDR_SAVEAS_MENU);
    SetWindowTextW(BrowserWindow, open ? TEXT("Scrivel - Open File") : TEXT("Scrivel - Save File"));
    ShowWindow(BrowserWindow, SW_SHOW);
    SetFocus(FolderTree);
    return 1;
}

LRESULT OpenSelectedFile() {
    HTREEITEM selected = SelectedItem();
    WCHAR path[MAX_PATH];
    if (!selected || !ItemFullPath(selected, false, path) || !MayOpen(path)) return 1;
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    OpenDocument(path);
    return CloseBrowser();
}

LRESULT SelectSaveTarget() {
    HTREEITEM selected = SelectedItem();
    // A selected folder proposes its path ready for a name; a file proposes its own path.
    WCHAR proposed[MAX_PATH];
    if (!selected || !ItemFullPath(selected, true, proposed)) return 1;
    SavedTreeSelection = selected;
    if (SaveStripShown)
        SendMessageW(FolderTree, TVM_ENSUREVISIBLE, 0, (LPARAM)SavedTreeSelection);
    else
        BuildSaveStrip();
    SetFocus(SaveNameField);
    SetWindowTextW(SaveNameField, proposed);
    // Nothing selected, and the caret after the path, so that a name typed for a folder follows it.
    WPARAM end = (WPARAM)wcslen(proposed);
    SendMessageW(SaveNameField, EM_SETSEL, end, (LPARAM)end);
    return 1;
}

LRESULT SaveUnderTypedName() {
    int length = GetWindowTextLengthW(SaveNameField);
    if (length == 0) return 1;
    if (length >= MAX_PATH) {
        ShowPathTooLong();
        return 1;
    }
    WCHAR path[MAX_PATH];
    GetWindowTextW(SaveNameField, path, length + 1);
    if (!MaySave(path)) return 1;
    SaveDocumentAs(path);
    return CloseBrowser();
}

LRESULT CloseBrowser() {
    ShowWindow(MainWindow, SW_SHOWNORMAL);
    SetFocus(EditorControl);
    DestroyWindow(BrowserWindow);
    return 1;
}

LRESULT FocusFolderTree() {
    SetFocus(FolderTree);
    return 1;
}

LRESULT OnBrowserBackKey(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam) == VK_TBACK && SaveStripShown && GetFocus() == SaveNameField)
        SHSendBackToFocusWindow(message, wParam, lParam);
    return 1;
}

void ResetBrowserState() {
    BrowserWindow = nullptr;
    BrowserMode = 0;
    BrowserSoftKeyBar = nullptr;
    SavedTreeSelection = nullptr;
    SaveNameField = nullptr;
    SaveAsLabel = nullptr;
    SaveStripShown = false;
    ResetFolderTreeState();
}
