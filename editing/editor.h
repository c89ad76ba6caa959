// EditorControl: the multiline edit control that holds the document's text, its key filter, its font,
// and the Word wrap command that rebuilds it with or without wrapping.
#pragma once

#include "platform/win32.h"

// The current editor, a child of MainWindow with control id 120. A word-wrap toggle replaces the window
// behind it, so every user reads this variable when it needs the editor and keeps no copy.
extern HWND EditorControl;
// The edit class's own procedure, behind EditorKeyFilter on every editor.
extern WNDPROC EditorBaseProc;
// The editor font: the face name (empty until one is chosen or loaded) and the height (below 1: none).
extern WString FontFaceName;
extern LONG FontSize;

void CreateEditorControl(HWND parent, bool wrap);
void ApplyEditorFont();
// Gives EditorControl this font and releases the one it showed before, which nothing else shows. With
// no editor (one is waiting to be rebuilt) the font is released: the rebuild applies the editor font.
void SetEditorFont(HFONT font);
LRESULT ToggleWordWrap(HWND window);
// After a word-wrap change that could not make an editor, the text waits outside any editor. Work that
// reads or replaces the text first calls this to make one again; false (the user told) when it still
// cannot, and the work must not go on.
bool RestoreEditor(HWND window);
LRESULT CALLBACK EditorKeyFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void ResetEditorState();
