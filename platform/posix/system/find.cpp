// Directory searches: FindFirstFileW, FindNextFileW, FindClose.
//
// The folder is read whole when the search starts, so that later changes to it cannot upset a search in
// progress. "." and ".." come first when the pattern matches them, except at the device root, which has
// neither; the other entries follow in upper-cased ordinal order, as NTFS lists them, though callers may
// rely on nothing beyond the dots coming first.
#include "platform/posix/base/casemap.h"
#include "platform/posix/system/codepage.h"
#include "platform/posix/system/handles.h"
#include "platform/posix/system/paths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace posix {

namespace {

// An entry as a search keeps it. The record handed out is large, most of it the name's fixed buffer, so
// it is made only when FindNextFileW hands the entry out: a folder of many entries is held compactly.
struct FoundEntry {
    U16String name;
    DWORD attributes = 0;
    FILETIME written{};
    FILETIME accessed{};
    DWORD sizeHigh = 0;
    DWORD sizeLow = 0;
};

class FindObject : public KernelObject {
public:
    bool ClosedByCloseHandle() const override { return false; }

    std::vector<FoundEntry> entries;
    size_t next = 0;  // the entry FindNextFileW returns
};

FoundEntry MakeEntry(U16String name, const struct stat &st, DWORD attributes) {
    FoundEntry entry;
    entry.name = std::move(name);
    entry.attributes = attributes;
    entry.written = FileTimeOf(st.st_mtim);
    entry.accessed = FileTimeOf(st.st_atim);
    if (S_ISREG(st.st_mode)) {
        entry.sizeHigh = DWORD(uint64_t(st.st_size) >> 32);
        entry.sizeLow = DWORD(uint64_t(st.st_size));
    }
    return entry;
}

// The record for the caller; names are never longer than MAX_PATH - 1 units.
void FillFindData(const FoundEntry &entry, WIN32_FIND_DATAW &data) {
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = entry.attributes;
    data.ftCreationTime = entry.written;
    data.ftLastAccessTime = entry.accessed;
    data.ftLastWriteTime = entry.written;
    data.nFileSizeHigh = entry.sizeHigh;
    data.nFileSizeLow = entry.sizeLow;
    std::copy(entry.name.begin(), entry.name.end(), data.cFileName);
}

// An entry as Linux shows it; a link that leads nowhere is listed as what it is, a link.
bool StatEntry(int dirFd, const char *name, struct stat &st) {
    return fstatat(dirFd, name, &st, 0) == 0 || fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

void AddDots(int dirFd, const U16String &pattern, std::vector<FoundEntry> &entries) {
    for (const char *dots : {".", ".."}) {
        U16String name = LinuxNameToU16(dots);
        struct stat st;
        if (!MatchesPattern(name, pattern) || !StatEntry(dirFd, dots, st)) continue;
        entries.push_back(MakeEntry(name, st, FileAttributesAt(dirFd, dots, st)));
    }
}

// Adds the matching names of the open folder to entries, in upper-cased ordinal order; false with errno
// set when it cannot be read.
bool ReadMatchingEntries(int dirFd, const U16String &pattern, std::vector<FoundEntry> &entries) {
    struct stat folder {};
    struct statvfs folderFs {};
    if (fstat(dirFd, &folder) != 0 || fstatvfs(dirFd, &folderFs) != 0) return false;
    int listFd = dup(dirFd);
    DIR *dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0) close(listFd);
        return false;
    }
    std::vector<FoundEntry> found;
    while (dirent *entry = readdir(dir)) {
        std::string linuxName = entry->d_name;
        if (linuxName == "." || linuxName == "..") continue;
        U16String name = LinuxNameToU16(linuxName);
        // A name that would not fit in cFileName cannot be used on the device anyway.
        if (name.size() > MAX_PATH - 1 || !MatchesPattern(name, pattern)) continue;
        struct stat st;
        if (!StatEntry(dirFd, linuxName.c_str(), st)) continue;  // gone since readdir
        DWORD attributes = FileAttributesInFolder(dirFd, linuxName.c_str(), st, folder.st_dev, folderFs.f_flag);
        found.push_back(MakeEntry(std::move(name), st, attributes));
    }
    closedir(dir);
    // Each name is upper-cased once, not at every comparison.
    std::vector<std::pair<U16String, size_t>> order;
    order.reserve(found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        U16String key = found[i].name;
        for (WCHAR &unit : key)
            unit = ToUpper(unit);
        order.emplace_back(std::move(key), i);
    }
    std::sort(order.begin(), order.end());
    entries.reserve(entries.size() + found.size());
    for (const auto &[key, index] : order)
        entries.push_back(std::move(found[index]));
    return true;
}

HANDLE FailFind(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Why the folder of a search could not be opened: a file where the folder should be is an invalid folder
// name, as Win32 says when it opens the file as a folder; a missing name on the way is a missing path.
DWORD FolderOpenError(int error, const std::string &linuxFolder) {
    if (error == EACCES) return ERROR_ACCESS_DENIED;
    struct stat st;
    if (error == ENOTDIR && stat(linuxFolder.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return ERROR_DIRECTORY;
    return ERROR_PATH_NOT_FOUND;
}

}  // namespace

}  // namespace posix

using namespace posix;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    if (!data) return FailFind(ERROR_INVALID_PARAMETER);
    if (!CheckDevicePath(pattern, Wildcards::kAllowedInLastName)) return INVALID_HANDLE_VALUE;
    U16String whole = pattern;
    size_t separator = whole.find_last_of(u"\\/");
    U16String folder = separator == U16String::npos ? U16String() : whole.substr(0, separator + 1);
    U16String namePattern = separator == U16String::npos ? whole : whole.substr(separator + 1);
    if (namePattern.empty()) return FailFind(ERROR_FILE_NOT_FOUND);

    std::string linuxFolder = DevicePathToLinux(folder);
    int dirFd = open(linuxFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return FailFind(FolderOpenError(errno, linuxFolder));

    auto search = std::make_unique<FindObject>();
    bool atRoot = DevicePathComponents(folder).empty();
    if (!atRoot) AddDots(dirFd, namePattern, search->entries);
    bool listed = ReadMatchingEntries(dirFd, namePattern, search->entries);
    int listError = errno;
    close(dirFd);
    if (!listed) return FailFind(ErrorFromErrno(listError, linuxFolder));
    if (search->entries.empty()) return FailFind(ERROR_FILE_NOT_FOUND);

    FillFindData(search->entries[0], *data);
    search->next = 1;
    return InsertHandle(std::move(search));
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
    auto *search = LookupHandleAs<FindObject>(find);
    if (!search || !data) {
        SetLastError(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (search->next >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    FillFindData(search->entries[search->next++], *data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!LookupHandleAs<FindObject>(find)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    EraseHandle(find);
    return TRUE;
}

namespace posix {

void ResetFinds() {
    EraseHandlesIf([](KernelObject &object) { return dynamic_cast<FindObject *>(&object) != nullptr; });
}

}  // namespace posix
