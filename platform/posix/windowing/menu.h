// Menu objects behind menu handles, as popup menus read them.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

#include <vector>

namespace posix {

struct MenuItem {
    UINT type = MFT_STRING;  // MFT_STRING or MFT_SEPARATOR
    UINT state = 0;          // MFS_GRAYED, MFS_CHECKED
    UINT id = 0;
    HMENU subMenu = nullptr;
    U16String text;
    ULONG_PTR data = 0;
};
struct Menu {
    std::vector<MenuItem> items;
};
Menu *MenuFromHandle(HMENU menu);

// Destroys every menu, so that a test starts clean.
void ResetMenus();

}  // namespace posix
