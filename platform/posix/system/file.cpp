// Files: CreateFileW and the calls on its handles, attributes, deleting files and making folders.
//
// A handle owns one Linux descriptor with its own position. Win32's share modes are kept between the
// handles of this process: an open that would conflict with one already held fails, as it would on the
// device, where only this program opens the document. Only regular files open: anything else (a folder,
// a pipe, a device) is refused at once, and opening never waits for a pipe's other end.
#include "platform/posix/system/file.h"
#include "platform/posix/system/file_io.h"
#include "platform/posix/system/handles.h"
#include "platform/posix/system/paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace posix {

namespace {

DWORD WriteError(int error) {
    return error == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(error, std::string());
}

class FileObject : public KernelObject {
public:
    FileObject(int fd, DWORD access, DWORD share, dev_t device, ino_t inode)
        : fd(fd), access(access), share(share), device(device), inode(inode) {}
    ~FileObject() override {
        if (fd >= 0) close(fd);
    }
    // Some file systems (network, FUSE) report a failed write-back only when the file is closed.
    DWORD Close() override {
        int result = FileClose(fd), error = errno;
        fd = -1;
        return result == 0 || error == EINTR ? ERROR_SUCCESS : WriteError(error);
    }
    bool CanRead() const { return access & GENERIC_READ; }
    bool CanWrite() const { return access & GENERIC_WRITE; }

    int fd;
    const DWORD access;  // GENERIC_READ and GENERIC_WRITE bits asked for
    const DWORD share;   // FILE_SHARE_* granted to later opens
    const dev_t device;  // identity of the file, for the share check
    const ino_t inode;
};

template <class T>
T Fail(DWORD error, T result) {
    SetLastError(error);
    return result;
}

// Win32 refuses an open when either side does not share what the other asks for.
bool SharingConflicts(const FileObject &held, DWORD access, DWORD share) {
    bool wantsRead = access & GENERIC_READ, wantsWrite = access & GENERIC_WRITE;
    return (wantsRead && !(held.share & FILE_SHARE_READ)) || (wantsWrite && !(held.share & FILE_SHARE_WRITE)) ||
           (held.CanRead() && !(share & FILE_SHARE_READ)) || (held.CanWrite() && !(share & FILE_SHARE_WRITE));
}

bool ConflictsWithOpenHandles(const struct stat &st, DWORD access, DWORD share) {
    bool conflict = false;
    ForEachHandle([&](KernelObject &object) {
        auto *file = dynamic_cast<FileObject *>(&object);
        if (file && file->device == st.st_dev && file->inode == st.st_ino && SharingConflicts(*file, access, share))
            conflict = true;
    });
    return conflict;
}

bool IsOpen(const struct stat &st) {
    bool open = false;
    ForEachHandle([&](KernelObject &object) {
        auto *file = dynamic_cast<FileObject *>(&object);
        if (file && file->device == st.st_dev && file->inode == st.st_ino) open = true;
    });
    return open;
}

int AccessFlags(DWORD access) {
    bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
    if (read && write) return O_RDWR;
    return write ? O_WRONLY : O_RDONLY;
}

struct Opened {
    int fd = -1;
    bool existed = false;  // the file was there before this open
};

// Opens or creates the file as the disposition says, never following through to truncation: that waits
// until the file is known to be a regular file nobody else holds. Sets errno on failure.
bool OpenForDisposition(const std::string &path, int flags, DWORD disposition, mode_t mode, Opened &opened) {
    flags |= O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    switch (disposition) {
        case CREATE_NEW: opened.fd = FileOpen(path.c_str(), flags | O_CREAT | O_EXCL, mode); return opened.fd >= 0;
        case OPEN_EXISTING:
        case TRUNCATE_EXISTING:
            opened.fd = FileOpen(path.c_str(), flags, 0);
            opened.existed = true;
            return opened.fd >= 0;
        case CREATE_ALWAYS:
        case OPEN_ALWAYS:
            // Try to create first, so that "existed" is exact even if the file appears meanwhile.
            for (int attempt = 0; attempt < 8; ++attempt) {
                opened.fd = FileOpen(path.c_str(), flags | O_CREAT | O_EXCL, mode);
                if (opened.fd >= 0) return true;
                if (errno != EEXIST) return false;
                opened.fd = FileOpen(path.c_str(), flags, 0);
                opened.existed = true;
                if (opened.fd >= 0 || errno != ENOENT) return opened.fd >= 0;
            }
            return false;
        default: errno = EINVAL; return false;
    }
}

// Opening a device or a pipe can itself act (a writer waiting on a pipe goes on, a device wakes up), so
// anything that is already known not to be a regular file is refused before it is opened.
bool KnownNotRegular(const std::string &path, DWORD creation) {
    struct stat st;
    return creation != CREATE_NEW && stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

HANDLE OpenRegularFile(const std::string &path, DWORD access, DWORD share, DWORD creation, DWORD flagsAndAttributes) {
    if (KnownNotRegular(path, creation)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    Opened opened;
    if (!OpenForDisposition(path, AccessFlags(access), creation, mode, opened))
        return Fail(ErrorFromErrno(errno, path), INVALID_HANDLE_VALUE);
    struct stat st;
    if (fstat(opened.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(opened.fd);
        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    if (opened.existed && ConflictsWithOpenHandles(st, access, share)) {
        close(opened.fd);
        return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
    }
    bool truncate = opened.existed && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING);
    if (truncate && FileTruncate(opened.fd, 0) != 0) {
        int error = errno;
        close(opened.fd);
        return Fail(ErrorFromErrno(error, path), INVALID_HANDLE_VALUE);
    }
    // The descriptor was opened non-blocking only so that the open itself could not wait.
    fcntl(opened.fd, F_SETFL, fcntl(opened.fd, F_GETFL) & ~O_NONBLOCK);
    HANDLE handle = InsertHandle(std::make_unique<FileObject>(opened.fd, access, share, st.st_dev, st.st_ino));
    bool reportExisting = opened.existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

FileObject *FileFromHandle(HANDLE handle) {
    FileObject *file = LookupHandleAs<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// Attributes from what Linux knows; fsFlags are the flags of the file system holding the file.
DWORD AttributesOf(const struct stat &st, bool writable, unsigned long fsFlags) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(st.st_mode))
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    if (!writable) attributes |= FILE_ATTRIBUTE_READONLY;
    if (!S_ISDIR(st.st_mode) && (fsFlags & ST_RDONLY)) attributes |= FILE_ATTRIBUTE_INROM;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

DWORD FileAttributesAt(int dirFd, const char *name, const struct stat &st) {
    bool writable = faccessat(dirFd, name, W_OK, 0) == 0;
    struct statvfs fs {};
    unsigned long fsFlags = 0;
    if (S_ISREG(st.st_mode)) {
        // Only a file's own file system matters, and only for files.
        int fd = openat(dirFd, name, O_PATH | O_CLOEXEC);
        if (fd >= 0) {
            if (fstatvfs(fd, &fs) == 0) fsFlags = fs.f_flag;
            close(fd);
        }
    }
    return AttributesOf(st, writable, fsFlags);
}

// The standard handles, made when first asked for; each owns a copy of its descriptor.
HANDLE &StandardHandle(int fd) {
    static HANDLE handles[3] = {nullptr, nullptr, nullptr};
    return handles[fd];
}

void ResetFiles() {
    for (int fd = 0; fd < 3; ++fd)
        StandardHandle(fd) = nullptr;
    ResetFinds();
    EraseHandlesIf([](KernelObject &object) { return dynamic_cast<FileObject *>(&object) != nullptr; });
}

}  // namespace posix

using namespace posix;

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD flags,
                   HANDLE) {
    if (!CheckDevicePath(name, Wildcards::kRefused)) return INVALID_HANDLE_VALUE;
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING ||
        (creation == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    return OpenRegularFile(DevicePathToLinux(name), access, shareMode, creation, flags);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    FileObject *file = FileFromHandle(handle);
    if (!file) return FALSE;
    if (!file->CanRead()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    char *p = static_cast<char *>(buffer);
    DWORD done = 0;
    while (done < toRead) {
        ssize_t n = ::read(file->fd, p + done, toRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (read) *read = done;
            return Fail(errno == EIO ? DWORD(ERROR_READ_FAULT) : ErrorFromErrno(errno, std::string()), FALSE);
        }
        if (n == 0) break;  // end of file: success with what there was
        done += DWORD(n);
    }
    if (read) *read = done;
    return TRUE;
}

// A write that cannot be completed fails: *written then tells how much of it reached the file.
BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    FileObject *file = FileFromHandle(handle);
    if (!file) return FALSE;
    if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    const char *p = static_cast<const char *>(buffer);
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = FileWrite(file->fd, p + done, toWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (written) *written = done;
            // A write that makes no progress without an error can only mean there is no room.
            return Fail(n == 0 ? DWORD(ERROR_DISK_FULL) : WriteError(errno), FALSE);
        }
        done += DWORD(n);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    FileObject *file = FileFromHandle(handle);
    if (!file) return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(file->fd, &st) != 0) return Fail(ErrorFromErrno(errno, std::string()), INVALID_FILE_SIZE);
    uint64_t size = uint64_t(st.st_size);
    if (sizeHigh) *sizeHigh = DWORD(size >> 32);
    DWORD low = DWORD(size);
    // A size whose low part looks like the error value is told apart by a last error of 0.
    if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return low;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG *distanceHigh, DWORD method) {
    FileObject *file = FileFromHandle(handle);
    if (!file) return INVALID_SET_FILE_POINTER;
    int64_t offset =
        distanceHigh ? int64_t((uint64_t(uint32_t(*distanceHigh)) << 32) | uint32_t(distance)) : int64_t(distance);
    int64_t base = 0;
    if (method == FILE_CURRENT) {
        base = lseek(file->fd, 0, SEEK_CUR);
    } else if (method == FILE_END) {
        struct stat st;
        base = fstat(file->fd, &st) == 0 ? st.st_size : -1;
    } else if (method != FILE_BEGIN) {
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    }
    if (base < 0) return Fail(ErrorFromErrno(errno, std::string()), INVALID_SET_FILE_POINTER);
    int64_t target = base + offset;
    if (target < 0) return Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
    // Without a high part the caller can only be told positions below 4 GB.
    if (!distanceHigh && target > int64_t(0xFFFFFFFE)) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    if (lseek(file->fd, target, SEEK_SET) < 0)
        return Fail(ErrorFromErrno(errno, std::string()), INVALID_SET_FILE_POINTER);
    if (distanceHigh) *distanceHigh = LONG(uint64_t(target) >> 32);
    DWORD low = DWORD(uint64_t(target));
    if (low == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
    return low;
}

BOOL SetEndOfFile(HANDLE handle) {
    FileObject *file = FileFromHandle(handle);
    if (!file) return FALSE;
    if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    off_t position = lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || FileTruncate(file->fd, position) != 0) return Fail(WriteError(errno), FALSE);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
    FileObject *file = FileFromHandle(handle);
    if (!file) return FALSE;
    if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (FileFlush(file->fd) != 0) return Fail(WriteError(errno), FALSE);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
    if (!CheckDevicePath(name, Wildcards::kRefused)) return INVALID_FILE_ATTRIBUTES;
    std::string path = DevicePathToLinux(name);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, path), INVALID_FILE_ATTRIBUTES);
    // "a.txt\" asks for a folder named a.txt, as Linux reads "a.txt/".
    size_t length = wcslen(name);
    bool asFolder = name[length - 1] == u'\\' || name[length - 1] == u'/';
    if (asFolder && !S_ISDIR(st.st_mode)) return Fail(ERROR_PATH_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    return FileAttributesAt(AT_FDCWD, path.c_str(), st);
}

BOOL DeleteFileW(LPCWSTR name) {
    if (!CheckDevicePath(name, Wildcards::kRefused)) return FALSE;
    std::string path = DevicePathToLinux(name);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, path), FALSE);
    // Win32 deletes neither folders, nor read-only files, nor files that are open.
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (!S_ISLNK(st.st_mode) && access(path.c_str(), W_OK) != 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (IsOpen(st)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    if (unlink(path.c_str()) != 0) return Fail(ErrorFromErrno(errno, path), FALSE);
    return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
    if (!CheckDevicePath(name, Wildcards::kRefused)) return FALSE;
    std::string path = DevicePathToLinux(name);
    if (mkdir(path.c_str(), 0777) == 0) return TRUE;
    if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    // What is missing is a folder on the way, never the new folder itself.
    if (errno == ENOENT) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    return Fail(ErrorFromErrno(errno, path), FALSE);
}

HANDLE GetStdHandle(DWORD which) {
    int fd = which == STD_INPUT_HANDLE ? 0 : which == STD_OUTPUT_HANDLE ? 1 : which == STD_ERROR_HANDLE ? 2 : -1;
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);
    HANDLE &handle = StandardHandle(fd);
    if (handle) return handle;
    struct stat st;
    // A process started without one has none, as a Windows program started without a console.
    if (fstat(fd, &st) != 0) return nullptr;
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (copy < 0) return nullptr;
    DWORD access = fd == 0 ? GENERIC_READ : GENERIC_WRITE;
    handle = InsertHandle(
        std::make_unique<FileObject>(copy, access, FILE_SHARE_READ | FILE_SHARE_WRITE, st.st_dev, st.st_ino));
    return handle;
}
