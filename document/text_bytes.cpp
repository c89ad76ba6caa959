#include "document/text_bytes.h"

#include "editing/editor.h"
#include "shell/wait_cursor.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The first piece is narrowed through a buffer of its own: its bytes would land on its own units.
constexpr int kFirstPiece = 4096;

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// A piece of units narrowed to as many bytes; false when the code page gave any other count.
bool NarrowPiece(const WCHAR *units, int count, char *out) {
    // A character the code page lacks becomes "?", never a best fit that would read as another letter.
    return WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, units, count, out, count, nullptr, nullptr) ==
           count;
}

// Where a piece from start ends: it is no longer than the units before it, whose room its bytes take,
// and it keeps a surrogate pair whole.
int PieceEnd(const WCHAR *text, int start, int length) {
    int end = start + std::min(start, length - start);
    if (end < length && end - 1 > start && IsHighSurrogate(text[end - 1])) --end;
    return end;
}

// The units narrowed into the first half of their own buffer, piece by piece. The bytes of each piece
// land where units already narrowed were, so that no call is given overlapping buffers and the text never
// needs a second buffer of its size beside the first.
bool NarrowInPlace(WCHAR *text, int length) {
    char *bytes = reinterpret_cast<char *>(text);
    int first = std::min(length, kFirstPiece);
    if (first < length && IsHighSurrogate(text[first - 1])) --first;
    char head[kFirstPiece];
    if (!NarrowPiece(text, first, head)) return false;
    std::memcpy(bytes, head, size_t(first));
    for (int start = first; start < length;) {
        int end = PieceEnd(text, start, length);
        if (!NarrowPiece(text + start, end - start, bytes + start)) return false;
        start = end;
    }
    return true;
}

}  // namespace

// The editor's text narrowed to one byte a character; an empty text gives no bytes, to be written as such.
// The bytes take the first half of the buffer the text is read out into.
Narrowed NarrowEditorText(std::unique_ptr<char[]> &bytes, int &length) {
    // Taking a large text out of the editor is the first long step of a save: the user sees it start.
    WaitCursor wait;
    length = std::max(GetWindowTextLengthW(EditorControl), 0);
    try {
        if (length == 0) {
            bytes.reset(new char[1]());
            return Narrowed::Text;
        }
        // Written in full by the calls that fill it, so not cleared first.
        bytes.reset(new char[(size_t(length) + 1) * sizeof(WCHAR)]);
        WCHAR *text = reinterpret_cast<WCHAR *>(bytes.get());
        length = GetWindowTextW(EditorControl, text, length + 1);
        if (length > 0 && !NarrowInPlace(text, length)) return Narrowed::Unconvertible;
        bytes[size_t(length)] = 0;
    } catch (const std::bad_alloc &) {
        return Narrowed::NoMemory;
    }
    return Narrowed::Text;
}
