#include "browser/folder_tree.h"

#include "browser/browser.h"
#include "resource.h"
#include "shell/shell.h"
#include "shell/wait_cursor.h"

#include <algorithm>
#include <new>

HWND FolderTree = nullptr;
std::vector<std::unique_ptr<WCHAR[]>> BrowserStrings;

namespace {

// WS_CHILD, WS_VISIBLE, WS_BORDER, WS_TABSTOP, TVS_HASBUTTONS, TVS_HASLINES, TVS_LINESATROOT and 0x40.
constexpr DWORD kTreeStyle = 0x50810047;
constexpr LONG kTreeFontHeight = 14;
// A folder not listed yet shows a button: any non-zero count will do until the listing gives the real one.
constexpr int kUnlistedFolderChildren = 0xFFFF;
constexpr WCHAR kSearchAll[] = TEXT("\\*.*");
constexpr size_t kSearchAllLength = 4;

// A copy of text kept in BrowserStrings until the browser closes; null when there is no memory for it.
LPCWSTR KeepString(LPCWSTR text) {
    size_t length = wcslen(text);
    try {
        std::unique_ptr<WCHAR[]> copy(new WCHAR[length + 1]);
        std::copy_n(text, length + 1, copy.get());
        BrowserStrings.push_back(std::move(copy));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return BrowserStrings.back().get();
}

void SetTreeFont() {
    LOGFONTW font = {};
    font.lfHeight = kTreeFontHeight;
    wcscpy(font.lfFaceName, TEXT("Nina"));
    SendMessageW(FolderTree, WM_SETFONT, (WPARAM)CreateFontIndirectW(&font), 1);
}

void InsertEntry(HTREEITEM parent, LPCWSTR name, LPCWSTR folderPath, bool folder) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<LPWSTR>(name);
    insert.item.lParam = (LPARAM)folderPath;
    insert.item.state = folder ? TVIS_BOLD : 0;
    insert.item.stateMask = TVIS_BOLD;
    insert.item.cChildren = folder ? kUnlistedFolderChildren : 0;
    SendMessageW(FolderTree, TVM_INSERTITEM, 0, (LPARAM)&insert);
}

// The folder an item stands for: its folder path followed by its text. False when it would not fit.
bool FolderOfItem(const TVITEMW &item, WCHAR *folder) {
    WCHAR name[MAX_PATH] = {};
    TVITEMW read = {};
    read.mask = TVIF_TEXT;
    read.hItem = item.hItem;
    read.pszText = name;
    read.cchTextMax = MAX_PATH;
    SendMessageW(FolderTree, TVM_GETITEM, 0, (LPARAM)&read);
    LPCWSTR parentPath = item.lParam ? (LPCWSTR)item.lParam : TEXT("");
    if (wcslen(parentPath) + wcslen(name) >= MAX_PATH) return false;
    wcscpy(folder, parentPath);
    wcscat(folder, name);
    return true;
}

// Enter on a file confirms the browser's mode; on a folder it does nothing here (the tree opens it).
void OnTreeKeyDown(WORD key) {
    if (key != VK_RETURN) return;
    HTREEITEM selected = (HTREEITEM)SendMessageW(FolderTree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (!selected) return;
    TVITEMW item = {};
    item.mask = TVIF_STATE;
    item.hItem = selected;
    item.stateMask = TVIS_BOLD;
    SendMessageW(FolderTree, TVM_GETITEM, 0, (LPARAM)&item);
    if (item.state & TVIS_BOLD) return;
    // Sent, not posted: the command runs to its end, which may destroy the tree, before this returns.
    if (BrowserMode == kBrowseToOpen)
        SendMessageW(BrowserWindow, WM_COMMAND, IDM_OPEN_SELECTED, 0);
    else if (BrowserMode == kBrowseToSaveAs)
        SendMessageW(BrowserWindow, WM_COMMAND, IDM_SAVEAS_SELECT, 0);
}

// A folder about to expand is listed the first time, and becomes the selected item either way.
void OnItemExpanding(const NMTREEVIEWW &notice) {
    if (!(notice.itemNew.state & TVIS_EXPANDEDONCE)) PopulateFolder(&notice.itemNew);
    SendMessageW(FolderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)notice.itemNew.hItem);
}

}  // namespace

void CreateFolderTree(HWND browser, HWND mainWindow) {
    INITCOMMONCONTROLSEX init = {};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_TREEVIEW_CLASSES;
    InitCommonControlsEx(&init);
    RECT area = {};
    GetClientRect(mainWindow, &area);
    FolderTree = CreateWindowExW(0, WC_TREEVIEWW, TEXT(""), kTreeStyle, 0, 0, area.right, area.bottom, browser,
                                 (HMENU)(UINT_PTR)IDC_FOLDER_TREE, InstanceHandle, nullptr);
    SetTreeFont();
    PopulateFolder(nullptr);
}

void PopulateFolder(const TVITEMW *item) {
    WaitCursor wait;
    WCHAR folder[MAX_PATH] = {};
    // The search pattern and the new items' folder path (the folder and a backslash) must both fit.
    if (item && (!FolderOfItem(*item, folder) || wcslen(folder) + kSearchAllLength >= MAX_PATH)) {
        wait.Restore();
        ShowPathTooLong();
        return;
    }
    WCHAR pattern[MAX_PATH];
    wcscpy(pattern, folder);
    wcscat(pattern, kSearchAll);
    WIN32_FIND_DATAW entry = {};
    HANDLE find = FindFirstFileW(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    wcscat(folder, TEXT("\\"));
    LPCWSTR folderPath = KeepString(folder);
    int count = 0;
    do {
        if (entry.cFileName[0] == TEXT('.')) continue;
        // An entry the tree cannot take is still counted, so the folder shows how many it holds.
        ++count;
        LPCWSTR name = KeepString(entry.cFileName);
        if (name && folderPath)
            InsertEntry(item ? item->hItem : nullptr, name, folderPath,
                        (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find, &entry));
    if (item) {
        TVITEMW listed = {};
        listed.mask = TVIF_STATE | TVIF_CHILDREN;
        listed.hItem = item->hItem;
        listed.state = TVIS_EXPANDEDONCE;
        listed.stateMask = TVIS_EXPANDEDONCE;
        listed.cChildren = count;
        SendMessageW(FolderTree, TVM_SETITEM, 0, (LPARAM)&listed);
    }
    FindClose(find);
}

void ReleaseBrowserStrings() {
    BrowserStrings.clear();
}

void ReleaseFolderTreeFont() {
    if (HFONT font = (HFONT)SendMessageW(FolderTree, WM_GETFONT, 0, 0)) {
        SendMessageW(FolderTree, WM_SETFONT, 0, 0);
        DeleteObject(font);
    }
}

void OnFolderTreeNotify(const NMHDR *header) {
    switch (header->code) {
        case TVN_ITEMEXPANDING: OnItemExpanding(*reinterpret_cast<const NMTREEVIEWW *>(header)); break;
        case TVN_KEYDOWN: OnTreeKeyDown(reinterpret_cast<const NMTVKEYDOWN *>(header)->wVKey); break;
        default: break;
    }
}

bool ItemFullPath(HTREEITEM item, bool folderSlash, WCHAR *path) {
    WCHAR name[MAX_PATH] = {};
    TVITEMW read = {};
    read.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
    read.hItem = item;
    read.stateMask = TVIS_BOLD;
    read.pszText = name;
    read.cchTextMax = MAX_PATH;
    if (!SendMessageW(FolderTree, TVM_GETITEM, 0, (LPARAM)&read)) return false;
    LPCWSTR folder = read.lParam ? (LPCWSTR)read.lParam : TEXT("");
    bool slash = folderSlash && (read.state & TVIS_BOLD);
    if (wcslen(folder) + wcslen(name) + (slash ? 1 : 0) >= MAX_PATH) {
        ShowPathTooLong();
        return false;
    }
    wcscpy(path, folder);
    wcscat(path, name);
    if (slash) wcscat(path, TEXT("\\"));
    return true;
}

void ShowPathTooLong() {
    MessageBoxW(MainWindow, TEXT("The path is too long: it must be shorter than 260 characters."), TEXT("Error"),
                MB_ICONHAND);
}

void ResetFolderTreeState() {
    FolderTree = nullptr;
    BrowserStrings.clear();
}
