// Find and Find next of the whole program on a 64 MiB document (lines of about 80 characters of words):
// a text that occurs only on the last line, found from the start; and Find next from a match on the
// first line to the only other one, on the last line. Each search copies the editor's text, converts it
// to one letter case and scans it. bench/find_vs_vim.sh runs these next to vim on the same file.
//
//   ninja -C build find_bench && ./build/bench/find_bench
#include "app/app.h"
#include "editing/editor.h"
#include "editing/find.h"
#include "platform/posix/base/options.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/reset.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>

extern const unsigned char kScrivelResources[];
extern const size_t kScrivelResourcesSize;

namespace {

constexpr size_t kDocumentBytes = size_t(64) << 20;

// Words in lines of about 80 characters, "needle" nowhere but where the caller puts it.
std::u16string MakeText(size_t length) {
    static const char16_t *words[] = {u"alpha", u"beta", u"gamma", u"delta", u"epsilon", u"zeta", u"eta", u"theta"};
    std::u16string text;
    text.reserve(length + 128);
    size_t column = 0, i = 0;
    while (text.size() < length) {
        const char16_t *w = words[i++ % 8];
        text += w;
        column += std::char_traits<char16_t>::length(w);
        if (column > 75) {
            text += u"\r\n";
            column = 0;
        } else {
            text += u' ';
            ++column;
        }
    }
    text.resize(length);
    return text;
}

// The document the benchmarks search: 64 MiB of words, "needle" on the last line, and on the first
// line too when asked.
std::u16string Document(bool needleFirst) {
    std::u16string text = MakeText(kDocumentBytes - 32);
    if (needleFirst) text.replace(0, 6, u"needle");
    text += u"\r\nthe last line has the needle";
    return text;
}

// Starts the program with an empty document and runs body inside its message loop.
template <typename Body>
void WithProgram(Body body) {
    posix::ResetPlatform();
    ResetProgramState();
    posix::HeadlessScreen screen(80, 24);
    posix::GetOptions().root = "/tmp";
    posix::GetOptions().registryFile = "/tmp/scrivel-find-bench-" + std::to_string(getpid()) + ".reg";
    posix::SetResourceImage(posix::ResourceImage{kScrivelResources, kScrivelResourcesSize});
    screen.Then(body);
    std::u16string commandLine;
    wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOW);
    posix::ResetPlatform();
    ResetProgramState();
    std::remove(posix::GetOptions().registryFile.c_str());
}

DWORD SelectionStart() {
    DWORD start = 0;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&start, 0);
    return start;
}

void BM_FindOnLastLine(benchmark::State &state) {
    WithProgram([&] {
        std::u16string text = Document(false);
        SetWindowTextW(EditorControl, text.c_str());
        SearchText = u"NEEDLE";
        for (auto _ : state) {
            SendMessageW(EditorControl, EM_SETSEL, 0, 0);
            FindInEditor(MainWindow, 0);
        }
        if (SelectionStart() != text.size() - 6) state.SkipWithError("the needle was not selected");
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    });
}

void BM_FindNextFarApart(benchmark::State &state) {
    WithProgram([&] {
        std::u16string text = Document(true);
        SetWindowTextW(EditorControl, text.c_str());
        SearchText = u"Needle";
        for (auto _ : state) {
            SendMessageW(EditorControl, EM_SETSEL, 0, 6);
            FindInEditor(MainWindow, 1);
        }
        if (SelectionStart() != text.size() - 6) state.SkipWithError("the second needle was not selected");
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    });
}

BENCHMARK(BM_FindOnLastLine)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FindNextFarApart)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
