// The font chooser: a full-screen dialog with the machine's font faces and the sizes 5 to 24 as two
// one-line spinners, a sample drawn in the current choice, and the Change font command that gives the
// chosen font to the editor. The choice itself is kept in FontFaceName and FontSize (editing/editor.h).
#pragma once

#include "platform/win32.h"

// The font chooser while it is open, null otherwise. The face enumeration's callback is given no
// context of its own, so it finds the face list through this.
extern HWND FontDialogWindow;

// The dialog procedure of the font chooser. Its dialog ends with the font Done made, or 0 when nothing
// was chosen (Cancel, a dialog that could not be set up, a font that could not be made).
INT_PTR CALLBACK FontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The face enumeration's callback: lists the family's face name in the open chooser and goes on.
int CALLBACK AddFaceName(const LOGFONTW *font, const TEXTMETRICW *metrics, DWORD fontType, LPARAM context);
// The font the two lists select, or null when either list has no selection or the font cannot be made.
HFONT CreateChosenFont(HWND dialog);

// The Change font command: runs the chooser owned by window and gives its font to the editor.
LRESULT ChangeFontCommand(HWND window);

void ResetFontChooserState();
