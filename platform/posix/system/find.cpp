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
#include <unistd.h>

namespace posix {

namespace {

class FindObject : public KernelObject {
public:
    bool ClosedByCloseHandle() const override { return false; }

    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;  // the entry FindNextFileW returns
};

WIN32_FIND_DATAW MakeEntry(const U16String &name, const struct stat &st, DWORD attributes) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = attributes;
    data.ftCreationTime = FileTimeOf(st.st_mtim);
    data.ftLastAccessTime = FileTimeOf(st.st_atim);
    data.ftLastWriteTime = FileTimeOf(st.st_mtim);
    if (S_ISREG(st.st_mode)) {
        data.nFileSizeHigh = DWORD(uint64_t(st.st_size) >> 32);
        data.nFileSizeLow = DWORD(uint64_t(st.st_size));
    }
    std::copy(name.begin(), name.end(), data.cFileName);
    return data;
}

bool UpperOrdinalLess(const WIN32_FIND_DATAW &a, const WIN32_FIND_DATAW &b) {
    for (size_t i = 0;; ++i) {
        WCHAR x = ToUpper(a.cFileName[i]), y = ToUpper(b.cFileName[i]);
        if (x != y || !x) return x < y;
    }
}

// An entry as Linux shows it; a link that leads nowhere is listed as what it is, a link.
bool StatEntry(int dirFd, const char *name, struct stat &st) {
    return fstatat(dirFd, name, &st, 0) == 0 || fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

void AddDots(int dirFd, const U16String &pattern, std::vector<WIN32_FIND_DATAW> &entries) {
    for (const char *dots : {".", ".."}) {
        U16String name = LinuxNameToU16(dots);
        struct stat st;
        if (!MatchesPattern(name, pattern) || !StatEntry(dirFd, dots, st)) continue;
        entries.push_back(MakeEntry(name, st, FileAttributesAt(dirFd, dots, st)));
    }
}

// Fills entries with the matching names of the open folder; false with errno set when it cannot be read.
bool ReadMatchingEntries(int dirFd, const U16String &pattern, std::vector<WIN32_FIND_DATAW> &entries) {
    int listFd = dup(dirFd);
    DIR *dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0) close(listFd);
        return false;
    }
    while (dirent *entry = readdir(dir)) {
        std::string linuxName = entry->d_name;
        if (linuxName == "." || linuxName == "..") continue;
        U16String name = LinuxNameToU16(linuxName);
        // A name that would not fit in cFileName cannot be used on the device anyway.
        if (name.size() > MAX_PATH - 1 || !MatchesPattern(name, pattern)) continue;
        struct stat st;
        if (!StatEntry(dirFd, linuxName.c_str(), st)) continue;  // gone since readdir
        entries.push_back(MakeEntry(name, st, FileAttributesAt(dirFd, linuxName.c_str(), st)));
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), UpperOrdinalLess);
    return true;
}

HANDLE FailFind(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
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
    if (dirFd < 0) return FailFind(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);

    auto search = std::make_unique<FindObject>();
    bool atRoot = DevicePathComponents(folder).empty();
    if (!atRoot) AddDots(dirFd, namePattern, search->entries);
    std::vector<WIN32_FIND_DATAW> names;
    bool listed = ReadMatchingEntries(dirFd, namePattern, names);
    int listError = errno;
    close(dirFd);
    if (!listed) return FailFind(ErrorFromErrno(listError, linuxFolder));
    search->entries.insert(search->entries.end(), names.begin(), names.end());
    if (search->entries.empty()) return FailFind(ERROR_FILE_NOT_FOUND);

    *data = search->entries[0];
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
    *data = search->entries[search->next++];
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
