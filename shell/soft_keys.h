// Soft-key bars whose keys a window takes over.
#pragma once

#include "shell/shell.h"

// A taken-over key arrives as WM_HOTKEY, on press and on release, and does nothing else.
constexpr LPARAM kOverrideNotifyNoDefault =
    MAKELPARAM(SHMBOF_NODEFAULT | SHMBOF_NOTIFY, SHMBOF_NODEFAULT | SHMBOF_NOTIFY);

// The window's bar from the bar resource barId, with Back taken over, so that the window decides what Back
// does (deleting in a field, or nothing). Returns the bar, or nullptr when it could not be made.
inline HWND CreateSoftKeysTakingBack(HWND window, UINT barId) {
    SHMENUBARINFO mbi = {};
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = window;
    mbi.nToolBarId = barId;
    mbi.hInstRes = InstanceHandle;
    SHCreateMenuBar(&mbi);
    if (mbi.hwndMB) SendMessageW(mbi.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK, kOverrideNotifyNoDefault);
    return mbi.hwndMB;
}
