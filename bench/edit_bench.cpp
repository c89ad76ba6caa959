// The "edit" control with large documents: setting the text, typing, moving the caret, drawing an 80 x 24
// screen, re-creating the control with and without word wrap, and the memory it holds.
//
// Documents are 1, 16 and 64 MB (2^20 characters each) of CR LF lines of about 80 characters, made of
// words so that wrap has places to break. The second argument is 0 without wrap, 1 with wrap. The
// BM_LongLine benchmarks take a document of 16 or 64 MB that is one single line.
//
//   ninja -C build edit_bench && ./build/bench/edit_bench
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/reset.h"
#include "platform/posix/windowing/screen.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr DWORD kNoWrapStyle = 0x50B101C4;  // with WS_HSCROLL and ES_AUTOHSCROLL: lines scroll sideways
constexpr DWORD kWrapStyle = 0x50A10144;    // without them: lines wrap at the control's width

DWORD StyleFor(int64_t wrap) {
    return wrap ? kWrapStyle : kNoWrapStyle;
}

const std::u16string &Document(int64_t megabytes) {
    static std::map<int64_t, std::u16string> documents;
    std::u16string &text = documents[megabytes];
    if (!text.empty()) return text;
    static const char16_t *const kWords[] = {u"edit",  u"control",  u"line",   u"of",    u"text",   u"with",
                                             u"words", u"that",     u"wrap",   u"at",    u"the",    u"edge",
                                             u"a",     u"screen",   u"caret",  u"moves", u"down",   u"through",
                                             u"large", u"document", u"typing", u"in",    u"middle", u"fast"};
    const size_t wordCount = sizeof kWords / sizeof kWords[0];
    size_t target = size_t(megabytes) << 20;
    text.reserve(target + 128);
    for (size_t w = 0; text.size() < target;) {
        size_t lineStart = text.size();
        while (text.size() - lineStart < 70) {
            text += kWords[w++ % wordCount];
            text += u' ';
            w += text.size() % 3;  // vary the lines
        }
        text += u"\r\n";
    }
    return text;
}

// The same document with a character the 8-bit code page lacks at the start of every line, so that the
// text is kept in 16 bits throughout: it must cost no more than a constant factor over plain text.
const std::u16string &DocumentOutsideCodePage(int64_t megabytes) {
    static std::map<int64_t, std::u16string> documents;
    std::u16string &text = documents[megabytes];
    if (!text.empty()) return text;
    text = Document(megabytes);
    for (size_t i = 0; i + 2 < text.size(); ++i)
        if (text[i] == u'\n') text[i + 1] = u'\u4E00';
    return text;
}

// One line of words without a single line break, with a tab and a double-width word now and then, so
// that columns depend on everything before them. The words follow no pattern, as in real text: in a line
// that repeats itself, wrap can move every row after a change to the line's end.
const std::u16string &LongLine(int64_t megabytes) {
    static std::map<int64_t, std::u16string> documents;
    std::u16string &text = documents[megabytes];
    if (!text.empty()) return text;
    static const char16_t *const kWords[] = {u"word",  u"line", u"of",    u"text",  u"without",      u"an",
                                             u"end",   u"in",   u"sight", u"typed", u"\u4E2D\u6587", u"here",
                                             u"along", u"a",    u"very",  u"long",  u"paragraph",    u"indeed"};
    const uint32_t wordCount = sizeof kWords / sizeof kWords[0];
    size_t target = size_t(megabytes) << 20;
    text.reserve(target + 16);
    for (uint32_t seed = 12345; text.size() < target;) {
        seed = seed * 1664525u + 1013904223u;
        text += kWords[(seed >> 16) % wordCount];
        text += (seed >> 8) % 97 == 0 ? u'\t' : u' ';
    }
    return text;
}

// A top-level window with an edit of the given style filling its client area, on an 80 x 24 screen.
class Scene {
public:
    Scene(DWORD style, const std::u16string &text) {
        posix::ResetPlatform();
        screen_ = std::make_unique<posix::HeadlessScreen>(80, 24);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"BenchHost";
        wc.hInstance = kInstance;
        RegisterClassW(&wc);
        host_ = CreateWindowExW(0, u"BenchHost", u"Bench", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
        edit_ = CreateEdit(style);
        SetWindowTextW(edit_, text.c_str());
        SetFocus(edit_);
    }
    ~Scene() {
        DestroyWindow(host_);
        posix::ResetPlatform();
    }

    HWND CreateEdit(DWORD style) {
        RECT client{};
        GetClientRect(host_, &client);
        HWND edit = CreateWindowExW(0, u"edit", u"", style, 0, 0, client.right, client.bottom, host_, (HMENU)120,
                                    kInstance, nullptr);
        SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
        return edit;
    }
    HWND Edit() const { return edit_; }
    void ReplaceEdit(HWND edit) { edit_ = edit; }
    void Caret(size_t pos) const { SendMessageW(edit_, EM_SETSEL, pos, pos); }
    size_t Length() const { return size_t(GetWindowTextLengthW(edit_)); }

private:
    std::unique_ptr<posix::HeadlessScreen> screen_;
    HWND host_ = nullptr;
    HWND edit_ = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Time
// ---------------------------------------------------------------------------------------------------

void BM_SetText(benchmark::State &state) {
    const std::u16string &text = Document(state.range(0));
    Scene scene(StyleFor(state.range(1)), u"");
    for (auto _ : state)
        SetWindowTextW(scene.Edit(), text.c_str());
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

// The text read back whole, as Save and Word wrap read it.
void BM_GetText(benchmark::State &state) {
    const std::u16string &text = state.range(1) ? DocumentOutsideCodePage(state.range(0)) : Document(state.range(0));
    Scene scene(kNoWrapStyle, text);
    std::unique_ptr<WCHAR[]> copy(new WCHAR[text.size() + 1]);
    for (auto _ : state)
        benchmark::DoNotOptimize(GetWindowTextW(scene.Edit(), copy.get(), int(text.size() + 1)));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

// Setting, typing into and drawing a text with a character outside the code page on every line.
void BM_SetTextOutsideCodePage(benchmark::State &state) {
    const std::u16string &text = DocumentOutsideCodePage(state.range(0));
    Scene scene(kNoWrapStyle, u"");
    for (auto _ : state)
        SetWindowTextW(scene.Edit(), text.c_str());
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_TypeAndRenderOutsideCodePage(benchmark::State &state) {
    Scene scene(kNoWrapStyle, DocumentOutsideCodePage(state.range(0)));
    scene.Caret(scene.Length() / 2);
    posix::CellGrid grid(80, 24);
    int64_t typed = 0;
    for (auto _ : state) {
        SendMessageW(scene.Edit(), WM_CHAR, ++typed % 60 ? u'x' : u'\r', 1);
        posix::RenderScreen(grid);
    }
}

// A document's way in and out as Open and Save take it, for plain text (second argument 0) and for a text
// with a character outside the code page on every line (1), whose blocks are all kept in 16 bits. In: the
// text arrives in a fresh buffer, as widening leaves it, is set into an empty control, and the first
// screen is drawn. Out: the text is read back whole into a fresh buffer and narrowed (into a buffer kept
// from run to run, as Save narrows into the one the text was read into). Each may cost the second text
// only a constant factor more than the first.
void BM_OpenSteps(benchmark::State &state) {
    const std::u16string &text = state.range(1) ? DocumentOutsideCodePage(state.range(0)) : Document(state.range(0));
    Scene scene(kNoWrapStyle, u"");
    posix::CellGrid grid(80, 24);
    for (auto _ : state) {
        std::unique_ptr<WCHAR[]> copy(new WCHAR[text.size() + 1]);
        std::copy_n(text.c_str(), text.size() + 1, copy.get());
        SetWindowTextW(scene.Edit(), copy.get());
        copy.reset();
        posix::RenderScreen(grid);
        state.PauseTiming();
        SetWindowTextW(scene.Edit(), u"");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_SaveSteps(benchmark::State &state) {
    const std::u16string &text = state.range(1) ? DocumentOutsideCodePage(state.range(0)) : Document(state.range(0));
    Scene scene(kNoWrapStyle, text);
    std::unique_ptr<char[]> bytes(new char[text.size() + 1]);
    for (auto _ : state) {
        int length = GetWindowTextLengthW(scene.Edit());
        std::unique_ptr<WCHAR[]> copy(new WCHAR[size_t(length) + 1]);
        length = GetWindowTextW(scene.Edit(), copy.get(), length + 1);
        WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, copy.get(), length, bytes.get(), length, nullptr, nullptr);
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

// One character typed in the middle of the document, the caret staying where typing left it; every
// 60th is Enter, so that the line typed into stays the length of a line.
void BM_TypeInMiddle(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), Document(state.range(0)));
    scene.Caret(scene.Length() / 2);
    int64_t typed = 0;
    for (auto _ : state)
        SendMessageW(scene.Edit(), WM_CHAR, ++typed % 60 ? u'x' : u'\r', 1);
}

// Each character typed somewhere else: no cost may depend on how far the last edit was.
void BM_TypeAtScatteredPlaces(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), Document(state.range(0)));
    size_t length = scene.Length();
    size_t pos = 12345;
    for (auto _ : state) {
        pos = (pos * 2654435761u + 97) % length;
        scene.Caret(pos);
        SendMessageW(scene.Edit(), WM_CHAR, u'x', 1);
    }
}

void BM_CaretDown(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), Document(state.range(0)));
    size_t middle = scene.Length() / 2;
    scene.Caret(middle);
    int64_t moves = 0;
    for (auto _ : state) {
        SendMessageW(scene.Edit(), WM_KEYDOWN, VK_DOWN, 1);
        if (++moves % 5000 == 0) {
            state.PauseTiming();  // back to the middle before the end of the text is reached
            scene.Caret(middle);
            state.ResumeTiming();
        }
    }
}

// The whole 80 x 24 screen drawn into a cell grid, with the caret in the middle of the document.
void BM_RenderScreen(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), Document(state.range(0)));
    scene.Caret(scene.Length() / 2);
    posix::CellGrid grid(80, 24);
    for (auto _ : state) {
        posix::RenderScreen(grid);
        benchmark::DoNotOptimize(grid.At(0, 1));
    }
}

// A keystroke as a person sees it: the character typed, then the screen drawn.
void BM_TypeAndRender(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), Document(state.range(0)));
    scene.Caret(scene.Length() / 2);
    posix::CellGrid grid(80, 24);
    int64_t typed = 0;
    for (auto _ : state) {
        SendMessageW(scene.Edit(), WM_CHAR, ++typed % 60 ? u'x' : u'\r', 1);
        posix::RenderScreen(grid);
    }
}

// What switching word wrap costs: the text copied out, the control destroyed and created with the other
// style, the text and selection set again and the caret scrolled into view.
void BM_ToggleWrap(benchmark::State &state) {
    int64_t wrap = state.range(1);
    Scene scene(StyleFor(wrap), Document(state.range(0)));
    scene.Caret(scene.Length() / 2);
    std::u16string copy;
    for (auto _ : state) {
        HWND old = scene.Edit();
        int n = GetWindowTextLengthW(old);
        copy.resize(size_t(n) + 1);
        GetWindowTextW(old, copy.data(), n + 1);
        DWORD start = 0, end = 0;
        SendMessageW(old, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        DestroyWindow(old);
        wrap = !wrap;
        HWND edit = scene.CreateEdit(StyleFor(wrap));
        scene.ReplaceEdit(edit);
        SetWindowTextW(edit, copy.c_str());
        SendMessageW(edit, EM_SETSEL, start, end);
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        SetFocus(edit);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(Document(state.range(0)).size()));
}

// ---------------------------------------------------------------------------------------------------
// One line of many megabytes: each keystroke costs the same wherever on the line it happens
// ---------------------------------------------------------------------------------------------------

void HoldControl(bool down) {
    posix::InputEvent control;
    control.vk = VK_CONTROL;
    control.down = down;
    posix::DeliverKey(control);
}

void ControlKey(HWND edit, int vk) {
    HoldControl(true);
    SendMessageW(edit, WM_KEYDOWN, (WPARAM)vk, 1);
    HoldControl(false);
}

// The screen drawn once, as after the keystroke that put the caret there.
void Draw() {
    static posix::CellGrid grid(80, 24);
    posix::RenderScreen(grid);
}

enum class Where { Middle, End };

// A character typed again and again, the screen drawn once before as the keystroke that put the caret
// there would have drawn it. Range 1 says whether the editor wraps.
void TypeRepeatedly(benchmark::State &state, const std::u16string &text, Where where) {
    Scene scene(StyleFor(state.range(1)), text);
    scene.Caret(where == Where::Middle ? scene.Length() / 2 : scene.Length());
    Draw();
    for (auto _ : state)
        SendMessageW(scene.Edit(), WM_CHAR, u'x', 1);
}

// A keystroke as a person sees it, in the middle of the text: the character typed, then the screen drawn.
void TypeAndRenderInMiddle(benchmark::State &state, const std::u16string &text, char16_t typed) {
    Scene scene(StyleFor(state.range(1)), text);
    scene.Caret(scene.Length() / 2);
    posix::CellGrid grid(80, 24);
    for (auto _ : state) {
        SendMessageW(scene.Edit(), WM_CHAR, typed, 1);
        posix::RenderScreen(grid);
    }
}

void BM_LongLineTypeInMiddle(benchmark::State &state) {
    TypeRepeatedly(state, LongLine(state.range(0)), Where::Middle);
}

void BM_LongLineTypeAtEnd(benchmark::State &state) {
    TypeRepeatedly(state, LongLine(state.range(0)), Where::End);
}

// A character typed and taken out again with Backspace, which removes text before the caret.
void BM_LongLineTypeAndBackspaceInMiddle(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), LongLine(state.range(0)));
    scene.Caret(scene.Length() / 2);
    Draw();
    for (auto _ : state) {
        SendMessageW(scene.Edit(), WM_CHAR, u'x', 1);
        SendMessageW(scene.Edit(), WM_CHAR, VK_BACK, 1);
    }
}

void BM_LongLineCaretRight(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), LongLine(state.range(0)));
    scene.Caret(scene.Length() / 2);
    Draw();
    for (auto _ : state)
        SendMessageW(scene.Edit(), WM_KEYDOWN, VK_RIGHT, 1);
}

// Down and Up through the rows word wrap cuts the line into, from its middle.
void BM_LongLineCaretDown(benchmark::State &state) {
    Scene scene(StyleFor(1), LongLine(state.range(0)));
    scene.Caret(scene.Length() / 2);
    Draw();
    for (auto _ : state)
        SendMessageW(scene.Edit(), WM_KEYDOWN, VK_DOWN, 1);
}

void BM_LongLineCaretUp(benchmark::State &state) {
    Scene scene(StyleFor(1), LongLine(state.range(0)));
    scene.Caret(scene.Length() / 2);
    Draw();
    for (auto _ : state)
        SendMessageW(scene.Edit(), WM_KEYDOWN, VK_UP, 1);
}

// The 80 x 24 screen with the caret in the middle of the line: without wrap the view is scrolled
// sideways by millions of columns.
void BM_LongLineRenderScreen(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), LongLine(state.range(0)));
    scene.Caret(scene.Length() / 2);
    posix::CellGrid grid(80, 24);
    for (auto _ : state) {
        posix::RenderScreen(grid);
        benchmark::DoNotOptimize(grid.At(0, 1));
    }
}

void BM_LongLineTypeAndRender(benchmark::State &state) {
    TypeAndRenderInMiddle(state, LongLine(state.range(0)), u'x');
}

// Ctrl+End right after a character typed somewhere in the middle of the line (not timed), and the
// screen drawn. The caret has been to the line's end once before, as BM_LongLineFirstCtrlEnd measures.
void BM_LongLineCtrlEnd(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), LongLine(state.range(0)));
    posix::CellGrid grid(80, 24);
    ControlKey(scene.Edit(), VK_END);
    size_t offset = 0;
    for (auto _ : state) {
        state.PauseTiming();
        offset = (offset * 2654435761u + 97) % 1000000;
        scene.Caret(scene.Length() / 2 + offset);
        SendMessageW(scene.Edit(), WM_CHAR, u'x', 1);
        posix::RenderScreen(grid);
        state.ResumeTiming();
        ControlKey(scene.Edit(), VK_END);
        posix::RenderScreen(grid);
    }
}

// The first Ctrl+End after the text was set, from the middle of the line: the one walk along the rest of
// the line that leaves the checkpoints later keystrokes start from.
void BM_LongLineFirstCtrlEnd(benchmark::State &state) {
    Scene scene(StyleFor(state.range(1)), u"");
    const std::u16string &text = LongLine(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SetWindowTextW(scene.Edit(), text.c_str());
        scene.Caret(text.size() / 2);
        state.ResumeTiming();
        ControlKey(scene.Edit(), VK_END);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size() / 2));
}

// A word, a run of blanks megabytes long and another word, all on one line: with wrap the blanks
// fall into rows like any other long stretch of text, and typing inside them costs what it does elsewhere.
const std::u16string &BlankRun(int64_t megabytes) {
    static std::map<int64_t, std::u16string> documents;
    std::u16string &text = documents[megabytes];
    if (text.empty()) text = u"a" + std::u16string(size_t(megabytes) << 20, u' ') + u"b";
    return text;
}

void BM_BlankRunTypeInMiddle(benchmark::State &state) {
    TypeRepeatedly(state, BlankRun(state.range(0)), Where::Middle);
}

// A blank typed inside the run, then the screen drawn.
void BM_BlankRunTypeAndRender(benchmark::State &state) {
    TypeAndRenderInMiddle(state, BlankRun(state.range(0)), u' ');
}

// ---------------------------------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------------------------------

size_t HeapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

size_t ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}

// Bytes the control holds for the document: the heap in use (malloc's own count, mallinfo2) before the
// control is created and after its text is set, divided by the characters; the source string is
// allocated before the first reading. The same for the resident set, which malloc's reuse of freed
// memory can make smaller than the heap figure.
void BM_Memory(benchmark::State &state) {
    const std::u16string &text = Document(state.range(0));
    for (auto _ : state) {
        malloc_trim(0);
        size_t heapBefore = HeapInUse(), rssBefore = ResidentBytes();
        Scene scene(StyleFor(state.range(1)), text);
        size_t heapAfter = HeapInUse(), rssAfter = ResidentBytes();
        double chars = double(text.size());
        state.counters["heap_bytes_per_char"] = double(heapAfter - heapBefore) / chars;
        state.counters["rss_bytes_per_char"] = double(rssAfter > rssBefore ? rssAfter - rssBefore : 0) / chars;
        // After typing in many places the edited blocks have grown.
        size_t length = scene.Length(), pos = 777;
        for (int i = 0; i < 1000; ++i) {
            pos = (pos * 2654435761u + 97) % length;
            scene.Caret(pos);
            SendMessageW(scene.Edit(), WM_CHAR, u'x', 1);
        }
        state.counters["heap_bytes_per_char_after_1000_edits"] = double(HeapInUse() - heapBefore) / chars;
    }
}

void Sizes(benchmark::internal::Benchmark *b) {
    b->ArgsProduct({{1, 16, 64}, {0, 1}});
}

void LongLineSizes(benchmark::internal::Benchmark *b) {
    b->ArgsProduct({{16, 64}, {0, 1}});
}

BENCHMARK(BM_SetText)->Apply(Sizes)->Unit(benchmark::kMillisecond);
// Second argument: 0 plain text, 1 a character outside the code page on every line.
BENCHMARK(BM_GetText)->ArgsProduct({{16, 64}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetTextOutsideCodePage)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeAndRenderOutsideCodePage)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenSteps)->ArgsProduct({{16, 64}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveSteps)->ArgsProduct({{16, 64}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeInMiddle)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeAtScatteredPlaces)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaretDown)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderScreen)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeAndRender)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToggleWrap)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory)->Apply(Sizes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLineTypeInMiddle)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineTypeAtEnd)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineTypeAndBackspaceInMiddle)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineCaretRight)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineCaretDown)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineCaretUp)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineRenderScreen)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineTypeAndRender)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineCtrlEnd)->Apply(LongLineSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongLineFirstCtrlEnd)->Apply(LongLineSizes)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlankRunTypeInMiddle)->Args({16, 0})->Args({16, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlankRunTypeAndRender)->Args({16, 0})->Args({16, 1})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
