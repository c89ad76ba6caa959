// Simple one-to-one upper and lower case mapping of WCHARs, as the Win32 case routines use.
#pragma once

#include "platform/posix/base/win32_api.h"

namespace posix {

struct CaseTables {
    WCHAR upper[65536];
    WCHAR lower[65536];
};

// Built on first use; the tables never change afterwards.
const CaseTables &Cases();

inline WCHAR ToUpper(WCHAR ch) {
    return Cases().upper[ch];
}
inline WCHAR ToLower(WCHAR ch) {
    return Cases().lower[ch];
}

}  // namespace posix
