// Files on the device: CreateFileW with its dispositions, share modes and errors, reading and writing,
// sizes and positions, attributes, deleting, folders, and how device paths find Linux files.
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

class Files : public scratch::DeviceRootTest {
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
    static std::string ReadAll(HANDLE h) {
        std::string text(4096, '\0');
        DWORD read = 0;
        EXPECT_TRUE(ReadFile(h, text.data(), DWORD(text.size()), &read, nullptr));
        text.resize(read);
        return text;
    }
    static bool Write(HANDLE h, const std::string &text) {
        DWORD written = 0;
        return WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    }
};

TEST_F(Files, OpeningFailsWithWin32Errors) {
    root_.Write("a.txt", "0123456789");
    mkdir((root_ / "dir").c_str(), 0755);
    EXPECT_EQ(OpenError(u"\\missing.txt", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\nodir\\x.txt", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\nodir\\x.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\a.txt\\x", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_WRITE, 0, CREATE_NEW), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(OpenError(u"\\dir", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\dir", GENERIC_WRITE, 0, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(u"\\a<b.txt", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(OpenError(u"\\*.txt", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 3, TRUNCATE_EXISTING), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 3, 0), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(u"", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(root_.Read("a.txt"), "0123456789");  // none of that touched the file
}

TEST_F(Files, PathsLongerThanMaxPathAreRefusedWithoutOverflow) {
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

TEST_F(Files, CreateAlwaysReplacesAnExistingFileAndSays183) {
    root_.Write("a.txt", "old content");
    SetLastError(12345);
    HANDLE h = Open(u"\\a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    EXPECT_TRUE(Write(h, "new"));
    CloseHandle(h);
    EXPECT_EQ(root_.Read("a.txt"), "new");

    SetLastError(12345);
    h = Open(u"\\b.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(h);
    EXPECT_TRUE(root_.Exists("b.txt"));
}

TEST_F(Files, OpenAlwaysKeepsTheContentAndTruncateExistingEmptiesIt) {
    root_.Write("a.txt", "keep me");
    HANDLE h = Open(u"\\a.txt", GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadAll(h), "keep me");
    CloseHandle(h);

    h = Open(u"\\new.txt", GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(h);

    h = Open(u"\\a.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(root_.Read("a.txt"), "");
    EXPECT_EQ(OpenError(u"\\gone.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, WritingAnExistingFileOverwritesWithoutTruncating) {
    root_.Write("a.txt", "0123456789");
    HANDLE h = Open(u"\\a.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "abc"));
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);
    CloseHandle(h);
    EXPECT_EQ(root_.Read("a.txt"), "abc3456789");
}

TEST_F(Files, SetEndOfFileCutsAtThePosition) {
    root_.Write("a.txt", "0123456789");
    HANDLE h = Open(u"\\a.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "ab"));
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(GetFileSize(h, nullptr), 2u);
    EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
    EXPECT_TRUE(SetEndOfFile(h));  // past the end it grows the file
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);
    EXPECT_EQ(root_.Read("a.txt"), std::string("ab\0\0\0\0", 6));

    h = Open(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING);
    EXPECT_FALSE(SetEndOfFile(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(h);
}

TEST_F(Files, ReadingAndWritingNeedTheRightAccess) {
    root_.Write("a.txt", "hello");
    HANDLE reader = Open(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(reader), "hello");
    char byte;
    DWORD count = 99;
    EXPECT_TRUE(ReadFile(reader, &byte, 1, &count, nullptr));  // at the end: success, nothing read
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(count, 0u);

    HANDLE writer = Open(u"\\a.txt", GENERIC_WRITE, 3, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(writer, &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(reader);
    CloseHandle(writer);
}

TEST_F(Files, ShareModesAreEnforcedBetweenHandles) {
    root_.Write("a.txt", "x");
    HANDLE exclusive = Open(u"\\a.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenError(u"\\A.TXT", GENERIC_WRITE, 3, CREATE_ALWAYS), DWORD(ERROR_SHARING_VIOLATION));
    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(u"\\a.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(root_.Read("a.txt"), "x");  // the refused CREATE_ALWAYS did not truncate
    EXPECT_TRUE(CloseHandle(exclusive));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING), 0u);

    // Readers that share reading get along; a writer needs every holder to share writing.
    HANDLE reader = Open(u"\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_WRITE, 3, OPEN_EXISTING), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(reader);

    // A writer that shares everything still blocks a newcomer that will not share writing.
    HANDLE writer = Open(u"\\a.txt", GENERIC_WRITE, 3, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenError(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING), 0u);
    CloseHandle(writer);
}

TEST_F(Files, HandlesCloseOnceAndOnlyAsWhatTheyAre) {
    root_.Write("a.txt", "x");
    HANDLE h = Open(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DWORD count;
    EXPECT_FALSE(ReadFile(h, &count, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
}

TEST_F(Files, SizesAndPositionsBeyondFourGigabytesUseTheHighPart) {
    int fd = open((root_ / "big.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const off_t size = (off_t(5) << 30) + 7;  // sparse: takes no room
    bool sparse = ftruncate(fd, size) == 0;
    close(fd);
    if (!sparse) GTEST_SKIP() << "this file system cannot hold a 5 GB sparse file";

    HANDLE h = Open(u"\\big.bin", GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD high = 0;
    EXPECT_EQ(GetFileSize(h, &high), 0x40000007u);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(GetFileSize(h, nullptr), 0x40000007u);  // without a high part: the low part alone

    LONG moveHigh = -1;  // the distance is the 64-bit number high:low, here -7
    EXPECT_EQ(SetFilePointer(h, -7, &moveHigh, FILE_END), 0x40000000u);
    EXPECT_EQ(moveHigh, 1);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);  // would not fit
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    CloseHandle(h);
}

TEST_F(Files, FilePointerMovesFromEachOrigin) {
    root_.Write("a.txt", "0123456789");
    HANDLE h = Open(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_CURRENT), 6u);
    EXPECT_EQ(ReadAll(h), "6789");
    EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_END), 7u);
    EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(ReadAll(h), "789");  // a refused move leaves the position alone
    CloseHandle(h);
}

TEST_F(Files, PipesAndDevicesAreRefusedWithoutWaiting) {
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

TEST_F(Files, AttributesFollowWhatLinuxKnows) {
    root_.Write("a.txt", "x");
    mkdir((root_ / "dir").c_str(), 0755);
    mkfifo((root_ / "fifo").c_str(), 0644);
    symlink("/dev/null", (root_ / "null").c_str());
    EXPECT_EQ(GetFileAttributesW(u"\\a.txt"), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(u"\\dir"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(u"\\dir\\"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(u"\\"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(u"\\fifo"), DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(GetFileAttributesW(u"\\null") & FILE_ATTRIBUTE_SYSTEM, DWORD(FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(AttributeError(u"\\missing.txt"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AttributeError(u"\\dir\\missing.txt"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AttributeError(u"\\nodir\\x.txt"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributeError(u"\\a.txt\\x"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributeError(u"\\a.txt\\"), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributeError(u"\\a?.txt"), DWORD(ERROR_INVALID_NAME));
}

using scratch::RunAsAnotherUser;

TEST_F(Files, FilesTheUserMayNotWriteAreReadOnly) {
    chmod(root_.Path().c_str(), 0755);
    root_.Write("locked.txt", "x");
    chmod((root_ / "locked.txt").c_str(), 0444);
    root_.Write("open.txt", "x");
    chmod((root_ / "open.txt").c_str(), 0666);
    mkdir((root_ / "lockeddir").c_str(), 0555);
    int status = RunAsAnotherUser([] {
        int failures = 0;
        failures += GetFileAttributesW(u"\\locked.txt") != FILE_ATTRIBUTE_READONLY;
        failures += GetFileAttributesW(u"\\open.txt") != FILE_ATTRIBUTE_NORMAL;
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

TEST_F(Files, FilesOnAReadOnlyMountAreInRom) {
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

TEST_F(Files, AFullDiskFailsTheWriteAndTellsHowMuchWasWritten) {
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

TEST_F(Files, AWriteCutShortByAFileSizeLimitFails) {
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

TEST_F(Files, NamesIgnoreCaseOnTheDevice) {
    mkdir((root_ / "Docs").c_str(), 0755);
    root_.Write("Docs/Notes.TXT", "notes");
    HANDLE h = Open(u"\\docs\\NOTES.txt", GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(h), "notes");
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesW(u"\\DOCS"), DWORD(FILE_ATTRIBUTE_DIRECTORY));

    // Replacing a file under another case replaces that file; a new name goes into the existing folder.
    h = Open(u"\\DOCS\\notes.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(h);
    EXPECT_EQ(OpenError(u"\\docs\\New.txt", GENERIC_WRITE, 0, CREATE_NEW), 0u);
    EXPECT_EQ(root_.Read("Docs/Notes.TXT"), "");
    EXPECT_TRUE(root_.Exists("Docs/New.txt"));
    EXPECT_FALSE(root_.Exists("docs"));
    EXPECT_FALSE(root_.Exists("DOCS"));
}

TEST_F(Files, DevicePathsStayUnderTheRoot) {
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

TEST_F(Files, DeletingFiles) {
    root_.Write("a.txt", "x");
    mkdir((root_ / "dir").c_str(), 0755);
    EXPECT_TRUE(DeleteFileW(u"\\A.txt"));
    EXPECT_FALSE(root_.Exists("a.txt"));
    EXPECT_FALSE(DeleteFileW(u"\\a.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(u"\\nodir\\a.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(u"\\dir"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(root_.Exists("dir"));
}

TEST_F(Files, CreatingFolders) {
    EXPECT_TRUE(CreateDirectoryW(u"\\new", nullptr));
    EXPECT_EQ(GetFileAttributesW(u"\\new"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(CreateDirectoryW(u"\\NEW", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryW(u"\\missing\\new", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(CreateDirectoryW(u"\\new\\inner\\", nullptr));
    EXPECT_EQ(GetFileAttributesW(u"\\new\\inner"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(Kernel, LocalMemoryAndSleep) {
    auto *block = static_cast<unsigned char *>(LocalAlloc(LPTR, 64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(block[i], 0) << i;
    EXPECT_EQ(LocalFree(block), nullptr);
    void *empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    LocalFree(empty);

    DWORD before = GetTickCount();
    Sleep(5);
    EXPECT_GE(DWORD(GetTickCount() - before), 5u);
}

}  // namespace
