#include "document/text_bytes.h"

#include "editing/editor.h"
#include "shell/wait_cursor.h"

#include <algorithm>
#include <new>

// The editor's text narrowed to one byte a character; an empty text gives no bytes, to be written as such.
Narrowed NarrowEditorText(std::unique_ptr<char[]> &bytes, int &length) {
    // Taking a large text out of the editor is the first long step of a save: the user sees it start.
    WaitCursor wait;
    length = std::max(GetWindowTextLengthW(EditorControl), 0);
    try {
        if (length == 0) {
            bytes.reset(new char[1]());
            return Narrowed::Text;
        }
        // Both buffers are written in full by the calls that fill them, so neither is cleared first.
        std::unique_ptr<WCHAR[]> text(new WCHAR[size_t(length) + 1]);
        length = GetWindowTextW(EditorControl, text.get(), length + 1);
        text[length] = 0;
        bytes.reset(new char[size_t(length) + 1]);
        // A character the code page lacks becomes "?", never a best fit that would read as another letter.
        if (WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, text.get(), length, bytes.get(), length, nullptr,
                                nullptr) != length)
            return Narrowed::Unconvertible;
        bytes[size_t(length)] = 0;
    } catch (const std::bad_alloc &) {
        return Narrowed::NoMemory;
    }
    return Narrowed::Text;
}
