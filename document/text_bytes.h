// The editor's text as the bytes of a text file: one byte a character, through the device's code page.
// Save, Save As and the rescue at the end of a session all write these same bytes.
#pragma once

#include "platform/win32.h"

#include <memory>

enum class Narrowed { Text, NoMemory, Unconvertible };

// The editor's text narrowed to one byte a character; an empty text gives no bytes, to be written as such.
Narrowed NarrowEditorText(std::unique_ptr<char[]> &bytes, int &length);
