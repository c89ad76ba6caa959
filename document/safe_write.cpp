// How a save keeps one whole copy of the text at every moment.
//
// The usual way: the new bytes go to a new file beside the old one, made with the old one as its
// template so that it has the same permissions, owner and group; they are flushed; then the new file
// is renamed over the old one. A rename is atomic, so the name shows the old file or the new one, never
// a mix, and a failure at any step before it leaves the old file as it was.
//
// That way cannot serve every file. A file with several names (hard links) would keep its old bytes
// under the others; a symbolic link would be replaced by a plain file; where the folder cannot be
// written, or the owner cannot be kept, no such new file can be made. Those files are overwritten where
// they stand, but only once a whole, flushed copy of the new bytes has been written beside them (or in
// the documents folder). The copy is removed when the overwrite succeeds, and named to the user when
// it does not.
#include "document/safe_write.h"

#include "document/file_handle.h"
#include "document/rescue.h"

#include <algorithm>

namespace {

// Numbers after NAME.saving tried before the folder is given up for a new file.
constexpr int kTemporaryNamesTried = 100;

// The error of the call that just failed; one that failed without saying why must not read as success.
DWORD FailureCode() {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// Writes all the bytes where the file stands; a write that stops short is a failure, never success.
// total tells how many reached the file, also when it failed.
bool WriteBytes(HANDLE file, const char *bytes, DWORD length, DWORD &total) {
    total = 0;
    while (total < length) {
        DWORD written = 0;
        BOOL ok = WriteFile(file, bytes + total, length - total, &written, nullptr);
        total += written;
        if (!ok) return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
    }
    return true;
}

bool MoveTo(HANDLE file, DWORD position) {
    return SetFilePointer(file, LONG(position), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
           GetLastError() == NO_ERROR;
}

struct Overwritten {
    DWORD error = ERROR_SUCCESS;
    bool fileUnchanged = false;  // the write failed, and the file holds its old bytes whole
};

// Overwrites a file with the bytes and cuts it after them. What lies beyond the file's old end is written
// first: that is what needs new room on the disk. The old bytes are then overwritten where they stand,
// which needs none. Until the first of them is overwritten, a failure cuts the file back to its old
// length, and it holds its old bytes whole.
Overwritten Overwrite(HANDLE file, const char *bytes, DWORD length) {
    Overwritten result;
    DWORD high = 0;
    DWORD oldSize = GetFileSize(file, &high);
    if (oldSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        result.error = FailureCode();
        result.fileUnchanged = true;
        return result;
    }
    if (high != 0) oldSize = MAXDWORD;
    DWORD done = 0;
    bool grown = false;
    if (length > oldSize) {
        grown = MoveTo(file, oldSize) && WriteBytes(file, bytes + oldSize, length - oldSize, done);
        if (!grown) {
            result.error = FailureCode();
            result.fileUnchanged = MoveTo(file, oldSize) && SetEndOfFile(file);
            return result;
        }
    }
    if (!MoveTo(file, 0) || !WriteBytes(file, bytes, std::min(length, oldSize), done)) {
        result.error = FailureCode();
        if (done == 0) result.fileUnchanged = !grown || (MoveTo(file, oldSize) && SetEndOfFile(file));
        return result;
    }
    if (!MoveTo(file, length) || !SetEndOfFile(file)) result.error = FailureCode();
    return result;
}

// A new, empty file beside path (NAME.saving, NAME.saving.1, ...), never one that is there already.
// With a model, the new file takes the model's permissions and owner, or is not made.
HANDLE CreateBeside(LPCWSTR path, HANDLE model, WString &name) {
    for (int number = 0; number < kTemporaryNamesTried; ++number) {
        name = WString(path) + TEXT(".saving");
        if (number > 0) {
            WCHAR digits[16];
            wsprintfW(digits, TEXT(".%d"), number);
            name += digits;
        }
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, model);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Fills the new file, flushes and closes it, and renames it to path. The old file is let go first:
// a file held open cannot be replaced. Before the rename, any failure removes the new file and leaves
// path as it was (before says how that is).
WriteOutcome RenameIntoPlace(LPCWSTR path, const WString &fresh, FileHandle &file, FileHandle &old, const char *bytes,
                             DWORD length, DWORD moveFlags, OnDisk before) {
    WriteOutcome out;
    DWORD done = 0;
    bool ok = WriteBytes(file.Get(), bytes, length, done) && FlushFileBuffers(file.Get());
    if (ok) out.stamp = StampOf(file.Get());
    if (!ok) out.error = FailureCode();
    if (!file.Close() && ok) {
        ok = false;
        out.error = FailureCode();
    }
    old.Close();
    if (ok && !MoveFileExW(fresh.c_str(), path, moveFlags)) {
        out.error = FailureCode();
        // Only the flush of the folder can fail after the rename itself: the new file has the name.
        if (GetFileAttributesW(fresh.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) {
            out.disk = OnDisk::kNew;
            return out;
        }
        ok = false;
    }
    if (ok) {
        out.disk = OnDisk::kNew;
        return out;
    }
    DeleteFileW(fresh.c_str());
    out.disk = before;
    out.stamp = FileStamp();
    return out;
}

WriteOutcome OverwriteWithCopyBeside(LPCWSTR path, FileHandle &file, const char *bytes, DWORD length) {
    WriteOutcome out;
    DWORD copyError = ERROR_SUCCESS;
    WString copy = WriteTextCopy(path, bytes, length, copyError);
    if (copy.empty()) {
        // With nowhere to keep a copy, the file is not put at risk.
        out.error = copyError;
        out.disk = OnDisk::kOld;
        return out;
    }
    Overwritten written = Overwrite(file.Get(), bytes, length);
    bool ok = written.error == ERROR_SUCCESS;
    out.error = written.error;
    if (ok && !FlushFileBuffers(file.Get())) {
        ok = false;
        out.error = FailureCode();
    }
    if (ok) out.stamp = StampOf(file.Get());
    if (!file.Close() && ok) {
        ok = false;
        out.error = FailureCode();
    }
    if (ok || written.fileUnchanged) DeleteFileW(copy.c_str());
    if (ok) {
        out.disk = OnDisk::kNew;
        return out;
    }
    out.stamp = FileStamp();
    if (written.fileUnchanged) {
        out.disk = OnDisk::kOld;
    } else {
        out.disk = OnDisk::kCopy;
        out.copy = copy;
    }
    return out;
}

WriteOutcome WriteNewFile(LPCWSTR path, const char *bytes, DWORD length) {
    WString fresh;
    FileHandle file(CreateBeside(path, nullptr, fresh));
    if (!file.Valid()) {
        WriteOutcome out;
        out.error = FailureCode();
        out.disk = OnDisk::kNothing;
        return out;
    }
    FileHandle none(INVALID_HANDLE_VALUE);
    // Without MOVEFILE_REPLACE_EXISTING: a file another program put there meanwhile is not overwritten.
    return RenameIntoPlace(path, fresh, file, none, bytes, length, MOVEFILE_WRITE_THROUGH, OnDisk::kNothing);
}

}  // namespace

FileStamp StampOf(HANDLE file) {
    FileStamp stamp;
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return stamp;
    if (!GetFileTime(file, nullptr, nullptr, &stamp.written)) return stamp;
    stamp.known = true;
    stamp.sizeHigh = high;
    stamp.sizeLow = low;
    return stamp;
}

bool SameStamp(const FileStamp &a, const FileStamp &b) {
    return a.known == b.known && a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow &&
           a.written.dwLowDateTime == b.written.dwLowDateTime && a.written.dwHighDateTime == b.written.dwHighDateTime;
}

bool IsFolderOrDevice(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

WriteOutcome WriteFileSafely(LPCWSTR path, const char *bytes, DWORD length, Target target) {
    // Opening the old file for writing first asks what the device would ask: may this file be written?
    // A rename would replace a read-only file as readily as any other. Reading serves the template.
    bool readable = true;
    HANDLE handle =
        CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        handle = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        readable = false;
    }
    FileHandle old(handle);
    if (!old.Valid()) {
        WriteOutcome out;
        out.error = FailureCode();
        if (target == Target::kExistingOrNew &&
            (out.error == ERROR_FILE_NOT_FOUND || out.error == ERROR_PATH_NOT_FOUND))
            return WriteNewFile(path, bytes, length);
        out.notAFile = IsFolderOrDevice(path);
        return out;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    bool oneName = GetFileInformationByHandle(old.Get(), &information) && information.nNumberOfLinks == 1;
    DWORD attributes = GetFileAttributesW(path);
    bool link = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (readable && oneName && !link) {
        WString fresh;
        FileHandle file(CreateBeside(path, old.Get(), fresh));
        if (file.Valid())
            return RenameIntoPlace(path, fresh, file, old, bytes, length,
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, OnDisk::kOld);
    }
    return OverwriteWithCopyBeside(path, old, bytes, length);
}
