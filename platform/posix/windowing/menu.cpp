// Menus: menu objects and their handles, items found by position or by command, menu templates, and the
// Win32 calls on them, answering as Win32 does (including its error values) for bad handles and items.
#include "platform/posix/windowing/menu.h"
#include "platform/posix/windowing/front_end.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>

namespace posix {
namespace {

// ---------------------------------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------------------------------

// Menu handles end in the nibble 8, which no window handle (a multiple of 16, or that plus 1) and no
// GDI object can have. They stay below 2^32 because a popup item's command id is its menu's handle.
constexpr uintptr_t kFirstMenuHandle = 0x00A00008;
constexpr uintptr_t kMenuHandleStep = 16;

// A submenu nested deeper than this is refused, as Win32 refuses one; searches stop there too.
constexpr int kMaxMenuDepth = 32;

struct MenuState {
    std::map<uintptr_t, std::unique_ptr<Menu>> menus;  // by handle value
    uintptr_t nextHandle = kFirstMenuHandle;
};

MenuState &State() {
    static MenuState state;
    return state;
}

// Null, with ERROR_NOT_ENOUGH_MEMORY, when there is no memory for the menu.
HMENU NewMenu() {
    MenuState &s = State();
    HMENU handle = (HMENU)s.nextHandle;
    try {
        s.menus[(uintptr_t)handle] = std::make_unique<Menu>();
    } catch (const std::bad_alloc &) {
        s.menus.erase((uintptr_t)handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    s.nextHandle += kMenuHandleStep;
    return handle;
}

Menu *ValidMenu(HMENU menu) {
    Menu *m = MenuFromHandle(menu);
    if (!m) SetLastError(ERROR_INVALID_MENU_HANDLE);
    return m;
}

// ---------------------------------------------------------------------------------------------------
// Finding items
// ---------------------------------------------------------------------------------------------------

struct ItemRef {
    HMENU menu;    // the menu that holds the item, which may be a submenu of the one searched
    size_t index;  // position in that menu
    MenuItem &Item() const { return MenuFromHandle(menu)->items[index]; }
};

std::optional<ItemRef> FindByPosition(HMENU menu, UINT position) {
    Menu *m = MenuFromHandle(menu);
    if (!m || position >= m->items.size()) return std::nullopt;
    return ItemRef{menu, position};
}

// Depth first, in item order. A plain item with the id wins at once. A popup whose own id (its
// submenu's handle) matches is held in reserve: it counts only when nothing inside its submenu, nor
// anything after it in the same menu, has the id.
std::optional<ItemRef> FindByCommand(HMENU menu, UINT id, int depth = 0) {
    Menu *m = MenuFromHandle(menu);
    if (!m || depth > kMaxMenuDepth) return std::nullopt;
    std::optional<ItemRef> popupFallback;
    for (size_t i = 0; i < m->items.size(); ++i) {
        const MenuItem &item = m->items[i];
        if (!item.subMenu) {
            if (item.id == id) return ItemRef{menu, i};
            continue;
        }
        if (auto inside = FindByCommand(item.subMenu, id, depth + 1)) return inside;
        if (item.id == id && !popupFallback) popupFallback = ItemRef{menu, i};
    }
    return popupFallback;
}

std::optional<ItemRef> FindItem(HMENU menu, UINT item, UINT flags) {
    return (flags & MF_BYPOSITION) ? FindByPosition(menu, item) : FindByCommand(menu, item);
}

// True when target is menu itself or lies somewhere below it: attaching menu under target would then
// make a cycle. Menus never form one, so the walk ends; it has no depth limit, since a cycle missed
// here would make every later walk endless.
bool Reaches(HMENU menu, HMENU target) {
    std::vector<HMENU> pending{menu};
    while (!pending.empty()) {
        HMENU next = pending.back();
        pending.pop_back();
        if (next == target) return true;
        if (Menu *m = MenuFromHandle(next))
            for (const MenuItem &item : m->items)
                if (item.subMenu) pending.push_back(item.subMenu);
    }
    return false;
}

// How deep the tree below menu goes, counted up to just past the limit.
int Depth(HMENU menu, int depth = 0) {
    Menu *m = MenuFromHandle(menu);
    if (!m || depth > kMaxMenuDepth) return depth;
    int deepest = depth;
    for (const MenuItem &item : m->items)
        if (item.subMenu) deepest = std::max(deepest, Depth(item.subMenu, depth + 1));
    return deepest;
}

// Whether subMenu may hang below parent: it must be a menu, must not hold parent (menus never form a
// cycle), and must not itself be nested too deeply. Win32 reports any bad submenu as a bad parameter.
bool CanAttach(HMENU parent, HMENU subMenu) {
    if (!MenuFromHandle(subMenu) || Reaches(subMenu, parent) || Depth(subMenu) >= kMaxMenuDepth) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------------------------------

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED;

U16String TextOf(LPCWSTR text) {
    return text ? U16String(text) : U16String();
}

// An item as InsertMenuW describes it. A string item without text is a separator, as in Win32 (a menu
// template writes its separators that way); a separator is always greyed and disabled, as Win32 reports.
// A popup whose handle names no menu is a plain item, that value its command, as in Win32.
bool MakeItem(HMENU parent, UINT flags, UINT_PTR idNewItem, LPCWSTR text, MenuItem &item) {
    item.state = flags & kStateFlags;
    item.id = UINT(idNewItem);
    if ((flags & MF_POPUP) && MenuFromHandle((HMENU)idNewItem)) {
        if (!CanAttach(parent, (HMENU)idNewItem)) return false;
        item.subMenu = (HMENU)idNewItem;
        item.text = TextOf(text);
    } else if ((flags & MF_SEPARATOR) || !text) {
        item.type = MFT_SEPARATOR;
        item.state |= MF_GRAYED | MF_DISABLED;
    } else {
        item.text = text;
    }
    return true;
}

// GetMenuState's answer: the flags, and for a popup the number of items of its submenu in the high byte.
UINT StateFlags(const MenuItem &item) {
    UINT flags = item.type | item.state;
    if (!item.subMenu) return flags;
    Menu *sub = MenuFromHandle(item.subMenu);
    if (!sub) return UINT(-1);
    return UINT(sub->items.size() << 8) | ((flags | MF_POPUP) & 0xFF);
}

// Removes the item; DeleteMenu also destroys the submenu a popup item opens, RemoveMenu keeps it.
enum class SubMenuFate { Destroy, Keep };

BOOL TakeItemOut(HMENU menu, UINT position, UINT flags, SubMenuFate fate) {
    if (!ValidMenu(menu)) return FALSE;
    std::optional<ItemRef> found = FindItem(menu, position, flags);
    if (!found) return FALSE;  // Win32 leaves the last error alone here
    Menu *holder = MenuFromHandle(found->menu);
    HMENU subMenu = holder->items[found->index].subMenu;
    holder->items.erase(holder->items.begin() + found->index);
    if (subMenu && fate == SubMenuFate::Destroy) DestroyMenu(subMenu);
    InvalidateScreen();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Item information records
// ---------------------------------------------------------------------------------------------------

// The text of a string item into dwTypeData, as Win32 does: with no buffer (or cch 0) cch receives the
// length; otherwise the text is cut to cch - 1 characters and terminated, and cch receives the number
// of characters copied.
void CopyItemText(const MenuItem &item, MENUITEMINFOW &info) {
    if (item.type == MFT_SEPARATOR) {
        info.dwTypeData = nullptr;
        info.cch = 0;
        return;
    }
    UINT length = UINT(item.text.size());
    if (!info.dwTypeData || info.cch == 0) {
        info.cch = length;
        return;
    }
    UINT copied = std::min(length, info.cch - 1);
    std::copy_n(item.text.begin(), copied, info.dwTypeData);
    info.dwTypeData[copied] = 0;
    info.cch = copied;
}

void FillItemInfo(const MenuItem &item, MENUITEMINFOW &info) {
    if (info.fMask & MIIM_STATE) info.fState = item.state;
    if (info.fMask & MIIM_ID) info.wID = item.id;
    if (info.fMask & MIIM_SUBMENU) info.hSubMenu = item.subMenu;
    if (info.fMask & MIIM_CHECKMARKS) info.hbmpChecked = info.hbmpUnchecked = nullptr;
    if (info.fMask & MIIM_DATA) info.dwItemData = item.data;
    if (info.fMask & MIIM_TYPE) {
        info.fType = item.type;
        CopyItemText(item, info);
    }
}

// The record as this platform declares it, or as desktop headers declare it, with a bitmap handle at the
// end that nothing here reads.
constexpr UINT kDesktopRecordSize = sizeof(MENUITEMINFOW) + sizeof(HANDLE);

bool CheckedRecordSize(const MENUITEMINFOW *info) {
    if (info && (info->cbSize == sizeof(MENUITEMINFOW) || info->cbSize == kDesktopRecordSize)) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// The item a Get/SetMenuItemInfoW call names. A bad menu is an invalid handle for both; a missing item
// is ERROR_MENU_ITEM_NOT_FOUND for a reader only: Win32 leaves the last error alone when setting.
enum class MissingItem { Report, Quiet };

std::optional<ItemRef> ItemForInfo(HMENU menu, UINT item, BOOL byPosition, MissingItem missing) {
    if (!ValidMenu(menu)) return std::nullopt;
    std::optional<ItemRef> found = FindItem(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (!found && missing == MissingItem::Report) SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return found;
}

void ApplyItemType(MenuItem &item, const MENUITEMINFOW &info) {
    if ((info.fType & MFT_SEPARATOR) || !info.dwTypeData) {
        item.type = MFT_SEPARATOR;
        item.text.clear();
    } else {
        item.text = info.dwTypeData;
        item.type = MFT_STRING;
    }
}

// ---------------------------------------------------------------------------------------------------
// Menu templates
// ---------------------------------------------------------------------------------------------------

// Reads a menu template: a MENUHEADER (version 0, then the size of what follows the header before the
// items), then the items. An item is a WORD of flags, a WORD id unless it opens a popup, and its
// NUL-terminated text; a popup's items follow it at once. MF_END marks the last item of each level.
class TemplateReader {
public:
    TemplateReader(const BYTE *data, size_t size) : data_(data), size_(size) {}

    HMENU Read() {
        WORD version, headerSize;
        if (!Word(version) || !Word(headerSize) || version != 0 || !Skip(headerSize)) return nullptr;
        HMENU menu = CreateMenu();
        if (!ReadItems(menu, 0)) {
            DestroyMenu(menu);
            return nullptr;
        }
        return menu;
    }

private:
    bool ReadItems(HMENU menu, int depth) {
        if (depth >= kMaxMenuDepth) return false;
        for (;;) {
            WORD flags, id = 0;
            U16String text;
            if (!Word(flags) || (!(flags & MF_POPUP) && !Word(id)) || !String(text)) return false;
            bool last = flags & MF_END;
            if (!AddItem(menu, flags, id, text, depth)) return false;
            if (last) return true;
        }
    }

    bool AddItem(HMENU menu, WORD flags, WORD id, const U16String &text, int depth) {
        UINT itemFlags = MF_BYPOSITION | (flags & (kStateFlags | MF_SEPARATOR));
        if (!(flags & MF_POPUP))
            return InsertMenuW(menu, UINT(-1), itemFlags, id, text.empty() ? nullptr : text.c_str());
        HMENU subMenu = CreatePopupMenu();
        if (!ReadItems(subMenu, depth + 1) ||
            !InsertMenuW(menu, UINT(-1), itemFlags | MF_POPUP, (UINT_PTR)subMenu, text.c_str())) {
            DestroyMenu(subMenu);
            return false;
        }
        return true;
    }

    bool Word(WORD &out) {
        if (size_ - at_ < 2) return false;
        out = WORD(data_[at_] | (data_[at_ + 1] << 8));
        at_ += 2;
        return true;
    }

    bool Skip(size_t bytes) {
        if (size_ - at_ < bytes) return false;
        at_ += bytes;
        return true;
    }

    bool String(U16String &out) {
        for (WORD c; Word(c);) {
            if (c == 0) return true;
            out += char16_t(c);
        }
        return false;
    }

    const BYTE *data_;
    size_t size_;
    size_t at_ = 0;
};

HMENU MenuFromTemplate(const BYTE *data, size_t size) {
    HMENU menu = TemplateReader(data, size).Read();
    if (!menu) SetLastError(ERROR_INVALID_DATA);
    return menu;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Shared with the other modules
// ---------------------------------------------------------------------------------------------------

Menu *MenuFromHandle(HMENU menu) {
    auto &menus = State().menus;
    auto it = menus.find((uintptr_t)menu);
    return it == menus.end() ? nullptr : it->second.get();
}

void ResetMenus() {
    MenuState &s = State();
    s.menus.clear();
    s.nextHandle = kFirstMenuHandle;
}

}  // namespace posix

using namespace posix;

// ---------------------------------------------------------------------------------------------------
// Creating and destroying
// ---------------------------------------------------------------------------------------------------

HMENU CreateMenu(void) {
    return NewMenu();
}

HMENU CreatePopupMenu(void) {
    return NewMenu();
}

// Destroys the submenus of its popup items too, as Win32 does.
BOOL DestroyMenu(HMENU menu) {
    Menu *m = ValidMenu(menu);
    if (!m) return FALSE;
    std::vector<MenuItem> items = std::move(m->items);
    State().menus.erase((uintptr_t)menu);
    for (const MenuItem &item : items)
        if (item.subMenu && MenuFromHandle(item.subMenu)) DestroyMenu(item.subMenu);
    return TRUE;
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
    HRSRC resource = FindResourceW(instance, name, RT_MENU);
    if (!resource) return nullptr;
    const void *data = LockResource(LoadResource(instance, resource));
    if (!data) return nullptr;
    return MenuFromTemplate(static_cast<const BYTE *>(data), SizeofResource(instance, resource));
}

// The template's size is not given: as in Win32, the caller vouches for it being whole.
HMENU LoadMenuIndirectW(const void *menuTemplate) {
    if (!menuTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return MenuFromTemplate(static_cast<const BYTE *>(menuTemplate), SIZE_MAX);
}

// ---------------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------------

HMENU GetSubMenu(HMENU menu, int pos) {
    if (!ValidMenu(menu) || pos < 0) return nullptr;
    std::optional<ItemRef> found = FindByPosition(menu, UINT(pos));
    return found ? found->Item().subMenu : nullptr;
}

int GetMenuItemCount(HMENU menu) {
    Menu *m = ValidMenu(menu);
    return m ? int(m->items.size()) : -1;
}

// A popup item has no command of its own to report.
UINT GetMenuItemID(HMENU menu, int pos) {
    if (!ValidMenu(menu) || pos < 0) return UINT(-1);
    std::optional<ItemRef> found = FindByPosition(menu, UINT(pos));
    if (!found || found->Item().subMenu) return UINT(-1);
    return found->Item().id;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
    if (!ValidMenu(menu)) return UINT(-1);
    std::optional<ItemRef> found = FindItem(menu, id, flags);
    return found ? StateFlags(found->Item()) : UINT(-1);
}

BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
    if (!CheckedRecordSize(info)) return FALSE;
    std::optional<ItemRef> found = ItemForInfo(menu, item, byPosition, MissingItem::Report);
    if (!found) return FALSE;
    FillItemInfo(found->Item(), *info);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Changing
// ---------------------------------------------------------------------------------------------------

// Both return the state the item had, or -1 when there is no such item.
DWORD EnableMenuItem(HMENU menu, UINT id, UINT enable) {
    if (!ValidMenu(menu)) return DWORD(-1);
    std::optional<ItemRef> found = FindItem(menu, id, enable);
    if (!found) return DWORD(-1);
    MenuItem &item = found->Item();
    UINT previous = item.state & (MF_GRAYED | MF_DISABLED);
    item.state = (item.state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

DWORD CheckMenuItem(HMENU menu, UINT id, UINT check) {
    if (!ValidMenu(menu)) return DWORD(-1);
    std::optional<ItemRef> found = FindItem(menu, id, check);
    if (!found) return DWORD(-1);
    MenuItem &item = found->Item();
    UINT previous = item.state & MF_CHECKED;
    item.state = (item.state & ~MF_CHECKED) | (check & MF_CHECKED);
    return previous;
}

BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
    if (!CheckedRecordSize(info)) return FALSE;
    std::optional<ItemRef> found = ItemForInfo(menu, item, byPosition, MissingItem::Quiet);
    if (!found) return FALSE;
    // Check the one field that can fail before anything changes.
    bool newSubMenu = (info->fMask & MIIM_SUBMENU) && info->hSubMenu;
    if (newSubMenu && !CanAttach(found->menu, info->hSubMenu)) return FALSE;
    MenuItem &target = found->Item();
    // The text is the one part that needs memory, so it goes first: a failure then changes nothing.
    try {
        if (info->fMask & MIIM_TYPE) ApplyItemType(target, *info);
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (info->fMask & MIIM_STATE) target.state = info->fState & kStateFlags;
    if (info->fMask & MIIM_ID) target.id = info->wID;
    if (info->fMask & MIIM_SUBMENU) target.subMenu = info->hSubMenu;
    if (info->fMask & MIIM_DATA) target.data = info->dwItemData;
    InvalidateScreen();
    return TRUE;
}

// By position, a position past the end (0xFFFFFFFF included) appends. By command, the new item goes
// before the item with that command, in whichever submenu holds it; when there is none, Win32 appends
// and reports success.
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
    Menu *m = ValidMenu(menu);
    if (!m) return FALSE;
    std::optional<ItemRef> before = FindItem(menu, position, flags);
    HMENU holder = before ? before->menu : menu;
    try {
        MenuItem item;
        if (!MakeItem(holder, flags, idNewItem, newItem, item)) return FALSE;
        std::vector<MenuItem> &items = MenuFromHandle(holder)->items;
        items.insert(before ? items.begin() + before->index : items.end(), std::move(item));
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    InvalidateScreen();
    return TRUE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
    return InsertMenuW(menu, UINT(-1), flags | MF_BYPOSITION, idNewItem, newItem);
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    return TakeItemOut(menu, position, flags, SubMenuFate::Destroy);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    return TakeItemOut(menu, position, flags, SubMenuFate::Keep);
}

// The soft-key bar and popups are drawn from the menus on every frame; a redraw is all that is needed,
// also for a window without a menu. No window at all fails without a last error, as in Win32.
BOOL DrawMenuBar(HWND hwnd) {
    if (!hwnd) return FALSE;
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    InvalidateScreen();
    return TRUE;
}
