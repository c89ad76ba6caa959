// The registry file's reader on any bytes; a file it accepts is written and read again, and must come
// back as the same hive, written the same way.
#include "platform/posix/system/registry_hive.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Fail(const char *what) {
    std::fprintf(stderr, "registry round trip: %s\n", what);
    std::abort();
}

bool SameHive(const posix::Hive &a, const posix::Hive &b) {
    if (a.Keys().size() != b.Keys().size()) return false;
    for (auto x = a.Keys().begin(), y = b.Keys().begin(); x != a.Keys().end(); ++x, ++y) {
        if (x->first != y->first || x->second.path != y->second.path) return false;
        const auto &xs = x->second.values, &ys = y->second.values;
        if (xs.size() != ys.size()) return false;
        for (size_t i = 0; i < xs.size(); ++i)
            if (xs[i].name != ys[i].name || xs[i].type != ys[i].type || xs[i].data != ys[i].data) return false;
    }
    return true;
}

// Every value can be found by its name in another case, and is the one listed.
void CheckLookups(const posix::Hive &hive) {
    for (const auto &entry : hive.Keys()) {
        if (hive.Find(entry.second.path) != &entry.second) Fail("a key is not found by its own path");
        for (const posix::RegValue &value : entry.second.values)
            if (posix::FindValue(entry.second, value.name) != &value) Fail("a value is not found by its name");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string bytes(reinterpret_cast<const char *>(data), size);
    std::optional<posix::Hive> hive = posix::ParseRegFile(bytes);
    if (!hive) return 0;
    CheckLookups(*hive);
    std::string written = posix::FormatRegFile(*hive);
    std::optional<posix::Hive> again = posix::ParseRegFile(written);
    if (!again) Fail("the written file does not read");
    if (!SameHive(*hive, *again)) Fail("the written file reads as another hive");
    if (posix::FormatRegFile(*again) != written) Fail("writing the hive read back gives other bytes");
    return 0;
}
