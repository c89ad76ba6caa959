// Find and Find next: the Find dialog, the remembered search text, and the search of the editor's text
// that ignores letter case.
#pragma once

#include "platform/win32.h"

// The text of the last non-empty entry confirmed in the Find dialog; empty for none (at start-up, and
// after an empty entry was confirmed). Cancel leaves it as it was.
extern WString SearchText;

// The dialog procedure of the Find dialog. Its dialog ends with the length of the confirmed entry, or 0
// when it was cancelled or the entry was empty.
INT_PTR CALLBACK FindDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The Find command: asks for the text, remembers it and searches from the start of the selection.
LRESULT FindCommand(HWND window);
// The Find next command: searches again for SearchText, from one character after the selection's start.
LRESULT FindNextCommand(HWND window);
// Searches EditorControl for SearchText at or after the selection's start plus offset and selects the
// first match, or tells the user there is none. False when it could not search (no memory for the copy
// of the text; the user has been told): nothing changed.
bool FindInEditor(HWND owner, int offset);

void ResetFindState();
