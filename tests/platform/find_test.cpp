// Directory searches: FindFirstFileW / FindNextFileW / FindClose, with Win32's patterns, order and errors.
#include <gtest/gtest.h>

#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/paths.h"
#include "tests/platform/scratch.h"

#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using U16 = std::u16string;

struct Entry {
    U16 name;
    DWORD attributes;
    uint64_t size;
};

class Find : public scratch::DeviceRootTest {
protected:
    // Every entry the search yields, in order; empty when FindFirstFileW fails (error then holds why).
    static std::vector<Entry> List(const WCHAR *pattern, DWORD *error = nullptr) {
        std::vector<Entry> entries;
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
    static std::vector<U16> Names(const std::vector<Entry> &entries) {
        std::vector<U16> names;
        for (const Entry &e : entries)
            names.push_back(e.name);
        return names;
    }
    static std::set<U16> NameSet(const std::vector<Entry> &entries, size_t skip = 0) {
        std::set<U16> names;
        for (size_t i = skip; i < entries.size(); ++i)
            names.insert(entries[i].name);
        return names;
    }
    void MakeFolderWithFiles() {
        mkdir((root_ / "dir").c_str(), 0755);
        mkdir((root_ / "dir/sub").c_str(), 0755);
        for (const char *name : {"b.txt", "A.TXT", "a.txtx", "long name.txt", "notes", "ab.txt"})
            root_.Write(std::string("dir/") + name, "abc");
    }
};

TEST_F(Find, DotsComeFirstThenEveryEntryWithSizeAndAttributes) {
    MakeFolderWithFiles();
    std::vector<Entry> entries = List(u"\\dir\\*.*");
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].name, u".");
    EXPECT_EQ(entries[1].name, u"..");
    EXPECT_EQ(entries[0].attributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(entries[1].attributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(NameSet(entries, 2),
              (std::set<U16>{u"b.txt", u"A.TXT", u"a.txtx", u"long name.txt", u"notes", u"ab.txt", u"sub"}));
    for (const Entry &e : entries) {
        if (e.name == u"sub" || e.name[0] == u'.') continue;
        EXPECT_EQ(e.attributes, DWORD(FILE_ATTRIBUTE_ARCHIVE)) << ::testing::PrintToString(e.name);
        EXPECT_EQ(e.size, 3u);
    }
    std::map<U16, DWORD> byName;
    for (const Entry &e : entries)
        byName[e.name] = e.attributes;
    EXPECT_EQ(byName[u"sub"], DWORD(FILE_ATTRIBUTE_DIRECTORY));

    EXPECT_EQ(Names(List(u"\\dir\\*")), Names(entries));  // "*" finds the same as "*.*"
}

// Names written in an 8-bit code page are not UTF-8: each byte that does not decode lists as the character
// that stands for it, and that name opens, replaces and deletes the very file it came from.
TEST_F(Find, NamesThatAreNotUtf8ListAsNamesThatReachTheirFiles) {
    const std::vector<std::string> linuxNames = {"caf\xE9.txt",  "caf\xE8.txt",      "\xC3\xA9t\xE9.txt",
                                                 "\xE2\x82.txt", "\xED\xA0\x80.txt", "\xFF\xFE"};
    for (const std::string &name : linuxNames)
        root_.Write(name, name);
    std::vector<Entry> entries = List(u"\\*");
    ASSERT_EQ(entries.size(), linuxNames.size());
    std::set<U16> names = NameSet(entries);
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
    EXPECT_EQ(List(u"\\*").size(), linuxNames.size() - 1);
}

// Half a surrogate pair other than an escaped byte names no Linux file: refused, never turned into U+FFFD.
TEST_F(Find, HalfSurrogatesThatStandForNoByteAreRefused) {
    root_.Write("\xEF\xBF\xBD", "replacement");
    for (const WCHAR *path : {u"\\\xD800", u"\\\xDC00", u"\\a\xDBFF", u"\\\xDC7F*"}) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES) << ::testing::PrintToString(U16(path));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
        DWORD error = 0;
        EXPECT_TRUE(List(path, &error).empty());
        EXPECT_EQ(error, DWORD(ERROR_INVALID_NAME));
    }
}

TEST_F(Find, TheDeviceRootHasNoDots) {
    root_.Write("top.txt", "x");
    mkdir((root_ / "folder").c_str(), 0755);
    EXPECT_EQ(NameSet(List(u"\\*")), (std::set<U16>{u"top.txt", u"folder"}));
    EXPECT_EQ(NameSet(List(u"\\*.*")), (std::set<U16>{u"top.txt", u"folder"}));
    EXPECT_EQ(NameSet(List(u"*.*")), (std::set<U16>{u"top.txt", u"folder"}));
    EXPECT_EQ(Names(List(u"\\folder\\*.*")), (std::vector<U16>{u".", u".."}));
}

TEST_F(Find, PatternsMatchAsOnWin32IgnoringCase) {
    MakeFolderWithFiles();
    EXPECT_EQ(NameSet(List(u"\\dir\\*.txt")), (std::set<U16>{u"b.txt", u"A.TXT", u"long name.txt", u"ab.txt"}));
    EXPECT_EQ(NameSet(List(u"\\DIR\\?.TxT")), (std::set<U16>{u"b.txt", u"A.TXT"}));
    EXPECT_EQ(NameSet(List(u"\\dir\\a*")), (std::set<U16>{u"A.TXT", u"a.txtx", u"ab.txt"}));
    EXPECT_EQ(NameSet(List(u"\\dir\\notes.*")), (std::set<U16>{u"notes"}));  // ".*" also means no extension
    EXPECT_EQ(NameSet(List(u"\\dir\\*.")), (std::set<U16>{u".", u"..", u"notes", u"sub"}));
    EXPECT_EQ(NameSet(List(u"\\dir\\LONG NAME.TXT")), (std::set<U16>{u"long name.txt"}));
    EXPECT_EQ(NameSet(List(u"\\dir\\*o*")), (std::set<U16>{u"long name.txt", u"notes"}));
}

TEST_F(Find, FailuresTellWhatWasMissing) {
    MakeFolderWithFiles();
    DWORD error = 0;
    EXPECT_TRUE(List(u"\\dir\\*.doc", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(List(u"\\nodir\\*.*", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(List(u"\\dir\\b.txt\\*.*", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(List(u"\\dir\\", &error).empty());
    EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(List(u"\\d*r\\*.*", &error).empty());  // wildcards only in the last name
    EXPECT_EQ(error, DWORD(ERROR_INVALID_NAME));
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(u"\\dir\\*", nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(Find, SearchHandlesAreClosedOnlyByFindClose) {
    MakeFolderWithFiles();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(u"\\dir\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CloseHandle(find));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FindNextFileW(find, &data));  // still open
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

    root_.Write("f.txt", "x");
    HANDLE file = CreateFileW(u"\\f.txt", GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(file));
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Find, ASearchIsASnapshotOfTheFolder) {
    MakeFolderWithFiles();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(u"\\dir\\*.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    root_.Write("dir/later.txt", "x");
    std::set<U16> names{data.cFileName};
    while (FindNextFileW(find, &data))
        names.insert(data.cFileName);
    FindClose(find);
    EXPECT_EQ(names.count(u"later.txt"), 0u);
    EXPECT_EQ(names.size(), 4u);
}

TEST_F(Find, SpecialFilesAreListedAsSystemFiles) {
    mkdir((root_ / "dev").c_str(), 0755);
    mkfifo((root_ / "dev/pipe").c_str(), 0644);
    symlink("/nonexistent/target", (root_ / "dev/dangling").c_str());
    std::map<U16, DWORD> attributes;
    for (const Entry &e : List(u"\\dev\\*"))
        attributes[e.name] = e.attributes;
    EXPECT_EQ(attributes[u"pipe"], DWORD(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(attributes[u"dangling"] & FILE_ATTRIBUTE_SYSTEM, DWORD(FILE_ATTRIBUTE_SYSTEM));
}

}  // namespace
