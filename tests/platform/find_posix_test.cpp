// Directory searches as only Linux has them: names that are not UTF-8, the device root, and files that
// are neither files nor folders. What Win32 does is in tests/shared/find_test.cpp.
#include <gtest/gtest.h>

#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/paths.h"
#include "tests/platform/scratch.h"
#include "tests/shared/find_listing.h"

#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using U16 = std::u16string;

using Entry = FoundEntry;

class FindOnLinux : public scratch::DeviceRootTest {};

// Names written in an 8-bit code page are not UTF-8: each byte that does not decode lists as the character
// that stands for it, and that name opens, replaces and deletes the very file it came from.
TEST_F(FindOnLinux, NamesThatAreNotUtf8ListAsNamesThatReachTheirFiles) {
    const std::vector<std::string> linuxNames = {"caf\xE9.txt",  "caf\xE8.txt",      "\xC3\xA9t\xE9.txt",
                                                 "\xE2\x82.txt", "\xED\xA0\x80.txt", "\xFF\xFE"};
    for (const std::string &name : linuxNames)
        root_.Write(name, name);
    std::vector<Entry> entries = ListSearch(u"\\*");
    ASSERT_EQ(entries.size(), linuxNames.size());
    std::set<U16> names = NameSetOf(entries);
    EXPECT_TRUE(names.count(u"caf\xDCE9.txt"));
    EXPECT_TRUE(names.count(u"\u00e9t\xDCE9.txt"));  // the valid part decodes as it should
    EXPECT_TRUE(names.count(u"\xDCE2\xDC82.txt"));   // a cut sequence: each byte by itself
    EXPECT_EQ(names.size(), linuxNames.size());      // no two names merged
    for (const Entry &entry : entries) {
        U16 path = u"\\" + entry.name;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << ::testing::PrintToString(entry.name);
        char buffer[64] = {};
        DWORD read = 0;
        ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
        CloseHandle(h);
        std::string content(buffer, read);
        EXPECT_TRUE(root_.Exists(content)) << content;
        EXPECT_EQ(posix::DevicePathToLinux(path), root_.Path() + "/" + content);
        EXPECT_EQ(GetFileAttributesW(path.c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    }
    HANDLE h = CreateFileW(u"\\caf\xDCE9.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(root_.Read("caf\xE9.txt"), "");
    EXPECT_TRUE(DeleteFileW(u"\\caf\xDCE8.txt"));
    EXPECT_FALSE(root_.Exists("caf\xE8.txt"));
    EXPECT_EQ(ListSearch(u"\\*").size(), linuxNames.size() - 1);
}

// Half a surrogate pair other than an escaped byte names no Linux file: refused, never turned into U+FFFD.
TEST_F(FindOnLinux, HalfSurrogatesThatStandForNoByteAreRefused) {
    root_.Write("\xEF\xBF\xBD", "replacement");
    for (const WCHAR *path : {u"\\\xD800", u"\\\xDC00", u"\\a\xDBFF", u"\\\xDC7F*"}) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES) << ::testing::PrintToString(U16(path));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
        DWORD error = 0;
        EXPECT_TRUE(ListSearch(path, &error).empty());
        EXPECT_EQ(error, DWORD(ERROR_INVALID_NAME));
    }
}

// Win32 writes through a null result (Wine faults); our platform refuses it.
TEST_F(FindOnLinux, ANullResultIsRefused) {
    root_.Write("a.txt", "x");
    EXPECT_EQ(FindFirstFileW(u"\\*", nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

// A search closed is freed on Win32, and closing it again reads freed memory (Wine answers TRUE); our
// platform knows the handle is gone.
TEST_F(FindOnLinux, ASearchClosesOnce) {
    root_.Write("a.txt", "x");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(u"\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(FindOnLinux, TheDeviceRootHasNoDots) {
    root_.Write("top.txt", "x");
    mkdir((root_ / "folder").c_str(), 0755);
    EXPECT_EQ(NameSetOf(ListSearch(u"\\*")), (std::set<U16>{u"top.txt", u"folder"}));
    EXPECT_EQ(NameSetOf(ListSearch(u"\\*.*")), (std::set<U16>{u"top.txt", u"folder"}));
    EXPECT_EQ(NameSetOf(ListSearch(u"*.*")), (std::set<U16>{u"top.txt", u"folder"}));
    EXPECT_EQ(NamesOf(ListSearch(u"\\folder\\*.*")), (std::vector<U16>{u".", u".."}));
}

TEST_F(FindOnLinux, SpecialFilesAreListedAsSystemFiles) {
    mkdir((root_ / "dev").c_str(), 0755);
    mkfifo((root_ / "dev/pipe").c_str(), 0644);
    symlink("/nonexistent/target", (root_ / "dev/dangling").c_str());
    std::map<U16, DWORD> attributes;
    for (const Entry &e : ListSearch(u"\\dev\\*"))
        attributes[e.name] = e.attributes;
    EXPECT_EQ(attributes[u"pipe"], DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(attributes[u"dangling"] & FILE_ATTRIBUTE_SYSTEM, DWORD(FILE_ATTRIBUTE_SYSTEM));
}

}  // namespace
