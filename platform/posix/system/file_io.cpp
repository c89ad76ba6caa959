// The write calls with their test hook; see file_io.h.
#include "platform/posix/system/file_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace posix {

namespace {

FileFaultHook &Hook() {
    static FileFaultHook hook;
    return hook;
}

FileFault FaultFor(FileCall call) {
    const FileFaultHook &hook = Hook();
    return hook ? hook(call) : FileFault();
}

int Failed(int error) {
    errno = error;
    return -1;
}

}  // namespace

void SetFileFaultHook(FileFaultHook hook) {
    Hook() = std::move(hook);
}

int FileOpen(const char *path, int flags, mode_t mode) {
    if (flags & (O_WRONLY | O_RDWR))
        if (FileFault fault = FaultFor(FileCall::kOpen); fault.error) return Failed(fault.error);
    return open(path, flags, mode);
}

ssize_t FileWrite(int fd, const void *data, size_t size) {
    FileFault fault = FaultFor(FileCall::kWrite);
    if (fault.error) return Failed(fault.error);
    return write(fd, data, size < fault.limit ? size : fault.limit);
}

int FileFlush(int fd) {
    if (FileFault fault = FaultFor(FileCall::kFlush); fault.error) return Failed(fault.error);
    return fsync(fd);
}

int FileTruncate(int fd, off_t size) {
    if (FileFault fault = FaultFor(FileCall::kTruncate); fault.error) return Failed(fault.error);
    return ftruncate(fd, size);
}

int FileRename(const char *from, const char *to) {
    if (FileFault fault = FaultFor(FileCall::kRename); fault.error) return Failed(fault.error);
    return rename(from, to);
}

int FileRenameNoReplace(const char *from, const char *to) {
    if (FileFault fault = FaultFor(FileCall::kRename); fault.error) return Failed(fault.error);
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    if (link(from, to) != 0) return -1;
    return unlink(from);
}

int FileClose(int fd) {
    FileFault fault = FaultFor(FileCall::kClose);
    int result = close(fd);
    return fault.error ? Failed(fault.error) : result;
}

}  // namespace posix
