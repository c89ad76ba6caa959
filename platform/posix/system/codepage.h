// The 8-bit code page and UTF-8, shared by the conversion calls and the formatting routines.
//
// The code page is Windows-1252 with its five undefined bytes (81 8D 8F 90 9D) mapped to the C1 controls
// of the same value, so every byte widens to exactly one WCHAR and narrows back to the same byte. A WCHAR
// the code page lacks narrows to one substitute byte. Nothing here ever fails or stops early.
#pragma once

#include "platform/posix/base/win32_api.h"

#include <array>
#include <cstddef>
#include <string>

namespace posix {

namespace codepage_tables {

constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr std::array<char16_t, 256> MakeWidenTable() {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = char16_t(b);
    for (int b = 0; b < 32; ++b)
        table[0x80 + b] = kHighHalf[b];
    return table;
}

// Bytes for every WCHAR; 0 marks a WCHAR the code page lacks (U+0000 itself is the only real 0).
constexpr std::array<unsigned char, 65536> MakeNarrowTable() {
    std::array<unsigned char, 65536> table{};
    constexpr std::array<char16_t, 256> widen = MakeWidenTable();
    for (int b = 0; b < 256; ++b)
        table[widen[b]] = (unsigned char)b;
    return table;
}

inline constexpr std::array<char16_t, 256> kWiden = MakeWidenTable();
inline constexpr std::array<unsigned char, 65536> kNarrow = MakeNarrowTable();

}  // namespace codepage_tables

constexpr char kSubstituteByte = '?';

inline WCHAR WidenByte(char byte) {
    return codepage_tables::kWiden[(unsigned char)byte];
}

inline bool CodePageHas(WCHAR ch) {
    return ch == 0 || codepage_tables::kNarrow[ch] != 0;
}

inline char NarrowUnit(WCHAR ch, char substitute = kSubstituteByte) {
    unsigned char b = codepage_tables::kNarrow[ch];
    return (b != 0 || ch == 0) ? char(b) : substitute;
}

// Widens exactly count bytes (NULs included).
void WidenBytes(const char *src, size_t count, WCHAR *dst);
// Widens up to max bytes, stopping before the first NUL; returns how many were widened.
size_t WidenUntilNul(const char *src, size_t max, WCHAR *dst);
// Narrows units until one the code page lacks; returns how many were narrowed (count when all were).
size_t NarrowWhileInCodePage(const WCHAR *src, size_t count, char *dst);
// The same up to max units, stopping also before the first NUL, and reading nothing past it.
size_t NarrowWhileInCodePageUntilNul(const WCHAR *src, size_t max, char *dst);
// Narrows exactly count units; returns true when some unit had to be replaced by the substitute.
bool NarrowUnits(const WCHAR *src, size_t count, char *dst, char substitute = kSubstituteByte);
// Narrows up to max units, stopping before the first NUL; returns how many were narrowed.
size_t NarrowUntilNul(const WCHAR *src, size_t max, char *dst);

// UTF-8. Decoding replaces each invalid sequence with U+FFFD; encoding replaces a lone surrogate likewise.
// The counting forms return the output length without writing; "invalid" reports whether a replacement
// happened.
size_t Utf8ToUtf16Length(const char *src, size_t count, bool *invalid);
size_t Utf8ToUtf16(const char *src, size_t count, WCHAR *dst);
size_t Utf16ToUtf8Length(const WCHAR *src, size_t count, bool *invalid);
size_t Utf16ToUtf8(const WCHAR *src, size_t count, char *dst);

std::u16string Utf8ToU16(const std::string &text);
std::string U16ToUtf8(const std::u16string &text);
// False when text is not valid UTF-8; out is then unspecified.
bool StrictUtf8ToU16(const std::string &text, std::u16string &out);

// Linux file names are bytes, mostly UTF-8 but not always (names written in an 8-bit code page on older
// disks). Each byte that does not belong to a valid sequence widens to the lone low surrogate
// U+DC80-U+DCFF that carries its value, and narrows back to that byte, so every Linux name comes back
// the same from its device name. No valid UTF-8 yields a lone surrogate, so nothing else maps there.
constexpr char16_t kFirstEscapedByte = 0xDC80;
constexpr char16_t kLastEscapedByte = 0xDCFF;
std::u16string LinuxNameToU16(const std::string &name);
// False when name holds a lone surrogate other than an escaped byte: no Linux name stands for it.
bool U16ToLinuxName(const std::u16string &name, std::string &out);

}  // namespace posix
