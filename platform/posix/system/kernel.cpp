// The last error, the handle table with CloseHandle, local memory, and time.
#include "platform/posix/system/handles.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>
#include <vector>

namespace posix {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct HandleTable {
    std::map<uintptr_t, std::unique_ptr<KernelObject>> objects;
    // Handle values are multiples of 4 well away from 0 and INVALID_HANDLE_VALUE, never reused while the
    // process runs, so a stale handle is reported as invalid rather than naming a newer object.
    uintptr_t next = 0x20000;
};

HandleTable &Table() {
    static HandleTable table;
    return table;
}

}  // namespace

HANDLE InsertHandle(std::unique_ptr<KernelObject> object) {
    HandleTable &t = Table();
    uintptr_t value = t.next;
    t.next += 4;
    t.objects[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

KernelObject *LookupHandle(HANDLE handle) {
    auto &objects = Table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == objects.end() ? nullptr : it->second.get();
}

bool EraseHandle(HANDLE handle) {
    auto &objects = Table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == objects.end()) return false;
    // Take the object out first: its destructor may look at the table.
    std::unique_ptr<KernelObject> object = std::move(it->second);
    objects.erase(it);
    return true;
}

void EraseHandlesIf(const std::function<bool(KernelObject &)> &pick) {
    std::vector<std::unique_ptr<KernelObject>> doomed;
    auto &objects = Table().objects;
    for (auto it = objects.begin(); it != objects.end();) {
        if (pick(*it->second)) {
            doomed.push_back(std::move(it->second));
            it = objects.erase(it);
        } else {
            ++it;
        }
    }
}

void ForEachHandle(const std::function<void(KernelObject &)> &visit) {
    for (auto &entry : Table().objects)
        visit(*entry.second);
}

}  // namespace posix

using namespace posix;

DWORD GetLastError(void) {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}

BOOL CloseHandle(HANDLE handle) {
    KernelObject *object = LookupHandle(handle);
    if (!object || !object->ClosedByCloseHandle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD error = object->Close();
    EraseHandle(handle);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

HANDLE LocalAlloc(UINT flags, size_t bytes) {
    // Win32 hands out a real block even for 0 bytes.
    size_t size = bytes ? bytes : 1;
    void *memory = (flags & LMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
    if (!memory) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return memory;
}

HANDLE LocalFree(HANDLE memory) {
    std::free(memory);
    return nullptr;
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == INFINITE) {
        for (;;) {
            timespec forever{3600, 0};
            nanosleep(&forever, nullptr);
        }
    }
    timespec left{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// Milliseconds since an arbitrary start, wrapping after 49.7 days as on Win32.
DWORD GetTickCount(void) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return DWORD(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}
