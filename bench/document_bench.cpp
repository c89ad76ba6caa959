// Open and Save of the whole program on the headless screen, for documents of 1, 16 and 64 MB of text in
// lines of about 80 characters. Run one size a process to read its peak memory (bench/open_save.sh).
#include "app/app.h"
#include "document/document.h"
#include "document/textfile.h"
#include "editing/editor.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/base/options.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"

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

BENCHMARK(BM_Open)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Save)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
