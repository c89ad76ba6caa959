// Finding the window of another process of the same user, and asking it to come forward.
//
// A process that shows a top-level window announces its class with a small file in the per-user run-time
// folder: "window-<class>-<pid>", holding the pid and the process's start time. Another process finds it
// there; the start time tells a live announcer from a dead one whose pid has been reused, so a request
// never reaches an unrelated process. The request is SIGUSR1. The announcer's handler only counts it and
// writes a byte to a pipe, whose read end a front end watches beside its input.
#include "platform/posix/system/instance.h"
#include "platform/posix/base/options.h"
#include "platform/posix/system/codepage.h"
#include "platform/posix/base/casemap.h"
#include "platform/posix/system/runtime_files.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace posix {

namespace {

// ---------------------------------------------------------------------------------------------------
// Foreground requests: the signal handler and its pipe
// ---------------------------------------------------------------------------------------------------

std::atomic<int> pendingRequests{0};
bool handedToAnother = false;   // this process asked another to come forward
int requestPipe[2] = {-1, -1};  // read end, write end
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free counter");

// Makes the read end readable. Async-signal-safe.
void WakeReader() {
    char byte = 1;
    if (requestPipe[1] >= 0 && write(requestPipe[1], &byte, 1) < 0) {
        // A full pipe is readable already.
    }
}

void OnForegroundRequest(int) {
    int savedErrno = errno;
    pendingRequests.fetch_add(1);
    WakeReader();
    errno = savedErrno;
}

void EnsurePipe() {
    if (requestPipe[0] < 0 && pipe2(requestPipe, O_NONBLOCK | O_CLOEXEC) != 0) requestPipe[0] = requestPipe[1] = -1;
}

void InstallHandler() {
    static bool installed = false;
    if (installed) return;
    EnsurePipe();
    struct sigaction action {};
    action.sa_handler = OnForegroundRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed = sigaction(SIGUSR1, &action, nullptr) == 0;
}

void DrainPipe() {
    char buffer[64];
    if (requestPipe[0] < 0) return;
    while (read(requestPipe[0], buffer, sizeof buffer) > 0) {
    }
}

// ---------------------------------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------------------------------

struct ProcessInfo {
    bool known = false;  // /proc told us about it
    bool zombie = false;
    unsigned long long startTime = 0;  // clock ticks after boot
};

ProcessInfo ReadProcessInfo(int pid) {
    ProcessInfo info;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!file || !std::getline(file, text)) return info;
    // The command name in parentheses may hold anything, so count fields after its last ')'.
    size_t close = text.rfind(')');
    if (close == std::string::npos) return info;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int index = 3; fields >> field; ++index) {
        if (index == 3) info.zombie = field == "Z" || field == "X";
        if (index == 22) {
            info.startTime = std::strtoull(field.c_str(), nullptr, 10);
            info.known = true;
            break;
        }
    }
    return info;
}

unsigned long long OwnStartTime() {
    return ReadProcessInfo(getpid()).startTime;
}

// The process is running and is the one that wrote the announcement (same start time, where /proc tells).
bool IsLive(int pid, unsigned long long startTime) {
    if (pid <= 0 || (kill(pid, 0) != 0 && errno != EPERM)) return false;
    ProcessInfo info = ReadProcessInfo(pid);
    if (!info.known) return true;
    return !info.zombie && (startTime == 0 || info.startTime == startTime);
}

// ---------------------------------------------------------------------------------------------------
// Announcements
// ---------------------------------------------------------------------------------------------------

struct Announcements {
    std::set<std::string> files;  // the announcement files this process wrote
    int writer = 0;               // the pid that wrote them; a forked child must not remove them
};

Announcements &Announced() {
    static Announcements announced;
    return announced;
}

const std::string kAnyClassPrefix = "window-";

std::string AnnouncementPrefix(const U16String &className) {
    // Win32 window class names ignore case.
    U16String upper = className;
    for (char16_t &c : upper)
        c = ToUpper(c);
    return kAnyClassPrefix + EncodeObjectName(upper) + "-";
}

std::string AnnouncementFile(const std::string &folder, const U16String &className, int pid) {
    return folder + "/" + AnnouncementPrefix(className) + std::to_string(pid);
}

void RemoveOwnAnnouncements() {
    Announcements &a = Announced();
    if (a.writer != getpid()) return;
    for (const std::string &file : a.files)
        unlink(file.c_str());
    a.files.clear();
}

bool WriteAnnouncement(const std::string &file, const U16String &className) {
    std::string temporary = file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << getpid() << ' ' << OwnStartTime() << '\n' << U16ToUtf8(className) << '\n';
        if (!out.flush()) return false;
    }
    return rename(temporary.c_str(), file.c_str()) == 0;
}

struct Announcer {
    int pid = 0;
    unsigned long long startTime = 0;
};

bool ReadAnnouncement(const std::string &file, Announcer &announcer) {
    std::ifstream in(file);
    return bool(in >> announcer.pid >> announcer.startTime);
}

// An announcement's name ends in "-<pid>". A class's prefix must be followed by the process id alone, so
// that the files of the class "A-B" never answer for the class "A".
bool EndsInProcessId(const std::string &name, const std::string &prefix) {
    size_t dash = name.rfind('-');
    if (dash == std::string::npos || dash + 1 >= name.size()) return false;
    if (name.find_first_not_of("0123456789", dash + 1) != std::string::npos) return false;
    return prefix == kAnyClassPrefix || dash + 1 == prefix.size();
}

// Live announcers of files in the folder whose names start with prefix; stale files are removed.
template <class Visit>
void ForEachLiveAnnouncer(const std::string &folder, const std::string &prefix, Visit visit) {
    std::unique_ptr<DIR, int (*)(DIR *)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent *entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && EndsInProcessId(name, prefix)) names.push_back(name);
    }
    for (const std::string &name : names) {
        std::string file = folder + "/" + name;
        Announcer announcer;
        if (!ReadAnnouncement(file, announcer)) continue;
        if (announcer.pid == getpid()) continue;
        if (!IsLive(announcer.pid, announcer.startTime)) {
            unlink(file.c_str());
            continue;
        }
        if (!visit(announcer.pid)) return;
    }
}

bool UsableFolder(const std::string &folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st;
    // Refuse anything another user could have put there or could read: a link, or a folder not ours.
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return false;
    if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return false;
    return true;
}

}  // namespace

std::string EncodeObjectName(const U16String &name) {
    constexpr size_t kMaxLength = 160;
    std::string utf8 = U16ToUtf8(name), encoded;
    for (unsigned char c : utf8) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain || c == '.' || c == '_' || c == '-') {
            encoded.push_back(char(c));
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    if (encoded.size() <= kMaxLength) return encoded;
    uint64_t hash = 1469598103934665603ULL;  // FNV-1a of the whole name
    for (unsigned char c : utf8)
        hash = (hash ^ c) * 1099511628211ULL;
    char tail[24];
    std::snprintf(tail, sizeof tail, "~%016llx", (unsigned long long)hash);
    return encoded.substr(0, kMaxLength) + tail;
}

// The user's runtime folder. Without XDG_RUNTIME_DIR (a login by another route, sudo) the folder a
// login session would have named is taken when it is there, so that the same user still meets one
// instance, whichever way the editor was started.
std::string UserRuntimeFolder() {
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return runtime;
    std::string session = "/run/user/" + std::to_string(geteuid());
    struct stat st;
    if (stat(session.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid()) return session;
    return std::string();
}

std::string RuntimeDirectory() {
    std::string runtime = UserRuntimeFolder();
    const std::string &name = GetOptions().programFolder;
    std::string folder = runtime.empty() ? "/tmp/" + name + "-" + std::to_string(geteuid()) : runtime + "/" + name;
    return UsableFolder(folder) ? folder : std::string();
}

void PublishWindowClass(const U16String &className) {
    std::string folder = RuntimeDirectory();
    if (folder.empty()) return;
    std::string file = AnnouncementFile(folder, className, getpid());
    Announcements &a = Announced();
    if (a.writer != getpid()) {
        a.files.clear();  // what a parent announced is the parent's
        a.writer = getpid();
    }
    if (a.files.count(file)) return;
    // The handler must be in place before anyone can find us: SIGUSR1 would otherwise end the process.
    InstallHandler();
    static bool cleanupRegistered = false;
    if (!cleanupRegistered) cleanupRegistered = std::atexit(RemoveOwnAnnouncements) == 0;
    if (WriteAnnouncement(file, className)) a.files.insert(file);
}

void UnpublishWindowClass(const U16String &className) {
    Announcements &a = Announced();
    if (a.writer != getpid()) return;
    std::string folder = RuntimeDirectory();
    if (folder.empty()) return;
    std::string file = AnnouncementFile(folder, className, getpid());
    if (a.files.erase(file)) unlink(file.c_str());
}

int FindRemoteWindowClass(const U16String &className) {
    std::string folder = RuntimeDirectory();
    if (folder.empty()) return 0;
    int found = 0;
    ForEachLiveAnnouncer(folder, AnnouncementPrefix(className), [&](int pid) {
        found = pid;
        return false;
    });
    return found;
}

// Only a process that announced a window is ever signalled.
bool AskRemoteToForeground(int pid) {
    std::string folder = RuntimeDirectory();
    if (folder.empty() || pid <= 0 || pid == getpid()) return false;
    bool announced = false;
    ForEachLiveAnnouncer(folder, kAnyClassPrefix, [&](int live) {
        announced = live == pid;
        return !announced;
    });
    if (!announced || kill(pid, SIGUSR1) != 0) return false;
    handedToAnother = true;
    return true;
}

bool HandedForegroundToAnother() {
    return handedToAnother;
}

bool TakeForegroundRequest() {
    // Drain first: a request arriving after this point leaves its own byte in the pipe.
    DrainPipe();
    int pending = pendingRequests.load();
    while (pending > 0 && !pendingRequests.compare_exchange_weak(pending, pending - 1)) {
    }
    if (pending <= 0) return false;
    if (pending > 1) WakeReader();  // more requests wait: keep the descriptor readable
    return true;
}

int ForegroundRequestFd() {
    EnsurePipe();
    return requestPipe[0];
}

void ResetInstances() {
    ResetMutexes();
    RemoveOwnAnnouncements();
    pendingRequests = 0;
    handedToAnother = false;
    DrainPipe();
}

}  // namespace posix
