#include "document/text_bytes.h"

#include "editing/editor.h"
#include "shell/wait_cursor.h"

#include <algorithm>
#include <cstdio>
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
        // Some C runtimes give up on a character their locale cannot hold; the text is then not saved.
        if (sprintf(bytes.get(), "%S", text.get()) != length) return Narrowed::Unconvertible;
    } catch (const std::bad_alloc &) {
        return Narrowed::NoMemory;
    }
    return Narrowed::Text;
}
