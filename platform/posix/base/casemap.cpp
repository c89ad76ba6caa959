// The case tables: the scripts a phone of the time could show (Latin, Greek, Cyrillic, Armenian and the
// full-width forms), one character to one character as Win32's _wcsupr and CharUpper do.
#include "platform/posix/base/casemap.h"

#include <memory>

namespace posix {

namespace {

void Pair(CaseTables &t, WCHAR upper, WCHAR lower) {
    t.upper[lower] = upper;
    t.lower[upper] = lower;
}

// count letters from upperFirst pair with count letters from lowerFirst.
void Block(CaseTables &t, WCHAR upperFirst, WCHAR lowerFirst, int count) {
    for (int i = 0; i < count; ++i)
        Pair(t, WCHAR(upperFirst + i), WCHAR(lowerFirst + i));
}

// first is an upper-case letter, first + 1 its lower case, and so on up to last.
void Alternating(CaseTables &t, WCHAR first, WCHAR last) {
    for (int c = first; c < last; c += 2)
        Pair(t, WCHAR(c), WCHAR(c + 1));
}

void AddLatin(CaseTables &t) {
    Block(t, u'A', u'a', 26);
    Block(t, 0xC0, 0xE0, 23);  // À..Ö
    Block(t, 0xD8, 0xF8, 7);   // Ø..Þ
    Pair(t, 0x178, 0xFF);      // Ÿ ÿ
    Alternating(t, 0x100, 0x12F);
    // Dotless i (U+0131) and dotted capital I (U+0130) have no one-to-one partner: Win32 leaves both alone.
    Alternating(t, 0x132, 0x137);
    Alternating(t, 0x139, 0x148);
    Alternating(t, 0x14A, 0x177);
    Alternating(t, 0x179, 0x17E);
    Pair(t, 0x18F, 0x259);
    Pair(t, 0x1A0, 0x1A1);
    Pair(t, 0x1AF, 0x1B0);
    Pair(t, 0x1C4, 0x1C6);
    Pair(t, 0x1C7, 0x1C9);
    Pair(t, 0x1CA, 0x1CC);
    Alternating(t, 0x1CD, 0x1DC);
    Alternating(t, 0x1DE, 0x1EF);
    Pair(t, 0x1F1, 0x1F3);
    Alternating(t, 0x1F8, 0x21F);
    Alternating(t, 0x222, 0x233);
    Alternating(t, 0x1E00, 0x1E95);
    Alternating(t, 0x1EA0, 0x1EFF);
}

void AddGreek(CaseTables &t) {
    Pair(t, 0x386, 0x3AC);
    Block(t, 0x388, 0x3AD, 3);
    Pair(t, 0x38C, 0x3CC);
    Block(t, 0x38E, 0x3CD, 2);
    Block(t, 0x391, 0x3B1, 17);
    Block(t, 0x3A3, 0x3C3, 9);
    // Final sigma (U+03C2) has no capital of its own here: Win32 leaves it as it is.
    Alternating(t, 0x3D8, 0x3EF);
}

void AddCyrillicAndArmenian(CaseTables &t) {
    Block(t, 0x400, 0x450, 16);
    Block(t, 0x410, 0x430, 32);
    Alternating(t, 0x460, 0x481);
    Alternating(t, 0x48A, 0x4BF);
    Pair(t, 0x4C0, 0x4CF);
    Alternating(t, 0x4C1, 0x4CE);
    Alternating(t, 0x4D0, 0x52F);
    Block(t, 0x531, 0x561, 38);
}

void AddSymbolsAndFullWidth(CaseTables &t) {
    Block(t, 0x2160, 0x2170, 16);  // Roman numerals
    Block(t, 0x24B6, 0x24D0, 26);  // circled letters
    Block(t, 0xFF21, 0xFF41, 26);  // full-width Latin
}

std::unique_ptr<CaseTables> BuildCases() {
    auto t = std::make_unique<CaseTables>();
    for (int c = 0; c < 65536; ++c)
        t->upper[c] = t->lower[c] = WCHAR(c);
    AddLatin(*t);
    AddGreek(*t);
    AddCyrillicAndArmenian(*t);
    AddSymbolsAndFullWidth(*t);
    return t;
}

}  // namespace

const CaseTables &Cases() {
    static const std::unique_ptr<CaseTables> tables = BuildCases();
    return *tables;
}

}  // namespace posix
