// Nothing typed is lost when the session ends under the program (its terminal hung up, it was told to
// stop): the text of a modified document goes to a new file, and the user is told where.
#pragma once

#include "platform/win32.h"

// WM_ENDSESSION: writes a modified document's text, as Save would write it, to a new file beside the
// document (NAME.save, else NAME.save.1, NAME.save.2, ...; never over anything), or in the user's
// documents folder when the document's folder cannot take it or the document is untitled. Then writes
// one line naming that file, or saying it could not be written, to the standard error.
void RescueDocument();

// Writes the bytes to a new file named as the rescue names it (NAME.save, NAME.save.1, ...; never over
// anything), beside the file at path, or in the documents folder when that folder cannot take it or path
// is empty. A copy that could not be written whole and flushed is removed again. Returns the copy's path,
// or an empty string and, in error, why the last place tried refused it.
WString WriteTextCopy(LPCWSTR path, const char *bytes, DWORD length, DWORD &error);
