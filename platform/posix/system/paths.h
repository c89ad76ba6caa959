// Device paths for the file calls: checking them, finding them under the root, and Win32 errors for the
// failures of the Linux calls made on them.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace posix {

// Turns a device path ("\a\b.txt") into a Linux path under the root; ".." never climbs above it. Names
// ignore case as on the device: a name that does not exist as written takes the spelling of the entry
// that differs from it only in case, if there is one.
std::string DevicePathToLinux(const U16String &devicePath);

// The names of a device path, with "." and ".." resolved as Win32 does, by the text alone; ".." never
// climbs above the root. Both "\" and "/" separate names.
std::vector<U16String> DevicePathComponents(const U16String &devicePath);

enum class Wildcards { kRefused, kAllowedInLastName };

// False, with the last error set, for a path no file call accepts: null, empty, longer than MAX_PATH - 1
// characters, or holding a character that no file name may hold.
bool CheckDevicePath(LPCWSTR path, Wildcards wildcards);

// The last error for a Linux call on linuxPath that failed with errno error. A missing name is
// ERROR_FILE_NOT_FOUND when its folder exists and ERROR_PATH_NOT_FOUND when it does not.
DWORD ErrorFromErrno(int error, const std::string &linuxPath);

// A Linux time as Win32 counts it: 100-nanosecond steps since 1601.
FILETIME FileTimeOf(const timespec &time);

// The Linux folder holding linuxPath ("/" for a name at the top).
std::string ParentOf(const std::string &linuxPath);

// Win32 file-name matching, ignoring case: '*' any run, '?' one character, and "*.*" or a pattern ending
// in ".*" also matching names without a dot.
bool MatchesPattern(const U16String &name, const U16String &pattern);

// The Win32 attributes of the entry name in the folder dirFd (or AT_FDCWD for a whole path), whose stat
// is st: folder; read-only when this user may not write it; system for anything neither a regular file
// nor a folder; in ROM for a file on a read-only mount; archive for any other regular file.
DWORD FileAttributesAt(int dirFd, const char *name, const struct stat &st);
// The same for an entry of the folder dirFd, whose device and file-system flags (statvfs's f_flag) the
// caller read once for the whole folder: a regular file on the folder's device shares its flags, so a
// listing of many files asks for them once.
DWORD FileAttributesInFolder(int dirFd, const char *name, const struct stat &st, dev_t folderDevice,
                             unsigned long folderFlags);

// Closes every directory search (find.cpp), for ResetFiles.
void ResetFinds();

}  // namespace posix
