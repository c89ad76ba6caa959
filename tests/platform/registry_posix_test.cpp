// The registry's file: values keep their types and exact byte counts in a .reg text file, hand-written and
// damaged files are handled, and processes writing at the same time (or killed while writing) never lose
// values or leave a broken file. What Win32 does with keys and values is in tests/shared/registry_test.cpp.
#include <gtest/gtest.h>

#include "platform/posix/base/options.h"
#include "platform/posix/system/registry.h"
#include "tests/platform/scratch.h"
#include "tests/shared/registry_values.h"

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using U16 = std::u16string;

const char kHeader[] = "Windows Registry Editor Version 5.00\n";

Bytes StringBytes(const U16 &text, size_t count) {
    Bytes bytes(count, 0);
    memcpy(bytes.data(), text.c_str(), std::min(count, (text.size() + 1) * 2));
    return bytes;
}

Bytes DwordBytes(DWORD value) {
    return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

class RegistryFile : public ::testing::Test {
protected:
    void SetUp() override {
        savedFile_ = posix::GetOptions().registryFile;
        posix::GetOptions().registryFile = HiveFile();
        posix::ResetRegistry();
    }
    void TearDown() override {
        posix::ResetRegistry();
        posix::GetOptions().registryFile = savedFile_;
    }

    std::string HiveFile() const { return dir_ / "registry.reg"; }
    std::string HiveText() const { return scratch::TempDir::ReadFile(HiveFile()); }

    // As a new process would: forget everything read so far.
    static void Restart() { posix::ResetRegistry(); }

    static HKEY Settings() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Example", 0, nullptr, 0, 0, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    std::vector<std::string> SetAside() const {
        std::vector<std::string> names;
        DIR *dir = opendir(dir_.Path().c_str());
        while (dirent *entry = readdir(dir))
            if (std::string(entry->d_name).rfind("registry.reg.unreadable-", 0) == 0) names.push_back(entry->d_name);
        closedir(dir);
        return names;
    }

    scratch::TempDir dir_;
    std::string savedFile_;
};

TEST_F(RegistryFile, StoresTheExactBytesGivenInRegExportFormat) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"Font", REG_SZ, StringBytes(u"Nina", 9)), ERROR_SUCCESS);  // 2n + 1 bytes
    ASSERT_EQ(SetValue(key, u"FontSize", REG_DWORD, DwordBytes(12)), ERROR_SUCCESS);
    EXPECT_EQ(HiveText(), std::string(kHeader) +
                              "\n"
                              "[HKEY_CURRENT_USER\\Software]\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Software\\Example]\n"
                              "\"Font\"=hex(1):4e,00,69,00,6e,00,61,00,00\n"
                              "\"FontSize\"=dword:0000000c\n"
                              "\n");

    Restart();
    key = Settings();
    DWORD type = 0;
    Bytes data;
    ASSERT_TRUE(GetValue(key, u"Font", type, data));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(data, StringBytes(u"Nina", 9));
    ASSERT_TRUE(GetValue(key, u"fontsize", type, data));  // value names ignore case
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(data, DwordBytes(12));
}

TEST_F(RegistryFile, LongHexDataIsFoldedAsTheExporterDoes) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"Blob", REG_BINARY, Bytes(100, 0xAB)), ERROR_SUCCESS);
    std::string text = HiveText();
    size_t start = text.find("\"Blob\"=hex:");
    ASSERT_NE(start, std::string::npos);
    std::vector<std::string> lines;
    for (size_t pos = start, end; (end = text.find('\n', pos)) != std::string::npos && pos < text.size();
         pos = end + 1) {
        lines.push_back(text.substr(pos, end - pos));
        if (lines.back().empty() || lines.back().back() != '\\') break;
    }
    ASSERT_GT(lines.size(), 1u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 80u) << lines[i];
        EXPECT_EQ(lines[i].back() == '\\', i + 1 < lines.size()) << lines[i];
        if (i > 0) {
            EXPECT_EQ(lines[i].substr(0, 2), "  ");
        }
    }
}

// A string of 2 x n + 1 bytes keeps its count, as on the device (desktop Windows completes its terminator).
TEST_F(RegistryFile, AnOddByteCountReadsBackAsWritten) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"Font", REG_SZ, StringBytes(u"Nina", 9)), ERROR_SUCCESS);
    BYTE buffer[16];
    memset(buffer, 0xCC, sizeof buffer);
    DWORD type = 77, size = 8;
    EXPECT_EQ(RegQueryValueExW(key, u"Font", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);
    for (BYTE b : buffer)
        EXPECT_EQ(b, 0xCC);  // untouched
    size = 9;
    EXPECT_EQ(RegQueryValueExW(key, u"Font", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(Bytes(buffer, buffer + 10), (Bytes{'N', 0, 'i', 0, 'n', 0, 'a', 0, 0, 0xCC}));
}

TEST_F(RegistryFile, ANewKeyStaysInMemoryUntilAValueIsSetInIt) {
    HKEY empty = nullptr, key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Empty", 0, nullptr, 0, 0, nullptr, &empty, nullptr),
              ERROR_SUCCESS);
    EXPECT_FALSE(dir_.Exists("registry.reg"));
    key = Settings();
    ASSERT_EQ(SetValue(key, u"A", REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
    EXPECT_EQ(HiveText().find("Empty"), std::string::npos);
    HKEY again = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Empty", 0, 0, &again), ERROR_SUCCESS);  // still there
    ASSERT_EQ(SetValue(empty, u"B", REG_DWORD, DwordBytes(2)), ERROR_SUCCESS);
    EXPECT_NE(HiveText().find("[HKEY_CURRENT_USER\\Software\\Empty]\n\"B\"=dword:00000002"), std::string::npos);
    Restart();
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Empty", 0, 0, &again), ERROR_SUCCESS);
}

TEST_F(RegistryFile, HandWrittenFilesAreRead) {
    dir_.Write("registry.reg",
               "Windows Registry Editor Version 5.00\r\n"
               "\r\n"
               "; written by hand\r\n"
               "[HKEY_CURRENT_USER\\Software\\Example]\r\n"
               "\"Font\"=\"Nina \\\"Sans\\\"\"\r\n"
               "\"FontSize\"=dword:0000000C\r\n"
               "\"Data\"=hex:01,02,\\\r\n"
               "    03\r\n"
               "@=\"\"\r\n");
    HKEY key = Settings();
    DWORD type;
    Bytes data;
    ASSERT_TRUE(GetValue(key, u"Font", type, data));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(data, StringBytes(u"Nina \"Sans\"", 24));  // a quoted string has its whole terminator
    ASSERT_TRUE(GetValue(key, u"FontSize", type, data));
    EXPECT_EQ(data, DwordBytes(12));
    ASSERT_TRUE(GetValue(key, u"Data", type, data));
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(data, (Bytes{1, 2, 3}));
    ASSERT_TRUE(GetValue(key, nullptr, type, data));
    EXPECT_EQ(data, (Bytes{0, 0}));
}

TEST_F(RegistryFile, Utf16FilesAsRegeditWritesThemAreRead) {
    U16 text =
        u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Example]\r\n"
        u"\"Font\"=\"\u00c9l\u00e9gante\"\r\n";
    std::string bytes;
    for (char16_t c : text)
        bytes += {char(c & 0xFF), char(c >> 8)};
    dir_.Write("registry.reg", bytes);
    HKEY key = Settings();
    DWORD type;
    Bytes data;
    ASSERT_TRUE(GetValue(key, u"Font", type, data));
    EXPECT_EQ(data, StringBytes(u"\u00c9l\u00e9gante", 18));
}

// Half a surrogate pair cannot be written in UTF-8: names holding one, read from a UTF-16 file, must neither
// become U+FFFD (two of them would then be one value) nor be lost.
TEST_F(RegistryFile, HalfSurrogatesInAUtf16FileSurviveAWrite) {
    U16 text =
        u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Example]\r\n"
        u"\"A\xD800\"=dword:00000001\r\n\"A\xDC00\"=dword:00000002\r\n";
    std::string bytes;
    for (char16_t c : text)
        bytes += {char(c & 0xFF), char(c >> 8)};
    dir_.Write("registry.reg", bytes);
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"B", REG_DWORD, DwordBytes(3)), ERROR_SUCCESS);
    Restart();
    key = Settings();
    DWORD type;
    Bytes data;
    ASSERT_TRUE(GetValue(key, u"A\xD800", type, data));
    EXPECT_EQ(data, DwordBytes(1));
    ASSERT_TRUE(GetValue(key, u"A\xDC00", type, data));
    EXPECT_EQ(data, DwordBytes(2));
    EXPECT_FALSE(HasValue(key, u"A\xFFFD"));
    // The file stays one the registry editor reads: UTF-16LE after its byte-order mark.
    EXPECT_EQ(HiveText().substr(0, 2), "\xFF\xFE");
}

TEST_F(RegistryFile, AnUnreadableFileIsReadAsEmptyAndKeptBeforeTheNextWrite) {
    const std::string damaged = std::string(kHeader) +
                                "[HKEY_CURRENT_USER\\Software\\Example]\n\"Font\"=hex(1):4e,00\n"
                                "\"FontSize\"=dword:zz\n";
    dir_.Write("registry.reg", damaged);
    HKEY key = nullptr;
    // Nothing of it counts, not even the line before the damage.
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Example", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(HiveText(), damaged);

    key = Settings();
    EXPECT_EQ(HiveText(), damaged);  // opening the key writes nothing
    EXPECT_TRUE(SetAside().empty());
    ASSERT_EQ(SetValue(key, u"FontSize", REG_DWORD, DwordBytes(10)), ERROR_SUCCESS);
    std::vector<std::string> aside = SetAside();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(dir_.Read(aside[0]), damaged);
    Restart();
    key = Settings();
    DWORD type;
    Bytes data;
    ASSERT_TRUE(GetValue(key, u"FontSize", type, data));
    EXPECT_EQ(data, DwordBytes(10));
    EXPECT_FALSE(HasValue(key, u"Font"));
}

// The entries of a folder, without the lock files the registry leaves beside its file.
std::set<std::string> FolderEntries(const std::string &folder) {
    std::set<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (!dir) return names;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        bool lock = name.size() > 5 && name.compare(name.size() - 5, 5, ".lock") == 0;
        if (name != "." && name != ".." && !lock) names.insert(name);
    }
    closedir(dir);
    return names;
}

mode_t KindAt(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

TEST_F(RegistryFile, SomethingOtherThanAFileAtItsPathReadsAsEmptyAndIsNeverMoved) {
    ASSERT_EQ(mkdir((dir_ / "Documents").c_str(), 0700), 0);
    dir_.Write("Documents/letter.txt", "Dear reader");
    ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink((dir_ / "Documents").c_str(), (dir_ / "link-to-folder").c_str()), 0);
    ASSERT_EQ(symlink((dir_ / "pipe").c_str(), (dir_ / "link-to-pipe").c_str()), 0);
    const std::set<std::string> before = FolderEntries(dir_.Path());

    for (const char *name : {"Documents", "pipe", "link-to-folder", "link-to-pipe"}) {
        SCOPED_TRACE(name);
        posix::GetOptions().registryFile = dir_ / name;
        Restart();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Example", 0, 0, &key), ERROR_FILE_NOT_FOUND);
        key = Settings();
        EXPECT_EQ(SetValue(key, u"A", REG_DWORD, DwordBytes(1)), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegDeleteValueW(key, u"A"), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(HasValue(key, u"A"));

        EXPECT_EQ(FolderEntries(dir_.Path()), before);  // nothing moved aside, no new file, no leftovers
        EXPECT_EQ(KindAt(dir_ / "Documents"), mode_t(S_IFDIR));
        EXPECT_EQ(KindAt(dir_ / "pipe"), mode_t(S_IFIFO));
        EXPECT_EQ(KindAt(dir_ / "link-to-folder"), mode_t(S_IFLNK));
        EXPECT_EQ(KindAt(dir_ / "link-to-pipe"), mode_t(S_IFLNK));
        EXPECT_EQ(dir_.Read("Documents/letter.txt"), "Dear reader");
        EXPECT_EQ(FolderEntries(dir_ / "Documents"), std::set<std::string>{"letter.txt"});
    }
}

// Leaves this process exactly one free file descriptor for the life of the object.
class OneFreeDescriptor {
public:
    OneFreeDescriptor() {
        if (getrlimit(RLIMIT_NOFILE, &saved_) != 0) return;
        int highest = 0;
        for (int fd = 0; fd < 4096; ++fd)
            if (fcntl(fd, F_GETFD) != -1) highest = fd;
        rlimit scarce = saved_;
        scarce.rlim_cur = rlim_t(highest) + 2;
        if (setrlimit(RLIMIT_NOFILE, &scarce) != 0) return;
        limited_ = true;
        for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            taken_.push_back(fd);
        if (errno != EMFILE || taken_.empty()) return;
        close(taken_.back());
        taken_.pop_back();
        ready_ = true;
    }
    ~OneFreeDescriptor() {
        for (int fd : taken_)
            close(fd);
        if (limited_) setrlimit(RLIMIT_NOFILE, &saved_);
    }
    bool Ready() const { return ready_; }

private:
    rlimit saved_{};
    bool limited_ = false;
    bool ready_ = false;
    std::vector<int> taken_;
};

TEST_F(RegistryFile, AFileThatCannotBeOpenedForAPassingReasonIsNeitherMovedNorReplaced) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"A", REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
    const std::string good = HiveText();
    {
        // The lock beside the file takes the last descriptor: the file itself cannot be opened.
        OneFreeDescriptor scarce;
        ASSERT_TRUE(scarce.Ready());
        EXPECT_EQ(SetValue(key, u"B", REG_DWORD, DwordBytes(2)), ERROR_TOO_MANY_OPEN_FILES);
    }
    EXPECT_EQ(HiveText(), good);
    EXPECT_TRUE(SetAside().empty());
    ASSERT_EQ(SetValue(key, u"C", REG_DWORD, DwordBytes(3)), ERROR_SUCCESS);
    Restart();
    key = Settings();
    EXPECT_TRUE(HasValue(key, u"A"));
    EXPECT_FALSE(HasValue(key, u"B"));
    EXPECT_TRUE(HasValue(key, u"C"));
}

TEST_F(RegistryFile, ABackslashFoldsOnlyHexDataNeverACommentOrAnotherLine) {
    dir_.Write("registry.reg",
               "Windows Registry Editor Version 5.00\r\n"
               "\r\n"
               "[HKEY_CURRENT_USER\\Software\\Example]\r\n"
               "; the documents live on C:\\\r\n"
               "\"FontSize\"=dword:0000000c\r\n"
               "\"Count\"=dword:00000001 ; was on D:\\\r\n"
               "\"Name\"=\"x\" ; from E:\\\r\n"
               "\"Mark\"=hex:01 ; see F:\\\r\n"
               "\"Folded\"=hex:02,\\\r\n"
               "  03,\\\r\n"
               "  04\r\n"
               "\"Last\"=dword:00000002\r\n");
    const std::vector<std::pair<const WCHAR *, Bytes>> expected = {
        {u"FontSize", DwordBytes(12)}, {u"Count", DwordBytes(1)},   {u"Name", StringBytes(u"x", 4)},
        {u"Mark", Bytes{1}},           {u"Folded", Bytes{2, 3, 4}}, {u"Last", DwordBytes(2)},
    };
    auto check = [&] {
        HKEY key = Settings();
        for (const auto &[name, bytes] : expected) {
            DWORD type;
            Bytes data;
            ASSERT_TRUE(GetValue(key, name, type, data)) << ::testing::PrintToString(U16(name));
            EXPECT_EQ(data, bytes) << ::testing::PrintToString(U16(name));
        }
    };
    check();
    // Written back, the file keeps every value.
    ASSERT_EQ(SetValue(Settings(), u"Other", REG_DWORD, DwordBytes(3)), ERROR_SUCCESS);
    EXPECT_TRUE(SetAside().empty());
    Restart();
    check();
}

// Files the Windows registry editor reads, and so must the platform; a write afterwards keeps their values.
TEST_F(RegistryFile, HandWrittenFilesTheRegistryEditorAcceptsAreRead) {
    struct Case {
        const char *what;
        std::string text;
        const WCHAR *name;
        DWORD type;
        Bytes data;
    };
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string section = "[HKEY_CURRENT_USER\\Software\\Example]\r\n";
    const std::vector<Case> cases = {
        {"backslashes that are no escape", header + section + "\"Path\"=\"\\docs\\a.txt\"\r\n", u"Path", REG_SZ,
         StringBytes(u"\\docs\\a.txt", 24)},
        {"the older format in the 8-bit code page",
         "REGEDIT4\r\n\r\n" + section + "\"Font\"=\"\xC9l\xE9gante \x80\"\r\n", u"Font", REG_SZ,
         StringBytes(u"\u00c9l\u00e9gante \u20ac", 22)},
        {"a key with a trailing backslash",
         header + "[HKEY_CURRENT_USER\\Software\\Example\\]\r\n\"Size\"=dword:00000010\r\n", u"Size", REG_DWORD,
         DwordBytes(16)},
        {"a comment after hex data", header + section + "\"Blob\"=hex:01,02 ; two bytes\r\n", u"Blob", REG_BINARY,
         Bytes{1, 2}},
        {"a comment after typed hex data", header + section + "\"Expand\"=hex(2):41,00,00,00 ; A\r\n", u"Expand",
         REG_EXPAND_SZ, Bytes{'A', 0, 0, 0}},
    };
    auto check = [&](const Case &c) {
        dir_.Write("registry.reg", c.text);
        for (const char *when : {"as written", "after a write"}) {
            SCOPED_TRACE(when);
            Restart();
            HKEY key = Settings();
            DWORD type;
            Bytes data;
            ASSERT_TRUE(GetValue(key, c.name, type, data));
            EXPECT_EQ(type, c.type);
            EXPECT_EQ(data, c.data);
            ASSERT_EQ(SetValue(key, u"Probe", REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
        }
        EXPECT_TRUE(SetAside().empty());
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        check(c);
    }
}

TEST_F(RegistryFile, ValuesOtherProcessesWroteMeanwhileAreKept) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"Mine", REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
    // Another process adds a value and a key of its own behind our back.
    std::string text = HiveText();
    text.insert(text.find("\"Mine\""), "\"Theirs\"=dword:00000002\n");
    text += "[HKEY_LOCAL_MACHINE\\Other]\n\"X\"=hex:01\n\n";
    dir_.Write("registry.reg", text);

    ASSERT_EQ(SetValue(key, u"Mine", REG_DWORD, DwordBytes(3)), ERROR_SUCCESS);
    EXPECT_NE(HiveText().find("\"Theirs\"=dword:00000002"), std::string::npos);
    EXPECT_NE(HiveText().find("[HKEY_LOCAL_MACHINE\\Other]\n\"X\"=hex:01"), std::string::npos);
    DWORD type;
    Bytes data;
    ASSERT_TRUE(GetValue(key, u"Theirs", type, data));  // the fresh read is what we now see
    EXPECT_EQ(data, DwordBytes(2));
}

TEST_F(RegistryFile, TheDefaultFileFollowsXdgConfigHomeAndTheProgramsFolder) {
    posix::GetOptions().registryFile.clear();
    std::string savedFolder = posix::GetOptions().programFolder;
    posix::GetOptions().programFolder = "example";
    {
        scratch::EnvVar config("XDG_CONFIG_HOME", dir_ / "config");
        HKEY key = Settings();
        ASSERT_EQ(SetValue(key, u"A", REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
        EXPECT_NE(dir_.Read("config/example/registry.reg").find("\"A\"=dword:00000001"), std::string::npos);
    }
    Restart();
    scratch::EnvVar noConfig("XDG_CONFIG_HOME");
    scratch::EnvVar home("HOME", dir_ / "home");
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, u"B", REG_DWORD, DwordBytes(2)), ERROR_SUCCESS);
    EXPECT_NE(dir_.Read("home/.config/example/registry.reg").find("\"B\"=dword:00000002"), std::string::npos);
    posix::GetOptions().programFolder = savedFolder;
}

TEST_F(RegistryFile, TwoProcessesWritingTogetherLoseNothing) {
    constexpr int kWrites = 60;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        if (writers[w] == 0) {
            char go;
            if (read(start[0], &go, 1) != 1) _exit(100);
            Restart();
            HKEY key = Settings();
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                std::u16string name = (w ? u"B" : u"A") + std::u16string(1, char16_t(u'0' + i / 10)) +
                                      std::u16string(1, char16_t(u'0' + i % 10));
                failures += SetValue(key, name.c_str(), REG_DWORD, DwordBytes(DWORD(w * 1000 + i))) != ERROR_SUCCESS;
            }
            _exit(failures);
        }
    }
    ASSERT_EQ(write(start[1], "gg", 2), 2);
    for (pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    close(start[0]);
    close(start[1]);

    Restart();
    HKEY key = Settings();
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kWrites; ++i) {
            std::u16string name = (w ? u"B" : u"A") + std::u16string(1, char16_t(u'0' + i / 10)) +
                                  std::u16string(1, char16_t(u'0' + i % 10));
            DWORD type;
            Bytes data;
            ASSERT_TRUE(GetValue(key, name.c_str(), type, data)) << w << " " << i;
            EXPECT_EQ(data, DwordBytes(DWORD(w * 1000 + i)));
        }
    }
    EXPECT_TRUE(SetAside().empty());
}

// Kills a forked writer when a failed assertion leaves the test early.
struct KillOnExit {
    pid_t pid;
    ~KillOnExit() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

// What a reader finds in the file while a writer is busy: the whole of one version or another.
bool IsWholeFile(const std::string &text) {
    return text.rfind(kHeader, 0) == 0 && text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0;
}

TEST_F(RegistryFile, ReadersAndKilledWritersNeverSeeAPartialFile) {
    Bytes big(256 * 1024);  // large enough that writing the file takes a while
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = BYTE(i);
    ASSERT_EQ(SetValue(Settings(), u"Seed", REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);  // the file exists throughout
    for (int round = 0; round < 4; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        pid_t writer = fork();
        if (writer == 0) {
            close(progress[0]);
            Restart();
            HKEY key = Settings();
            for (unsigned i = 0;; ++i) {
                big[0] = BYTE(i);
                WCHAR name[] = u"V0";
                name[1] = WCHAR(u'0' + i % 4);
                SetValue(key, name, REG_BINARY, big);
                if (write(progress[1], "+", 1) != 1) _exit(1);
            }
        }
        close(progress[1]);
        KillOnExit guard{writer};
        // Keep reading the file while the writer is at work, through a few of its writes; then kill it at
        // a point that differs from round to round.
        int written = 0, reads = 0;
        while (written < 2 + round || reads < 50 * (round + 1)) {
            ASSERT_TRUE(IsWholeFile(HiveText())) << "round " << round << ", read " << reads;
            ++reads;
            pollfd fd{progress[0], POLLIN, 0};
            char plus;
            while (poll(&fd, 1, 0) == 1 && read(progress[0], &plus, 1) == 1)
                ++written;
        }
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        guard.pid = 0;
        close(progress[0]);

        ASSERT_TRUE(IsWholeFile(HiveText())) << "round " << round;
        Restart();
        HKEY key = Settings();
        DWORD type;
        Bytes data;
        ASSERT_TRUE(GetValue(key, u"V0", type, data)) << "round " << round;
        EXPECT_EQ(data.size(), big.size());
        // The lock died with the writer: writing goes on, and nothing was taken for unreadable.
        EXPECT_EQ(SetValue(key, u"After", REG_DWORD, DwordBytes(DWORD(round))), ERROR_SUCCESS);
        EXPECT_TRUE(SetAside().empty());
    }
}

// Damaged and random files must never crash the reader, and the next write must keep whatever the reader
// could not use.
TEST_F(RegistryFile, GarbageNeverCrashesAndIsNeverLost) {
    const std::string valid = std::string(kHeader) +
                              "\n[HKEY_CURRENT_USER\\Software\\Example]\n"
                              "\"Font\"=hex(1):4e,00,69,00,6e,00,61,00,00\n"
                              "\"FontSize\"=dword:0000000c\n"
                              "\"Recent0\"=\"\\\\a\\\\b.txt\"\n"
                              "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
                              "  16,17,18\n"
                              "@=hex(7):61,00,00,00,00,00\n\n";
    std::mt19937 random(20240611);
    auto pick = [&](size_t n) { return n ? size_t(random() % n) : 0; };
    const std::string specials = "\\\"[]=,:@;\n\r-(){}\xFF\xFE";
    int readable = 0, keptAside = 0;  // both paths must have been taken for the test to mean anything
    for (int round = 0; round < 150; ++round) {
        std::string bytes;
        if (round % 5 == 4) {
            bytes.resize(pick(400));
            for (char &c : bytes)
                c = char(random());
        } else {
            bytes = valid;
            for (int edits = 1 + int(pick(4)); edits > 0; --edits) {
                size_t at = pick(bytes.size());
                switch (pick(5)) {
                    case 0: bytes[at] = char(random()); break;
                    case 1: bytes.insert(bytes.begin() + long(at), specials[pick(specials.size())]); break;
                    case 2: bytes.erase(at, 1 + pick(20)); break;
                    case 3: bytes.resize(at); break;
                    default: bytes.insert(at, bytes.substr(pick(bytes.size()), pick(40))); break;
                }
            }
        }
        dir_.Write("registry.reg", bytes);
        Restart();

        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Example", 0, 0, &key) == ERROR_SUCCESS) {
            ++readable;
            for (const WCHAR *name : {u"Font", u"FontSize", u"Recent0", u"Blob", static_cast<const WCHAR *>(nullptr)}) {
                BYTE small[4];
                DWORD size = sizeof small, type;
                LONG result = RegQueryValueExW(key, name, nullptr, &type, small, &size);
                EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_MORE_DATA || result == ERROR_FILE_NOT_FOUND);
                if (result == ERROR_SUCCESS) {
                    EXPECT_LE(size, sizeof small);
                }
            }
        }

        key = Settings();
        ASSERT_EQ(SetValue(key, u"Probe", REG_DWORD, DwordBytes(DWORD(round))), ERROR_SUCCESS) << "round " << round;
        std::vector<std::string> aside = SetAside();
        ASSERT_LE(aside.size(), 1u);
        if (!aside.empty()) {
            ++keptAside;
            EXPECT_EQ(dir_.Read(aside[0]), bytes) << "round " << round;
            unlink((dir_ / aside[0]).c_str());
        }
        Restart();
        key = Settings();
        DWORD type;
        Bytes data;
        ASSERT_TRUE(GetValue(key, u"Probe", type, data)) << "round " << round;
        EXPECT_EQ(data, DwordBytes(DWORD(round)));
    }
    EXPECT_GT(readable, 10);
    EXPECT_GT(keptAside, 30);
}

}  // namespace
