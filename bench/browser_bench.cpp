// The file browser listing one large folder, sorted into the tree as the user expands it: the whole
// expansion (the directory read, a sorted insertion per entry, the screen drawn after it) should grow
// with n log n, and expanding the folder again, once listed, should cost nothing that grows with n.
//
//   ninja -C build browser_bench && ./build/bench/browser_bench
#include "app/app.h"
#include "browser/browser.h"
#include "browser/folder_tree.h"
#include "platform/posix/base/options.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

extern const unsigned char kScrivelResources[];
extern const size_t kScrivelResourcesSize;

namespace {

namespace fs = std::filesystem;

// A device root holding one folder, "big", of count empty files created in a scrambled order.
fs::path MakeDevice(int64_t count) {
    fs::path dir = fs::temp_directory_path() / ("scrivel-browser-bench-" + std::to_string(getpid()));
    fs::create_directories(dir / "root" / "big");
    fs::create_directories(dir / "run");
    for (int64_t i = 0; i < count; ++i) {
        // A multiplier prime to every count used visits each number once, out of order.
        char name[32];
        std::snprintf(name, sizeof(name), "entry %lld.txt", (long long)((i * 7919) % count));
        std::ofstream(dir / "root" / "big" / name);
    }
    return dir;
}

// Runs body inside the program's message loop, on a device made for count entries.
template <typename Body>
void WithProgram(int64_t count, Body body) {
    fs::path dir = MakeDevice(count);
    setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
    posix::ResetPlatform();
    ResetProgramState();
    posix::HeadlessScreen screen(80, 24);
    posix::GetOptions().root = (dir / "root").string();
    posix::GetOptions().registryFile = (dir / "registry.reg").string();
    posix::SetResourceImage(posix::ResourceImage{kScrivelResources, kScrivelResourcesSize});
    screen.Then(body);
    std::u16string commandLine;
    wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOW);
    posix::ResetPlatform();
    ResetProgramState();
    fs::remove_all(dir);
}

HTREEITEM BigFolder() {
    return (HTREEITEM)SendMessageW(FolderTree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
}

// Opening the browser and expanding "big" for the first time: the folder is read and sorted in.
void BM_ListLargeFolder(benchmark::State &state) {
    WithProgram(state.range(0), [&] {
        for (auto _ : state) {
            OpenBrowser(MainWindow, kBrowseToOpen);
            SendMessageW(FolderTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)BigFolder());
            state.PauseTiming();
            if (SendMessageW(FolderTree, TVM_GETCOUNT, 0, 0) != state.range(0) + 1) state.SkipWithError("not listed");
            CloseBrowser();
            state.ResumeTiming();
        }
        state.SetItemsProcessed(state.iterations() * state.range(0));
    });
}
BENCHMARK(BM_ListLargeFolder)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Collapsing and expanding the listed folder again by key, as a user does, each followed by the frame
// it shows: nothing is read again; drawing walks the rows now shown.
void BM_ExpandListedFolder(benchmark::State &state) {
    WithProgram(state.range(0), [&] {
        OpenBrowser(MainWindow, kBrowseToOpen);
        SendMessageW(FolderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)BigFolder());
        SendMessageW(FolderTree, WM_KEYDOWN, VK_RIGHT, 1);
        posix::CellGrid grid(80, 24);
        for (auto _ : state) {
            SendMessageW(FolderTree, WM_KEYDOWN, VK_LEFT, 1);
            posix::RenderScreen(grid);
            SendMessageW(FolderTree, WM_KEYDOWN, VK_RIGHT, 1);
            posix::RenderScreen(grid);
        }
        CloseBrowser();
    });
}
BENCHMARK(BM_ExpandListedFolder)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
