// The one table of kernel handles (files, directory searches, mutexes) that CloseHandle serves.
#pragma once

#include "platform/posix/base/win32_api.h"

#include <functional>
#include <memory>

namespace posix {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // A directory search is closed with FindClose only.
    virtual bool ClosedByCloseHandle() const { return true; }
    // Lets go of what the object holds before it is destroyed; an error a file system reports only
    // now (a write-back that failed) comes back as a Win32 error code.
    virtual DWORD Close() { return ERROR_SUCCESS; }
};

HANDLE InsertHandle(std::unique_ptr<KernelObject> object);
KernelObject *LookupHandle(HANDLE handle);
// Destroys the object; false when the handle names none.
bool EraseHandle(HANDLE handle);
// Destroys every object for which pick says so.
void EraseHandlesIf(const std::function<bool(KernelObject &)> &pick);
void ForEachHandle(const std::function<void(KernelObject &)> &visit);

template <class T>
T *LookupHandleAs(HANDLE handle) {
    return dynamic_cast<T *>(LookupHandle(handle));
}

}  // namespace posix
