// The editor's text as the bytes of a text file: one byte a character, through the device's code page.
// Save, Save As and the rescue at the end of a session all write these same bytes.
#pragma once

#include "platform/win32.h"

#include <memory>

// Windows-1252, which the phone and desktop Windows both have: every byte 1-255 stands for one character
// and comes back as the same byte.
constexpr UINT kTextCodePage = 1252;

enum class Narrowed { Text, NoMemory, Unconvertible };

// The editor's text narrowed to one byte a character; an empty text gives no bytes, to be written as such.
Narrowed NarrowEditorText(std::unique_ptr<char[]> &bytes, int &length);
