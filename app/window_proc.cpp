// The one window procedure of the program's top-level windows, and its command table.
#include "app/app.h"
#include "shell/soft_keys.h"
#include "browser/browser.h"
#include "browser/folder_tree.h"
#include "document/document.h"
#include "document/rescue.h"
#include "document/textfile.h"
#include "editing/editor.h"
#include "editing/find.h"
#include "editing/font_chooser.h"
#include "editing/mark.h"
#include "resource.h"
#include "settings/recent.h"

HWND MainWindow = nullptr;
HWND MainSoftKeyBar = nullptr;
HMENU MainMenu = nullptr;

namespace {

// Set when the first window is created, so that only MainWindow gets MainSoftKeyBar.
bool BarCreated = false;

constexpr WORD kBackKey = VK_TBACK;
constexpr WORD kMarkKey = VK_TSOFT1;
void SetMenuItemEnabled(UINT command, bool enable) {
    EnableMenuItem(MainMenu, command, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

HMENU ReadMainMenu(HWND bar) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_LPARAM;
    SendMessageW(bar, TB_GETBUTTONINFO, IDM_MENU_KEY, (LPARAM)&info);
    return (HMENU)info.lParam;
}

// WM_CREATE of the first window, MainWindow.
LRESULT OnCreateFirstWindow(HWND window) {
    BarCreated = true;
    SHMENUBARINFO mbi = {};
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = window;
    mbi.nToolBarId = IDR_MAIN_MENU;
    mbi.hInstRes = InstanceHandle;
    if (!SHCreateMenuBar(&mbi)) return -1;
    MainSoftKeyBar = mbi.hwndMB;
    MainMenu = ReadMainMenu(MainSoftKeyBar);
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    SendMessageW(MainSoftKeyBar, SHCMBM_OVERRIDEKEY, kBackKey, kOverrideNotifyNoDefault);
    SendMessageW(MainSoftKeyBar, SHCMBM_OVERRIDEKEY, kMarkKey, kOverrideNotifyNoDefault);
    return 0;
}

LRESULT OnCreate(HWND window) {
    return BarCreated ? 0 : OnCreateFirstWindow(window);
}

LRESULT OnDestroy(HWND window) {
    if (window == MainWindow) PostQuitMessage(0);
    if (window == BrowserWindow) {
        ReleaseFolderTreeFont();
        ReleaseBrowserStrings();
    }
    return 1;
}

LRESULT OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == BrowserWindow && LOWORD(wParam) == WA_ACTIVE) return FocusFolderTree();
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT OnSetFocus(HWND window) {
    if (window == MainWindow) SetFocus(EditorControl);
    if (window == BrowserWindow) FocusFolderTree();
    return 1;
}

// Only the folder tree's notifications are looked at; the tree reads 0 as "go on" (an item may expand).
LRESULT OnNotify(WPARAM id, const NMHDR *header) {
    if (id != IDC_FOLDER_TREE) return 1;
    OnFolderTreeNotify(header);
    return 0;
}

// Key messages that reach a top-level window are never passed on to default handling. Up, Print and the
// left soft key answer 0, as they do on the device; every other key is answered as handled.
LRESULT OnKey(WPARAM key) {
    return (key == VK_UP || key == VK_PRINT || key == VK_TSOFT1) ? 0 : 1;
}

LRESULT OnInitMenuPopup(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((HMENU)wParam != MainMenu) return DefWindowProcW(window, message, wParam, lParam);
    EnableUndoItem(SendMessageW(EditorControl, EM_CANUNDO, 0, 0) == 1);
    return 1;
}

LRESULT OnHotKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == BrowserWindow) return OnBrowserBackKey(message, wParam, lParam);
    if (HIWORD(lParam) == kBackKey) {
        SHSendBackToFocusWindow(message, wParam, lParam);
        return 1;
    }
    if (HIWORD(lParam) == kMarkKey) return SetMarkAnchor();
    return 1;
}

// The recent files are stored only here, at a Quit the user confirmed.
LRESULT Quit(HWND window) {
    if (!ConfirmDiscard()) return 1;
    SaveRecentFiles();
    DestroyWindow(window);
    return 1;
}

LRESULT Save() {
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    SaveDocument();
    return 1;
}

// The session ends (the terminal hung up, the program was told to stop): the process ends right after,
// so whatever the user has not saved is kept now, once, by MainWindow.
LRESULT OnEndSession(HWND window, WPARAM ending) {
    if (ending && window == MainWindow) RescueDocument();
    return 0;
}

LRESULT About() {
    ShowAbout();
    return 1;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_CHANGE) {
        OnEditorChanged((HWND)lParam);
        return 1;
    }
    switch (wParam) {
        case IDM_EXIT:
        case IDM_QUIT: return Quit(window);
        case IDM_FILE_SAVE: return Save();
        case IDM_FILE_NEW: return NewDocument();
        case IDM_FILE_OPEN: return OpenBrowser(window, kBrowseToOpen);
        case IDM_FILE_SAVEAS: return OpenBrowser(window, kBrowseToSaveAs);
        case IDM_OPEN_SELECTED: return OpenSelectedFile();
        case IDM_SAVEAS_SELECT: return SelectSaveTarget();
        case IDM_SAVEAS_SAVE: return SaveUnderTypedName();
        case IDM_OPEN_CANCEL:
        case IDM_SAVEAS_CANCEL: return CloseBrowser();
        case IDM_MISC_ABOUT: return About();
        case IDM_MISC_WORDWRAP: return ToggleWordWrap(window);
        case IDM_MISC_FONT: return ChangeFontCommand(window);
        case IDM_FIND: return FindCommand(window);
        case IDM_FIND_NEXT: return FindNextCommand(window);
        case IDM_EDIT_COPY: return CopySelection(false);
        case IDM_EDIT_CUT: return CopySelection(true);
        case IDM_EDIT_PASTE: return PasteClipboardText();
        case IDM_EDIT_UNDO: return UndoEdit();
        default:
            if (wParam >= IDM_RECENT_FIRST && wParam <= IDM_RECENT_LAST) return OpenRecentFile(UINT(wParam));
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void EnableSaveItem(bool enable) {
    SetMenuItemEnabled(IDM_FILE_SAVE, enable);
}
void EnableSaveAsItem(bool enable) {
    SetMenuItemEnabled(IDM_FILE_SAVEAS, enable);
}
void EnableUndoItem(bool enable) {
    SetMenuItemEnabled(IDM_EDIT_UNDO, enable);
}

void ShowAbout() {
    WString text = TEXT("Scrivel - a plain-text editor for the phone\n");
    text += TEXT("Version ") + ProgramVersion(InstanceHandle) + TEXT("\n");
    text += TEXT("Written by the Scrivel developers\nPublished by the Scrivel developers");
    MessageBoxW(MainWindow, text.c_str(), TEXT("About"), MB_ICONINFORMATION);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate(window);
        case WM_DESTROY: return OnDestroy(window);
        case WM_ACTIVATE: return OnActivate(window, message, wParam, lParam);
        case WM_SETFOCUS: return OnSetFocus(window);
        case WM_NOTIFY: return OnNotify(wParam, reinterpret_cast<const NMHDR *>(lParam));
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP: return OnKey(wParam);
        case WM_COMMAND: return OnCommand(window, message, wParam, lParam);
        case WM_INITMENUPOPUP: return OnInitMenuPopup(window, message, wParam, lParam);
        case WM_HOTKEY: return OnHotKey(window, message, wParam, lParam);
        case WM_ENDSESSION: return OnEndSession(window, wParam);
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void ResetApplicationState() {
    MainWindow = nullptr;
    MainSoftKeyBar = nullptr;
    MainMenu = nullptr;
    BarCreated = false;
}
