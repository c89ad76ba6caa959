// Sorted insertion into the "listbox" control: n names added in a scrambled order. The cost per name
// should grow with log n (a binary search by the word sort), not with n.
//
//   ninja -C build listbox_bench && ./build/bench/listbox_bench
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"
#include "platform/posix/windowing/reset.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;

std::vector<std::u16string> Names(int64_t count) {
    std::vector<std::u16string> names;
    for (int64_t i = 0; i < count; ++i) {
        // A multiplier prime to every count used visits each number once, out of order.
        int64_t n = (i * 7919) % count;
        std::u16string name = u"Family ";
        for (char c : std::to_string(n))
            name += char16_t(c);
        names.push_back(name);
    }
    return names;
}

void BM_SortedAdd(benchmark::State &state) {
    posix::ResetPlatform();
    posix::HeadlessScreen screen(80, 24);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"BenchHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(0, u"BenchHost", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, kInstance, nullptr);
    std::vector<std::u16string> names = Names(state.range(0));
    for (auto _ : state) {
        HWND list = CreateWindowExW(0, u"listbox", nullptr, WS_CHILD | WS_VISIBLE | LBS_SORT, 0, 0, 160, 16, host,
                                    nullptr, kInstance, nullptr);
        for (const std::u16string &name : names)
            SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)name.c_str());
        DestroyWindow(list);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    DestroyWindow(host);
    posix::ResetPlatform();
}
BENCHMARK(BM_SortedAdd)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
