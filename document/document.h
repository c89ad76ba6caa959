// What the program knows of the document it edits: where it is stored, its name, whether it has unsaved
// changes; the title that shows them, the question before changes are thrown away, and New.
#pragma once

#include "platform/win32.h"

// Full path of the file the document was read from or last saved to; empty for an untitled document.
extern WCHAR DocumentPath[MAX_PATH];
// The part of the path after its last backslash; empty for an untitled document.
extern WCHAR DocumentName[MAX_PATH];
// True when the editor's text changed since the last load, save or New.
extern bool DirtyFlag;

// name: null keeps the current name; "" makes the document untitled (and empties its path).
void SetDocumentTitle(LPCWSTR name, bool modified);
// The first title after start-up: "Scrivel - NAME" or "Scrivel - untitled", no marker.
void SetStartupTitle(LPCWSTR commandLine);
// True when the caller may go on and throw the current text away.
bool ConfirmDiscard();
// EN_CHANGE from a control: the editor's changes mark the document modified.
void OnEditorChanged(HWND sender);
// Shows the document as modified: the marker in the title, Save (for a named document) and Save As.
void MarkDocumentModified();
LRESULT NewDocument();

// The text after a path's last backslash (the whole path when it has none).
LPCWSTR NameOfPath(LPCWSTR path);
// Copies text into a buffer of MAX_PATH characters, cut to fit.
void CopyPath(WCHAR *buffer, LPCWSTR text);

void ResetDocumentState();
