// Named mutexes across the processes of one user, enough to tell whether another instance runs.
//
// A named mutex exists while some process holds a handle to it. Each process holding one keeps a shared
// lock on a lock file named after it; a process that creates the mutex tries an exclusive lock first, and
// only when that fails does someone else hold it (ERROR_ALREADY_EXISTS). The first process turns its
// exclusive lock into a shared one at once. Linux does not convert flock locks atomically, so the test and
// the conversion happen under a second, short-lived gate lock that every creator takes first: nobody can
// test while another converts.
#include "platform/posix/system/handles.h"
#include "platform/posix/system/instance.h"
#include "platform/posix/system/runtime_files.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace posix {

namespace {

// One per name in this process, shared by all its handles; the lock goes when the last handle closes.
struct NamedMutex {
    ~NamedMutex() {
        if (lockFd >= 0) close(lockFd);
    }
    int lockFd = -1;  // holds the shared lock; -1 for a mutex known to this process only
    int owned = 0;    // how many times this (only) thread owns it; ReleaseMutex gives one back
};

class MutexObject : public KernelObject {
public:
    explicit MutexObject(std::shared_ptr<NamedMutex> shared) : shared(std::move(shared)) {}
    std::shared_ptr<NamedMutex> shared;
};

HANDLE NewHandle(std::shared_ptr<NamedMutex> mutex, bool takeOwnership) {
    if (takeOwnership) ++mutex->owned;
    return InsertHandle(std::make_unique<MutexObject>(std::move(mutex)));
}

std::map<U16String, std::weak_ptr<NamedMutex>> &NamedMutexes() {
    static std::map<U16String, std::weak_ptr<NamedMutex>> mutexes;
    return mutexes;
}

int OpenLockFile(const std::string &path) {
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

bool Lock(int fd, int operation) {
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Takes the shared lock on the mutex's file; true when another process already held it.
bool JoinAcrossProcesses(const std::string &folder, const U16String &name, NamedMutex &mutex) {
    int gate = OpenLockFile(folder + "/mutex.gate");
    if (gate < 0) return false;
    bool existed = false;
    if (Lock(gate, LOCK_EX)) {
        mutex.lockFd = OpenLockFile(folder + "/mutex-" + EncodeObjectName(name) + ".lock");
        if (mutex.lockFd >= 0) {
            existed = !Lock(mutex.lockFd, LOCK_EX | LOCK_NB);
            Lock(mutex.lockFd, LOCK_SH | LOCK_NB);
        }
    }
    close(gate);
    return existed;
}

}  // namespace

void ResetMutexes() {
    EraseHandlesIf([](KernelObject &object) { return dynamic_cast<MutexObject *>(&object) != nullptr; });
    NamedMutexes().clear();
}

}  // namespace posix

using namespace posix;

// A folder for run-time files that cannot be used leaves the mutex known to this process only: the
// program still runs, though a second one would not find it.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
    if (!name) {
        SetLastError(ERROR_SUCCESS);
        return NewHandle(std::make_shared<NamedMutex>(), initialOwner);
    }
    auto &mutexes = NamedMutexes();
    if (std::shared_ptr<NamedMutex> known = mutexes[name].lock()) {
        // Win32 ignores initialOwner for a mutex that already exists.
        SetLastError(ERROR_ALREADY_EXISTS);
        return NewHandle(known, false);
    }
    auto mutex = std::make_shared<NamedMutex>();
    std::string folder = RuntimeDirectory();
    bool existed = !folder.empty() && JoinAcrossProcesses(folder, name, *mutex);
    mutexes[name] = mutex;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return NewHandle(mutex, initialOwner && !existed);
}

BOOL ReleaseMutex(HANDLE handle) {
    auto *mutex = LookupHandleAs<MutexObject>(handle);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (mutex->shared->owned == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    --mutex->shared->owned;
    return TRUE;
}
