#include "editing/mark.h"

#include "shell/shell.h"
#include "editing/editor.h"

#include <algorithm>
#include <new>

LONG MarkAnchor = 0;
LONG MarkCaret = 0;
std::unique_ptr<WCHAR[]> ClipboardText;

namespace {

// The Mark key counts as held when GetAsyncKeyState sets any of bits 15, 13 and 12. Bit 0 alone, which
// says only that the key went down at some time since the last call, does not count.
constexpr WORD kMarkHeldBits = 0xB000;

bool MarkKeyHeld() {
    return (WORD(GetAsyncKeyState(VK_TSOFT1)) & kMarkHeldBits) != 0;
}

struct Selection {
    DWORD start = 0;  // the smaller position
    DWORD end = 0;    // the larger one
};

Selection EditorSelection() {
    Selection s;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&s.start, (LPARAM)&s.end);
    return s;
}

// The selected characters, terminated, in a buffer of their own; null when there is no memory for it or
// for the copy of the editor's text it is taken from. Only the text up to the selection's end is copied:
// what follows it is not needed, and in a long document that would be most of it.
std::unique_ptr<WCHAR[]> CopyOfSelection(Selection s) {
    size_t count = s.end - s.start;
    std::unique_ptr<WCHAR[]> copy(new (std::nothrow) WCHAR[count + 1]);
    if (!copy) return nullptr;
    std::unique_ptr<WCHAR[]> text(new (std::nothrow) WCHAR[size_t(s.end) + 1]);
    if (!text) return nullptr;
    int copied = GetWindowTextW(EditorControl, text.get(), int(s.end) + 1);
    size_t available = std::clamp<size_t>(size_t(std::max(copied, 0)), s.start, s.end) - s.start;
    std::copy_n(text.get() + s.start, available, copy.get());
    copy[available] = 0;
    return copy;
}

void ReportNoMemory(bool cut) {
    MessageBoxW(MainWindow,
                cut ? TEXT("There is not enough memory to cut the selection. Nothing was changed.")
                    : TEXT("There is not enough memory to copy the selection. Nothing was changed."),
                TEXT("Error"), MB_OK | MB_ICONERROR);
}

}  // namespace

LRESULT SetMarkAnchor() {
    Selection s = EditorSelection();
    MarkAnchor = LONG(s.start);
    MarkCaret = LONG(s.start);
    return 0;
}

bool IsMarkArrow(UINT message, WPARAM key) {
    return message == WM_KEYDOWN && key >= VK_LEFT && key <= VK_DOWN && MarkKeyHeld();
}

LRESULT ExtendMarkSelection(HWND window, WPARAM key, LPARAM lParam) {
    // The edit control moves a bare caret from the moving end, as it would for a plain arrow.
    SendMessageW(EditorControl, EM_SETSEL, (WPARAM)MarkCaret, (LPARAM)MarkCaret);
    LRESULT result = CallWindowProcW(EditorBaseProc, window, WM_KEYDOWN, key, lParam);
    MarkCaret = LONG(EditorSelection().end);
    SendMessageW(EditorControl, EM_SETSEL, (WPARAM)MarkAnchor, (LPARAM)MarkCaret);
    return result;
}

LRESULT CopySelection(bool cut) {
    if (!RestoreEditor(MainWindow)) return 1;
    Selection s = EditorSelection();
    if (s.start == s.end) return 0;
    std::unique_ptr<WCHAR[]> copy = CopyOfSelection(s);
    if (!copy) {
        // The old clipboard text and the document stay exactly as they were.
        ReportNoMemory(cut);
        return 1;
    }
    ClipboardText = std::move(copy);
    // Cut removes the selection as a change that cannot be undone.
    if (cut) SendMessageW(EditorControl, EM_REPLACESEL, FALSE, (LPARAM)TEXT(""));
    return 1;
}

LRESULT PasteClipboardText() {
    if (!ClipboardText) return 0;
    if (!RestoreEditor(MainWindow)) return 1;
    // Pasting cannot be undone either.
    SendMessageW(EditorControl, EM_REPLACESEL, FALSE, (LPARAM)ClipboardText.get());
    return 1;
}

LRESULT UndoEdit() {
    if (RestoreEditor(MainWindow)) SendMessageW(EditorControl, EM_UNDO, 0, 0);
    return 1;
}

void ResetMarkState() {
    MarkAnchor = 0;
    MarkCaret = 0;
    ClipboardText.reset();
}
