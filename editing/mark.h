// Selecting with the Mark key (the left soft key held while the arrows move), the program's own
// clipboard for Cut, Copy and Paste, and Undo.
#pragma once

#include "platform/win32.h"

#include <memory>

// The fixed end of a selection made with the Mark key: where the selection started when Mark went down.
extern LONG MarkAnchor;
// The moving end of that selection: where the last arrow with Mark held left the caret.
extern LONG MarkCaret;
// What the last Copy or Cut of a selection took, terminated; null until the first one in this run. It is
// the program's alone: nothing reads or writes the system clipboard.
extern std::unique_ptr<WCHAR[]> ClipboardText;

// The Mark key went down (or up): both marks go to the start of the editor's selection.
LRESULT SetMarkAnchor();
// Whether this editor message is an arrow key pressed while the Mark key is held.
bool IsMarkArrow(UINT message, WPARAM key);
// An arrow with Mark held: the caret moves as for a plain arrow and the selection runs from MarkAnchor
// to the caret's new place. Returns what the edit control's own procedure answered.
LRESULT ExtendMarkSelection(HWND window, WPARAM key, LPARAM lParam);

// Copy (cut false) and Cut: 0 when nothing is selected, else 1.
LRESULT CopySelection(bool cut);
// Paste: 0 before anything was copied, else 1.
LRESULT PasteClipboardText();
LRESULT UndoEdit();

void ResetMarkState();
