// The 8-bit code page, UTF-8, and MultiByteToWideChar / WideCharToMultiByte over them.
#include "platform/posix/system/codepage.h"
#include "platform/posix/base/overread.h"
#include "platform/posix/base/utf16.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>

namespace posix {

// ---------------------------------------------------------------------------------------------------
// The 8-bit code page
// ---------------------------------------------------------------------------------------------------

// Plain ASCII, the bulk of most text, goes sixteen characters a step; anything else through the tables.
// The loops that stop at a NUL read only aligned sixteen-byte groups, which never cross into a page
// past the string's end.

namespace {

#if defined(__SSE2__)
[[maybe_unused]] bool IsAligned(const void *p) {
    return (reinterpret_cast<uintptr_t>(p) & 15) == 0;
}

// Sixteen bytes widened to sixteen units.
void WidenAscii16(__m128i bytes, WCHAR *dst) {
    __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 8), _mm_unpackhi_epi8(bytes, zero));
}

// All eight units below U+0080.
bool AllAscii8(__m128i units) {
    __m128i high = _mm_and_si128(units, _mm_set1_epi16(short(0xFF80)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}

bool NoZeroUnit8(__m128i units) {
    return _mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128())) == 0;
}
#endif

}  // namespace

void WidenBytes(const char *src, size_t count, WCHAR *dst) {
    const char16_t *widen = codepage_tables::kWiden.data();
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(src);
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= count; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
        if (_mm_movemask_epi8(v) == 0) {
            WidenAscii16(v, dst + i);
            continue;
        }
        for (size_t j = i; j < i + 16; ++j)
            dst[j] = widen[bytes[j]];
    }
#endif
    for (; i < count; ++i)
        dst[i] = widen[bytes[i]];
}

size_t WidenUntilNul(const char *src, size_t max, WCHAR *dst) {
    const char16_t *widen = codepage_tables::kWiden.data();
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(src);
    size_t i = 0;
#if defined(__SSE2__) && ALIGNED_GROUP_OVERREAD
    for (; i < max && !IsAligned(bytes + i); ++i) {
        if (bytes[i] == 0) return i;
        dst[i] = widen[bytes[i]];
    }
    __m128i zero = _mm_setzero_si128();
    for (;;) {
        for (; max - i >= 16; i += 16) {
            __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(bytes + i));
            if ((_mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) != 0) break;
            WidenAscii16(v, dst + i);
        }
        // The group that is not plain ASCII, one byte at a time.
        for (size_t end = i + std::min<size_t>(16, max - i); i < end; ++i) {
            if (bytes[i] == 0) return i;
            dst[i] = widen[bytes[i]];
        }
        if (i == max) return i;
    }
#else
    for (; i < max && bytes[i] != 0; ++i)
        dst[i] = widen[bytes[i]];
    return i;
#endif
}

size_t NarrowWhileInCodePage(const WCHAR *src, size_t count, char *dst) {
    const unsigned char *narrow = codepage_tables::kNarrow.data();
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= count; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 8));
        if (AllAscii8(_mm_or_si128(a, b))) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_packus_epi16(a, b));
            continue;
        }
        for (size_t j = i; j < i + 16; ++j) {
            unsigned char byte = narrow[src[j]];
            if (byte == 0 && src[j] != 0) return j;
            dst[j] = char(byte);
        }
    }
#endif
    for (; i < count; ++i) {
        unsigned char byte = narrow[src[i]];
        if (byte == 0 && src[i] != 0) return i;
        dst[i] = char(byte);
    }
    return count;
}

size_t NarrowWhileInCodePageUntilNul(const WCHAR *src, size_t max, char *dst) {
    const unsigned char *narrow = codepage_tables::kNarrow.data();
    size_t i = 0;
    auto narrowOne = [narrow, src, dst](size_t at) {
        unsigned char b = narrow[src[at]];
        dst[at] = char(b);
        return b != 0;  // U+0000 stops the walk as well
    };
#if defined(__SSE2__) && ALIGNED_GROUP_OVERREAD
    for (; i < max && !IsAligned(src + i); ++i)
        if (!narrowOne(i)) return i;
    while (i < max && IsAligned(src + i)) {
        for (; max - i >= 8; i += 8) {
            __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(src + i));
            if (!AllAscii8(v) || !NoZeroUnit8(v)) break;
            _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + i), _mm_packus_epi16(v, v));
        }
        for (size_t end = i + std::min<size_t>(8, max - i); i < end; ++i)
            if (!narrowOne(i)) return i;
    }
#endif
    for (; i < max; ++i)
        if (!narrowOne(i)) return i;
    return max;
}

bool NarrowUnits(const WCHAR *src, size_t count, char *dst, char substitute) {
    bool substituted = false;
    for (size_t i = 0;;) {
        i += NarrowWhileInCodePage(src + i, count - i, dst + i);
        if (i == count) return substituted;
        dst[i++] = substitute;
        substituted = true;
    }
}

size_t NarrowUntilNul(const WCHAR *src, size_t max, char *dst) {
    const unsigned char *narrow = codepage_tables::kNarrow.data();
    auto narrowOne = [narrow](WCHAR unit) {
        unsigned char b = narrow[unit];
        return b != 0 ? char(b) : kSubstituteByte;
    };
    size_t i = 0;
#if defined(__SSE2__) && ALIGNED_GROUP_OVERREAD
    for (; i < max && !IsAligned(src + i); ++i) {
        if (src[i] == 0) return i;
        dst[i] = narrowOne(src[i]);
    }
    // A string at an odd address never lines up with sixteen-byte groups; it goes one unit at a time.
    while (i < max && IsAligned(src + i)) {
        for (; max - i >= 8; i += 8) {
            __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(src + i));
            if (!AllAscii8(v) || !NoZeroUnit8(v)) break;
            _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + i), _mm_packus_epi16(v, v));
        }
        for (size_t end = i + std::min<size_t>(8, max - i); i < end; ++i) {
            if (src[i] == 0) return i;
            dst[i] = narrowOne(src[i]);
        }
    }
#endif
    for (; i < max && src[i] != 0; ++i)
        dst[i] = narrowOne(src[i]);
    return i;
}

// ---------------------------------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------------------------------

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Decodes one sequence at s (n > 0 bytes left). Returns the bytes consumed; cp is the code point, or -1
// for an invalid sequence, in which case the maximal invalid prefix is consumed (at least one byte).
size_t DecodeOne(const unsigned char *s, size_t n, long &cp) {
    unsigned char lead = s[0];
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no encoded surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        cp = -1;
        return 1;
    }
    long value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if (i >= n) {
            cp = -1;
            return i;
        }
        unsigned char b = s[i];
        bool ok = i == 1 ? (b >= low && b <= high) : IsContinuation(b);
        if (!ok) {
            cp = -1;
            return i;
        }
        value = (value << 6) | (b & 0x3F);
    }
    cp = value;
    return length;
}

template <bool kWrite>
size_t DecodeUtf8(const char *src, size_t count, WCHAR *dst, bool *invalid) {
    const unsigned char *s = reinterpret_cast<const unsigned char *>(src);
    size_t in = 0, out = 0;
    bool bad = false;
    while (in < count) {
        if (s[in] < 0x80) {
            if (kWrite) dst[out] = s[in];
            ++out;
            ++in;
            continue;
        }
        long cp;
        in += DecodeOne(s + in, count - in, cp);
        if (cp < 0) {
            bad = true;
            if (kWrite) dst[out] = kReplacement;
            ++out;
        } else if (cp >= 0x10000) {
            if (kWrite) {
                dst[out] = HighSurrogateOf(char32_t(cp));
                dst[out + 1] = LowSurrogateOf(char32_t(cp));
            }
            out += 2;
        } else {
            if (kWrite) dst[out] = char16_t(cp);
            ++out;
        }
    }
    if (invalid) *invalid = bad;
    return out;
}

template <bool kWrite>
size_t EncodeUtf8(const WCHAR *src, size_t count, char *dst, bool *invalid) {
    size_t out = 0;
    bool bad = false;
    auto put = [&](unsigned b) {
        if (kWrite) dst[out] = char(b);
        ++out;
    };
    for (size_t i = 0; i < count; ++i) {
        unsigned long c = src[i];
        if (c < 0x80) {
            put(c);
            continue;
        }
        if (IsHighSurrogate(src[i]) && i + 1 < count && IsLowSurrogate(src[i + 1])) {
            c = CombineSurrogates(src[i], src[i + 1]);
            ++i;
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
            continue;
        }
        if (IsHighSurrogate(src[i]) || IsLowSurrogate(src[i])) {
            bad = true;
            c = kReplacement;
        }
        if (c < 0x800) {
            put(0xC0 | (c >> 6));
        } else {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
        }
        put(0x80 | (c & 0x3F));
    }
    if (invalid) *invalid = bad;
    return out;
}

}  // namespace

size_t Utf8ToUtf16Length(const char *src, size_t count, bool *invalid) {
    return DecodeUtf8<false>(src, count, nullptr, invalid);
}
size_t Utf8ToUtf16(const char *src, size_t count, WCHAR *dst) {
    return DecodeUtf8<true>(src, count, dst, nullptr);
}
size_t Utf16ToUtf8Length(const WCHAR *src, size_t count, bool *invalid) {
    return EncodeUtf8<false>(src, count, nullptr, invalid);
}
size_t Utf16ToUtf8(const WCHAR *src, size_t count, char *dst) {
    return EncodeUtf8<true>(src, count, dst, nullptr);
}

std::u16string Utf8ToU16(const std::string &text) {
    std::u16string out(Utf8ToUtf16Length(text.data(), text.size(), nullptr), u'\0');
    Utf8ToUtf16(text.data(), text.size(), out.data());
    return out;
}

std::string U16ToUtf8(const std::u16string &text) {
    std::string out(Utf16ToUtf8Length(text.data(), text.size(), nullptr), '\0');
    Utf16ToUtf8(text.data(), text.size(), out.data());
    return out;
}

bool StrictUtf8ToU16(const std::string &text, std::u16string &out) {
    bool invalid = false;
    out.assign(Utf8ToUtf16Length(text.data(), text.size(), &invalid), u'\0');
    if (invalid) return false;
    Utf8ToUtf16(text.data(), text.size(), out.data());
    return true;
}

std::u16string LinuxNameToU16(const std::string &name) {
    const unsigned char *s = reinterpret_cast<const unsigned char *>(name.data());
    std::u16string out;
    out.reserve(name.size());
    for (size_t in = 0; in < name.size();) {
        long cp;
        size_t used = DecodeOne(s + in, name.size() - in, cp);
        if (cp < 0) {
            // Only the first byte is taken as it stands: the next may begin a valid sequence.
            out.push_back(char16_t(kFirstEscapedByte - 0x80 + s[in]));
            ++in;
            continue;
        }
        if (cp >= 0x10000) {
            out.push_back(HighSurrogateOf(char32_t(cp)));
            out.push_back(LowSurrogateOf(char32_t(cp)));
        } else {
            out.push_back(char16_t(cp));
        }
        in += used;
    }
    return out;
}

bool U16ToLinuxName(const std::u16string &name, std::string &out) {
    out.clear();
    out.reserve(name.size());
    size_t run = 0;  // start of the units not yet encoded
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsHighSurrogate(name[i]) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
            ++i;
            continue;
        }
        if (!IsHighSurrogate(name[i]) && !IsLowSurrogate(name[i])) continue;
        if (name[i] < kFirstEscapedByte || name[i] > kLastEscapedByte) return false;
        out += U16ToUtf8(name.substr(run, i - run));
        out.push_back(char(name[i] - kFirstEscapedByte + 0x80));
        run = i + 1;
    }
    out += U16ToUtf8(name.substr(run));
    return true;
}

}  // namespace posix

// ---------------------------------------------------------------------------------------------------
// The Win32 calls
// ---------------------------------------------------------------------------------------------------

using namespace posix;

namespace {

bool IsEightBitCodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == 1252;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// Code page 437, the OEM code page of US and Western European systems: accented letters, box drawing
// and a few Greek and mathematical signs above ASCII. Rarely asked for, so converted one unit at a time.
constexpr UINT kOemCodePage = 437;
constexpr char16_t kOemHighHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

WCHAR WidenOemByte(char byte) {
    unsigned char b = (unsigned char)byte;
    return b < 0x80 ? WCHAR(b) : kOemHighHalf[b - 0x80];
}

// The OEM byte for a unit, or false when the code page lacks it.
bool NarrowOemUnit(WCHAR unit, char &byte) {
    if (unit < 0x80) {
        byte = char(unit);
        return true;
    }
    for (int i = 0; i < 128; ++i) {
        if (kOemHighHalf[i] == unit) {
            byte = char(0x80 + i);
            return true;
        }
    }
    return false;
}

int WidenOem(const char *src, size_t count, LPWSTR dst, size_t room) {
    if (room == 0) return int(count);
    for (size_t i = 0; i < count && i < room; ++i)
        dst[i] = WidenOemByte(src[i]);
    return room < count ? Fail(ERROR_INSUFFICIENT_BUFFER) : int(count);
}

int NarrowOem(LPCWSTR src, size_t count, LPSTR dst, size_t room, char substitute, LPBOOL usedDefault) {
    bool substituted = false;
    for (size_t i = 0; i < count; ++i) {
        char byte = substitute;
        if (!NarrowOemUnit(src[i], byte)) substituted = true;
        if (room != 0 && i < room) dst[i] = byte;
    }
    if (room != 0 && room < count) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (usedDefault) *usedDefault = substituted;
    return int(count);
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLength, LPWSTR dst, int dstLength) {
    if (!src || srcLength == 0 || srcLength < -1 || dstLength < 0 || (dstLength > 0 && !dst))
        return Fail(ERROR_INVALID_PARAMETER);
    size_t count = srcLength == -1 ? std::strlen(src) + 1 : size_t(srcLength);
    size_t room = size_t(dstLength);
    if (IsEightBitCodePage(codePage)) {
        // Every byte has its character, so MB_ERR_INVALID_CHARS can never apply.
        if (room == 0) return int(count);
        if (room < count) {
            WidenBytes(src, room, dst);
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
        WidenBytes(src, count, dst);
        return int(count);
    }
    if (codePage == kOemCodePage) return WidenOem(src, count, dst, room);
    if (codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
    bool invalid = false;
    size_t needed = Utf8ToUtf16Length(src, count, &invalid);
    if (invalid && (flags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (room == 0) return int(needed);
    if (room < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Utf8ToUtf16(src, count, dst);
    return int(needed);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLength, LPSTR dst, int dstLength,
                        LPCSTR defaultChar, LPBOOL usedDefault) {
    if (!src || srcLength == 0 || srcLength < -1 || dstLength < 0 || (dstLength > 0 && !dst))
        return Fail(ERROR_INVALID_PARAMETER);
    size_t count = srcLength == -1 ? std::char_traits<char16_t>::length(src) + 1 : size_t(srcLength);
    size_t room = size_t(dstLength);
    if (IsEightBitCodePage(codePage)) {
        char substitute = defaultChar ? *defaultChar : kSubstituteByte;
        if (room == 0) {
            if (usedDefault) {
                bool any = false;
                for (size_t i = 0; i < count && !any; ++i)
                    any = !CodePageHas(src[i]);
                *usedDefault = any;
            }
            return int(count);
        }
        bool substituted = NarrowUnits(src, room < count ? room : count, dst, substitute);
        if (room < count) return Fail(ERROR_INSUFFICIENT_BUFFER);
        if (usedDefault) *usedDefault = substituted;
        return int(count);
    }
    if (codePage == kOemCodePage)
        return NarrowOem(src, count, dst, room, defaultChar ? *defaultChar : kSubstituteByte, usedDefault);
    if (codePage != CP_UTF8 || defaultChar || usedDefault) return Fail(ERROR_INVALID_PARAMETER);
    bool invalid = false;
    size_t needed = Utf16ToUtf8Length(src, count, &invalid);
    if (invalid && (flags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (room == 0) return int(needed);
    if (room < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Utf16ToUtf8(src, count, dst);
    return int(needed);
}
