// Writes that fail part-way, injected one call at a time through the platform's file-writing calls: every
// open, write, flush, truncate, rename and close of a registry write failing in turn with EIO, with ENOSPC,
// or after half its bytes. Whatever fails, the file is the old one whole or the new one whole, and the
// call says that it failed. The same calls carry the file calls' own writes.
#include <gtest/gtest.h>

#include "platform/posix/base/options.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/registry.h"
#include "tests/support/file_faults.h"
#include "tests/platform/scratch.h"

#include <dirent.h>
#include <set>
#include <string>
#include <vector>

namespace {

using faults::CallName;
using faults::Failure;
using faults::FailureName;
using faults::FileCall;
using faults::Injector;
using faults::kNoTarget;
using Bytes = std::vector<BYTE>;

class WriteFaults : public ::testing::Test {
protected:
    void SetUp() override {
        savedFile_ = posix::GetOptions().registryFile;
        posix::GetOptions().registryFile = HiveFile();
        posix::ResetRegistry();
    }
    void TearDown() override {
        posix::SetFileFaultHook(nullptr);
        posix::ResetRegistry();
        posix::GetOptions().registryFile = savedFile_;
    }

    std::string HiveFile() const { return dir_ / "registry.reg"; }
    std::string HiveText() const { return scratch::TempDir::ReadFile(HiveFile()); }

    static HKEY Settings() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Example", 0, nullptr, 0, 0, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static LONG Set(HKEY key, const WCHAR *name, const Bytes &data) {
        return RegSetValueExW(key, name, 0, REG_BINARY, data.data(), DWORD(data.size()));
    }
    static Bytes Query(HKEY key, const WCHAR *name) {
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
        Bytes data(size);
        RegQueryValueExW(key, name, nullptr, nullptr, data.data(), &size);
        return data;
    }
    // Names in the folder other than the hive and its lock: temporary files left behind.
    std::set<std::string> Leftovers() const {
        std::set<std::string> names;
        DIR *dir = opendir(dir_.Path().c_str());
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != ".." && name != "registry.reg" && name != "registry.reg.lock")
                names.insert(name);
        }
        closedir(dir);
        return names;
    }

    scratch::TempDir dir_;
    std::string savedFile_;
};

// A value large enough that a half write leaves a file that is clearly neither old nor new.
Bytes Pattern(BYTE seed, size_t size) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = BYTE(seed + i * 7);
    return data;
}

TEST_F(WriteFaults, EveryFailingCallOfARegistryWriteLeavesTheOldFileOrTheNewOneAndIsReported) {
    const Bytes oldValue = Pattern(1, 600), newValue = Pattern(2, 900);
    ASSERT_EQ(Set(Settings(), u"Data", oldValue), ERROR_SUCCESS);
    const std::string oldText = HiveText();

    // A clean write, to learn its calls and the file it leaves.
    std::vector<FileCall> calls;
    {
        Injector none(kNoTarget, Failure::kIoError);
        ASSERT_EQ(Set(Settings(), u"Data", newValue), ERROR_SUCCESS);
        calls = none.Calls();
    }
    const std::string newText = HiveText();
    ASSERT_NE(newText, oldText);
    std::set<FileCall> kinds(calls.begin(), calls.end());
    for (FileCall needed : {FileCall::kOpen, FileCall::kWrite, FileCall::kFlush, FileCall::kRename, FileCall::kClose})
        EXPECT_TRUE(kinds.count(needed)) << CallName(needed) << " is not made through the platform's write calls";

    int runs = 0;
    for (size_t target = 0; target < calls.size(); ++target) {
        for (Failure failure : {Failure::kIoError, Failure::kDiskFull, Failure::kHalfWrite}) {
            if (failure == Failure::kHalfWrite && calls[target] != FileCall::kWrite) continue;
            SCOPED_TRACE(std::string(CallName(calls[target])) + " #" + std::to_string(target) + " fails with " +
                         FailureName(failure));
            dir_.Write("registry.reg", oldText);
            posix::ResetRegistry();
            HKEY key = Settings();
            LONG result;
            {
                Injector injector(target, failure);
                result = Set(key, u"Data", newValue);
                ASSERT_TRUE(injector.Fired());
            }
            ++runs;
            EXPECT_NE(result, ERROR_SUCCESS);
            const std::string text = HiveText();
            EXPECT_TRUE(text == oldText || text == newText) << "the file is neither the old one nor the new one";
            EXPECT_EQ(Leftovers(), std::set<std::string>());
            // This process sees what the file holds, and so does the next one.
            EXPECT_EQ(Query(key, u"Data"), text == oldText ? oldValue : newValue);
            posix::ResetRegistry();
            EXPECT_EQ(Query(Settings(), u"Data"), text == oldText ? oldValue : newValue);
        }
    }
    EXPECT_GE(runs, int(calls.size()) * 2);
}

// A file that cannot be read is moved aside before the first write; when that move fails, nothing is
// written over it and the caller is told.
TEST_F(WriteFaults, AFailedMoveOfAnUnreadableFileLeavesItAndWritesNothing) {
    const std::string damaged = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software]\nnonsense\n";
    dir_.Write("registry.reg", damaged);
    for (Failure failure : {Failure::kIoError, Failure::kDiskFull}) {
        posix::ResetRegistry();
        Injector injector(0, failure);
        EXPECT_NE(Set(Settings(), u"Data", Pattern(3, 10)), ERROR_SUCCESS);
        EXPECT_TRUE(injector.Fired());
        ASSERT_FALSE(injector.Calls().empty());
        EXPECT_EQ(injector.Calls()[0], FileCall::kRename);
        EXPECT_EQ(HiveText(), damaged);
        EXPECT_EQ(Leftovers(), std::set<std::string>());
    }
}

// The file calls write through the same seam, so a failure there reaches the caller with Win32's error.
class FileCallFaults : public scratch::DeviceRootTest {};

TEST_F(FileCallFaults, FailuresOfTheFileCallsReachTheCallerAsWin32Errors) {
    HANDLE h = CreateFileW(u"\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string text(2000, 'x');
    DWORD written = 0;
    {
        Injector injector(0, Failure::kHalfWrite);
        EXPECT_FALSE(WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
        EXPECT_EQ(written, 700u);  // what reached the file before the disk filled
    }
    EXPECT_EQ(root_.Read("f.txt").size(), 700u);
    {
        Injector injector(0, Failure::kIoError);
        EXPECT_FALSE(FlushFileBuffers(h));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    }
    {
        Injector injector(0, Failure::kDiskFull);
        EXPECT_FALSE(SetEndOfFile(h));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
        EXPECT_EQ(injector.Calls(), std::vector<FileCall>{FileCall::kTruncate});
    }
    {
        Injector injector(0, Failure::kIoError);
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    }
    EXPECT_FALSE(CloseHandle(h));  // closed all the same: the handle is gone
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    {
        Injector injector(0, Failure::kDiskFull);
        EXPECT_EQ(CreateFileW(u"\\g.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    }
    EXPECT_FALSE(root_.Exists("g.txt"));
}

}  // namespace
