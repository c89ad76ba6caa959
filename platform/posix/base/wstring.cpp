// The C runtime's wide-string routines for 16-bit WCHAR strings.
//
// The C library's own wcs* functions take 32-bit wchar_t, so these are overloads for char16_t. They are
// plain loops over the units: a document of tens of megabytes passes through wcslen and wcsstr.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/base/casemap.h"

#include <climits>

using posix::ToLower;
using posix::ToUpper;

namespace {

int Sign(int difference) {
    return (difference > 0) - (difference < 0);
}

bool IsSpace(WCHAR c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Length, copy, compare, search
// ---------------------------------------------------------------------------------------------------

size_t wcslen(const WCHAR *s) {
    const WCHAR *p = s;
    while (*p)
        ++p;
    return size_t(p - s);
}

WCHAR *wcscpy(WCHAR *dst, const WCHAR *src) {
    WCHAR *d = dst;
    while ((*d++ = *src++) != 0) {
    }
    return dst;
}

// Like strncpy: stops at count without a terminator, and pads a shorter source with zeros.
WCHAR *wcsncpy(WCHAR *dst, const WCHAR *src, size_t count) {
    size_t i = 0;
    for (; i < count && src[i]; ++i)
        dst[i] = src[i];
    for (; i < count; ++i)
        dst[i] = 0;
    return dst;
}

WCHAR *wcscat(WCHAR *dst, const WCHAR *src) {
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

int wcscmp(const WCHAR *a, const WCHAR *b) {
    while (*a && *a == *b)
        ++a, ++b;
    return Sign(int(*a) - int(*b));
}

int wcsncmp(const WCHAR *a, const WCHAR *b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (a[i] != b[i] || !a[i]) return Sign(int(a[i]) - int(b[i]));
    }
    return 0;
}

// The terminator counts as part of the string, so searching for 0 finds it.
const WCHAR *wcschr(const WCHAR *s, WCHAR c) {
    for (;; ++s) {
        if (*s == c) return s;
        if (!*s) return nullptr;
    }
}
WCHAR *wcschr(WCHAR *s, WCHAR c) {
    return const_cast<WCHAR *>(wcschr(const_cast<const WCHAR *>(s), c));
}

const WCHAR *wcsrchr(const WCHAR *s, WCHAR c) {
    const WCHAR *found = nullptr;
    for (;; ++s) {
        if (*s == c) found = s;
        if (!*s) return found;
    }
}
WCHAR *wcsrchr(WCHAR *s, WCHAR c) {
    return const_cast<WCHAR *>(wcsrchr(const_cast<const WCHAR *>(s), c));
}

const WCHAR *wcsstr(const WCHAR *haystack, const WCHAR *needle) {
    const WCHAR first = needle[0];
    if (!first) return haystack;
    for (const WCHAR *h = haystack; *h; ++h) {
        if (*h != first) continue;
        size_t i = 1;
        while (needle[i] && h[i] == needle[i])
            ++i;
        if (!needle[i]) return h;
        if (!h[i]) return nullptr;  // the rest of the haystack is shorter than the needle
    }
    return nullptr;
}
WCHAR *wcsstr(WCHAR *haystack, const WCHAR *needle) {
    return const_cast<WCHAR *>(wcsstr(const_cast<const WCHAR *>(haystack), needle));
}

int lstrlenW(LPCWSTR s) {
    return s ? int(wcslen(s)) : 0;
}

// ---------------------------------------------------------------------------------------------------
// Case
// ---------------------------------------------------------------------------------------------------

// As the C runtime does, both sides are lowered first, which orders "_" after the letters.
int _wcsicmp(const WCHAR *a, const WCHAR *b) {
    if (!a || !b) return INT_MAX;
    for (;; ++a, ++b) {
        WCHAR x = ToLower(*a), y = ToLower(*b);
        if (x != y || !x) return Sign(int(x) - int(y));
    }
}

WCHAR *_wcsupr(WCHAR *s) {
    const WCHAR *upper = posix::Cases().upper;
    for (WCHAR *p = s; *p; ++p)
        *p = upper[*p];
    return s;
}

WCHAR *_wcslwr(WCHAR *s) {
    const WCHAR *lower = posix::Cases().lower;
    for (WCHAR *p = s; *p; ++p)
        *p = lower[*p];
    return s;
}

namespace {

// Converts count units in place through a case table. Documents are mostly ASCII: a run of 32 units
// that are all ASCII goes through arithmetic the compiler turns into vector code, which is several
// times faster on a text of tens of megabytes than a table lookup per unit.
void ConvertCase(WCHAR *s, size_t count, const WCHAR *table, WCHAR first, WCHAR delta) {
    constexpr size_t kRun = 32;
    size_t i = 0;
    for (; i + kRun <= count; i += kRun) {
        WCHAR any = 0;
        for (size_t k = 0; k < kRun; ++k)
            any |= s[i + k];
        if (any < 0x80) {
            for (size_t k = 0; k < kRun; ++k) {
                WCHAR ch = s[i + k];
                s[i + k] = WCHAR(ch + (WCHAR(ch - first) < 26 ? delta : 0));
            }
        } else {
            for (size_t k = 0; k < kRun; ++k)
                s[i + k] = table[s[i + k]];
        }
    }
    for (; i < count; ++i)
        s[i] = table[s[i]];
}

}  // namespace

// Counted forms: every unit of the buffer, NULs included; the result is the count.
DWORD CharUpperBuffW(LPWSTR s, DWORD length) {
    if (!s) return 0;
    ConvertCase(s, length, posix::Cases().upper, u'a', WCHAR(-32));
    return length;
}

DWORD CharLowerBuffW(LPWSTR s, DWORD length) {
    if (!s) return 0;
    ConvertCase(s, length, posix::Cases().lower, u'A', WCHAR(32));
    return length;
}

// ---------------------------------------------------------------------------------------------------
// Numbers
// ---------------------------------------------------------------------------------------------------

// Only radix 10 shows a sign; other radixes show the two's complement bits, as the C runtime does.
WCHAR *_itow(int value, WCHAR *buffer, int radix) {
    if (radix < 2 || radix > 36) {
        buffer[0] = 0;
        return buffer;
    }
    unsigned int magnitude = unsigned(value);
    WCHAR *p = buffer;
    if (radix == 10 && value < 0) {
        *p++ = u'-';
        magnitude = 0u - magnitude;
    }
    WCHAR digits[33];
    int n = 0;
    do {
        unsigned digit = magnitude % unsigned(radix);
        digits[n++] = WCHAR(digit < 10 ? u'0' + digit : u'a' + digit - 10);
        magnitude /= unsigned(radix);
    } while (magnitude);
    while (n)
        *p++ = digits[--n];
    *p = 0;
    return buffer;
}

// Leading blanks, an optional sign, decimal digits; anything else ends the number. Out-of-range values
// stop at INT_MAX or INT_MIN.
int _wtoi(const WCHAR *s) {
    while (IsSpace(*s))
        ++s;
    bool negative = *s == u'-';
    if (*s == u'-' || *s == u'+') ++s;
    long long value = 0;
    for (; *s >= u'0' && *s <= u'9'; ++s) {
        value = value * 10 + (*s - u'0');
        if (value > 1LL + INT_MAX) value = 1LL + INT_MAX;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    return int(value);
}
