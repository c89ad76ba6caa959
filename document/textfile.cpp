#include "document/textfile.h"

#include "shell/shell.h"
#include "shell/wait_cursor.h"
#include "document/document.h"
#include "document/text_bytes.h"
#include "editing/editor.h"
#include "settings/recent.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// A message for the user about the start-up file, shown once MainWindow is on screen.
// The file named at start-up that did not exist: the first Save under that path creates it.
WCHAR FileToCreate[MAX_PATH] = {};
LPCWSTR PendingStartupMessage = nullptr;
LPCWSTR PendingStartupCaption = nullptr;
UINT PendingStartupIcon = 0;

const WCHAR kCutAtZeroText[] =
    TEXT("This file holds a zero byte. Only the text before it is shown, and saving it will leave out the rest.");
const WCHAR kTooLargeText[] = TEXT("This file is too large to open. The document has not been changed.");
const WCHAR kOpenPathTooLongText[] =
    TEXT("The path of this file is too long to open. The document has not been changed.");

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        BOOL ok = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE handle_;
};

enum class ReadStatus { Read, CannotOpen, TooLarge, PathTooLong };

struct ReadText {
    std::unique_ptr<WCHAR[]> text;  // the widened text and its terminator
    bool cutAtZero = false;         // the file held a zero byte, and the text ends there
    DWORD error = ERROR_SUCCESS;    // why the file could not be opened or read
};

bool ReadAllBytes(HANDLE file, char *bytes, DWORD size, DWORD &total) {
    total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(file, bytes + total, size - total, &got, nullptr)) return false;
        if (got == 0) break;  // the file became shorter while it was read
        total += got;
    }
    return true;
}

// wsprintf writes at most 1,024 characters a call on desktop Windows, so the text is widened in pieces.
constexpr size_t kWidenPiece = 1000;

// Widens the bytes through the device's code page; the text ends at the first zero byte. Each piece is
// ended by a zero put in the buffer for the call and taken away after it.
bool WidenText(char *bytes, DWORD length, ReadText &out) {
    size_t characters = std::strlen(bytes);
    out.cutAtZero = characters < length;
    // Every character of the buffer is written below, so it is not cleared first.
    out.text.reset(new (std::nothrow) WCHAR[characters + 1]);
    if (!out.text) return false;
    out.text[0] = 0;
    for (size_t done = 0; done < characters; done += kWidenPiece) {
        size_t n = std::min(kWidenPiece, characters - done);
        char after = bytes[done + n];
        bytes[done + n] = 0;
        wsprintfW(out.text.get() + done, TEXT("%S"), bytes + done);
        bytes[done + n] = after;
    }
    return true;
}

ReadStatus ReadTextFile(LPCWSTR path, DWORD shareMode, ReadText &out) {
    FileHandle file(CreateFileW(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        out.error = GetLastError();
        return ReadStatus::CannotOpen;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        out.error = GetLastError();
        return ReadStatus::CannotOpen;
    }
    // The buffer holds the file and a zero byte after it, so a file of 4 GB or more cannot be held.
    if (high != 0 || size == MAXDWORD) return ReadStatus::TooLarge;
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[size_t(size) + 1]);
    if (!bytes) return ReadStatus::TooLarge;
    DWORD total = 0;
    if (!ReadAllBytes(file.Get(), bytes.get(), size, total)) {
        out.error = GetLastError();
        return ReadStatus::CannotOpen;
    }
    bytes[total] = 0;
    return WidenText(bytes.get(), total, out) ? ReadStatus::Read : ReadStatus::TooLarge;
}

void ShowError(LPCWSTR text) {
    MessageBoxW(MainWindow, text, TEXT("Error"), MB_OK | MB_ICONERROR);
}
void ShowWarning(LPCWSTR text) {
    MessageBoxW(MainWindow, text, TEXT("Warning"), MB_OK | MB_ICONWARNING);
}

bool IsFolderOrDevice(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

// Why a file could not be opened, in words for the user.
LPCWSTR OpenFailureText(ReadStatus status, DWORD error, LPCWSTR path) {
    if (status == ReadStatus::TooLarge) return kTooLargeText;
    if (status == ReadStatus::PathTooLong) return kOpenPathTooLongText;
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return TEXT("The file could not be opened: it does not exist. The document has not been changed.");
        case ERROR_ACCESS_DENIED:
            if (IsFolderOrDevice(path))
                return TEXT("The file could not be opened: it is a folder or a device. The document has not been ")
                    TEXT("changed.");
            return TEXT("The file could not be opened: you may not read it. The document has not been changed.");
        case ERROR_SHARING_VIOLATION:
            return TEXT("The file could not be opened: it is in use. The document has not been changed.");
        default: return TEXT("The file could not be opened. The document has not been changed.");
    }
}

// How a write ended: the Win32 error (ERROR_SUCCESS when it was written), and whether what the file
// held before is still whole.
struct WriteResult {
    DWORD error = ERROR_SUCCESS;
    bool fileUnchanged = false;
    bool notAFile = false;  // a folder or a device stands where the file should be
    bool created = false;   // there was no file before: a failed write leaves none either
};

// Why a file could not be written, in words for the user.
LPCWSTR WriteFailureText(const WriteResult &result) {
    switch (result.error) {
        case ERROR_DISK_FULL:
            if (result.created) return TEXT("The file could not be saved: the disk is full. Your text is still here.");
            if (result.fileUnchanged)
                return TEXT("The file could not be saved: the disk is full. The file has not been changed; your ")
                    TEXT("text is still here.");
            return TEXT("The file could not be saved: the disk is full. The file may be incomplete; your text is ")
                TEXT("still here.");
        case ERROR_ACCESS_DENIED:
            if (result.notAFile)
                return TEXT("The file could not be saved: a folder or a device now has its name. Use Save As to ")
                    TEXT("save your text.");
            return TEXT("The file could not be saved: it is read-only or the folder cannot be written. Your text ")
                TEXT("is still here.");
        case ERROR_SHARING_VIOLATION:
            return TEXT("The file could not be saved: it is in use. Your text is still here.");
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return TEXT("The file could not be saved: it no longer exists. Use Save As to save your text.");
        default: return TEXT("The file could not be saved. Your text is still here.");
    }
}

// Writes all the bytes where the file stands; a write that stops short is a failure, never success.
bool WriteBytes(HANDLE file, const char *bytes, DWORD length) {
    DWORD total = 0;
    while (total < length) {
        DWORD written = 0;
        if (!WriteFile(file, bytes + total, length - total, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        total += written;
    }
    return true;
}

// The error of the call that just failed; one that failed without saying why must not read as success.
DWORD FailureCode() {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

bool MoveTo(HANDLE file, DWORD position) {
    return SetFilePointer(file, LONG(position), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
           GetLastError() == NO_ERROR;
}

// Overwrites a file with the bytes and cuts it after them. What lies beyond the file's old end is written
// first: that is what needs new room on the disk, and when there is none, the file is cut back to its old
// length and keeps its old bytes. The old bytes are then overwritten where they stand, which needs no room.
WriteResult Overwrite(HANDLE file, const char *bytes, DWORD length) {
    WriteResult result;
    DWORD high = 0;
    DWORD oldSize = GetFileSize(file, &high);
    if (oldSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) oldSize = 0;
    if (high != 0) oldSize = MAXDWORD;
    if (length > oldSize) {
        if (!MoveTo(file, oldSize) || !WriteBytes(file, bytes + oldSize, length - oldSize)) {
            result.error = FailureCode();
            result.fileUnchanged = MoveTo(file, oldSize) && SetEndOfFile(file);
            return result;
        }
    }
    if (!MoveTo(file, 0) || !WriteBytes(file, bytes, std::min(length, oldSize)) || !MoveTo(file, length) ||
        !SetEndOfFile(file))
        result.error = FailureCode();
    return result;
}

// Opens path as the creation mode says and writes the bytes. An existing file is never emptied when it is
// opened (OPEN_ALWAYS rather than CREATE_ALWAYS for a new name): Overwrite decides what it ends up holding.
// A file this call created and could not fill is taken away again.
WriteResult WriteTextFile(LPCWSTR path, DWORD creation, const char *bytes, int length) {
    WriteResult result;
    FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        result.error = FailureCode();
        result.fileUnchanged = true;
        result.notAFile = IsFolderOrDevice(path);
        return result;
    }
    bool created = creation == OPEN_ALWAYS && GetLastError() != ERROR_ALREADY_EXISTS;
    result = Overwrite(file.Get(), bytes, (DWORD)length);
    result.created = created;
    if (result.error == ERROR_SUCCESS && !file.Close()) result.error = FailureCode();
    if (result.error != ERROR_SUCCESS && created) {
        file.Close();
        DeleteFileW(path);
    }
    return result;
}

// The bytes to save (none for an empty document, which is written as an empty file), or false when they
// cannot be made (said to the user). A save that fails in any way leaves the document as it was:
// modified, under its name, with Save available again.
bool TextToSave(std::unique_ptr<char[]> &bytes, int &length) {
    switch (NarrowEditorText(bytes, length)) {
        case Narrowed::Text: return true;
        case Narrowed::NoMemory:
            ShowError(TEXT("There is not enough memory to save the file. Your text is still here."));
            break;
        case Narrowed::Unconvertible:
            ShowError(TEXT("The text could not be converted for saving. Your text is still here."));
            break;
    }
    MarkDocumentModified();
    return false;
}

}  // namespace

// A file that cannot be read leaves the document exactly as it was (text, name, path, marker) and says
// why; its path goes to the top of the recent files all the same, as for a file that opens.
void OpenDocument(LPCWSTR path) {
    if (!RestoreEditor(MainWindow)) return;
    ReadText read;
    ReadStatus status = ReadStatus::PathTooLong;
    if (wcslen(path) < MAX_PATH) {
        WaitCursor wait;
        status = ReadTextFile(path, FILE_SHARE_READ | FILE_SHARE_WRITE, read);
        // The editor keeps its old text when it has no memory for the new one.
        if (status == ReadStatus::Read && !SetWindowTextW(EditorControl, read.text.get()))
            status = ReadStatus::TooLarge;
        if (status == ReadStatus::Read) {
            CopyPath(DocumentPath, path);
            SetDocumentTitle(NameOfPath(path), false);
        }
    }
    AddRecentFile(path);
    if (status != ReadStatus::Read) {
        ShowError(OpenFailureText(status, read.error, path));
        // The caller greyed Save and Save As for the document it expected; a kept, modified one needs them.
        if (DirtyFlag) MarkDocumentModified();
        return;
    }
    EnableSaveItem(false);
    if (read.cutAtZero) ShowWarning(kCutAtZeroText);
}

// Save writes only over a file that exists; the one named at start-up is made, empty, just before its
// first Save writes into it.
void CreateFileNamedAtStartup() {
    if (!FileToCreate[0] || wcscmp(FileToCreate, DocumentPath) != 0) return;
    FileToCreate[0] = 0;
    HANDLE file = CreateFileW(DocumentPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void SaveDocument() {
    if (!RestoreEditor(MainWindow)) return;
    CreateFileNamedAtStartup();
    int length = 0;
    std::unique_ptr<char[]> bytes;
    if (!TextToSave(bytes, length)) return;
    WriteResult written;
    {
        WaitCursor wait;
        written = WriteTextFile(DocumentPath, OPEN_EXISTING, bytes.get(), length);
    }
    if (written.error != ERROR_SUCCESS) {
        ShowError(WriteFailureText(written));
        MarkDocumentModified();
        return;
    }
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    SetDocumentTitle(nullptr, false);
}

void SaveDocumentAs(LPCWSTR path) {
    if (!RestoreEditor(MainWindow)) return;
    int length = 0;
    std::unique_ptr<char[]> bytes;
    if (!TextToSave(bytes, length)) return;
    if (wcslen(path) >= MAX_PATH) {
        ShowError(TEXT("The path is too long to save the file there. Your text is still here."));
        MarkDocumentModified();
        return;
    }
    WriteResult written;
    {
        WaitCursor wait;
        written = WriteTextFile(path, OPEN_ALWAYS, bytes.get(), length);
        if (written.error == ERROR_SUCCESS) {
            CopyPath(DocumentPath, path);
            if (DocumentPath[0]) SetDocumentTitle(NameOfPath(path), false);
            EnableSaveItem(false);
            EnableSaveAsItem(false);
            SetDocumentTitle(nullptr, false);
        }
    }
    if (written.error != ERROR_SUCCESS) {
        ShowError(WriteFailureText(written));
        MarkDocumentModified();
        return;
    }
    AddRecentFile(path);
}

void ReadStartupFile(LPCWSTR commandLine) {
    DocumentPath[0] = 0;
    if (!commandLine || !commandLine[0] || wcslen(commandLine) >= MAX_PATH) return;
    CopyPath(DocumentPath, commandLine);
    ReadText read;
    ReadStatus status = ReadTextFile(DocumentPath, 0, read);
    if (status == ReadStatus::Read && !SetWindowTextW(EditorControl, read.text.get())) status = ReadStatus::TooLarge;
    if (status != ReadStatus::Read) {
        // A name that does not exist yet, in a folder that does, starts a new file under that name, as
        // editors started from a shell do: the first Save creates it.
        if (status == ReadStatus::CannotOpen && read.error == ERROR_FILE_NOT_FOUND) {
            CopyPath(FileToCreate, DocumentPath);
            return;
        }
        // Anything else (a folder, a pipe, a device, a file that may not be read) is told, never quietly
        // turned into an untitled document.
        DocumentPath[0] = 0;
        PendingStartupMessage = OpenFailureText(status, read.error, commandLine);
        PendingStartupCaption = TEXT("Error");
        PendingStartupIcon = MB_ICONERROR;
        return;
    }
    if (read.cutAtZero) {
        PendingStartupMessage = kCutAtZeroText;
        PendingStartupCaption = TEXT("Warning");
        PendingStartupIcon = MB_ICONWARNING;
    }
}

void ReportStartupFileProblem() {
    if (!PendingStartupMessage) return;
    LPCWSTR text = PendingStartupMessage;
    PendingStartupMessage = nullptr;
    MessageBoxW(MainWindow, text, PendingStartupCaption, MB_OK | PendingStartupIcon);
}

void ResetTextFileState() {
    PendingStartupMessage = nullptr;
    PendingStartupCaption = nullptr;
    PendingStartupIcon = 0;
    FileToCreate[0] = 0;
}
