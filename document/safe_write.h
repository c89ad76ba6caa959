// Writing a text file so that one whole copy of the text exists at every moment: whatever fails, and
// even when the program is killed half-way, the file holds its old bytes or its new bytes in full, or
// a whole copy of the new bytes lies beside it under a name the caller is given.
#pragma once

#include "platform/win32.h"

// What the program last knew of a file on the disk: its size and the time it was last written.
struct FileStamp {
    bool known = false;
    DWORD sizeHigh = 0, sizeLow = 0;
    FILETIME written = {};
};

FileStamp StampOf(HANDLE file);
bool SameStamp(const FileStamp &a, const FileStamp &b);

// What a write left on the disk.
enum class OnDisk {
    kUntouched,  // the file could not be opened: nothing was written anywhere
    kOld,        // writing began, and the file still holds its old bytes whole
    kNothing,    // there was no file by that name, and there still is none
    kNew,        // the file holds the new bytes whole
    kCopy,       // the file may hold part of each; a whole copy of the new bytes lies at copy
};

struct WriteOutcome {
    DWORD error = ERROR_SUCCESS;  // ERROR_SUCCESS once the new bytes are whole and flushed
    OnDisk disk = OnDisk::kUntouched;
    bool notAFile = false;  // a folder or a device stands where the file should be
    WString copy;           // the whole copy, for OnDisk::kCopy
    FileStamp stamp;        // the file as written, for OnDisk::kNew
};

enum class Target { kExisting, kExistingOrNew };

// Writes exactly length bytes to path, which must exist (kExisting) or may be new (kExistingOrNew).
WriteOutcome WriteFileSafely(LPCWSTR path, const char *bytes, DWORD length, Target target);

// True for a path where a folder or a device stands.
bool IsFolderOrDevice(LPCWSTR path);
