// Setting and reading one registry value whole: for the registry tests on both sides.
#pragma once

#include "tests/support/test_platform.h"

#include <vector>

using Bytes = std::vector<BYTE>;

inline LONG SetValue(HKEY key, const WCHAR *name, DWORD type, const Bytes &data) {
    return RegSetValueExW(key, name, 0, type, data.data(), DWORD(data.size()));
}

// The value's type and bytes, read with a buffer big enough; false when it cannot be read.
inline bool GetValue(HKEY key, const WCHAR *name, DWORD &type, Bytes &data) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    data.assign(size, 0);
    return RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS && size == data.size();
}

inline bool HasValue(HKEY key, const WCHAR *name) {
    DWORD type;
    Bytes data;
    return GetValue(key, name, type, data);
}
