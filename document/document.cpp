#include "document/document.h"

#include "shell/shell.h"
#include "editing/editor.h"

#include <algorithm>

WCHAR DocumentPath[MAX_PATH] = {};
WCHAR DocumentName[MAX_PATH] = {};
bool DirtyFlag = false;

namespace {

constexpr int kTitleLength = MAX_PATH;

// Composes "Scrivel - NAME MARKER" (or, with no marker at all, "Scrivel - NAME") into the title's
// buffer; the marker is "*", "" or none. A name too long for the buffer loses its beginning, the same
// part whatever the marker, so that its end (the extension) and the marker always show.
void ComposeTitle(WCHAR *title, LPCWSTR name, LPCWSTR marker) {
    WString ending;
    if (marker) {
        ending = TEXT(" ");
        ending += marker;
    }
    WString composed = TEXT("Scrivel - ");
    const size_t kLongestEnding = 2;  // " *"
    size_t room = kTitleLength - 1 - composed.size() - kLongestEnding;
    size_t length = wcslen(name);
    composed.append(name + (length > room ? length - room : 0));
    composed += ending;
    composed.copy(title, composed.size());
    title[composed.size()] = 0;
}

}  // namespace

LPCWSTR NameOfPath(LPCWSTR path) {
    LPCWSTR slash = wcsrchr(path, TEXT('\\'));
    return slash ? slash + 1 : path;
}

void CopyPath(WCHAR *buffer, LPCWSTR text) {
    size_t n = std::min<size_t>(wcslen(text), MAX_PATH - 1);
    for (size_t i = 0; i < n; ++i)
        buffer[i] = text[i];
    buffer[n] = 0;
}

void SetDocumentTitle(LPCWSTR name, bool modified) {
    LPCWSTR shown = DocumentName[0] ? DocumentName : TEXT("untitled");
    if (name && name[0]) {
        CopyPath(DocumentName, name);
        shown = DocumentName;
    } else if (name) {
        DocumentName[0] = 0;
        DocumentPath[0] = 0;
        shown = TEXT("untitled");
    }
    DirtyFlag = modified;
    WCHAR title[kTitleLength];
    ComposeTitle(title, shown, modified ? TEXT("*") : TEXT(""));
    SetWindowTextW(MainWindow, title);
}

void SetStartupTitle(LPCWSTR commandLine) {
    WCHAR title[kTitleLength];
    if (DocumentPath[0]) {
        CopyPath(DocumentName, NameOfPath(commandLine));
        ComposeTitle(title, DocumentName, nullptr);
    } else {
        DocumentName[0] = 0;
        ComposeTitle(title, TEXT("untitled"), nullptr);
    }
    DirtyFlag = false;
    SetWindowTextW(MainWindow, title);
}

bool ConfirmDiscard() {
    if (!DirtyFlag) return true;
    int answer = MessageBoxW(MainWindow,
                             TEXT("You have made changes to the file, do you want to discard them ? Press NO to ")
                                 TEXT("continue editing"),
                             TEXT("Warning"), MB_YESNO | MB_ICONQUESTION);
    return answer != IDNO;
}

void OnEditorChanged(HWND sender) {
    if (sender == EditorControl) MarkDocumentModified();
}

void MarkDocumentModified() {
    if (DocumentName[0]) EnableSaveItem(true);
    EnableSaveAsItem(true);
    SetDocumentTitle(nullptr, true);
}

LRESULT NewDocument() {
    if (!RestoreEditor(MainWindow) || !ConfirmDiscard()) return 1;
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    SetWindowTextW(EditorControl, TEXT(""));
    SetDocumentTitle(TEXT(""), false);
    return 1;
}

void ResetDocumentState() {
    DocumentPath[0] = 0;
    DocumentName[0] = 0;
    DirtyFlag = false;
}
