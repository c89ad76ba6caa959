// The one header program code includes for the platform.
//
// On Windows it is the real Win32 and common controls, plus the few Smartphone shell calls that desktop
// Windows lacks (platform/windows/). Elsewhere it is our own implementation of the same subset
// (platform/posix/). Program code writes against this header and the C++ standard library only.
#pragma once

#ifdef _WIN32
#include "platform/windows/win32_windows.h"
#else
#include "platform/posix/base/win32_api.h"
#endif

#include <string>

// Owned wide strings in program code: 16-bit units on both builds.
using WString = std::basic_string<WCHAR>;
