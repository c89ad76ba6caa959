// What a directory search yields, entry by entry: for the search tests on both sides.
#pragma once

#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

struct FoundEntry {
    WString name;
    DWORD attributes;
    uint64_t size;
};

// Every entry a search for pattern yields, in order, checking that it ends as Win32 ends a search; empty
// when FindFirstFileW fails (error then holds why).
inline std::vector<FoundEntry> ListSearch(const WCHAR *pattern, DWORD *error = nullptr) {
    std::vector<FoundEntry> entries;
    WIN32_FIND_DATAW data;
    SetLastError(0);
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return entries;
    }
    do {
        entries.push_back(
            {data.cFileName, data.dwFileAttributes, (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    if (error) *error = 0;
    return entries;
}

inline std::vector<WString> NamesOf(const std::vector<FoundEntry> &entries) {
    std::vector<WString> names;
    for (const FoundEntry &e : entries)
        names.push_back(e.name);
    return names;
}

// The names from the entry skip on, in no order.
inline std::set<WString> NameSetOf(const std::vector<FoundEntry> &entries, size_t skip = 0) {
    std::set<WString> names;
    for (size_t i = skip; i < entries.size(); ++i)
        names.insert(entries[i].name);
    return names;
}
