// Reading a compiled dialog template: DLGTEMPLATE with DLGITEMTEMPLATE items, or the extended form
// (DLGTEMPLATEEX, DLGITEMTEMPLATEEX), which Win32 treats alike.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

#include <vector>

namespace posix {

// A class, menu or text field of a template: a string, or a 16-bit ordinal.
struct TemplateName {
    bool isOrdinal = false;
    WORD ordinal = 0;
    U16String text;
};

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units, in the dialog's client area
    DWORD id = 0;
    U16String className;         // a predefined class's ordinal already turned into its name
    TemplateName text;           // the control's text (an ordinal names a resource, such as an icon)
    const BYTE *data = nullptr;  // creation data, starting with its size, for WM_CREATE; null if none
};

struct DialogTemplate {
    bool extended = false;  // DLGTEMPLATEEX
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    TemplateName menu;
    U16String className;  // empty for the system's dialog class
    U16String title;
    bool hasFont = false;  // DS_SETFONT: the fields below are set
    WORD pointSize = 0;
    WORD weight = 0;
    bool italic = false;
    U16String typeface;
    std::vector<DialogItemTemplate> items;
};

// Reads a template as Win32 does: the bytes are trusted to be a template (there is no size to check
// them against), items start on DWORD boundaries counted from the template's start.
DialogTemplate ReadDialogTemplate(const void *data);

// The class a predefined control's ordinal stands for (0x80 button ... 0x85 combobox); empty if none.
U16String PredefinedClassName(WORD ordinal);

}  // namespace posix
