// Directory searches: FindFirstFileW / FindNextFileW / FindClose, with Win32's patterns, order and errors,
// each test in a folder of its own.
#include <gtest/gtest.h>

#include "tests/shared/find_listing.h"
#include "tests/shared/scratch_folder_test.h"
#include "tests/support/test_platform.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using U16 = WString;

using Entry = FoundEntry;

class Find : public ScratchFolderTest {
protected:
    // Every entry a search for a pattern in the test's folder yields, in order.
    std::vector<Entry> List(const WCHAR *pattern, DWORD *error = nullptr) const {
        return ListSearch(At(pattern).c_str(), error);
    }
    void MakeFolderWithFiles() const {
        ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\dir")).c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(At(TEXT("\\dir\\sub")).c_str(), nullptr));
        for (const WCHAR *name :
             {TEXT("b.txt"), TEXT("A.TXT"), TEXT("a.txtx"), TEXT("long name.txt"), TEXT("notes"), TEXT("ab.txt")})
            test_platform::WriteFileBytes(At(TEXT("\\dir\\")) + name, "abc");
    }
};

TEST_F(Find, DotsComeFirstThenEveryEntryWithSizeAndAttributes) {
    MakeFolderWithFiles();
    std::vector<Entry> entries = List(TEXT("\\dir\\*.*"));
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].name, TEXT("."));
    EXPECT_EQ(entries[1].name, TEXT(".."));
    EXPECT_EQ(entries[0].attributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(entries[1].attributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(NameSetOf(entries, 2), (std::set<U16>{TEXT("b.txt"), TEXT("A.TXT"), TEXT("a.txtx"), TEXT("long name.txt"),
                                                    TEXT("notes"), TEXT("ab.txt"), TEXT("sub")}));
    for (const Entry &e : entries) {
        if (e.name == TEXT("sub") || e.name[0] == TEXT('.')) continue;
        EXPECT_EQ(e.attributes, DWORD(FILE_ATTRIBUTE_ARCHIVE)) << ::testing::PrintToString(e.name);
        EXPECT_EQ(e.size, 3u);
    }
    std::map<U16, DWORD> byName;
    for (const Entry &e : entries)
        byName[e.name] = e.attributes;
    EXPECT_EQ(byName[TEXT("sub")], DWORD(FILE_ATTRIBUTE_DIRECTORY));

    EXPECT_EQ(NamesOf(List(TEXT("\\dir\\*"))), NamesOf(entries));  // "*" finds the same as "*.*"
    EXPECT_EQ(NamesOf(List(TEXT("\\dir\\sub\\*.*"))), (std::vector<U16>{TEXT("."), TEXT("..")}));
}

TEST_F(Find, PatternsMatchAsOnWin32IgnoringCase) {
    MakeFolderWithFiles();
    EXPECT_EQ(NameSetOf(List(TEXT("\\DIR\\?.TxT"))), (std::set<U16>{TEXT("b.txt"), TEXT("A.TXT")}));
    EXPECT_EQ(NameSetOf(List(TEXT("\\dir\\a*"))), (std::set<U16>{TEXT("A.TXT"), TEXT("a.txtx"), TEXT("ab.txt")}));
    EXPECT_EQ(NameSetOf(List(TEXT("\\dir\\notes.*"))), (std::set<U16>{TEXT("notes")}));  // ".*" also means no extension
    EXPECT_EQ(NameSetOf(List(TEXT("\\dir\\LONG NAME.TXT"))), (std::set<U16>{TEXT("long name.txt")}));
    EXPECT_EQ(NameSetOf(List(TEXT("\\dir\\*o*"))), (std::set<U16>{TEXT("long name.txt"), TEXT("notes")}));
}

// The desktop gives "a.txtx" a short name, A~1.TXT, which "*.txt" matches; the phone keeps no short names.
TEST_F(Find, AnExtensionMatchesOnlyWhole) {
    SKIP_ON_DESKTOP_WINDOWS("\"*.txt\" also matches the short name of \"a.txtx\"");
    MakeFolderWithFiles();
    EXPECT_EQ(NameSetOf(List(TEXT("\\dir\\*.txt"))),
              (std::set<U16>{TEXT("b.txt"), TEXT("A.TXT"), TEXT("long name.txt"), TEXT("ab.txt")}));
}

TEST_F(Find, AStarAndADotMatchNamesWithoutAnExtension) {
    SKIP_UNDER_WINE("the final dot of \"*.\" is dropped with the path's trailing dots, so every name matches");
    MakeFolderWithFiles();
    EXPECT_EQ(NameSetOf(List(TEXT("\\dir\\*."))), (std::set<U16>{TEXT("."), TEXT(".."), TEXT("notes"), TEXT("sub")}));
}

TEST_F(Find, FailuresTellWhatWasMissing) {
    MakeFolderWithFiles();
    DWORD error = 0;
    EXPECT_TRUE(List(TEXT("\\dir\\*.doc"), &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(List(TEXT("\\nodir\\*.*"), &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(List(TEXT("\\dir\\"), &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(List(TEXT("\\d*r\\*.*"), &error).empty());  // wildcards only in the last name
    EXPECT_EQ(error, DWORD(ERROR_INVALID_NAME));
    WIN32_FIND_DATAW data;
    EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// A file where the folder to list should be: Windows says "the directory name is invalid".
TEST_F(Find, AFileIsNoFolderToList) {
    SKIP_UNDER_WINE("listing a file as a folder gives 123, a bad name");
    MakeFolderWithFiles();
    DWORD error = 0;
    EXPECT_TRUE(List(TEXT("\\dir\\b.txt\\*.*"), &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_DIRECTORY));
}

TEST_F(Find, SearchHandlesAreClosedOnlyByFindClose) {
    MakeFolderWithFiles();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(At(TEXT("\\dir\\*")).c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CloseHandle(find));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FindNextFileW(find, &data));  // still open
    EXPECT_TRUE(FindClose(find));

    test_platform::WriteFileBytes(At(TEXT("\\f.txt")), "x");
    HANDLE file = CreateFileW(At(TEXT("\\f.txt")).c_str(), GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(file));
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Find, ASearchIsASnapshotOfTheFolder) {
    MakeFolderWithFiles();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(At(TEXT("\\dir\\*")).c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    test_platform::WriteFileBytes(At(TEXT("\\dir\\later.txt")), "x");
    std::set<U16> names{data.cFileName};
    while (FindNextFileW(find, &data))
        names.insert(data.cFileName);
    FindClose(find);
    EXPECT_EQ(names.count(TEXT("later.txt")), 0u);
    EXPECT_EQ(names.size(), 9u);
}

}  // namespace
