// A test in a scratch folder of its own, made before it and removed after it, on either side.
#pragma once

#include "tests/support/test_platform.h"

#include <string>

class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override { folder_ = test_platform::MakeScratchFolder(); }
    void TearDown() override { test_platform::RemoveScratchFolder(); }

    // The path of a name in the test's folder; relative is a path such as "\\a.txt".
    WString At(const WCHAR *relative) const { return folder_ + relative; }
    void Put(const WCHAR *relative, const std::string &bytes) const {
        test_platform::WriteFileBytes(At(relative), bytes);
    }
    std::string Contents(const WCHAR *relative) const { return test_platform::ReadFileBytes(At(relative)); }
    bool Exists(const WCHAR *relative) const {
        return GetFileAttributesW(At(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    WString folder_;
};
