// The four most recently opened (or saved under a new name) files, newest first, in a "Recent" submenu
// of the File menu that replaces the greyed "Recent files" placeholder once the first file is added. The
// list is read from the settings key at start-up and written back at a confirmed Quit.
#pragma once

#include "platform/win32.h"

// The "Recent" submenu; null until the first entry is added, then never removed or rebuilt.
extern HMENU RecentMenu;
// How many command identifiers (7000 upwards) have been handed out, 0 to 4; always the number of entries.
extern int RecentCount;

// Makes RecentMenu and puts it in the File menu in place of the placeholder.
void CreateRecentMenu();
// Puts path at the top of the list: an entry already holding it moves up, keeping its identifier;
// a new one takes a fresh identifier, or the oldest entry's when the list is full.
void AddRecentFile(LPCWSTR path);
// Writes the entries as "Recent0" (newest) onwards; values past the last entry keep what they held.
void SaveRecentFiles();
// Rebuilds the list from "Recent3" down to "Recent0", so that "Recent0" ends on top.
void LoadRecentFiles();
// Commands 7000 to 7009: opens the entry's file, asking first before unsaved changes are thrown away.
LRESULT OpenRecentFile(UINT identifier);

void ResetRecentFilesState();
