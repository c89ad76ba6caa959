#include "editing/editor.h"

#include "shell/shell.h"
#include "editing/mark.h"
#include "resource.h"

#include <algorithm>
#include <memory>
#include <new>

HWND EditorControl = nullptr;
WNDPROC EditorBaseProc = nullptr;
WString FontFaceName;
LONG FontSize = 0;

namespace {

constexpr DWORD kNoWrapStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;
constexpr DWORD kWrapStyle = kNoWrapStyle & ~(WS_HSCROLL | ES_AUTOHSCROLL);
static_assert(kNoWrapStyle == 0x50B101C4 && kWrapStyle == 0x50A10144, "editor styles");

// A copy of the editor's text. Its buffer is written whole by GetWindowTextW, so it is never cleared
// first: a large document is copied at every Word wrap.
struct TextCopy {
    std::unique_ptr<WCHAR[]> chars;
    LPCWSTR Get() const { return chars ? chars.get() : TEXT(""); }
    void Clear() { chars.reset(); }
};

// The text of an editor that could not be rebuilt, kept until the next Word wrap makes one.
TextCopy KeptText;

bool WordWrapChecked() {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    GetMenuItemInfoW(MainMenu, IDM_MISC_WORDWRAP, FALSE, &info);
    return (info.fState & MFS_CHECKED) != 0;
}

TextCopy EditorText() {
    int length = std::max(GetWindowTextLengthW(EditorControl), 0);
    TextCopy text{std::unique_ptr<WCHAR[]>(new WCHAR[size_t(length) + 1])};
    int copied = GetWindowTextW(EditorControl, text.chars.get(), length + 1);
    text.chars[std::clamp(copied, 0, length)] = 0;
    return text;
}

// The rebuilt editor, with the word-wrap check mark matching its style. If it cannot be made, the
// mark goes back and an editor of the old kind takes the text, so the text is never lost.
bool RebuildEditor(HWND window, bool wrap) {
    CheckMenuItem(MainMenu, IDM_MISC_WORDWRAP, MF_BYCOMMAND | (wrap ? MF_CHECKED : MF_UNCHECKED));
    CreateEditorControl(window, wrap);
    if (EditorControl) return true;
    CheckMenuItem(MainMenu, IDM_MISC_WORDWRAP, MF_BYCOMMAND | (wrap ? MF_UNCHECKED : MF_CHECKED));
    CreateEditorControl(window, !wrap);
    return EditorControl != nullptr;
}

// Destroys the editor and the font it shows, which no other editor shows.
void DestroyEditor() {
    HFONT font = (HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0);
    DestroyWindow(EditorControl);
    if (font) DeleteObject(font);
    EditorControl = nullptr;
}

// Makes an editor (of the kind asked for, else of the other) and gives it the text. When no editor can be
// made or hold the text, there is none and the text waits in KeptText; the user is told.
bool BuildEditorWithText(HWND window, bool wrap, TextCopy &text) {
    if (RebuildEditor(window, wrap)) {
        if (FontSize > 0) ApplyEditorFont();
        if (SetWindowTextW(EditorControl, text.Get())) return true;
        DestroyEditor();
    }
    KeptText = std::move(text);
    MessageBoxW(window, TEXT("The editor could not be rebuilt. Your text is kept; try again."), TEXT("Error"),
                MB_OK | MB_ICONERROR);
    return false;
}

}  // namespace

void CreateEditorControl(HWND parent, bool wrap) {
    RECT client;
    GetClientRect(parent, &client);
    EditorControl = CreateWindowExW(0, TEXT("edit"), TEXT(""), wrap ? kWrapStyle : kNoWrapStyle, 0, 0, client.right,
                                    client.bottom, parent, (HMENU)(UINT_PTR)IDC_EDITOR, InstanceHandle, nullptr);
    if (!EditorControl) return;
    // The edit control's default limit of 30,000 characters would silently stop typing in long files.
    SendMessageW(EditorControl, EM_SETLIMITTEXT, 0, 0);
    WNDPROC previous = (WNDPROC)SetWindowLongPtrW(EditorControl, GWLP_WNDPROC, (LONG_PTR)EditorKeyFilter);
    if (!EditorBaseProc) EditorBaseProc = previous;
}

void ApplyEditorFont() {
    LOGFONTW lf = {};
    lf.lfHeight = FontSize;
    size_t n = std::min<size_t>(FontFaceName.size(), LF_FACESIZE - 1);
    std::copy_n(FontFaceName.begin(), n, lf.lfFaceName);
    SetEditorFont(CreateFontIndirectW(&lf));
}

void SetEditorFont(HFONT font) {
    if (!EditorControl) {
        if (font) DeleteObject(font);
        return;
    }
    HFONT previous = (HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0);
    SendMessageW(EditorControl, WM_SETFONT, (WPARAM)font, 1);
    if (previous && previous != font) DeleteObject(previous);
}

LRESULT ToggleWordWrap(HWND window) {
    bool wrapWasOn = WordWrapChecked();
    TextCopy text;
    try {
        text = EditorControl ? EditorText() : std::move(KeptText);
    } catch (const std::bad_alloc &) {
        // Without a copy of the text the editor must stay as it is.
        MessageBoxW(window, TEXT("There is not enough memory to change the word wrap."), TEXT("Error"),
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    KeptText.Clear();
    // The packed form of the selection holds 16 bits a position; the out-values hold all of them.
    DWORD start = 0, end = 0;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    DestroyEditor();
    if (!BuildEditorWithText(window, !wrapWasOn, text)) return 1;
    SendMessageW(EditorControl, EM_SETSEL, start, end);
    SendMessageW(EditorControl, EM_SCROLLCARET, 0, 0);
    SetFocus(EditorControl);
    UpdateWindow(window);
    return 1;
}

bool RestoreEditor(HWND window) {
    if (EditorControl) return true;
    TextCopy text = std::move(KeptText);
    KeptText.Clear();
    if (!BuildEditorWithText(window, WordWrapChecked(), text)) return false;
    SetFocus(EditorControl);
    return true;
}

LRESULT CALLBACK EditorKeyFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsMarkArrow(message, wParam)) return ExtendMarkSelection(window, wParam, lParam);
    return CallWindowProcW(EditorBaseProc, window, message, wParam, lParam);
}

void ResetEditorState() {
    EditorControl = nullptr;
    EditorBaseProc = nullptr;
    KeptText.Clear();
    FontFaceName.clear();
    FontSize = 0;
}
