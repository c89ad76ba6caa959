// Files: CreateFileW with its dispositions, share modes and errors, reading and writing, sizes and
// positions, attributes, deleting and folders, each test in a folder of its own.
#include <gtest/gtest.h>

#include "tests/shared/scratch_folder_test.h"
#include "tests/support/test_platform.h"

#include <chrono>
#include <set>
#include <string>

namespace {

class Files : public ScratchFolderTest {
protected:
    // The names in a folder of the test's, without "." and "..".
    std::set<WString> NamesIn(const WCHAR *relative) const {
        std::set<WString> names;
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((At(relative) + TEXT("\\*")).c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            WString name = entry.cFileName;
            if (name != TEXT(".") && name != TEXT("..")) names.insert(name);
        } while (FindNextFileW(find, &entry));
        FindClose(find);
        return names;
    }

    static HANDLE Open(const WString &path, DWORD access, DWORD share, DWORD creation) {
        return CreateFileW(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    // The error an open fails with, or 0 when it succeeds (the handle is then closed).
    static DWORD OpenError(const WString &path, DWORD access, DWORD share, DWORD creation) {
        SetLastError(0);
        HANDLE h = Open(path, access, share, creation);
        if (h == INVALID_HANDLE_VALUE) return GetLastError();
        CloseHandle(h);
        return 0;
    }
    static DWORD AttributeError(const WString &path) {
        SetLastError(0);
        return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
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
    Put(TEXT("\\a.txt"), "0123456789");
    ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\dir")).c_str(), nullptr));
    EXPECT_EQ(OpenError(At(TEXT("\\missing.txt")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenError(At(TEXT("\\nodir\\x.txt")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(At(TEXT("\\nodir\\x.txt")), GENERIC_WRITE, 0, CREATE_ALWAYS), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt\\x")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_WRITE, 0, CREATE_NEW), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(OpenError(At(TEXT("\\dir")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(At(TEXT("\\dir")), GENERIC_WRITE, 0, OPEN_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(At(TEXT("\\a<b.txt")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(OpenError(At(TEXT("\\*.txt")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_INVALID_NAME));
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, 3, 0), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(TEXT(""), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "0123456789");  // none of that touched the file
}

TEST_F(Files, TruncatingNeedsWriteAccess) {
    SKIP_UNDER_WINE("TRUNCATE_EXISTING with GENERIC_READ alone opens the file and empties it");
    Put(TEXT("\\a.txt"), "0123456789");
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, 3, TRUNCATE_EXISTING), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "0123456789");
}

TEST_F(Files, CreateAlwaysReplacesAnExistingFileAndSays183) {
    Put(TEXT("\\a.txt"), "old content");
    SetLastError(12345);
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    EXPECT_TRUE(Write(h, "new"));
    CloseHandle(h);
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "new");

    SetLastError(12345);
    h = Open(At(TEXT("\\b.txt")), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(h);
    EXPECT_TRUE(Exists(TEXT("\\b.txt")));
}

TEST_F(Files, OpenAlwaysKeepsTheContentAndTruncateExistingEmptiesIt) {
    Put(TEXT("\\a.txt"), "keep me");
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadAll(h), "keep me");
    CloseHandle(h);

    h = Open(At(TEXT("\\new.txt")), GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(h);

    h = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "");
    EXPECT_EQ(OpenError(At(TEXT("\\gone.txt")), GENERIC_WRITE, 0, TRUNCATE_EXISTING), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, WritingAnExistingFileOverwritesWithoutTruncating) {
    Put(TEXT("\\a.txt"), "0123456789");
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "abc"));
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);
    CloseHandle(h);
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "abc3456789");
}

TEST_F(Files, SetEndOfFileCutsAtThePosition) {
    Put(TEXT("\\a.txt"), "0123456789");
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "ab"));
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(GetFileSize(h, nullptr), 2u);
    EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
    EXPECT_TRUE(SetEndOfFile(h));  // past the end it grows the file
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);
    EXPECT_EQ(Contents(TEXT("\\a.txt")), std::string("ab\0\0\0\0", 6));

    h = Open(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING);
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(h);
}

TEST_F(Files, SetEndOfFileNeedsWriteAccess) {
    SKIP_UNDER_WINE("SetEndOfFile on a handle opened for reading gives 87, Linux's answer to ftruncate");
    Put(TEXT("\\a.txt"), "0123456789");
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SetEndOfFile(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(h);
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "0123456789");
}

TEST_F(Files, ReadingAndWritingNeedTheRightAccess) {
    Put(TEXT("\\a.txt"), "hello");
    HANDLE reader = Open(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(reader), "hello");
    char byte;
    DWORD count = 99;
    EXPECT_TRUE(ReadFile(reader, &byte, 1, &count, nullptr));  // at the end: success, nothing read
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(count, 0u);

    HANDLE writer = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 3, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(writer, &byte, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(reader);
    CloseHandle(writer);
}

TEST_F(Files, ShareModesAreEnforcedBetweenHandles) {
    Put(TEXT("\\a.txt"), "x");
    HANDLE exclusive = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenError(At(TEXT("\\A.TXT")), GENERIC_WRITE, 3, CREATE_ALWAYS), DWORD(ERROR_SHARING_VIOLATION));
    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(At(TEXT("\\a.txt")).c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(exclusive));
    EXPECT_EQ(Contents(TEXT("\\a.txt")), "x");  // the refused CREATE_ALWAYS did not truncate
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING), 0u);

    // Readers that share reading get along; a writer needs every holder to share writing.
    HANDLE reader = Open(At(TEXT("\\a.txt")), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_WRITE, 3, OPEN_EXISTING), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(reader);

    // A writer that shares everything still blocks a newcomer that will not share writing.
    HANDLE writer = Open(At(TEXT("\\a.txt")), GENERIC_WRITE, 3, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
              DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenError(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING), 0u);
    CloseHandle(writer);
}

TEST_F(Files, HandlesCloseOnceAndOnlyAsWhatTheyAre) {
    Put(TEXT("\\a.txt"), "x");
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DWORD count;
    EXPECT_FALSE(ReadFile(h, &count, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// On the desktop INVALID_HANDLE_VALUE is also the pseudo-handle of the current process, which "closes"
// without error; the phone's current process has a pseudo-handle of its own.
TEST_F(Files, InvalidHandleValueIsNoHandle) {
    SKIP_ON_DESKTOP_WINDOWS("CloseHandle(INVALID_HANDLE_VALUE) closes the current process's pseudo-handle");
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// A file of 5 GB and 7 bytes, grown without writing (a sparse file takes no room); false when the file
// system cannot hold it.
bool MakeFiveGigabyteFile(const WString &path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LONG sizeHigh = 1;
    bool grown = SetFilePointer(h, 0x40000007, &sizeHigh, FILE_BEGIN) == 0x40000007u && SetEndOfFile(h);
    CloseHandle(h);
    return grown;
}

TEST_F(Files, SizesAndPositionsBeyondFourGigabytesUseTheUpperHalf) {
    if (!MakeFiveGigabyteFile(At(TEXT("\\big.bin")))) GTEST_SKIP() << "this file system cannot hold a 5 GB file";
    HANDLE h = Open(At(TEXT("\\big.bin")), GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD high = 0;
    EXPECT_EQ(GetFileSize(h, &high), 0x40000007u);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(GetFileSize(h, nullptr), 0x40000007u);  // without the upper 32 bits: the lower 32 alone

    LONG moveHigh = -1;  // the distance is the 64-bit number high:low, here -7
    EXPECT_EQ(SetFilePointer(h, -7, &moveHigh, FILE_END), 0x40000000u);
    EXPECT_EQ(moveHigh, 1);
    CloseHandle(h);
}

TEST_F(Files, APositionBeyondFourGigabytesNeedsTheUpperHalf) {
    SKIP_UNDER_WINE("SetFilePointer without the upper 32 bits returns the lower 32 of a position that does not fit");
    if (!MakeFiveGigabyteFile(At(TEXT("\\big.bin")))) GTEST_SKIP() << "this file system cannot hold a 5 GB file";
    HANDLE h = Open(At(TEXT("\\big.bin")), GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    CloseHandle(h);
}

TEST_F(Files, FilePointerMovesFromEachOrigin) {
    Put(TEXT("\\a.txt"), "0123456789");
    HANDLE h = Open(At(TEXT("\\a.txt")), GENERIC_READ, 3, OPEN_EXISTING);
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

TEST_F(Files, AttributesOfFilesAndFolders) {
    Put(TEXT("\\a.txt"), "x");
    ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\dir")).c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\a.txt")).c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE));  // new files are marked
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\dir")).c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\dir\\")).c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\")).c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));

    EXPECT_EQ(AttributeError(At(TEXT("\\missing.txt"))), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AttributeError(At(TEXT("\\dir\\missing.txt"))), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(AttributeError(At(TEXT("\\nodir\\x.txt"))), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributeError(At(TEXT("\\a.txt\\x"))), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributeError(At(TEXT("\\a.txt\\"))), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AttributeError(At(TEXT("\\a?.txt"))), DWORD(ERROR_INVALID_NAME));
}

TEST_F(Files, NamesIgnoreCase) {
    ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\Docs")).c_str(), nullptr));
    Put(TEXT("\\Docs\\Notes.TXT"), "notes");
    HANDLE h = Open(At(TEXT("\\docs\\NOTES.txt")), GENERIC_READ, 3, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(h), "notes");
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\DOCS")).c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));

    // Replacing a file under another case replaces that file and keeps its name; a new name goes into the
    // existing folder.
    h = Open(At(TEXT("\\DOCS\\notes.txt")), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(h);
    EXPECT_EQ(OpenError(At(TEXT("\\docs\\New.txt")), GENERIC_WRITE, 0, CREATE_NEW), 0u);
    EXPECT_EQ(Contents(TEXT("\\Docs\\Notes.TXT")), "");
    EXPECT_EQ(NamesIn(TEXT("")), std::set<WString>{TEXT("Docs")});
    EXPECT_EQ(NamesIn(TEXT("\\Docs")), (std::set<WString>{TEXT("New.txt"), TEXT("Notes.TXT")}));
}

TEST_F(Files, DeletingFiles) {
    Put(TEXT("\\a.txt"), "x");
    ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\dir")).c_str(), nullptr));
    EXPECT_TRUE(DeleteFileW(At(TEXT("\\A.txt")).c_str()));
    EXPECT_FALSE(Exists(TEXT("\\a.txt")));
    EXPECT_FALSE(DeleteFileW(At(TEXT("\\a.txt")).c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(At(TEXT("\\nodir\\a.txt")).c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(At(TEXT("\\dir")).c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Exists(TEXT("\\dir")));
}

TEST_F(Files, CreatingFolders) {
    EXPECT_TRUE(CreateDirectoryW(At(TEXT("\\new")).c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\new")).c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(CreateDirectoryW(At(TEXT("\\NEW")).c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryW(At(TEXT("\\missing\\new")).c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(CreateDirectoryW(At(TEXT("\\new\\inner\\")).c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesW(At(TEXT("\\new\\inner")).c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
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

    // The tick count steps with the system timer, every 10 to 16 ms on Win32: a short sleep is measured
    // with a finer clock, and the count only over a longer one.
    auto start = std::chrono::steady_clock::now();
    Sleep(5);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));
    DWORD before = GetTickCount();
    Sleep(50);
    EXPECT_GE(DWORD(GetTickCount() - before), 30u);
}

}  // namespace
