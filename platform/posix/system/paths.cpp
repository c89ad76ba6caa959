// Device paths: from "\a\b.txt" to the Linux file under the root, names compared without regard to case.
#include "platform/posix/system/paths.h"
#include "platform/posix/base/options.h"
#include "platform/posix/base/casemap.h"
#include "platform/posix/system/codepage.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace posix {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsWildcard(char16_t c) {
    return c == u'*' || c == u'?';
}

bool IsForbiddenInName(char16_t c) {
    return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|';
}

bool SameIgnoringCase(const U16String &a, const U16String &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ToUpper(a[i]) != ToUpper(b[i])) return false;
    return true;
}

std::string RootFolder() {
    std::string root = GetOptions().root;
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;  // "" stands for "/"
}

bool Exists(const std::string &linuxPath) {
    struct stat st;
    return lstat(linuxPath.c_str(), &st) == 0 || errno != ENOENT;
}

struct DirCloser {
    void operator()(DIR *dir) const { closedir(dir); }
};

// The entry of folder whose name differs from name only in case; the first in byte order when several do.
bool FindEntryIgnoringCase(const std::string &folder, const U16String &name, std::string &found) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "/" : folder.c_str()));
    if (!dir) return false;
    bool any = false;
    while (dirent *entry = readdir(dir.get())) {
        std::string candidate = entry->d_name;
        if (candidate == "." || candidate == "..") continue;
        if (!SameIgnoringCase(LinuxNameToU16(candidate), name)) continue;
        if (!any || candidate < found) found = candidate;
        any = true;
    }
    return any;
}

}  // namespace

std::vector<U16String> DevicePathComponents(const U16String &devicePath) {
    std::vector<U16String> components;
    size_t i = 0;
    while (i < devicePath.size()) {
        while (i < devicePath.size() && IsSeparator(devicePath[i]))
            ++i;
        size_t start = i;
        while (i < devicePath.size() && !IsSeparator(devicePath[i]))
            ++i;
        U16String name = devicePath.substr(start, i - start);
        if (name.empty() || name == u".") continue;
        if (name == u"..") {
            if (!components.empty()) components.pop_back();
            continue;
        }
        components.push_back(std::move(name));
    }
    return components;
}

std::string DevicePathToLinux(const U16String &devicePath) {
    std::string path = RootFolder();
    bool missing = false;  // once a folder is missing, nothing below it can be matched
    for (const U16String &name : DevicePathComponents(devicePath)) {
        std::string given;
        U16ToLinuxName(name, given);  // CheckDevicePath has refused a name with no Linux form
        std::string exact = path + "/" + given;
        if (missing || Exists(exact)) {
            path = exact;
            continue;
        }
        std::string found;
        if (FindEntryIgnoringCase(path, name, found)) {
            path += "/" + found;
        } else {
            path = exact;
            missing = true;
        }
    }
    return path.empty() ? "/" : path;
}

bool CheckDevicePath(LPCWSTR path, Wildcards wildcards) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    size_t length = wcslen(path);
    if (length == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (length > MAX_PATH - 1) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::string linuxForm;
    if (!U16ToLinuxName(U16String(path, length), linuxForm)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    size_t lastName = 0;
    for (size_t i = 0; i < length; ++i)
        if (IsSeparator(path[i])) lastName = i + 1;
    for (size_t i = 0; i < length; ++i) {
        bool wildcardAllowed = wildcards == Wildcards::kAllowedInLastName && i >= lastName;
        if (IsForbiddenInName(path[i]) || (IsWildcard(path[i]) && !wildcardAllowed)) {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
    }
    return true;
}

std::string ParentOf(const std::string &linuxPath) {
    std::string path = linuxPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

FILETIME FileTimeOf(const timespec &time) {
    constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
    uint64_t ticks = (uint64_t(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL + uint64_t(time.tv_nsec) / 100;
    return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

DWORD ErrorFromErrno(int error, const std::string &linuxPath) {
    switch (error) {
        case ENOENT: {
            struct stat st;
            bool folderExists = stat(ParentOf(linuxPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            return folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        }
        case ENOTDIR:
        case ELOOP: return ERROR_PATH_NOT_FOUND;
        case EEXIST: return ERROR_FILE_EXISTS;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case EFBIG: return ERROR_FILE_TOO_LARGE;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EBADF: return ERROR_INVALID_HANDLE;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EIO: return ERROR_WRITE_FAULT;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        default: return ERROR_ACCESS_DENIED;  // EACCES, EPERM, EROFS, EISDIR, ENXIO, ETXTBSY, EBUSY ...
    }
}

namespace {

// Plain wildcard matching over the whole name, ignoring case; '*' backtracks to its last position.
bool Glob(const U16String &name, const U16String &pattern) {
    size_t n = 0, p = 0, starP = U16String::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || ToUpper(pattern[p]) == ToUpper(name[n]))) {
            ++p;
            ++n;
        } else if (starP != U16String::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool EndsWith(const U16String &text, const U16String &tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool MatchesPattern(const U16String &name, const U16String &pattern) {
    if (Glob(name, pattern)) return true;
    bool noDot = name.find(u'.') == U16String::npos;
    // "name.*" also finds "name", and "name." finds only names without an extension.
    if (EndsWith(pattern, u".*") && noDot) return Glob(name, pattern.substr(0, pattern.size() - 2));
    if (EndsWith(pattern, u".") && pattern != u"." && pattern != u".." && noDot)
        return Glob(name, pattern.substr(0, pattern.size() - 1));
    return false;
}

}  // namespace posix
