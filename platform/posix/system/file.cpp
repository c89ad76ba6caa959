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
#include <utility>

namespace posix {

namespace {

DWORD WriteError(int error) {
    return error == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(error, std::string());
}

class FileObject : public KernelObject {
public:
    FileObject(int fd, std::string path, DWORD access, DWORD share, dev_t device, ino_t inode)
        : fd(fd), path(std::move(path)), access(access), share(share), device(device), inode(inode) {}
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
    const std::string path;  // the Linux path it was opened by, for its attributes; empty for standard handles
    const DWORD access;      // GENERIC_READ and GENERIC_WRITE bits asked for
    const DWORD share;       // FILE_SHARE_* granted to later opens
    const dev_t device;      // identity of the file, for the share check
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

// A file held by a handle that does not share deletion can be neither renamed nor replaced.
bool HeldAgainstDeletion(const struct stat &st) {
    bool held = false;
    ForEachHandle([&](KernelObject &object) {
        auto *file = dynamic_cast<FileObject *>(&object);
        if (file && file->device == st.st_dev && file->inode == st.st_ino && !(file->share & FILE_SHARE_DELETE))
            held = true;
    });
    return held;
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

// A file made from a template takes the template's attributes. On Linux those are its permission bits,
// its owner and its group: a new file that is to stand in for another (a safe save renames it over the
// old one) must not let other users read what they could not, nor change hands. Where the owner or the
// group cannot be kept (only the superuser gives files away), the new file is not made at all: a caller
// that needs the same owner learns so, and one that does not can create without a template.
DWORD ApplyTemplate(int fd, const FileObject &model) {
    struct stat wanted, made;
    if (fstat(model.fd, &wanted) != 0 || fstat(fd, &made) != 0) return ErrorFromErrno(errno, std::string());
    if ((wanted.st_uid != made.st_uid || wanted.st_gid != made.st_gid) && fchown(fd, wanted.st_uid, wanted.st_gid) != 0)
        return ERROR_ACCESS_DENIED;
    if (fchmod(fd, wanted.st_mode & 0777) != 0) return ErrorFromErrno(errno, std::string());
    return ERROR_SUCCESS;
}

HANDLE OpenRegularFile(const std::string &path, DWORD access, DWORD share, DWORD creation, DWORD flagsAndAttributes,
                       HANDLE templateFile) {
    if (KnownNotRegular(path, creation)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    const FileObject *model = nullptr;
    if (templateFile && templateFile != INVALID_HANDLE_VALUE) {
        model = LookupHandleAs<FileObject>(templateFile);
        if (!model) return Fail(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);
        if (!model->CanRead()) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
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
    // The template counts only for a file this call made; an existing file keeps what it has.
    if (model && !opened.existed) {
        if (DWORD error = ApplyTemplate(opened.fd, *model); error != ERROR_SUCCESS) {
            close(opened.fd);
            unlink(path.c_str());
            return Fail(error, INVALID_HANDLE_VALUE);
        }
    }
    bool truncate = opened.existed && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING);
    if (truncate && FileTruncate(opened.fd, 0) != 0) {
        int error = errno;
        close(opened.fd);
        return Fail(ErrorFromErrno(error, path), INVALID_HANDLE_VALUE);
    }
    // The descriptor was opened non-blocking only so that the open itself could not wait.
    fcntl(opened.fd, F_SETFL, fcntl(opened.fd, F_GETFL) & ~O_NONBLOCK);
    HANDLE handle = InsertHandle(std::make_unique<FileObject>(opened.fd, path, access, share, st.st_dev, st.st_ino));
    bool reportExisting = opened.existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

FileObject *FileFromHandle(HANDLE handle) {
    FileObject *file = LookupHandleAs<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// Attributes from what Linux knows; fsFlags are the flags of the file system holding the file. Linux keeps
// no archive bit: every regular file outside ROM counts as changed since the last backup, as Win32 marks
// each file it creates or writes.
DWORD AttributesOf(const struct stat &st, bool writable, unsigned long fsFlags) {
    DWORD attributes = 0;
    bool inRom = !S_ISDIR(st.st_mode) && (fsFlags & ST_RDONLY);
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(st.st_mode))
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    else if (!inRom)
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (!writable) attributes |= FILE_ATTRIBUTE_READONLY;
    if (inRom) attributes |= FILE_ATTRIBUTE_INROM;
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

DWORD FileAttributesInFolder(int dirFd, const char *name, const struct stat &st, dev_t folderDevice,
                             unsigned long folderFlags) {
    if (!S_ISREG(st.st_mode) || st.st_dev != folderDevice) return FileAttributesAt(dirFd, name, st);
    return AttributesOf(st, faccessat(dirFd, name, W_OK, 0) == 0, folderFlags);
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
                   HANDLE templateFile) {
    if (!CheckDevicePath(name, Wildcards::kRefused)) return INVALID_HANDLE_VALUE;
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING ||
        (creation == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    return OpenRegularFile(DevicePathToLinux(name), access, shareMode, creation, flags, templateFile);
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
    // A size whose lower 32 bits look like the error value is told apart by a last error of 0.
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
    // Without the upper 32 bits the caller can only be told positions below 4 GB.
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

BOOL GetFileTime(HANDLE handle, FILETIME *creation, FILETIME *lastAccess, FILETIME *lastWrite) {
    FileObject *file = FileFromHandle(handle);
    if (!file) return FALSE;
    struct stat st;
    if (fstat(file->fd, &st) != 0) return Fail(ErrorFromErrno(errno, std::string()), FALSE);
    // Linux keeps no creation time that every file system reports; the last change stands for it, as in
    // the directory listings.
    if (creation) *creation = FileTimeOf(st.st_mtim);
    if (lastAccess) *lastAccess = FileTimeOf(st.st_atim);
    if (lastWrite) *lastWrite = FileTimeOf(st.st_mtim);
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION information) {
    FileObject *file = FileFromHandle(handle);
    if (!file) return FALSE;
    if (!information) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    struct stat st;
    if (fstat(file->fd, &st) != 0) return Fail(ErrorFromErrno(errno, std::string()), FALSE);
    bool writable = file->path.empty() ? file->CanWrite() : access(file->path.c_str(), W_OK) == 0;
    struct statvfs fs {};
    unsigned long fsFlags = fstatvfs(file->fd, &fs) == 0 ? fs.f_flag : 0;
    BY_HANDLE_FILE_INFORMATION info{};
    info.dwFileAttributes = AttributesOf(st, writable, fsFlags);
    info.ftCreationTime = FileTimeOf(st.st_mtim);
    info.ftLastAccessTime = FileTimeOf(st.st_atim);
    info.ftLastWriteTime = FileTimeOf(st.st_mtim);
    info.dwVolumeSerialNumber = DWORD(st.st_dev);
    info.nFileSizeHigh = DWORD(uint64_t(st.st_size) >> 32);
    info.nFileSizeLow = DWORD(uint64_t(st.st_size));
    info.nNumberOfLinks = DWORD(st.st_nlink);
    info.nFileIndexHigh = DWORD(uint64_t(st.st_ino) >> 32);
    info.nFileIndexLow = DWORD(uint64_t(st.st_ino));
    *information = info;
    return TRUE;
}

namespace {

// Makes a folder's entries durable: a renamed file is on the disk under its new name only once its
// folder is.
bool FlushFolder(const std::string &folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int result = FileFlush(fd), error = errno;
    close(fd);
    errno = error;
    return result == 0;
}

// A move between file systems, allowed by MOVEFILE_COPY_ALLOWED: the bytes are copied to the new name
// (replacing what is there), and the old name is removed only once the copy is whole.
bool CopyThenRemove(const std::string &from, const std::string &to, bool writeThrough) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    int out =
        fstat(in, &st) == 0 ? FileOpen(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777) : -1;
    bool ok = out >= 0;
    char buffer[65536];
    while (ok) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            ssize_t w = FileWrite(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w == 0) errno = ENOSPC;
            ok = w > 0;
            if (ok) done += w;
        }
    }
    int error = errno;
    if (ok && writeThrough && FileFlush(out) != 0) {
        ok = false;
        error = errno;
    }
    if (out >= 0 && FileClose(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    close(in);
    if (ok) return unlink(from.c_str()) == 0;
    errno = error;
    return false;
}

}  // namespace

// Win32's rules first (a read-only or open file is not replaced, nor a folder), then one rename, which
// Linux makes atomic: the new name shows the old file or the moved one, never neither.
BOOL MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags) {
    if (!newName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!CheckDevicePath(existing, Wildcards::kRefused) || !CheckDevicePath(newName, Wildcards::kRefused)) return FALSE;
    std::string from = DevicePathToLinux(existing), to = DevicePathToLinux(newName);
    struct stat source, target;
    if (lstat(from.c_str(), &source) != 0) return Fail(ErrorFromErrno(errno, from), FALSE);
    if (HeldAgainstDeletion(source)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    bool replaces = lstat(to.c_str(), &target) == 0;
    if (replaces && !(source.st_dev == target.st_dev && source.st_ino == target.st_ino)) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS, FALSE);
        if (S_ISDIR(target.st_mode) || S_ISDIR(source.st_mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (!S_ISLNK(target.st_mode) && access(to.c_str(), W_OK) != 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
        // A file someone holds open is never replaced, even one shared for deletion.
        if (IsOpen(target)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    }
    bool writeThrough = flags & MOVEFILE_WRITE_THROUGH;
    int result = (flags & MOVEFILE_REPLACE_EXISTING) ? FileRename(from.c_str(), to.c_str())
                                                     : FileRenameNoReplace(from.c_str(), to.c_str());
    if (result != 0 && errno == EXDEV) {
        if (!(flags & MOVEFILE_COPY_ALLOWED) || !S_ISREG(source.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE, FALSE);
        if (!CopyThenRemove(from, to, writeThrough)) return Fail(ErrorFromErrno(errno, to), FALSE);
        return TRUE;
    }
    if (result != 0) return Fail(errno == EEXIST ? DWORD(ERROR_ALREADY_EXISTS) : ErrorFromErrno(errno, to), FALSE);
    // The move has happened; a folder that cannot be flushed is reported, as the caller asked to know.
    if (writeThrough && !FlushFolder(ParentOf(to))) return Fail(WriteError(errno), FALSE);
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
    DWORD attributes = FileAttributesAt(AT_FDCWD, path.c_str(), st);
    // A symbolic link is a reparse point, as on NTFS; the other attributes are those of what it leads to.
    struct stat own;
    if (!asFolder && lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode))
        attributes = (attributes & ~DWORD(FILE_ATTRIBUTE_NORMAL)) | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
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
    handle = InsertHandle(std::make_unique<FileObject>(copy, std::string(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                       st.st_dev, st.st_ino));
    return handle;
}
