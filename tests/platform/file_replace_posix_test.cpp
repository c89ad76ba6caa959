// Replacing one file by another where only Linux can set the scene: read-only targets, failed renames
// and flushes, new files made from a template, and what a handle tells of its file, including links.
// MoveFileExW's flags and sharing are in tests/shared/file_replace_test.cpp.
#include <gtest/gtest.h>

#include "platform/posix/system/file_io.h"
#include "tests/platform/scratch.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using scratch::RunAsAnotherUser;

class ReplacingOnLinux : public scratch::DeviceRootTest {
protected:
    HANDLE Open(const char16_t *path, DWORD access, DWORD share, DWORD creation, HANDLE model = nullptr) {
        return CreateFileW(path, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, model);
    }
    static DWORD MoveError(const char16_t *from, const char16_t *to, DWORD flags) {
        SetLastError(0);
        return MoveFileExW(from, to, flags) ? 0 : GetLastError();
    }
    mode_t Mode(const std::string &relative) const {
        struct stat st {};
        stat((root_ / relative).c_str(), &st);
        return st.st_mode & 0777;
    }
};

TEST_F(ReplacingOnLinux, MoveFileExNeverReplacesAReadOnlyFile) {
    // The folder may be written, so Linux alone would replace it; Win32 refuses a read-only target.
    root_.Write("locked.txt", "locked");
    chmod((root_ / "locked.txt").c_str(), 0444);
    chmod(root_.Path().c_str(), 0777);
    int status = RunAsAnotherUser([] {
        HANDLE file = CreateFileW(u"\\mine.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 10;
        CloseHandle(file);
        if (MoveFileExW(u"\\mine.txt", u"\\locked.txt", MOVEFILE_REPLACE_EXISTING)) return 1;
        return GetLastError() == ERROR_ACCESS_DENIED ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(root_.Read("locked.txt"), "locked");
}

// A file held open without delete sharing cannot be renamed away; one shared for deletion can, and its
// handle still reads the file, now under its new name. (Replacing a file held open is in
// tests/shared/file_replace_test.cpp.)
TEST_F(ReplacingOnLinux, AFileHeldOpenMovesOnlyWhenSharedForDeletion) {
    root_.Write("b.txt", "b");
    HANDLE held = Open(u"\\b.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MoveError(u"\\b.txt", u"\\c.txt", 0), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(held);

    held = Open(u"\\b.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MoveError(u"\\b.txt", u"\\c.txt", 0), 0u);
    char buffer[4] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(held, buffer, 4, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "b");
    CloseHandle(held);
    EXPECT_EQ(root_.Read("c.txt"), "b");
}

// Win32 asks for MOVEFILE_DELAY_UNTIL_REBOOT with no new name (Wine deletes the file without it); our
// platform refuses.
TEST_F(ReplacingOnLinux, MovingToNoNameIsRefused) {
    root_.Write("a.txt", "a");
    EXPECT_EQ(MoveFileExW(u"\\a.txt", nullptr, 0), FALSE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(root_.Read("a.txt"), "a");
}

TEST_F(ReplacingOnLinux, AFailedRenameOrFolderFlushIsReportedWithTheMoveDoneOrNot) {
    root_.Write("new.txt", "new");
    root_.Write("old.txt", "old");
    posix::SetFileFaultHook([](posix::FileCall call) {
        return call == posix::FileCall::kRename ? posix::FileFault{EIO} : posix::FileFault();
    });
    EXPECT_EQ(MoveError(u"\\new.txt", u"\\old.txt", MOVEFILE_REPLACE_EXISTING), DWORD(ERROR_WRITE_FAULT));
    EXPECT_EQ(root_.Read("old.txt"), "old");
    posix::SetFileFaultHook([](posix::FileCall call) {
        return call == posix::FileCall::kFlush ? posix::FileFault{EIO} : posix::FileFault();
    });
    // Without write-through nothing is flushed, so nothing fails.
    EXPECT_EQ(MoveError(u"\\new.txt", u"\\mid.txt", 0), 0u);
    EXPECT_EQ(MoveError(u"\\mid.txt", u"\\old.txt", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH),
              DWORD(ERROR_WRITE_FAULT));
    posix::SetFileFaultHook(nullptr);
    EXPECT_EQ(root_.Read("old.txt"), "new") << "the rename was made before the folder failed to flush";
    EXPECT_FALSE(root_.Exists("mid.txt"));
}

TEST_F(ReplacingOnLinux, ANewFileTakesItsTemplatesPermissionsAndAnExistingOneKeepsItsOwn) {
    root_.Write("model.txt", "m");
    chmod((root_ / "model.txt").c_str(), 0640);
    root_.Write("existing.txt", "e");
    chmod((root_ / "existing.txt").c_str(), 0604);
    HANDLE model = Open(u"\\model.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(model, INVALID_HANDLE_VALUE);

    HANDLE made = Open(u"\\made.txt", GENERIC_WRITE, 0, CREATE_NEW, model);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    CloseHandle(made);
    EXPECT_EQ(Mode("made.txt"), 0640u);
    HANDLE kept = Open(u"\\existing.txt", GENERIC_WRITE, 0, OPEN_ALWAYS, model);
    ASSERT_NE(kept, INVALID_HANDLE_VALUE);
    CloseHandle(kept);
    EXPECT_EQ(Mode("existing.txt"), 0604u);

    HANDLE writeOnly = Open(u"\\existing.txt", GENERIC_WRITE, 3, OPEN_EXISTING);
    EXPECT_EQ(Open(u"\\other.txt", GENERIC_WRITE, 0, CREATE_NEW, writeOnly), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << "a template must be open for reading";
    EXPECT_EQ(Open(u"\\other.txt", GENERIC_WRITE, 0, CREATE_NEW, HANDLE(0x5678)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(root_.Exists("other.txt"));
    CloseHandle(writeOnly);
    CloseHandle(model);
}

// Another user may write root's file and its folder, but a copy made by that user would belong to them.
TEST_F(ReplacingOnLinux, ATemplateWhoseOwnerCannotBeKeptMakesNoFile) {
    chmod(root_.Path().c_str(), 0777);
    root_.Write("roots.txt", "r");
    chmod((root_ / "roots.txt").c_str(), 0666);
    int status = RunAsAnotherUser([] {
        HANDLE model = CreateFileW(u"\\roots.txt", GENERIC_READ, 1, nullptr, OPEN_EXISTING, 0, nullptr);
        if (model == INVALID_HANDLE_VALUE) return 10;
        HANDLE made = CreateFileW(u"\\copy.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, model);
        if (made != INVALID_HANDLE_VALUE) return 1;
        if (GetLastError() != ERROR_ACCESS_DENIED) return 2;
        // Without a template the same user makes the file, as their own.
        made = CreateFileW(u"\\copy.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (made == INVALID_HANDLE_VALUE) return 3;
        CloseHandle(made);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(ReplacingOnLinux, AHandleTellsItsFilesSizeTimesIdentityAndNames) {
    root_.Write("a.txt", "12345");
    struct timespec times[2] = {{1000000000, 500}, {1200000000, 123456700}};
    utimensat(AT_FDCWD, (root_ / "a.txt").c_str(), times, 0);
    HANDLE file = Open(u"\\a.txt", GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME access{}, written{};
    ASSERT_TRUE(GetFileTime(file, nullptr, &access, &written));
    // 100-nanosecond steps since 1601: 1970 is 116444736000000000.
    auto ticks = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    EXPECT_EQ(ticks(written), 116444736000000000ULL + 1200000000ULL * 10000000ULL + 1234567ULL);
    EXPECT_EQ(ticks(access), 116444736000000000ULL + 1000000000ULL * 10000000ULL + 5ULL);

    BY_HANDLE_FILE_INFORMATION info{};
    ASSERT_TRUE(GetFileInformationByHandle(file, &info));
    EXPECT_EQ(info.nFileSizeLow, 5u);
    EXPECT_EQ(info.nFileSizeHigh, 0u);
    EXPECT_EQ(info.nNumberOfLinks, 1u);
    EXPECT_EQ(info.dwFileAttributes, DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(ticks(info.ftLastWriteTime), ticks(written));

    ASSERT_EQ(link((root_ / "a.txt").c_str(), (root_ / "b.txt").c_str()), 0);
    HANDLE other = Open(u"\\b.txt", GENERIC_READ, 3, OPEN_EXISTING);
    BY_HANDLE_FILE_INFORMATION second{};
    ASSERT_TRUE(GetFileInformationByHandle(other, &second));
    EXPECT_EQ(second.nNumberOfLinks, 2u);
    EXPECT_EQ(second.nFileIndexLow, info.nFileIndexLow);
    EXPECT_EQ(second.dwVolumeSerialNumber, info.dwVolumeSerialNumber);
    CloseHandle(other);
    CloseHandle(file);
    EXPECT_FALSE(GetFileTime(file, nullptr, nullptr, &written));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(ReplacingOnLinux, ASymbolicLinkIsAReparsePointWithTheAttributesOfWhatItLeadsTo) {
    root_.Write("target.txt", "t");
    ASSERT_EQ(symlink("target.txt", (root_ / "link.txt").c_str()), 0);
    EXPECT_EQ(GetFileAttributesW(u"\\target.txt"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesW(u"\\link.txt"), DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
    mkdir((root_ / "dir").c_str(), 0755);
    ASSERT_EQ(symlink("dir", (root_ / "dirlink").c_str()), 0);
    EXPECT_EQ(GetFileAttributesW(u"\\dirlink"), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace
