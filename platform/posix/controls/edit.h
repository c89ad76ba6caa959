// The edit control's window class.
#pragma once

#include "platform/posix/base/win32_api.h"

#include <cstddef>

namespace posix {

// Registers the "edit" class among the platform's own.
void RegisterEditClass();

// Where the caret of a multiline edit control stands: the line by the text's own line breaks (not the
// rows word wrap makes) and the characters before the caret on it, a surrogate pair counting once, both
// from 0. False for any other window.
bool MultilineEditCaret(HWND hwnd, size_t &line, size_t &column);

}  // namespace posix
