// Replacing one file by another: MoveFileExW with its flags and refusals, each test in a folder of its own.
#include <gtest/gtest.h>

#include "tests/shared/scratch_folder_test.h"
#include "tests/support/test_platform.h"

#include <string>

namespace {

class Replacing : public ScratchFolderTest {
protected:
    DWORD MoveError(const WCHAR *from, const WCHAR *to, DWORD flags) const {
        SetLastError(0);
        return MoveFileExW(At(from).c_str(), At(to).c_str(), flags) ? 0 : GetLastError();
    }
};

TEST_F(Replacing, MoveFileExReplacesOnlyWhenAskedAndNeverAFolder) {
    Put(TEXT("\\new.txt"), "new");
    Put(TEXT("\\old.txt"), "old");
    EXPECT_EQ(MoveError(TEXT("\\new.txt"), TEXT("\\old.txt"), 0), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Contents(TEXT("\\old.txt")), "old");
    EXPECT_EQ(Contents(TEXT("\\new.txt")), "new");

    EXPECT_EQ(MoveError(TEXT("\\new.txt"), TEXT("\\old.txt"), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), 0u);
    EXPECT_EQ(Contents(TEXT("\\old.txt")), "new");
    EXPECT_FALSE(Exists(TEXT("\\new.txt")));

    EXPECT_EQ(MoveError(TEXT("\\old.txt"), TEXT("\\renamed.txt"), 0), 0u) << "a free name needs no flag";
    EXPECT_EQ(Contents(TEXT("\\renamed.txt")), "new");
    EXPECT_EQ(MoveError(TEXT("\\missing.txt"), TEXT("\\x.txt"), MOVEFILE_REPLACE_EXISTING),
              DWORD(ERROR_FILE_NOT_FOUND));

    ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\dir")).c_str(), nullptr));
    EXPECT_EQ(MoveError(TEXT("\\renamed.txt"), TEXT("\\dir"), MOVEFILE_REPLACE_EXISTING), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Exists(TEXT("\\renamed.txt")));
}

// Replacing needs the old file closed by everyone: its sharing does not matter.
TEST_F(Replacing, AFileHeldOpenIsNotReplacedWhateverItsSharing) {
    Put(TEXT("\\new.txt"), "new");
    Put(TEXT("\\old.txt"), "old");
    for (DWORD share : {DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE), DWORD(FILE_SHARE_READ | FILE_SHARE_DELETE)}) {
        HANDLE held = CreateFileW(At(TEXT("\\old.txt")).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(MoveError(TEXT("\\new.txt"), TEXT("\\old.txt"), MOVEFILE_REPLACE_EXISTING),
                  DWORD(ERROR_ACCESS_DENIED))
            << "sharing " << share;
        CloseHandle(held);
        EXPECT_EQ(Contents(TEXT("\\old.txt")), "old");
        EXPECT_EQ(Contents(TEXT("\\new.txt")), "new");
    }
    EXPECT_EQ(MoveError(TEXT("\\new.txt"), TEXT("\\old.txt"), MOVEFILE_REPLACE_EXISTING), 0u);
    EXPECT_EQ(Contents(TEXT("\\old.txt")), "new");
}

}  // namespace
