// The test interface over our own platform.
#include "tests/support/test_platform.h"

#include "platform/posix/base/options.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/system/file.h"
#include "platform/posix/system/paths.h"
#include "platform/posix/system/registry.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/reset.h"

#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>

namespace test_platform {

HINSTANCE Instance() {
    return (HINSTANCE)0x400000;
}

void Reset() {
    posix::ResetPlatform();
    posix::SetResourceImage({});
}

void RunPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void InputKey(int vk, bool down) {
    posix::InputEvent event;
    event.vk = vk;
    event.down = down;
    posix::DeliverKey(event);
}

void PressKey(int vk, WCHAR typed) {
    posix::InputEvent event;
    event.vk = vk;
    event.ch = typed;
    posix::DeliverKey(event);
    InputKey(vk, false);
    RunPendingMessages();
}

namespace {

void RunPendingDialogMessages(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

void PressKeyInDialog(HWND dialog, int vk, WCHAR typed) {
    posix::InputEvent event;
    event.vk = vk;
    event.ch = typed;
    posix::DeliverKey(event);
    RunPendingDialogMessages(dialog);
    InputKey(vk, false);
    RunPendingDialogMessages(dialog);
}

void HoldKey(int vk, bool down) {
    InputKey(vk, down);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
}

bool OnWine() {
    return false;
}

// The process module's resources are the image set last.
HMODULE ModuleWithResources(const std::vector<BYTE> &resFile) {
    posix::SetResourceImage({resFile.data(), resFile.size()});
    return (HMODULE)posix::ProcessInstance();
}

namespace {

std::string MakeLinuxFolder() {
    char name[] = "/tmp/platform-test-XXXXXX";
    return mkdtemp(name) ? name : "";
}

void RemoveLinuxFolder(const std::string &folder) {
    if (folder.empty()) return;
    nftw(
        folder.c_str(), [](const char *file, const struct stat *, int, FTW *) { return remove(file); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

// What MakeScratchFolder and UseScratchRegistry replaced, to be put back.
struct Scratch {
    std::string folder;
    std::string savedRoot;
    std::string registryFolder;
    std::string savedRegistryFile;
};

Scratch &Saved() {
    static Scratch saved;
    return saved;
}

}  // namespace

WString MakeScratchFolder() {
    Scratch &saved = Saved();
    saved.folder = MakeLinuxFolder();
    EXPECT_FALSE(saved.folder.empty()) << "no scratch folder";
    saved.savedRoot = posix::GetOptions().root;
    posix::GetOptions().root = saved.folder;
    return WString();
}

void RemoveScratchFolder() {
    Scratch &saved = Saved();
    posix::ResetFiles();
    posix::GetOptions().root = saved.savedRoot;
    RemoveLinuxFolder(saved.folder);
    saved.folder.clear();
}

void WriteFileBytes(const WString &path, const std::string &bytes) {
    std::ofstream out(posix::DevicePathToLinux(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    EXPECT_TRUE(out.good()) << "cannot write " << posix::DevicePathToLinux(path);
}

std::string ReadFileBytes(const WString &path) {
    std::ifstream in(posix::DevicePathToLinux(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

const WCHAR *ScratchRegistryKey() {
    return TEXT("Software\\Scrivel platform tests");
}

void UseScratchRegistry() {
    Scratch &saved = Saved();
    saved.registryFolder = MakeLinuxFolder();
    EXPECT_FALSE(saved.registryFolder.empty()) << "no folder for the registry";
    saved.savedRegistryFile = posix::GetOptions().registryFile;
    posix::GetOptions().registryFile = saved.registryFolder + "/registry.reg";
    posix::ResetRegistry();
}

void RemoveScratchRegistry() {
    Scratch &saved = Saved();
    posix::ResetRegistry();
    posix::GetOptions().registryFile = saved.savedRegistryFile;
    RemoveLinuxFolder(saved.registryFolder);
    saved.registryFolder.clear();
}

void ReadRegistryAfresh() {
    posix::ResetRegistry();
}

}  // namespace test_platform
