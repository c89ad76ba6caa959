#include "document/textfile.h"

#include "shell/shell.h"
#include "shell/wait_cursor.h"
#include "document/document.h"
#include "document/file_handle.h"
#include "document/safe_write.h"
#include "document/text_bytes.h"
#include "editing/editor.h"
#include "settings/recent.h"

#include <algorithm>
#include <climits>
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

// The document's file as it was when last read or saved; Save asks before overwriting a file that
// another program has changed since.
FileStamp DocumentStamp;

const WCHAR kCutAtZeroText[] =
    TEXT("This file holds a zero byte. Only the text before it is shown, and saving it will leave out the rest.");
const WCHAR kTooLargeText[] = TEXT("This file is too large to open. The document has not been changed.");
const WCHAR kOpenPathTooLongText[] =
    TEXT("The path of this file is too long to open. The document has not been changed.");

enum class ReadStatus { Read, CannotOpen, TooLarge, PathTooLong };

struct ReadText {
    std::unique_ptr<WCHAR[]> text;  // the widened text and its terminator
    bool cutAtZero = false;         // the file held a zero byte, and the text ends there
    DWORD error = ERROR_SUCCESS;    // why the file could not be opened or read
    FileStamp stamp;                // the file as it was read
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

// Widens bytes that lie in the same buffer, from offset bytes on, into its start: piece by piece, each
// piece's units landing before its own bytes, so that no call is given overlapping buffers. Near the end
// of the bytes the pieces halve, and there are never more than a few dozen.
bool WidenInPlace(WCHAR *text, size_t offset, size_t count) {
    const char *bytes = reinterpret_cast<const char *>(text) + offset;
    for (size_t done = 0; done < count;) {
        // The piece's units end at byte 2 * (done + n), which must not pass its first byte, offset + done.
        size_t n = std::min(count - done, (offset - done) / 2);
        if (MultiByteToWideChar(kTextCodePage, 0, bytes + done, int(n), text + done, int(n)) != int(n)) return false;
        done += n;
    }
    return true;
}

ReadStatus ReadTextFile(LPCWSTR path, DWORD shareMode, ReadText &out) {
    FileHandle file(CreateFileW(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        out.error = GetLastError();
        return ReadStatus::CannotOpen;
    }
    // Taken before the bytes: a change made while they are read shows as a change at the next Save.
    out.stamp = StampOf(file.Get());
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        out.error = GetLastError();
        return ReadStatus::CannotOpen;
    }
    // The buffer holds the file and a zero byte after it, so a file of 4 GB or more cannot be held.
    if (high != 0 || size == MAXDWORD) return ReadStatus::TooLarge;
    // One buffer serves the bytes and the text widened from them: the bytes are read into its upper half
    // and widened into its start, so that the file is never held twice. It is written in full by the calls
    // that fill it, so it is not cleared first.
    out.text.reset(new (std::nothrow) WCHAR[size_t(size) + 1]);
    if (!out.text) return ReadStatus::TooLarge;
    size_t offset = size_t(size) + 1;
    char *bytes = reinterpret_cast<char *>(out.text.get()) + offset;
    DWORD total = 0;
    if (!ReadAllBytes(file.Get(), bytes, size, total)) {
        out.error = GetLastError();
        out.text.reset();
        return ReadStatus::CannotOpen;
    }
    bytes[total] = 0;
    // The text ends at the first zero byte.
    size_t characters = std::strlen(bytes);
    out.cutAtZero = characters < total;
    if (characters > size_t(INT_MAX) || !WidenInPlace(out.text.get(), offset, characters)) {
        out.text.reset();
        return ReadStatus::TooLarge;  // more than the edit control can hold anyway
    }
    out.text[characters] = 0;
    return ReadStatus::Read;
}

void ShowError(LPCWSTR text) {
    MessageBoxW(MainWindow, text, TEXT("Error"), MB_OK | MB_ICONERROR);
}
void ShowWarning(LPCWSTR text) {
    MessageBoxW(MainWindow, text, TEXT("Warning"), MB_OK | MB_ICONWARNING);
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

// Why a file could not be written, and what that left on the disk, in words for the user.
WString WriteFailureText(const WriteOutcome &outcome) {
    if (outcome.disk == OnDisk::kNew)
        return TEXT("The file was saved, but the disk reported an error as it was finished, so it may not be safely ")
            TEXT("stored. Your text is still here.");
    WString text = TEXT("The file could not be saved");
    bool useSaveAs = false;
    switch (outcome.error) {
        case ERROR_DISK_FULL: text += TEXT(": the disk is full."); break;
        case ERROR_ACCESS_DENIED:
            if (outcome.notAFile) {
                text += TEXT(": a folder or a device now has its name.");
                useSaveAs = true;
            } else {
                text += TEXT(": it is read-only or the folder cannot be written.");
            }
            break;
        case ERROR_SHARING_VIOLATION: text += TEXT(": it is in use."); break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            if (outcome.disk == OnDisk::kNothing) {
                text += TEXT(": its folder does not exist.");
            } else {
                text += TEXT(": it no longer exists.");
                useSaveAs = true;
            }
            break;
        case ERROR_WRITE_FAULT: text += TEXT(": the disk reported an error."); break;
        default: text += TEXT("."); break;
    }
    switch (outcome.disk) {
        case OnDisk::kOld: text += TEXT(" The file has not been changed; your text is still here."); break;
        case OnDisk::kCopy:
            text += TEXT(" The file may be incomplete. A whole copy of your text was saved as ");
            text += outcome.copy;
            text += TEXT(", and your text is still here.");
            break;
        default: text += useSaveAs ? TEXT(" Use Save As to save your text.") : TEXT(" Your text is still here."); break;
    }
    return text;
}

bool ConfirmOverwriteChanged() {
    if (!DocumentStamp.known) return true;
    FileHandle file(CreateFileW(DocumentPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    // A file that cannot be looked at is left to the write, which says what is wrong with it.
    if (!file.Valid()) return true;
    FileStamp now = StampOf(file.Get());
    file.Close();
    if (!now.known || SameStamp(now, DocumentStamp)) return true;
    return MessageBoxW(MainWindow,
                       TEXT("The file was changed by another program after you opened or saved it. Do you want to ")
                           TEXT("overwrite it ? Press NO to continue editing"),
                       TEXT("Warning"), MB_YESNO | MB_ICONQUESTION) != IDNO;
}

// After a failed write the document stays modified; what the program knows of the file follows what the
// failure left there.
void KeepUnsaved(const WriteOutcome &written) {
    if (written.disk == OnDisk::kNew)
        DocumentStamp = written.stamp;
    else if (written.disk == OnDisk::kCopy)
        DocumentStamp = FileStamp();
    ShowError(WriteFailureText(written).c_str());
    MarkDocumentModified();
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
            DocumentStamp = read.stamp;
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

// Save writes only over a file that exists, except the one named at start-up that did not exist yet: its
// first Save makes it, whole, as Save As makes a new file.
static bool IsFileToCreate() {
    return FileToCreate[0] && wcscmp(FileToCreate, DocumentPath) == 0;
}

void SaveDocument() {
    if (!RestoreEditor(MainWindow)) return;
    int length = 0;
    std::unique_ptr<char[]> bytes;
    if (!TextToSave(bytes, length)) return;
    if (!ConfirmOverwriteChanged()) {
        MarkDocumentModified();
        return;
    }
    WriteOutcome written;
    {
        WaitCursor wait;
        written = WriteFileSafely(DocumentPath, bytes.get(), DWORD(length),
                                  IsFileToCreate() ? Target::kExistingOrNew : Target::kExisting);
    }
    if (written.error != ERROR_SUCCESS) {
        KeepUnsaved(written);
        return;
    }
    DocumentStamp = written.stamp;
    FileToCreate[0] = 0;
    EnableSaveItem(false);
    EnableSaveAsItem(false);
    SetDocumentTitle(nullptr, false);
}

// A Save As that failed after the new file was whole leaves the document at its new path, still modified:
// that file holds the text, but it was not confirmed to be safely stored.
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
    WriteOutcome written;
    {
        WaitCursor wait;
        written = WriteFileSafely(path, bytes.get(), DWORD(length), Target::kExistingOrNew);
        if (written.disk == OnDisk::kNew) {
            CopyPath(DocumentPath, path);
            if (DocumentPath[0]) SetDocumentTitle(NameOfPath(path), false);
        }
        if (written.error == ERROR_SUCCESS) {
            DocumentStamp = written.stamp;
            EnableSaveItem(false);
            EnableSaveAsItem(false);
            SetDocumentTitle(nullptr, false);
        }
    }
    if (written.error != ERROR_SUCCESS) {
        KeepUnsaved(written);
        if (written.disk != OnDisk::kNew) return;
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
    if (status == ReadStatus::Read) DocumentStamp = read.stamp;
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
    DocumentStamp = FileStamp();
}
