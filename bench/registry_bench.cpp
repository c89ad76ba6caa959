// The registry file at start-up: reading a settings file of many values in one key (the first
// RegOpenKeyExW reads the whole file) and writing one value through to a file that large. Both must grow
// linearly with the file: 200,000 values load in well under a second.
//
//   ninja -C build registry_bench && ./build/bench/registry_bench
#include "platform/posix/base/options.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/registry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A file of count values in one key, as the registry writes it.
std::string WriteSettingsFile(int64_t count) {
    char pattern[] = "/tmp/registry-bench-XXXXXX";
    std::string folder = mkdtemp(pattern);
    std::string path = folder + "/registry.reg";
    std::ofstream out(path, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\n"
           "[HKEY_CURRENT_USER\\Software\\Example]\n";
    for (int64_t i = 0; i < count; ++i)
        out << "\"Value" << i << "\"=dword:" << std::hex << i << std::dec << "\n";
    return path;
}

void RemoveSettingsFile(const std::string &path) {
    std::remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
}

HKEY OpenSettings() {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Example", 0, 0, &key);
    return key;
}

void BM_LoadSettings(benchmark::State &state) {
    std::string path = WriteSettingsFile(state.range(0));
    posix::GetOptions().registryFile = path;
    for (auto _ : state) {
        posix::ResetRegistry();
        HKEY key = OpenSettings();
        DWORD value = 0, size = sizeof value;
        if (RegQueryValueExW(key, u"Value1", nullptr, nullptr, (BYTE *)&value, &size) != ERROR_SUCCESS || value != 1)
            state.SkipWithError("the settings file did not load");
        RegCloseKey(key);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    RemoveSettingsFile(path);
}
BENCHMARK(BM_LoadSettings)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_SetOneValue(benchmark::State &state) {
    std::string path = WriteSettingsFile(state.range(0));
    posix::GetOptions().registryFile = path;
    posix::ResetRegistry();
    HKEY key = OpenSettings();
    DWORD value = 0;
    for (auto _ : state) {
        ++value;
        if (RegSetValueExW(key, u"Value0", 0, REG_DWORD, (const BYTE *)&value, sizeof value) != ERROR_SUCCESS)
            state.SkipWithError("the write failed");
    }
    RegCloseKey(key);
    std::remove((path + ".lock").c_str());
    RemoveSettingsFile(path);
}
BENCHMARK(BM_SetOneValue)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
