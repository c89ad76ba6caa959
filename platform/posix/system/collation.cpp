// lstrcmpW and lstrcmpiW: the "word sort" of Win32's CompareString, on which sorted list boxes and tree
// views rely.
//
// Strings are compared level by level over the whole string: first the letters, digits and symbols
// themselves (symbols before digits before letters, digits one by one so that "10" < "9"), then accents
// ("e" < "é" < "f"), then case (lower before upper; lstrcmpiW skips this level), and last the hyphens and
// apostrophes, which the first levels pass over so that "coop" < "co-op" < "cop". Control characters do
// not count at all.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/base/casemap.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using posix::ToLower;
using posix::ToUpper;

enum Accent : uint8_t {
    kNone,
    kAcute,
    kGrave,
    kCircumflex,
    kTilde,
    kDiaeresis,
    kRing,
    kCedilla,
    kStroke,
    kCaron,
    kBreve,
    kMacron,
    kOgonek,
    kDot,
    kDoubleAcute,
};

struct Weight {
    uint32_t primary = 0;  // 0: not compared at the first three levels
    uint8_t accent = kNone;
    uint8_t upper = 0;     // 1 for an upper-case letter
    bool special = false;  // a hyphen or apostrophe: compared only at the last level
};

constexpr uint32_t kDigits = 0x20000;
constexpr uint32_t kLatin = 0x30000;   // 16 steps per base letter, room for letters of their own
constexpr uint32_t kOthers = 0x40000;  // letters of other scripts, by their upper-case code
constexpr uint32_t kSymbols = 0x100;   // symbols outside ASCII, by code; below the digits

// ASCII symbols in Win32's order, whitespace first; the hyphen and apostrophe are special.
constexpr char kAsciiSymbols[] = "\t\n\v\f\r !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

struct Decomposed {
    char base;  // upper-case Latin base letter; 0 when the character is not a Latin letter
    uint8_t accent;
    uint8_t after = 0;  // a letter of its own, sorted right after the base letter
};

// Upper-case Latin-1 letters from U+00C0.
constexpr Decomposed kLatin1[32] = {
    {'A', kGrave},   {'A', kAcute},   {'A', kCircumflex}, {'A', kTilde},      {'A', kDiaeresis},  {'A', kRing},
    {'A', kNone, 1}, {'C', kCedilla}, {'E', kGrave},      {'E', kAcute},      {'E', kCircumflex}, {'E', kDiaeresis},
    {'I', kGrave},   {'I', kAcute},   {'I', kCircumflex}, {'I', kDiaeresis},  {'D', kNone, 1},    {'N', kTilde},
    {'O', kGrave},   {'O', kAcute},   {'O', kCircumflex}, {'O', kTilde},      {'O', kDiaeresis},  {0, kNone},
    {'O', kStroke},  {'U', kGrave},   {'U', kAcute},      {'U', kCircumflex}, {'U', kDiaeresis},  {'Y', kAcute},
    {'Z', kNone, 1}, {'S', kNone, 1},
};

// Latin Extended-A, one entry per upper/lower pair from U+0100 (the odd-aligned run U+0139..U+0148 and
// U+0179..U+017E is handled by looking up the upper-case form).
struct ExtendedA {
    char16_t code;
    Decomposed letter;
};
constexpr ExtendedA kExtendedA[] = {
    {0x100, {'A', kMacron}},     {0x102, {'A', kBreve}},      {0x104, {'A', kOgonek}},      {0x106, {'C', kAcute}},
    {0x108, {'C', kCircumflex}}, {0x10A, {'C', kDot}},        {0x10C, {'C', kCaron}},       {0x10E, {'D', kCaron}},
    {0x110, {'D', kStroke}},     {0x112, {'E', kMacron}},     {0x114, {'E', kBreve}},       {0x116, {'E', kDot}},
    {0x118, {'E', kOgonek}},     {0x11A, {'E', kCaron}},      {0x11C, {'G', kCircumflex}},  {0x11E, {'G', kBreve}},
    {0x120, {'G', kDot}},        {0x122, {'G', kCedilla}},    {0x124, {'H', kCircumflex}},  {0x126, {'H', kStroke}},
    {0x128, {'I', kTilde}},      {0x12A, {'I', kMacron}},     {0x12C, {'I', kBreve}},       {0x12E, {'I', kOgonek}},
    {0x130, {'I', kDot}},        {0x131, {'I', kStroke}},     {0x132, {'I', kNone, 1}},     {0x134, {'J', kCircumflex}},
    {0x136, {'K', kCedilla}},    {0x138, {'K', kNone, 1}},    {0x139, {'L', kAcute}},       {0x13B, {'L', kCedilla}},
    {0x13D, {'L', kCaron}},      {0x13F, {'L', kDot}},        {0x141, {'L', kStroke}},      {0x143, {'N', kAcute}},
    {0x145, {'N', kCedilla}},    {0x147, {'N', kCaron}},      {0x149, {'N', kNone, 1}},     {0x14A, {'N', kNone, 2}},
    {0x14C, {'O', kMacron}},     {0x14E, {'O', kBreve}},      {0x150, {'O', kDoubleAcute}}, {0x152, {'O', kNone, 1}},
    {0x154, {'R', kAcute}},      {0x156, {'R', kCedilla}},    {0x158, {'R', kCaron}},       {0x15A, {'S', kAcute}},
    {0x15C, {'S', kCircumflex}}, {0x15E, {'S', kCedilla}},    {0x160, {'S', kCaron}},       {0x162, {'T', kCedilla}},
    {0x164, {'T', kCaron}},      {0x166, {'T', kStroke}},     {0x168, {'U', kTilde}},       {0x16A, {'U', kMacron}},
    {0x16C, {'U', kBreve}},      {0x16E, {'U', kRing}},       {0x170, {'U', kDoubleAcute}}, {0x172, {'U', kOgonek}},
    {0x174, {'W', kCircumflex}}, {0x176, {'Y', kCircumflex}}, {0x178, {'Y', kDiaeresis}},   {0x179, {'Z', kAcute}},
    {0x17B, {'Z', kDot}},        {0x17D, {'Z', kCaron}},      {0x17F, {'S', kNone, 1}},
};

Decomposed DecomposeLatin(WCHAR upper) {
    if (upper >= u'A' && upper <= u'Z') return {char(upper), kNone};
    if (upper >= 0xC0 && upper <= 0xDF) return kLatin1[upper - 0xC0];
    if (upper >= 0x100 && upper <= 0x17F) {
        for (const ExtendedA &e : kExtendedA)
            if (e.code == upper) return e.letter;
    }
    return {0, kNone};
}

bool IsIgnored(WCHAR c) {
    return c < 0x09 || (c > 0x0D && c < 0x20) || (c >= 0x7F && c <= 0x9F) || c == 0xAD ||
           (c >= 0x200B && c <= 0x200F) || c == 0xFEFF;
}

bool IsSpecial(WCHAR c) {
    return c == u'-' || c == u'\'' || c == 0x2010 || c == 0x2011;
}

// Characters that sort as symbols: Latin-1 signs, general punctuation, currency, arrows, mathematical
// and technical signs, box drawing, CJK punctuation.
bool IsSymbol(WCHAR c) {
    return (c < 0x80 && std::strchr(kAsciiSymbols, char(c))) || (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7 ||
           (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F);
}

uint32_t SymbolRank(WCHAR c) {
    if (c < 0x80) return uint32_t(std::strchr(kAsciiSymbols, char(c)) - kAsciiSymbols) + 1;
    return kSymbols + c;
}

Weight ComputeWeight(WCHAR c) {
    Weight w;
    if (IsIgnored(c)) return w;
    if (IsSpecial(c)) {
        w.special = true;
        return w;
    }
    if (c >= u'0' && c <= u'9') {
        w.primary = kDigits + (c - u'0');
        return w;
    }
    if (IsSymbol(c)) {
        w.primary = SymbolRank(c);
        return w;
    }
    WCHAR upper = ToUpper(c);
    w.upper = (c != ToLower(c)) ? 1 : 0;
    Decomposed d = DecomposeLatin(upper);
    if (d.base) {
        w.primary = kLatin + uint32_t(d.base - 'A') * 16 + d.after;
        w.accent = d.accent;
    } else {
        w.primary = kOthers + upper;
    }
    return w;
}

// The weights of every UTF-16 unit, worked out once: a sorted insertion compares a name many times, and
// each comparison reads most of its characters.
Weight WeightOf(WCHAR c) {
    static const std::vector<Weight> table = [] {
        std::vector<Weight> weights(0x10000);
        for (uint32_t unit = 0; unit < 0x10000; ++unit)
            weights[unit] = ComputeWeight(WCHAR(unit));
        return weights;
    }();
    return table[c];
}

bool CountsAtFirstLevels(const Weight &w) {
    return w.primary != 0;
}

// Compares one level over the characters that count at the first levels. field picks the level.
template <class Field>
int CompareLevel(const WCHAR *a, const WCHAR *b, Field field) {
    for (;;) {
        // The same unit on both sides weighs the same at every level, or is passed over on both.
        while (*a && *a == *b)
            ++a, ++b;
        Weight wa, wb;
        while (*a && !CountsAtFirstLevels(wa = WeightOf(*a)))
            ++a;
        while (*b && !CountsAtFirstLevels(wb = WeightOf(*b)))
            ++b;
        if (!*a || !*b) return (*a != 0) - (*b != 0);
        uint32_t x = field(wa), y = field(wb);
        if (x != y) return x < y ? -1 : 1;
        ++a, ++b;
    }
}

// The last level: where the hyphens and apostrophes stand, counted in characters that count at the first
// levels; a string with fewer of them sorts first.
int CompareSpecials(const WCHAR *a, const WCHAR *b) {
    int posA = 0, posB = 0;
    for (;;) {
        Weight wa, wb;
        for (; *a && !(wa = WeightOf(*a)).special; ++a)
            posA += CountsAtFirstLevels(wa);
        for (; *b && !(wb = WeightOf(*b)).special; ++b)
            posB += CountsAtFirstLevels(wb);
        if (!*a || !*b) return (*a != 0) - (*b != 0);
        if (posA != posB) return posA < posB ? -1 : 1;
        if (*a != *b) return *a < *b ? -1 : 1;
        ++a, ++b;
    }
}

int CompareWords(LPCWSTR a, LPCWSTR b, bool ignoreCase) {
    if (!a || !b) return (a != nullptr) - (b != nullptr);
    if (int r = CompareLevel(a, b, [](const Weight &w) { return w.primary; })) return r;
    if (int r = CompareLevel(a, b, [](const Weight &w) { return uint32_t(w.accent); })) return r;
    if (!ignoreCase) {
        if (int r = CompareLevel(a, b, [](const Weight &w) { return uint32_t(w.upper); })) return r;
    }
    return CompareSpecials(a, b);
}

}  // namespace

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
    return CompareWords(a, b, false);
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
    return CompareWords(a, b, true);
}
