// The registry calls on HKEY_CURRENT_USER, kept in one .reg text file.
//
// The file is read once, when a key is first opened. Every change goes through to the file at once and
// as one step that other processes cannot break into: under an exclusive lock on a file beside it, the
// file is read again (so that what others wrote meanwhile is kept), changed, written to a temporary file,
// flushed, and renamed over the old one. A reader therefore always finds a whole file. A file that cannot
// be read as a .reg file counts as empty and is never overwritten: before the next write it is kept under
// another name. Anything else at the path (a folder, a device, a pipe) also reads as empty but is never
// moved or replaced: writing fails instead, as it does when the file cannot be opened for a passing reason
// (too many open files, an I/O error) that says nothing about the file itself.
#include "platform/posix/system/registry.h"
#include "platform/posix/base/options.h"
#include "platform/posix/system/codepage.h"
#include "platform/posix/system/file_io.h"
#include "platform/posix/system/paths.h"
#include "platform/posix/system/registry_hive.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posix {

namespace {

const char16_t kCurrentUser[] = u"HKEY_CURRENT_USER";

struct RegistryState {
    bool loaded = false;                  // the file has been read
    Hive hive;                            // as last read or written
    std::map<uintptr_t, U16String> keys;  // open key handles and the full paths they name
    uintptr_t nextKey = 0x30000;
};

RegistryState &State() {
    static RegistryState state;
    return state;
}

// ---------------------------------------------------------------------------------------------------
// The file
// ---------------------------------------------------------------------------------------------------

std::string HomeFolder() {
    const char *home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd *user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

std::string HiveFile() {
    const std::string &configured = GetOptions().registryFile;
    std::string path = configured;
    if (path.empty()) {
        const char *config = std::getenv("XDG_CONFIG_HOME");
        std::string base = (config && config[0] == '/') ? config : HomeFolder() + "/.config";
        path = base + "/" + GetOptions().programFolder + "/registry.reg";
    }
    // A hive kept elsewhere through a link is replaced where it lies, so the link stays.
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), resolved)) return resolved;
    return path;
}

bool MakeFolders(const std::string &folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = ParentOf(folder);
    if (parent != folder && !MakeFolders(parent)) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// What lies at the hive's path.
enum class Found {
    kNothing,         // no file yet
    kFile,            // a file, read whole
    kUnreadableFile,  // a file this user may not read
    kNotAFile,        // a folder, device, pipe or socket
    kFailed,          // the path could not be examined or the file read for some other reason
};

struct FileContent {
    Found found = Found::kNothing;
    int error = 0;  // why, for kFailed
    std::string bytes;
    mode_t mode = 0600;
};

FileContent Failure(int error) {
    FileContent content;
    content.found = Found::kFailed;
    content.error = error;
    return content;
}

FileContent ReadWholeFile(const std::string &path) {
    FileContent content;
    // Only a regular file is opened: opening a device or a pipe may itself do something.
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? content : Failure(errno);
    if (!S_ISREG(st.st_mode)) {
        content.found = Found::kNotAFile;
        return content;
    }
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return content;
        if (errno != EACCES && errno != EPERM) return Failure(errno);
        content.found = Found::kUnreadableFile;
        return content;
    }
    if (fstat(fd, &st) != 0) {
        int error = errno;
        close(fd);
        return Failure(error);
    }
    if (!S_ISREG(st.st_mode)) {  // replaced since it was looked at
        close(fd);
        content.found = Found::kNotAFile;
        return content;
    }
    content.mode = st.st_mode & 07777;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            return Failure(error);
        }
        if (n == 0) break;
        content.bytes.append(buffer, size_t(n));
    }
    close(fd);
    content.found = Found::kFile;
    return content;
}

// The hive in the file; empty when there is none or it cannot be read.
Hive ReadHive(const std::string &path) {
    FileContent content = ReadWholeFile(path);
    if (content.found != Found::kFile) return Hive();
    std::optional<Hive> hive = ParseRegFile(content.bytes);
    return hive ? std::move(*hive) : Hive();
}

std::string Timestamp() {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Moves the file out of the way under a name that nothing else has; false when it cannot be moved.
bool KeepAside(const std::string &path) {
    std::string base = path + ".unreadable-" + Timestamp();
    for (int n = 0; n < 1000; ++n) {
        std::string aside = n ? base + "-" + std::to_string(n) : base;
        if (FileRenameNoReplace(path.c_str(), aside.c_str()) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

LONG ErrorOf(int error) {
    return LONG(ErrorFromErrno(error, std::string()));
}

bool WriteAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = FileWrite(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// Makes a rename in the folder last; false with errno set when it may not have. A file system that
// cannot flush a folder (EINVAL) keeps its renames by other means.
bool SyncFolder(const std::string &folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    bool synced = FileFlush(fd) == 0 || errno == EINVAL;
    int error = errno;
    close(fd);
    errno = error;
    return synced;
}

// Replaces the file with text, so that the file is at every moment either the old one or the new one.
// replaced tells whether the new one took the path: a failure to flush the folder afterwards is still
// reported, since the change may not outlast a crash, but the file holds it.
LONG ReplaceFile(const std::string &path, const std::string &text, mode_t mode, bool &replaced) {
    replaced = false;
    std::string temporary = path + ".tmp";
    int fd = FileOpen(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorOf(errno);
    fchmod(fd, mode);
    bool written = WriteAll(fd, text) && FileFlush(fd) == 0;
    int error = errno;
    if (FileClose(fd) != 0 && written) {  // a file system may report a failed write only here
        written = false;
        error = errno;
    }
    if (!written || FileRename(temporary.c_str(), path.c_str()) != 0) {
        if (written) error = errno;
        unlink(temporary.c_str());
        return ErrorOf(error);
    }
    replaced = true;
    return SyncFolder(ParentOf(path)) ? ERROR_SUCCESS : ErrorOf(errno);
}

class FileLock {
public:
    explicit FileLock(const std::string &path) {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            close(fd_);
            fd_ = -1;
            return;
        }
    }
    ~FileLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// What a change asks for: kWrite to store the changed hive; any error code to store nothing and return it.
constexpr LONG kWrite = ERROR_SUCCESS;

// What this process now sees: the hive as read or written, plus the keys it created and has not yet set
// a value in, which live in memory only.
void Adopt(Hive fresh) {
    Hive &seen = State().hive;
    for (const auto &entry : seen.Keys())
        if (!fresh.Find(entry.second.path)) fresh.Ensure(entry.second.path);
    seen = std::move(fresh);
}

// Reads the file afresh under the lock, lets change alter it, and writes the result through.
LONG UpdateHive(const std::function<LONG(Hive &)> &change) {
    std::string path = HiveFile();
    if (!MakeFolders(ParentOf(path))) return ERROR_PATH_NOT_FOUND;
    FileLock lock(path + ".lock");
    if (!lock.Held()) return ErrorOf(errno);
    FileContent content = ReadWholeFile(path);
    // A folder, device or pipe is not a registry file to be replaced; and a file that could not be read
    // for a reason other than its permissions may be a good one.
    if (content.found == Found::kNotAFile) return ERROR_ACCESS_DENIED;
    if (content.found == Found::kFailed) return ErrorOf(content.error);
    std::optional<Hive> parsed = content.found == Found::kFile ? ParseRegFile(content.bytes) : std::nullopt;
    bool unreadable = content.found == Found::kUnreadableFile || (content.found == Found::kFile && !parsed);
    Hive hive = parsed ? std::move(*parsed) : Hive();
    LONG result = change(hive);
    if (result != kWrite) {
        Adopt(std::move(hive));
        return result;
    }
    if (unreadable && !KeepAside(path)) return ERROR_ACCESS_DENIED;
    bool replaced;
    result = ReplaceFile(path, FormatRegFile(hive), content.found == Found::kFile ? content.mode : 0600, replaced);
    if (replaced) Adopt(std::move(hive));
    return result;
}

// ---------------------------------------------------------------------------------------------------
// Keys
// ---------------------------------------------------------------------------------------------------

void EnsureLoaded() {
    RegistryState &s = State();
    if (s.loaded) return;
    s.hive = ReadHive(HiveFile());
    s.loaded = true;
}

bool IsCurrentUser(HKEY key) {
    return key == HKEY_CURRENT_USER;
}

// The full path a handle names; false for a handle that names no open key.
bool PathOfKey(HKEY key, U16String &path) {
    if (IsCurrentUser(key)) {
        path = kCurrentUser;
        return true;
    }
    auto &keys = State().keys;
    auto it = keys.find(reinterpret_cast<uintptr_t>(key));
    if (it == keys.end()) return false;
    path = it->second;
    return true;
}

// The full path of subKey below key: names separated by single backslashes, a trailing one allowed.
LONG SubKeyPath(HKEY key, LPCWSTR subKey, U16String &path) {
    if (!PathOfKey(key, path)) return ERROR_INVALID_HANDLE;
    if (!subKey || !*subKey) return ERROR_SUCCESS;
    if (subKey[0] == u'\\') return ERROR_BAD_PATHNAME;
    U16String name;
    for (const WCHAR *p = subKey;; ++p) {
        if (*p == u'\\' || *p == 0) {
            if (name.empty() && *p) return ERROR_BAD_PATHNAME;  // an empty name between two backslashes
            if (!name.empty()) path += u"\\" + name;
            name.clear();
            if (!*p) break;
            continue;
        }
        // A line break would end the key's line in the file.
        if (*p == u'\n' || *p == u'\r') return ERROR_INVALID_PARAMETER;
        name.push_back(*p);
    }
    return ERROR_SUCCESS;
}

bool KeyExists(const Hive &hive, const U16String &path) {
    return path == kCurrentUser || hive.Find(path);
}

HKEY NewKeyHandle(const U16String &path) {
    RegistryState &s = State();
    uintptr_t value = s.nextKey;
    s.nextKey += 4;
    s.keys[value] = path;
    return reinterpret_cast<HKEY>(value);
}

U16String ValueName(LPCWSTR name) {
    return name ? U16String(name) : U16String();
}

}  // namespace

void ResetRegistry() {
    RegistryState &s = State();
    s.loaded = false;
    s.hive = Hive();
    s.keys.clear();
}

}  // namespace posix

using namespace posix;

// A new key lives in memory until a value is set in it: opening the settings at start-up must not
// touch the file, which may be one that cannot be read and is to be kept as it is.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    U16String path;
    if (LONG error = SubKeyPath(key, subKey, path)) return error;
    EnsureLoaded();
    Hive &hive = State().hive;
    bool created = !KeyExists(hive, path);
    if (created) hive.Ensure(path);
    *result = NewKeyHandle(path);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    U16String path;
    if (LONG error = SubKeyPath(key, subKey, path)) return error;
    EnsureLoaded();
    if (!KeyExists(State().hive, path)) return ERROR_FILE_NOT_FOUND;
    *result = NewKeyHandle(path);
    return ERROR_SUCCESS;
}

// A value larger than the buffer is not copied at all: the caller learns the size it needs.
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cbData) {
    U16String path;
    if (!PathOfKey(key, path)) return ERROR_INVALID_HANDLE;
    if (data && !cbData) return ERROR_INVALID_PARAMETER;
    EnsureLoaded();
    const RegKey *found = State().hive.Find(path);
    const RegValue *value = found ? FindValue(*found, ValueName(valueName)) : nullptr;
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    DWORD size = DWORD(value->data.size());
    if (!data) {
        if (cbData) *cbData = size;
        return ERROR_SUCCESS;
    }
    DWORD offered = *cbData;
    *cbData = size;
    if (offered < size) return ERROR_MORE_DATA;
    std::copy(value->data.begin(), value->data.end(), data);
    return ERROR_SUCCESS;
}

// The value keeps exactly the bytes given: a string of 2n + 1 bytes stays 2n + 1 bytes.
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE *data, DWORD cbData) {
    U16String path;
    if (!PathOfKey(key, path)) return ERROR_INVALID_HANDLE;
    if (!data && cbData) return ERROR_INVALID_PARAMETER;
    U16String name = ValueName(valueName);
    std::vector<BYTE> bytes(data, data + cbData);
    EnsureLoaded();
    return UpdateHive([&](Hive &hive) {
        SetValue(hive.Ensure(path), name, type, bytes);
        return kWrite;
    });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    U16String path;
    if (!PathOfKey(key, path)) return ERROR_INVALID_HANDLE;
    EnsureLoaded();
    return UpdateHive([&](Hive &hive) {
        RegKey *found = hive.Find(path);
        return found && DeleteValue(*found, ValueName(valueName)) ? kWrite : LONG(ERROR_FILE_NOT_FOUND);
    });
}

LONG RegCloseKey(HKEY key) {
    if (IsCurrentUser(key)) return ERROR_SUCCESS;
    return State().keys.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
