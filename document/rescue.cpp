#include "document/rescue.h"

#include "shell/shell.h"
#include "document/document.h"
#include "document/text_bytes.h"
#include "editing/editor.h"

#include <memory>

namespace {

// Numbers after NAME.save tried in one folder before it is given up.
constexpr int kNumbersTried = 1000;

// "notes.txt" is rescued as "notes": the name up to its last dot, unless the dot starts it.
WString StemOfName(LPCWSTR name) {
    WString stem = name[0] ? name : TEXT("untitled");
    size_t dot = stem.rfind(TEXT('.'));
    if (dot != WString::npos && dot > 0) stem.erase(dot);
    return stem;
}

// The document's folder with its closing backslash.
WString FolderOfPath(LPCWSTR path) {
    WString folder = path;
    size_t slash = folder.rfind(TEXT('\\'));
    folder.erase(slash == WString::npos ? 0 : slash + 1);
    return folder;
}

WString DocumentsFolder() {
    WCHAR folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(MainWindow, folder, CSIDL_PERSONAL, FALSE) || !folder[0]) return WString();
    WString result = folder;
    if (result.back() != TEXT('\\')) result += TEXT('\\');
    return result;
}

WString RescueName(const WString &folder, const WString &stem, int number) {
    WString path = folder + stem + TEXT(".save");
    if (number > 0) {
        WCHAR digits[16];
        wsprintfW(digits, TEXT(".%d"), number);
        path += digits;
    }
    return path;
}

bool WriteAndFlush(HANDLE file, const char *bytes, DWORD length) {
    DWORD total = 0;
    while (total < length) {
        DWORD written = 0;
        if (!WriteFile(file, bytes + total, length - total, &written, nullptr) || written == 0) return false;
        total += written;
    }
    return FlushFileBuffers(file) != FALSE;
}

// The error of the call that just failed; one that failed without saying why must not read as success.
DWORD LastFailure() {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// A new file in the folder, never one that is there already; a copy that could not be written whole is
// removed, as it would mislead more than help. False, with the reason in error, when the folder refused.
bool WriteCopyIn(const WString &folder, const WString &stem, const char *bytes, DWORD length, WString &path,
                 DWORD &error) {
    for (int number = 0; number < kNumbersTried; ++number) {
        path = RescueName(folder, stem, number);
        if (path.size() >= MAX_PATH) {
            error = ERROR_FILENAME_EXCED_RANGE;
            return false;
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = LastFailure();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        bool written = WriteAndFlush(file, bytes, length);
        if (!written) error = LastFailure();
        bool closed = CloseHandle(file) != FALSE;
        if (written && !closed) error = LastFailure();
        if (written && closed) return true;
        DeleteFileW(path.c_str());
        return false;
    }
    return false;
}

// One line on the standard error, where the terminal's user sees it once the program has gone.
void TellUser(const WString &line) {
    HANDLE output = GetStdHandle(STD_ERROR_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE) return;
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::unique_ptr<char[]> bytes(new char[size_t(size)]);
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), bytes.get(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(output, bytes.get(), DWORD(size), &written, nullptr);
}

}  // namespace

WString WriteTextCopy(LPCWSTR path, const char *bytes, DWORD length, DWORD &error) {
    error = ERROR_PATH_NOT_FOUND;
    WString stem = StemOfName(path[0] ? NameOfPath(path) : TEXT(""));
    WString copy;
    if (path[0] && WriteCopyIn(FolderOfPath(path), stem, bytes, length, copy, error)) return copy;
    WString documents = DocumentsFolder();
    if (!documents.empty() && WriteCopyIn(documents, stem, bytes, length, copy, error)) return copy;
    return WString();
}

namespace {

WString WhatWasRescued() {
    if (!DocumentName[0]) return TEXT("Scrivel: the unsaved text");
    return WString(TEXT("Scrivel: the unsaved text of ")) + DocumentName;
}

}  // namespace

void RescueDocument() {
    if (!DirtyFlag || !EditorControl) return;
    std::unique_ptr<char[]> bytes;
    int length = 0;
    Narrowed narrowed = NarrowEditorText(bytes, length);
    // A text emptied by the user holds nothing to lose; the file keeps what it had.
    if (narrowed == Narrowed::Text && length == 0) return;
    if (narrowed != Narrowed::Text) {
        TellUser(WhatWasRescued() + TEXT(" could not be converted to be saved; it is lost.\n"));
        return;
    }
    DWORD error = ERROR_SUCCESS;
    WString path = WriteTextCopy(DocumentPath, bytes.get(), DWORD(length), error);
    if (!path.empty())
        TellUser(WhatWasRescued() + TEXT(" was saved in ") + path + TEXT("\n"));
    else
        TellUser(WhatWasRescued() +
                 TEXT(" could not be saved in its folder or in the documents folder; it is lost.\n"));
}
