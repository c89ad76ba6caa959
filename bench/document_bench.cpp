// Open and Save of the whole program on the headless screen, for documents of 1, 16 and 64 MB of text in
// lines of about 80 characters. Run one size a process to read its peak memory (bench/open_save.sh).
// Also, in a 64 MB document: an arrow key with the Mark key held, and Copy and Paste of selections of 1, 4
// and 16 MB.
#include "app/app.h"
#include "document/document.h"
#include "document/textfile.h"
#include "editing/editor.h"
#include "editing/mark.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/base/options.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

extern const unsigned char kScrivelResources[];
extern const size_t kScrivelResourcesSize;

namespace {

namespace fs = std::filesystem;

std::string MakeText(size_t bytes) {
    static const char *words[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta"};
    std::string text;
    text.reserve(bytes);
    size_t column = 0, i = 0;
    while (text.size() < bytes) {
        const char *w = words[i++ % 8];
        text += w;
        column += std::char_traits<char>::length(w);
        if (column > 75) {
            text += "\r\n";
            column = 0;
        } else {
            text += ' ';
            ++column;
        }
    }
    text.resize(bytes);
    return text;
}

// Starts the program on a file of the given size and runs body inside its message loop.
template <typename Body>
void WithProgram(size_t megabytes, Body body) {
    fs::path dir = fs::temp_directory_path() / ("scrivel-bench-" + std::to_string(getpid()));
    fs::create_directories(dir / "root");
    fs::create_directories(dir / "run");
    {
        std::ofstream out(dir / "root" / "doc.txt", std::ios::binary);
        out << MakeText(megabytes << 20);
    }
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

void ReportPeakMemory(benchmark::State &state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_Open(benchmark::State &state) {
    WithProgram(state.range(0), [&] {
        for (auto _ : state)
            OpenDocument(u"\\doc.txt");
        state.SetBytesProcessed(int64_t(state.iterations()) * (state.range(0) << 20));
    });
    ReportPeakMemory(state);
}

void BM_Save(benchmark::State &state) {
    WithProgram(state.range(0), [&] {
        OpenDocument(u"\\doc.txt");
        for (auto _ : state) {
            // Saving needs a modified document: the title and menu follow the edit as they would.
            SendMessageW(EditorControl, EM_REPLACESEL, FALSE, (LPARAM)u"x");
            SaveDocument();
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * (state.range(0) << 20));
    });
    ReportPeakMemory(state);
}

// Holds or lets go of the Mark key as the keyboard would, and places the marks as its hot key does.
void HoldMark(bool down) {
    posix::InputEvent mark;
    mark.vk = VK_TSOFT1;
    mark.down = down;
    posix::DeliverKey(mark);
    if (down) SetMarkAnchor();
}

// An arrow key with Mark held, from the middle of the document: Right, Right, Down, Left and so on, each
// extending the selection. Range 1: 1 to draw the screen after each key, as a person would see it.
void BM_MarkArrow(benchmark::State &state) {
    WithProgram(state.range(0), [&] {
        OpenDocument(u"\\doc.txt");
        size_t middle = size_t(GetWindowTextLengthW(EditorControl)) / 2;
        SendMessageW(EditorControl, EM_SETSEL, middle, middle);
        HoldMark(true);
        const WPARAM keys[] = {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_LEFT};
        posix::CellGrid grid(80, 24);
        size_t i = 0;
        for (auto _ : state) {
            SendMessageW(EditorControl, WM_KEYDOWN, keys[i++ % 4], 1);
            if (state.range(1)) posix::RenderScreen(grid);
        }
        HoldMark(false);
    });
}

// Selects count characters from the start of the document, or from its middle.
void SelectFrom(int64_t where, size_t count) {
    size_t from = where ? size_t(GetWindowTextLengthW(EditorControl)) / 2 : 0;
    SendMessageW(EditorControl, EM_SETSEL, from, from + count);
}

// Copy of a selection of range 0 megabytes (2^20 characters), at the start (range 1 = 0) or in the middle
// (1) of a 64 MB document: the text is copied out up to the selection's end.
void BM_Copy(benchmark::State &state) {
    size_t count = size_t(state.range(0)) << 20;
    WithProgram(64, [&] {
        OpenDocument(u"\\doc.txt");
        SelectFrom(state.range(1), count);
        for (auto _ : state)
            CopySelection(false);
        state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
    });
}

// Paste of a clipboard of range 0 megabytes over a selection as long, so the document stays 64 MB.
void BM_Paste(benchmark::State &state) {
    size_t count = size_t(state.range(0)) << 20;
    WithProgram(64, [&] {
        OpenDocument(u"\\doc.txt");
        SelectFrom(state.range(1), count);
        CopySelection(false);
        for (auto _ : state) {
            state.PauseTiming();
            SelectFrom(state.range(1), count);
            state.ResumeTiming();
            PasteClipboardText();
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
    });
}

BENCHMARK(BM_MarkArrow)->Args({64, 0})->Args({64, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy)->ArgsProduct({{1, 4, 16}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paste)->ArgsProduct({{1, 4, 16}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Save)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
