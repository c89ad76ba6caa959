// Menus written out as text, one line an item, so that a test can compare a whole menu tree with the
// tree it expects.
#pragma once

#include "platform/win32.h"

#include <string>

namespace menu_dump {

inline std::string Narrow(const WCHAR *text) {
    std::string out;
    for (; text && *text; ++text)
        out += char(*text);
    return out;
}

inline MENUITEMINFOW InfoRecord(UINT mask) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    return info;
}

inline void DumpInto(HMENU menu, int level, std::string &out) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        WCHAR text[64];
        MENUITEMINFOW info = InfoRecord(MIIM_TYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU);
        info.dwTypeData = text;
        info.cch = 64;
        if (!GetMenuItemInfoW(menu, i, TRUE, &info)) {
            out += "<unreadable>\n";
            continue;
        }
        std::string line(level * 2, ' ');
        if (info.fType & MFT_SEPARATOR) {
            line += "---";
        } else {
            line += Narrow(text);
            if (!info.hSubMenu) line.append(" ").append(std::to_string(info.wID));
        }
        if (info.fState & MFS_GRAYED) line += " grey";
        if (info.fState & MFS_CHECKED) line += " checked";
        if (info.hSubMenu) line += " >";
        out += line + "\n";
        if (info.hSubMenu) DumpInto(info.hSubMenu, level + 1, out);
    }
}

// One line an item, indented two spaces a level: its text (or "---" for a separator), its command
// unless it opens a popup, "grey" and "checked" as they apply, and ">" for a popup, whose items follow.
inline std::string Dump(HMENU menu) {
    std::string out;
    DumpInto(menu, 0, out);
    return out;
}

}  // namespace menu_dump
