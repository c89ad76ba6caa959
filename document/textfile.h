// Moving the document between a file and EditorControl. Files are 8-bit text in the device's code page,
// read and written whole; the editor holds UTF-16.
#pragma once

#include "platform/win32.h"

// Reads the file into the editor and makes it the current document (Open, recent files).
void OpenDocument(LPCWSTR path);
// Writes the editor's text to DocumentPath (Save).
void SaveDocument();
// Writes the editor's text to path and makes path the current document (Save As).
void SaveDocumentAs(LPCWSTR path);

// Start-up: reads the file named on the command line, if any. A name that does not exist in a folder that
// does becomes an empty document under that name, created by its first Save; any other file that cannot
// be read leaves an empty, untitled document and a message for ReportStartupFileProblem.
void ReadStartupFile(LPCWSTR commandLine);
// Tells the user, once the window shows, what was wrong with the start-up file, if anything was.
void ReportStartupFileProblem();

void ResetTextFileState();
