// InitCommonControlsEx. The platform registers every control class of its own before the first window is
// made, so the call only checks its record, as Win32 does.
#include "platform/posix/base/win32_api.h"

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
