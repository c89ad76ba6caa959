// Files on the device as only Linux has them: how device paths find Linux files and how long they may be,
// pipes and devices, permissions and mounts behind the read-only attribute, and writes cut short by a full
// disk or a size limit. What Win32 does with files is in tests/shared/file_test.cpp.
#include <gtest/gtest.h>

#include "platform/posix/base/options.h"
#include "platform/posix/system/paths.h"
#include "tests/platform/scratch.h"

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using U16 = std::u16string;
using scratch::TempDir;

// A small tmpfs of our own, when this process may mount one (it needs root).
class TmpfsMount {
public:
    TmpfsMount(const std::string &path, const char *options) : path_(path) {
        mkdir(path.c_str(), 0755);
        mounted_ = mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0;
    }
    ~TmpfsMount() {
        if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() { return mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    std::string path_;
    bool mounted_ = false;
};

class FilesOnLinux : public scratch::DeviceRootTest {
protected:
    static HANDLE Open(const WCHAR *path, DWORD access, DWORD share, DWORD creation) {
        return CreateFileW(path, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    // The error an open fails with, or 0 when it succeeds (the handle is then closed).
    static DWORD OpenError(const WCHAR *path, DWORD access, DWORD share, DWORD creation) {
        SetLastError(0);
        HANDLE h = Open(path, access, share, creation);
        if (h == INVALID_HANDLE_VALUE) return GetLastError();
        CloseHandle(h);
        return 0;
    }
    static DWORD AttributeError(const WCHAR *path) {
        SetLastError(0);
        return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
    }
};

TEST_F(FilesOnLinux, PathsLongerThanMaxPathAreRefusedWithoutOverflow) {
    U16 longest = u"\\" + U16(MAX_PATH - 2, u'n');  // 259 characters: the longest a path may be
    EXPECT_EQ(OpenError(longest.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS), DWORD(ERROR_FILENAME_EXCED_RANGE))
        << "a 258-character name is too long for Linux as well";
    U16 fits = u"\\" + U16(200, u'd') + u"\\" + U16(57, u'f');  // 259 characters in two names
    ASSERT_TRUE(CreateDirectoryW((u"\\" + U16(200, u'd')).c_str(), nullptr));
    EXPECT_EQ(OpenError(fits.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS), 0u);
    U16 tooLong = fits + u"x";
    EXPECT_EQ(OpenError(tooLong.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS), DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(AttributeError(tooLong.c_str()), DWORD(ERROR_FILENAME_EXCED_RANGE));
    U16 huge(100000, u'a');
    EXPECT_EQ(AttributeError(huge.c_str()), DWORD(ERROR_FILENAME_EXCED_RANGE));
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(huge.c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(FilesOnLinux, PipesAndDevicesAreRefusedWithoutWaiting) {
    ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0644), 0);
    // Nobody holds the other end: a blocking open would wait here for ever.
    EXPECT_EQ(OpenError(u"\\fifo", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\fifo", GENERIC_WRITE, 0, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\fifo", GENERIC_WRITE, 0, CREATE_ALWAYS), DWORD(ERROR_ACCESS_DENIED));
    ASSERT_EQ(symlink("/dev/zero", (root_ / "zero").c_str()), 0);
    EXPECT_EQ(OpenError(u"\\zero", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    struct stat st;
    ASSERT_EQ(stat((root_ / "fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));  // and nothing replaced it
}

TEST_F(FilesOnLinux, PipesAndDevicesAreSystemFiles) {
    mkfifo((root_ / "fifo").c_str(), 0644);
    symlink("/dev/null", (root_ / "null").c_str());
    EXPECT_EQ(GetFileAttributesW(u"\\fifo"), DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(GetFileAttributesW(u"\\null") & FILE_ATTRIBUTE_SYSTEM, DWORD(FILE_ATTRIBUTE_SYSTEM));
}

using scratch::RunAsAnotherUser;

TEST_F(FilesOnLinux, FilesTheUserMayNotWriteAreReadOnly) {
    chmod(root_.Path().c_str(), 0755);
    root_.Write("locked.txt", "x");
    chmod((root_ / "locked.txt").c_str(), 0444);
    root_.Write("open.txt", "x");
    chmod((root_ / "open.txt").c_str(), 0666);
    mkdir((root_ / "lockeddir").c_str(), 0555);
    int status = RunAsAnotherUser([] {
        int failures = 0;
        failures += GetFileAttributesW(u"\\locked.txt") != (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
        failures += GetFileAttributesW(u"\\open.txt") != FILE_ATTRIBUTE_ARCHIVE;
        failures += GetFileAttributesW(u"\\lockeddir") != (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
        failures += OpenError(u"\\locked.txt", GENERIC_WRITE, 0, OPEN_EXISTING) != ERROR_ACCESS_DENIED;
        failures += OpenError(u"\\locked.txt", GENERIC_READ, 3, OPEN_EXISTING) != 0;
        failures += OpenError(u"\\lockeddir\\new.txt", GENERIC_WRITE, 0, CREATE_NEW) != ERROR_ACCESS_DENIED;
        failures += DeleteFileW(u"\\locked.txt") != FALSE || GetLastError() != ERROR_ACCESS_DENIED;
        return failures;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(root_.Exists("locked.txt"));
}

TEST_F(FilesOnLinux, FilesOnAReadOnlyMountAreInRom) {
    TmpfsMount rom(root_ / "rom", "size=64k");
    if (!rom.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    root_.Write("rom/app.txt", "x");
    mkdir((root_ / "rom/sub").c_str(), 0755);
    ASSERT_TRUE(rom.MakeReadOnly());
    EXPECT_EQ(GetFileAttributesW(u"\\rom\\app.txt"), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM));
    EXPECT_EQ(GetFileAttributesW(u"\\rom\\sub"), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(OpenError(u"\\rom\\app.txt", GENERIC_READ, 3, OPEN_EXISTING), 0u);
    EXPECT_EQ(OpenError(u"\\rom\\app.txt", GENERIC_WRITE, 0, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(FilesOnLinux, AFullDiskFailsTheWriteAndTellsHowMuchWasWritten) {
    TmpfsMount small(root_ / "small", "size=16k");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    HANDLE h = Open(u"\\small\\big.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string data(64 * 1024, 'z');
    DWORD written = 12345;
    SetLastError(0);
    EXPECT_FALSE(WriteFile(h, data.data(), DWORD(data.size()), &written, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_LT(written, data.size());
    EXPECT_EQ(GetFileSize(h, nullptr), written);
    CloseHandle(h);
}

TEST_F(FilesOnLinux, AWriteCutShortByAFileSizeLimitFails) {
    // The process's file-size limit stops a write part of the way, as a full disk does.
    int status = scratch::RunInChild([] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, RLIM_INFINITY};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
        HANDLE h = CreateFileW(u"\\limited.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 101;
        std::string data(10000, 'z');
        DWORD written = 0;
        if (WriteFile(h, data.data(), DWORD(data.size()), &written, nullptr)) return 1;
        if (GetLastError() != ERROR_FILE_TOO_LARGE) return 2;
        if (written != 4096) return 3;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(root_.Read("limited.txt").size(), 4096u);
}

TEST_F(FilesOnLinux, DevicePathsStayUnderTheRoot) {
    const std::string r = root_.Path();
    mkdir((root_ / "Sub").c_str(), 0755);
    EXPECT_EQ(posix::DevicePathToLinux(u"\\"), r);
    EXPECT_EQ(posix::DevicePathToLinux(u"\\a\\b.txt"), r + "/a/b.txt");
    EXPECT_EQ(posix::DevicePathToLinux(u"\\sub\\x.txt"), r + "/Sub/x.txt");
    EXPECT_EQ(posix::DevicePathToLinux(u"\\a\\..\\..\\..\\etc\\passwd"), r + "/etc/passwd");
    EXPECT_EQ(posix::DevicePathToLinux(u"\\.\\Sub\\.\\x"), r + "/Sub/x");
    EXPECT_EQ(posix::DevicePathToLinux(u"/Sub//x"), r + "/Sub/x");
    EXPECT_EQ(posix::DevicePathToLinux(u"\\d\u00e9j\u00e0"), r + "/d\xC3\xA9j\xC3\xA0");
    posix::GetOptions().root = "/";
    EXPECT_EQ(posix::DevicePathToLinux(u"\\"), "/");
    EXPECT_EQ(posix::DevicePathToLinux(u"\\tmp"), "/tmp");
}

}  // namespace
