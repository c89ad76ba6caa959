// The Linux calls through which files are written: opening for writing, writing, flushing, truncating,
// renaming and closing. Every writer of the platform (the file calls, the registry) goes through them,
// so that a test can make any one of them fail as a disk does (EIO, ENOSPC) or stop a write half-way,
// and then check what the failure at that moment left on the disk and what the caller was told.
//
// Outside tests there is no hook, and each function is exactly the Linux call it names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sys/types.h>

namespace posix {

enum class FileCall { kOpen, kWrite, kFlush, kTruncate, kRename, kClose };

// What one call does instead of its work. error: fail with this errno value and do nothing (a close
// still closes, as Linux does when close reports an error). limit: a write writes at most this many
// bytes and reports that many, so that the caller's next write meets whatever comes next.
struct FileFault {
    int error = 0;
    size_t limit = SIZE_MAX;
};

// Asked before every call with what the call is; returns the fault to inject, or a default FileFault
// for none. An empty function (the default) removes the hook. For tests only.
using FileFaultHook = std::function<FileFault(FileCall call)>;
void SetFileFaultHook(FileFaultHook hook);

// open(2) for a file to be written (the hook is asked only when flags ask for writing).
int FileOpen(const char *path, int flags, mode_t mode);
ssize_t FileWrite(int fd, const void *data, size_t size);
// fsync(2), for files and folders.
int FileFlush(int fd);
int FileTruncate(int fd, off_t size);
int FileRename(const char *from, const char *to);
// Renames only when nothing has the new name (EEXIST otherwise), also where the file system cannot
// do so in one step: there a hard link takes the new name and the old one is then removed.
int FileRenameNoReplace(const char *from, const char *to);
int FileClose(int fd);

}  // namespace posix
