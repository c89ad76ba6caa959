#include "settings/recent.h"

#include "shell/shell.h"
#include "document/document.h"
#include "document/textfile.h"
#include "resource.h"
#include "settings/settings.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

HMENU RecentMenu = nullptr;
int RecentCount = 0;

namespace {

constexpr int kMaxRecentFiles = 4;
// "Recent" and the decimal digits of a position.
constexpr int kValueNameLength = 32;

// The heap copies of the entries' full paths; each is attached to its entry as item data. A copy goes
// when its entry is pushed out of a full list; the others live until the process ends.
std::vector<std::unique_ptr<WCHAR[]>> PathCopies;

MENUITEMINFOW ItemRecord(UINT mask) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    return info;
}

LPCWSTR PathOf(const MENUITEMINFOW &info) {
    return (LPCWSTR)info.dwItemData;
}

void RecentValueName(int position, WCHAR *name) {
    WCHAR digits[12];
    _itow(position, digits, 10);
    wsprintfW(name, TEXT("Recent%s"), digits);
}

// A copy of path owned by PathCopies, or null when there is no memory for it.
LPCWSTR NewPathCopy(LPCWSTR path) {
    size_t length = wcslen(path);
    try {
        std::unique_ptr<WCHAR[]> copy(new WCHAR[length + 1]);
        std::copy_n(path, length + 1, copy.get());
        PathCopies.push_back(std::move(copy));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return PathCopies.back().get();
}

void ReleasePathCopy(LPCWSTR copy) {
    auto owned = std::find_if(PathCopies.begin(), PathCopies.end(),
                              [copy](const std::unique_ptr<WCHAR[]> &held) { return held.get() == copy; });
    if (owned != PathCopies.end()) PathCopies.erase(owned);
}

struct Entry {
    int position = -1;
    UINT identifier = 0;
    LPCWSTR path = nullptr;
};

// The entry holding exactly this path (letter case counts); position -1 when there is none. The first
// position without an item ends the search.
Entry FindEntry(LPCWSTR path) {
    for (int position = 0; position < kMaxRecentFiles; ++position) {
        MENUITEMINFOW info = ItemRecord(MIIM_ID | MIIM_DATA);
        if (!GetMenuItemInfoW(RecentMenu, position, TRUE, &info)) break;
        if (PathOf(info) && wcscmp(PathOf(info), path) == 0) return Entry{position, info.wID, PathOf(info)};
    }
    return Entry{};
}

// Puts an entry on top, showing the name of its path, and then takes out the item it replaces (now one
// position further down), if any. The new item goes in first so that a failure leaves the list whole;
// the replaced one is taken out by position because for a moment both carry the same identifier.
bool PutOnTop(UINT identifier, LPCWSTR path, int replacedPosition) {
    // The text is the name of the entry's own path rather than text read back from a menu item, so a
    // name of any length shows whole and no buffer is involved.
    if (!InsertMenuW(RecentMenu, 0, MF_BYPOSITION | MF_STRING, identifier, NameOfPath(path))) return false;
    if (replacedPosition >= 0) DeleteMenu(RecentMenu, replacedPosition + 1, MF_BYPOSITION);
    MENUITEMINFOW info = ItemRecord(MIIM_DATA);
    info.dwItemData = (ULONG_PTR)path;
    SetMenuItemInfoW(RecentMenu, identifier, FALSE, &info);
    return true;
}

// A path not yet listed: a fresh identifier while the list has room, else the oldest entry's.
void AddNewEntry(LPCWSTR path) {
    LPCWSTR copy = NewPathCopy(path);
    if (!copy) return;
    if (RecentCount < kMaxRecentFiles) {
        if (PutOnTop(UINT(IDM_RECENT_FIRST + RecentCount), copy, -1))
            ++RecentCount;
        else
            ReleasePathCopy(copy);
        return;
    }
    MENUITEMINFOW oldest = ItemRecord(MIIM_ID | MIIM_DATA);
    if (!GetMenuItemInfoW(RecentMenu, kMaxRecentFiles - 1, TRUE, &oldest) ||
        !PutOnTop(oldest.wID, copy, kMaxRecentFiles - 1)) {
        ReleasePathCopy(copy);
        return;
    }
    ReleasePathCopy(PathOf(oldest));
}

}  // namespace

void CreateRecentMenu() {
    HMENU fileMenu = GetSubMenu(MainMenu, 0);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    // Appended before the placeholder goes, so that a failure leaves the File menu as it was.
    if (!InsertMenuW(fileMenu, UINT(-1), MF_BYPOSITION | MF_POPUP, (UINT_PTR)menu, TEXT("Recent"))) {
        DestroyMenu(menu);
        return;
    }
    DeleteMenu(fileMenu, IDM_FILE_RECENT, MF_BYCOMMAND);
    RecentMenu = menu;
}

void AddRecentFile(LPCWSTR path) {
    if (!RecentMenu) {
        CreateRecentMenu();
        // Without a menu to hold it there is no list: it stays as it was.
        if (!RecentMenu) return;
        AddNewEntry(path);
    } else if (Entry found = FindEntry(path); found.position >= 0) {
        // The entry moves with its identifier and its own path copy; nothing is copied or released.
        if (found.position > 0) PutOnTop(found.identifier, found.path, found.position);
    } else {
        AddNewEntry(path);
    }
    DrawMenuBar(MainWindow);
}

void SaveRecentFiles() {
    if (!RecentMenu) return;
    for (int position = 0; position < kMaxRecentFiles; ++position) {
        MENUITEMINFOW info = ItemRecord(MIIM_DATA);
        if (!GetMenuItemInfoW(RecentMenu, position, TRUE, &info) || !PathOf(info)) return;
        WCHAR name[kValueNameLength];
        RecentValueName(position, name);
        WriteSettingString(name, PathOf(info));
    }
}

void LoadRecentFiles() {
    for (int position = kMaxRecentFiles - 1; position >= 0; --position) {
        WCHAR name[kValueNameLength];
        RecentValueName(position, name);
        WCHAR path[MAX_PATH];
        if (ReadSettingString(name, path)) AddRecentFile(path);
    }
}

LRESULT OpenRecentFile(UINT identifier) {
    if (!ConfirmDiscard()) return 1;
    MENUITEMINFOW info = ItemRecord(MIIM_ID | MIIM_DATA);
    if (!RecentMenu || !GetMenuItemInfoW(RecentMenu, identifier, FALSE, &info) || !PathOf(info)) return 1;
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    // The entry's own copy is handed over: OpenDocument moves that entry to the top, which keeps the copy.
    OpenDocument(PathOf(info));
    return 1;
}

void ResetRecentFilesState() {
    RecentMenu = nullptr;
    RecentCount = 0;
    PathCopies.clear();
}
