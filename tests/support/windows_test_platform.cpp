// The test interface over the real Win32, and a time limit on every test: a test that hangs (a modal
// loop waiting for input that never comes) ends the run with its name instead of stalling it.
#include "tests/support/test_platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_platform {

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

namespace {

BOOL CALLBACK DestroyOne(HWND window, LPARAM) {
    DestroyWindow(window);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Modules made from resource files
// ---------------------------------------------------------------------------------------------------

// A module loaded for its resources, and the file it was loaded from.
struct ResourceModule {
    HMODULE module;
    std::wstring path;
};

std::vector<ResourceModule> &ResourceModules() {
    static std::vector<ResourceModule> modules;
    return modules;
}

void FreeResourceModules() {
    for (const ResourceModule &m : ResourceModules()) {
        FreeLibrary(m.module);
        DeleteFileW(m.path.c_str());
    }
    ResourceModules().clear();
}

// The folder of the test program, where the build puts the module without resources.
std::wstring ProgramFolder() {
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// A copy of the module without resources, under a name no other copy has.
std::wstring CopyOfResourceLessModule() {
    static int copies = 0;
    WCHAR folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"scrivel_resources_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(++copies) + L".dll";
    if (!CopyFileW((ProgramFolder() + L"resource_less_module.dll").c_str(), path.c_str(), FALSE)) return L"";
    return path;
}

// Reads a little-endian WORD or DWORD of a .res file, or nothing past its end.
bool ReadWord(const std::vector<BYTE> &file, size_t at, WORD &out) {
    if (at + 2 > file.size()) return false;
    out = WORD(file[at] | file[at + 1] << 8);
    return true;
}
bool ReadDword(const std::vector<BYTE> &file, size_t at, DWORD &out) {
    WORD low, high;
    if (!ReadWord(file, at, low) || !ReadWord(file, at + 2, high)) return false;
    out = low | DWORD(high) << 16;
    return true;
}

// A resource type or name of a .res header: an ordinal, or a NUL-terminated string.
struct ResourceKey {
    WORD ordinal = 0;
    std::wstring name;
    LPCWSTR Argument() const { return name.empty() ? MAKEINTRESOURCEW(ordinal) : name.c_str(); }
};
bool ReadKey(const std::vector<BYTE> &file, size_t &at, ResourceKey &key) {
    WORD unit;
    if (!ReadWord(file, at, unit)) return false;
    if (unit == 0xFFFF) {
        at += 4;
        return ReadWord(file, at - 2, key.ordinal);
    }
    for (; ReadWord(file, at, unit); at += 2) {
        if (unit == 0) {
            at += 2;
            return true;
        }
        key.name += wchar_t(unit);
    }
    return false;
}

// One resource of a .res file: its type, name and language, and where its data lies in the file.
struct ResourceEntry {
    ResourceKey type, name;
    WORD language = 0;
    size_t data = 0;
    DWORD size = 0;
};

// Reads every resource of the .res file but its empty first entry; false when the file does not hold
// together.
bool ReadResources(const std::vector<BYTE> &file, std::vector<ResourceEntry> &entries) {
    size_t at = 0;
    DWORD dataSize, headerSize;
    while (ReadDword(file, at, dataSize) && ReadDword(file, at + 4, headerSize)) {
        size_t keys = at + 8;
        ResourceEntry entry;
        if (!ReadKey(file, keys, entry.type) || !ReadKey(file, keys, entry.name)) return false;
        keys = (keys + 3) & ~size_t(3);
        if (!ReadWord(file, keys + 6, entry.language) || at + headerSize + dataSize > file.size()) return false;
        entry.data = at + headerSize;
        entry.size = dataSize;
        if (!entry.type.name.empty() || entry.type.ordinal != 0) entries.push_back(entry);
        at = (at + headerSize + dataSize + 3) & ~size_t(3);
    }
    return true;
}

// Gives the module file the resources; with none, it is left without a resource section.
bool WriteResources(const std::wstring &path, const std::vector<BYTE> &file,
                    const std::vector<ResourceEntry> &entries) {
    if (entries.empty()) return true;
    HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
    if (!update) return false;
    bool added = true;
    for (const ResourceEntry &e : entries)
        added = added && UpdateResourceW(update, e.type.Argument(), e.name.Argument(), e.language,
                                         const_cast<BYTE *>(file.data() + e.data), e.size);
    return EndUpdateResourceW(update, !added) && added;
}

}  // namespace

HMODULE ModuleWithResources(const std::vector<BYTE> &resFile) {
    std::vector<ResourceEntry> entries;
    if (!ReadResources(resFile, entries)) return nullptr;
    std::wstring path = CopyOfResourceLessModule();
    if (path.empty()) return nullptr;
    HMODULE module = nullptr;
    if (WriteResources(path, resFile, entries))
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        DeleteFileW(path.c_str());
        return nullptr;
    }
    ResourceModules().push_back({module, path});
    return module;
}

void Reset() {
    FreeResourceModules();
    EnumThreadWindows(GetCurrentThreadId(), DestroyOne, 0);
    RunPendingMessages();
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    SetLastError(0);
}

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

namespace {

// A key message's lParam: repeat count 1 and the key's scan code; a release also has the previous-state
// and transition bits.
LPARAM KeyLParam(int vk, bool down) {
    LPARAM scan = LPARAM(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC)) << 16;
    return down ? (scan | 1) : LPARAM(0xC0000001u | DWORD(scan));
}

void RunPendingDialogMessages(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

void PressKeyInDialog(HWND dialog, int vk, WCHAR) {
    PostMessageW(GetFocus(), WM_KEYDOWN, WPARAM(vk), KeyLParam(vk, true));
    RunPendingDialogMessages(dialog);
    PostMessageW(GetFocus(), WM_KEYUP, WPARAM(vk), KeyLParam(vk, false));
    RunPendingDialogMessages(dialog);
}

void PressKey(int vk, WCHAR) {
    // The key goes up after the character its press made has been taken, as it does on a keyboard.
    PostMessageW(GetFocus(), WM_KEYDOWN, WPARAM(vk), KeyLParam(vk, true));
    RunPendingMessages();
    PostMessageW(GetFocus(), WM_KEYUP, WPARAM(vk), KeyLParam(vk, false));
    RunPendingMessages();
}

void InputKey(int vk, bool down) {
    keybd_event(BYTE(vk), BYTE(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC)), down ? 0 : KEYEVENTF_KEYUP, 0);
}

void HoldKey(int vk, bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[vk & 0xFF] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

bool OnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

namespace {

WString &ScratchFolderPath() {
    static WString path;
    return path;
}

// Deletes a folder and everything in it; read-only entries lose the attribute first.
void RemoveTree(const WString &folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            WString name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            WString path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

WString MakeScratchFolder() {
    WCHAR temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_TRUE(length > 0 && length <= MAX_PATH) << "no temporary folder";
    static unsigned made = 0;
    WString path = WString(temp, length) + L"platform-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++made);
    RemoveTree(path);
    EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << "no scratch folder, error " << GetLastError();
    ScratchFolderPath() = path;
    return path;
}

void RemoveScratchFolder() {
    if (!ScratchFolderPath().empty()) RemoveTree(ScratchFolderPath());
    ScratchFolderPath().clear();
}

void WriteFileBytes(const WString &path, const std::string &bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write a file, error " << GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size());
    CloseHandle(file);
}

std::string ReadFileBytes(const WString &path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

const WCHAR *ScratchRegistryKey() {
    return L"Software\\Scrivel platform tests";
}

void UseScratchRegistry() {
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRegistryKey());
}

void RemoveScratchRegistry() {
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRegistryKey());
}

void ReadRegistryAfresh() {}

}  // namespace test_platform

namespace {

// Ends the process when one test runs longer than the limit.
class TimeLimit : public ::testing::EmptyTestEventListener {
public:
    explicit TimeLimit(std::chrono::seconds limit) : limit_(limit), watcher_([this] { Watch(); }) {}
    ~TimeLimit() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        watcher_.join();
    }

private:
    void OnTestStart(const ::testing::TestInfo &info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = std::string(info.test_suite_name()) + "." + info.name();
        ++started_;
        changed_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo &) override {
        std::lock_guard<std::mutex> lock(mutex_);
        name_.clear();
        changed_.notify_all();
    }
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            if (name_.empty()) {
                changed_.wait(lock);
                continue;
            }
            long seen = started_;
            if (!changed_.wait_for(lock, limit_, [&] { return stopping_ || started_ != seen || name_.empty(); })) {
                std::fprintf(stderr, "\n[  TIMEOUT ] %s ran longer than %lld s\n", name_.c_str(),
                             static_cast<long long>(limit_.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string name_;
    long started_ = 0;
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char *limit = std::getenv("TEST_TIME_LIMIT");
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new TimeLimit(std::chrono::seconds(limit ? std::atoi(limit) : 60)));
    return RUN_ALL_TESTS();
}
