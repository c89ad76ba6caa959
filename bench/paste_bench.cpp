// A terminal paste of 1 MB of text into the whole program on the headless screen: the bytes as ncurses
// hands them to the key decoder, the pieces the key map makes of the paste, and every character through
// the message queue into the editor, then one frame. Run by hand: ninja paste_bench && ./bench/paste_bench
#include "app/app.h"
#include "editing/editor.h"
#include "platform/posix/base/options.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/terminal/key_decoder.h"
#include "platform/posix/terminal/keymap.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <unistd.h>

extern const unsigned char kScrivelResources[];
extern const size_t kScrivelResourcesSize;

namespace {

namespace fs = std::filesystem;

// Lines of about 60 characters, ending in CR LF, as a terminal passes a copied text on.
std::string PastedText(size_t bytes) {
    std::string text;
    for (size_t line = 0; text.size() < bytes; ++line)
        text += "line " + std::to_string(line) + " of the pasted text, with some words to fill it out\r\n";
    text.resize(bytes);
    return text;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void BM_TerminalPaste(benchmark::State &state) {
    size_t bytes = size_t(state.range(0)) << 10;
    std::string text = "\x1b[200~" + PastedText(bytes) + "\x1b[201~";
    fs::path dir = fs::temp_directory_path() / ("scrivel-paste-bench-" + std::to_string(getpid()));
    fs::create_directories(dir / "root");
    fs::create_directories(dir / "run");
    setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
    posix::ResetPlatform();
    ResetProgramState();
    posix::HeadlessScreen screen(80, 24);
    posix::GetOptions().root = (dir / "root").string();
    posix::GetOptions().registryFile = (dir / "registry.reg").string();
    posix::SetResourceImage(posix::ResourceImage{kScrivelResources, kScrivelResourcesSize});
    screen.Then([&] {
        for (auto _ : state) {
            state.PauseTiming();
            SetWindowTextW(EditorControl, u"");
            state.ResumeTiming();
            posix::KeyDecoder decoder;
            posix::KeyMap map;
            std::deque<posix::TerminalKey> keys;
            for (unsigned char ch : text)
                decoder.Add(ch, false, keys);
            decoder.Idle(keys);
            std::deque<posix::InputEvent> events;
            for (const posix::TerminalKey &key : keys)
                map.Translate(key, events);
            for (const posix::InputEvent &event : events) {
                posix::DeliverText(event.text);
                Pump();
            }
            posix::PresentFrame();
            if (size_t(GetWindowTextLengthW(EditorControl)) != bytes)
                state.SkipWithError("the paste did not land whole");
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
        PostMessageW(MainWindow, WM_CLOSE, 0, 0);
    });
    std::u16string commandLine;
    wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOW);
    posix::ResetPlatform();
    ResetProgramState();
    fs::remove_all(dir);
}

BENCHMARK(BM_TerminalPaste)->Arg(11)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
