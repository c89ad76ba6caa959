// wsprintfW (user32's wide formatting) and Win32_sprintf (the C runtime's sprintf with Win32's %S).
//
// Both move strings in one pass: a whole document is widened with wsprintfW("%S") and narrowed with
// sprintf("%S"), so the string conversions go straight into the output through the code-page tables.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/codepage.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace posix;

namespace {

// Widths and precisions are ints in Win32's formatters; a longer run of digits stops growing at
// INT_MAX rather than wrapping round to a small or negative number.
template <class Char>
int ReadCount(const Char *&f) {
    int n = 0;
    for (; *f >= Char('0') && *f <= Char('9'); ++f) {
        int digit = int(*f - Char('0'));
        n = n > (INT_MAX - digit) / 10 ? INT_MAX : n * 10 + digit;
    }
    return n;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// wsprintfW
// ---------------------------------------------------------------------------------------------------

namespace {

// Desktop Win32's wsprintf stops at 1024 WCHARs, the terminator included. The device's does not, and
// programs for it widen a whole document through "%S" into a buffer sized for it, so the output here is
// bounded only by the caller's buffer. Setting this to 1024 gives the desktop behaviour (1023 characters
// and a terminator, and 1023 returned).
constexpr size_t kWsprintfBufferSize = SIZE_MAX;

const char kNullText[] = "(null)";

// Output bounded by kWsprintfBufferSize; what does not fit is dropped.
class WideOutput {
public:
    explicit WideOutput(WCHAR *buffer) : buffer_(buffer) {}
    size_t Room() const { return kCapacity - used_; }
    WCHAR *End() { return buffer_ + used_; }
    void Advance(size_t n) { used_ += n; }
    void Put(WCHAR c) {
        if (used_ < kCapacity) buffer_[used_++] = c;
    }
    void Repeat(WCHAR c, size_t n) {
        for (size_t i = 0; i < n && used_ < kCapacity; ++i)
            buffer_[used_++] = c;
    }
    void Append(const WCHAR *s, size_t n) {
        for (size_t i = 0; i < n && used_ < kCapacity; ++i)
            buffer_[used_++] = s[i];
    }
    int Finish() {
        buffer_[used_] = 0;
        return int(used_);
    }

private:
    static constexpr size_t kCapacity = kWsprintfBufferSize - 1;
    WCHAR *buffer_;
    size_t used_ = 0;
};

enum class ArgSize { kDefault, kShort, kLong, kWide64 };

struct WideConversion {
    bool left = false;    // '-': pad on the right
    bool zero = false;    // '0': pad numbers with zeros
    bool prefix = false;  // '#': 0x before hexadecimal numbers
    size_t width = 0;
    long precision = -1;  // -1 when absent
    ArgSize size = ArgSize::kDefault;
    WCHAR type = 0;
};

// Reads what follows a '%'; f is left after the conversion character.
WideConversion ParseWideConversion(const WCHAR *&f) {
    WideConversion conversion;
    for (;; ++f) {
        if (*f == u'-')
            conversion.left = true;
        else if (*f == u'0')
            conversion.zero = true;
        else if (*f == u'#')
            conversion.prefix = true;
        else
            break;
    }
    conversion.width = size_t(ReadCount(f));
    if (*f == u'.') {
        ++f;
        conversion.precision = ReadCount(f);
    }
    if (*f == u'h') {
        conversion.size = ArgSize::kShort;
        ++f;
    } else if (*f == u'l' || *f == u'w') {
        conversion.size = ArgSize::kLong;
        ++f;
    } else if (f[0] == u'I' && f[1] == u'6' && f[2] == u'4') {
        conversion.size = ArgSize::kWide64;
        f += 3;
    }
    conversion.type = *f;
    if (*f) ++f;
    return conversion;
}

void PadBefore(WideOutput &out, const WideConversion &conversion, size_t length) {
    if (!conversion.left && conversion.width > length) out.Repeat(u' ', conversion.width - length);
}
void PadAfter(WideOutput &out, const WideConversion &conversion, size_t length) {
    if (conversion.left && conversion.width > length) out.Repeat(u' ', conversion.width - length);
}

size_t BoundedLength(const char *s, long precision) {
    if (precision < 0) return std::strlen(s);
    const void *nul = std::memchr(s, 0, size_t(precision));
    return nul ? size_t(static_cast<const char *>(nul) - s) : size_t(precision);
}

size_t BoundedLength(const WCHAR *s, long precision) {
    size_t n = 0;
    while ((precision < 0 || n < size_t(precision)) && s[n])
        ++n;
    return n;
}

void PutNarrowString(WideOutput &out, const WideConversion &conversion, const char *s) {
    if (!s) s = kNullText;
    if (conversion.width == 0) {
        // The common case, a whole file's text: widen straight into the output up to its NUL.
        size_t max = conversion.precision < 0 ? out.Room() : std::min(out.Room(), size_t(conversion.precision));
        out.Advance(WidenUntilNul(s, max, out.End()));
        return;
    }
    size_t length = BoundedLength(s, conversion.precision);
    PadBefore(out, conversion, length);
    size_t n = std::min(length, out.Room());
    WidenBytes(s, n, out.End());
    out.Advance(n);
    PadAfter(out, conversion, length);
}

void PutWideString(WideOutput &out, const WideConversion &conversion, const WCHAR *s) {
    static const WCHAR kNullWide[] = u"(null)";
    if (!s) s = kNullWide;
    size_t length = BoundedLength(s, conversion.precision);
    PadBefore(out, conversion, length);
    out.Append(s, length);
    PadAfter(out, conversion, length);
}

void PutChar(WideOutput &out, const WideConversion &conversion, WCHAR c) {
    PadBefore(out, conversion, 1);
    out.Put(c);
    PadAfter(out, conversion, 1);
}

// Digits of magnitude in the radix, most significant first; returns how many.
size_t Digits(uint64_t magnitude, unsigned radix, bool upper, WCHAR *digits) {
    WCHAR reversed[24];
    size_t n = 0;
    do {
        unsigned d = unsigned(magnitude % radix);
        reversed[n++] = WCHAR(d < 10 ? u'0' + d : (upper ? u'A' : u'a') + d - 10);
        magnitude /= radix;
    } while (magnitude);
    for (size_t i = 0; i < n; ++i)
        digits[i] = reversed[n - 1 - i];
    return n;
}

void PutNumber(WideOutput &out, const WideConversion &conversion, uint64_t magnitude, bool negative) {
    bool hex = conversion.type == u'x' || conversion.type == u'X';
    WCHAR digits[24];
    size_t count = Digits(magnitude, hex ? 16 : 10, conversion.type == u'X', digits);
    size_t zeros = conversion.precision > long(count) ? size_t(conversion.precision) - count : 0;
    const WCHAR *lead = negative                                  ? u"-"
                        : (hex && conversion.prefix && magnitude) ? (conversion.type == u'X' ? u"0X" : u"0x")
                                                                  : u"";
    size_t leadLength = wcslen(lead);
    size_t length = leadLength + zeros + count;
    // Unlike the C runtime's, a precision leaves the zero padding on: "%08.3d" is 00000005.
    if (conversion.zero && !conversion.left && conversion.width > length) {
        zeros += conversion.width - length;
        length = conversion.width;
    }
    PadBefore(out, conversion, length);
    out.Append(lead, leadLength);
    out.Repeat(u'0', zeros);
    out.Append(digits, count);
    PadAfter(out, conversion, length);
}

void PutInteger(WideOutput &out, const WideConversion &conversion, va_list &args) {
    bool isSigned = conversion.type == u'd' || conversion.type == u'i';
    if (conversion.size == ArgSize::kWide64) {
        uint64_t bits = va_arg(args, uint64_t);
        bool negative = isSigned && int64_t(bits) < 0;
        PutNumber(out, conversion, negative ? 0 - bits : bits, negative);
        return;
    }
    // int and LONG are both 32 bits here, as on the device.
    uint32_t bits = va_arg(args, unsigned int);
    if (conversion.size == ArgSize::kShort) bits = isSigned ? uint32_t(int32_t(int16_t(bits))) : uint16_t(bits);
    bool negative = isSigned && int32_t(bits) < 0;
    PutNumber(out, conversion, negative ? 0u - bits : bits, negative);
}

void FormatOne(WideOutput &out, const WideConversion &conversion, va_list &args) {
    bool narrowString = (conversion.type == u's' && conversion.size == ArgSize::kShort) ||
                        (conversion.type == u'S' && conversion.size != ArgSize::kLong);
    bool narrowChar = (conversion.type == u'c' && conversion.size == ArgSize::kShort) ||
                      (conversion.type == u'C' && conversion.size != ArgSize::kLong);
    switch (conversion.type) {
        case u's':
        case u'S':
            if (narrowString)
                PutNarrowString(out, conversion, va_arg(args, const char *));
            else
                PutWideString(out, conversion, va_arg(args, const WCHAR *));
            break;
        case u'c':
        case u'C': {
            int value = va_arg(args, int);
            PutChar(out, conversion, narrowChar ? WidenByte(char(value)) : WCHAR(value));
            break;
        }
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X': PutInteger(out, conversion, args); break;
        case 0: break;
        default: out.Put(conversion.type); break;  // "%%" and unknown conversions show the character
    }
}

}  // namespace

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
    if (!buffer || !format) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WideOutput out(buffer);
    va_list ap;
    va_copy(ap, args);
    for (const WCHAR *f = format; *f && out.Room();) {
        if (*f != u'%') {
            out.Put(*f++);
            continue;
        }
        ++f;
        WideConversion conversion = ParseWideConversion(f);
        FormatOne(out, conversion, ap);
    }
    va_end(ap);
    return out.Finish();
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = wvsprintfW(buffer, format, args);
    va_end(args);
    return n;
}

// ---------------------------------------------------------------------------------------------------
// Win32_sprintf
// ---------------------------------------------------------------------------------------------------

namespace {

enum class Length { kDefault, kChar, kShort, kLong, kLongLong, kSize, kLongDouble };

struct NarrowConversion {
    char flags[8] = {};  // as written, for the C library's own conversions
    bool left = false;
    size_t width = 0;
    long precision = -1;  // -1 when absent
    Length length = Length::kDefault;
    bool wide = false;    // l or w on a string or character: a WCHAR one
    bool narrow = false;  // h on %S or %C: an 8-bit one
    char type = 0;
};

void ParseFlags(const char *&f, NarrowConversion &conversion) {
    size_t n = 0;
    for (; *f && std::strchr("-+ #0", *f); ++f) {
        if (*f == '-') conversion.left = true;
        if (n + 1 < sizeof conversion.flags) conversion.flags[n++] = *f;
    }
}

void ParseWidthAndPrecision(const char *&f, NarrowConversion &conversion, va_list &args) {
    if (*f == '*') {
        int w = va_arg(args, int);
        ++f;
        if (w < 0) {
            conversion.left = true;
            std::strncat(conversion.flags, "-", sizeof conversion.flags - std::strlen(conversion.flags) - 1);
            w = w == INT_MIN ? INT_MAX : -w;  // INT_MIN has no positive counterpart
        }
        conversion.width = size_t(w);
    } else {
        conversion.width = size_t(ReadCount(f));
    }
    if (*f != '.') return;
    ++f;
    if (*f == '*') {
        int p = va_arg(args, int);
        ++f;
        conversion.precision = p < 0 ? -1 : p;
    } else {
        conversion.precision = ReadCount(f);
    }
}

void ParseLength(const char *&f, NarrowConversion &conversion) {
    auto take = [&](const char *text, Length length) {
        size_t n = std::strlen(text);
        if (std::strncmp(f, text, n) != 0) return false;
        f += n;
        conversion.length = length;
        return true;
    };
    // On the device long is 32 bits, so l and I32 are plain int; ll, I64, q and j are 64 bits.
    if (take("hh", Length::kChar) || take("ll", Length::kLongLong) || take("I64", Length::kLongLong) ||
        take("I32", Length::kDefault) || take("q", Length::kLongLong) || take("j", Length::kLongLong) ||
        take("z", Length::kSize) || take("t", Length::kSize) || take("I", Length::kSize) ||
        take("L", Length::kLongDouble))
        return;
    if (*f == 'h') {
        conversion.narrow = true;
        conversion.length = Length::kShort;
        ++f;
    } else if (*f == 'l' || *f == 'w') {
        conversion.wide = true;
        ++f;
    }
}

NarrowConversion ParseNarrowConversion(const char *&f, va_list &args) {
    NarrowConversion conversion;
    ParseFlags(f, conversion);
    ParseWidthAndPrecision(f, conversion, args);
    ParseLength(f, conversion);
    conversion.type = *f;
    if (*f) ++f;
    return conversion;
}

class NarrowOutput {
public:
    explicit NarrowOutput(char *buffer) : p_(buffer), start_(buffer) {}
    char *End() { return p_; }
    void Advance(size_t n) { p_ += n; }
    void Put(char c) { *p_++ = c; }
    void Repeat(char c, size_t n) {
        std::memset(p_, c, n);
        p_ += n;
    }
    void Append(const char *s, size_t n) {
        std::memcpy(p_, s, n);
        p_ += n;
    }
    int Finish() {
        *p_ = 0;
        return int(p_ - start_);
    }

private:
    char *p_;
    char *start_;
};

void PadBefore(NarrowOutput &out, const NarrowConversion &conversion, size_t length) {
    if (!conversion.left && conversion.width > length) out.Repeat(' ', conversion.width - length);
}
void PadAfter(NarrowOutput &out, const NarrowConversion &conversion, size_t length) {
    if (conversion.left && conversion.width > length) out.Repeat(' ', conversion.width - length);
}

void PutWideAsNarrow(NarrowOutput &out, const NarrowConversion &conversion, const WCHAR *s) {
    static const WCHAR kNullWide[] = u"(null)";
    if (!s) s = kNullWide;
    if (conversion.width == 0) {
        // The whole text of a document comes this way: narrow it straight into the output.
        out.Advance(NarrowUntilNul(s, conversion.precision < 0 ? SIZE_MAX : size_t(conversion.precision), out.End()));
        return;
    }
    size_t length = BoundedLength(s, conversion.precision);
    PadBefore(out, conversion, length);
    NarrowUnits(s, length, out.End());
    out.Advance(length);
    PadAfter(out, conversion, length);
}

void PutNarrowString(NarrowOutput &out, const NarrowConversion &conversion, const char *s) {
    if (!s) s = kNullText;
    size_t length = BoundedLength(s, conversion.precision);
    PadBefore(out, conversion, length);
    out.Append(s, length);
    PadAfter(out, conversion, length);
}

void PutChar(NarrowOutput &out, const NarrowConversion &conversion, char c) {
    PadBefore(out, conversion, 1);
    out.Put(c);
    PadAfter(out, conversion, 1);
}

// Hands one numeric conversion to the C library, rebuilt with the width and precision resolved.
template <class T>
void PutWithCLibrary(NarrowOutput &out, const NarrowConversion &conversion, const char *lengthText, T value) {
    char format[64];
    if (conversion.precision >= 0)
        std::snprintf(format, sizeof format, "%%%s%zu.%ld%s%c", conversion.flags, conversion.width,
                      conversion.precision, lengthText, conversion.type);
    else
        std::snprintf(format, sizeof format, "%%%s%zu%s%c", conversion.flags, conversion.width, lengthText,
                      conversion.type);
    int n = std::snprintf(nullptr, 0, format, value);
    if (n <= 0) return;
    std::snprintf(out.End(), size_t(n) + 1, format, value);
    out.Advance(size_t(n));
}

void PutInteger(NarrowOutput &out, const NarrowConversion &conversion, va_list &args) {
    switch (conversion.length) {
        case Length::kLongLong: PutWithCLibrary(out, conversion, "ll", va_arg(args, long long)); break;
        case Length::kSize: PutWithCLibrary(out, conversion, "z", va_arg(args, size_t)); break;
        case Length::kChar: PutWithCLibrary(out, conversion, "hh", va_arg(args, int)); break;
        case Length::kShort: PutWithCLibrary(out, conversion, "h", va_arg(args, int)); break;
        default: PutWithCLibrary(out, conversion, "", va_arg(args, int)); break;
    }
}

void PutFloat(NarrowOutput &out, const NarrowConversion &conversion, va_list &args) {
    if (conversion.length == Length::kLongDouble)
        PutWithCLibrary(out, conversion, "L", va_arg(args, long double));
    else
        PutWithCLibrary(out, conversion, "", va_arg(args, double));
}

void FormatOne(NarrowOutput &out, const NarrowConversion &conversion, va_list &args) {
    switch (conversion.type) {
        case 'S':
            if (conversion.narrow)
                PutNarrowString(out, conversion, va_arg(args, const char *));
            else
                PutWideAsNarrow(out, conversion, va_arg(args, const WCHAR *));
            break;
        case 's':
            if (conversion.wide)
                PutWideAsNarrow(out, conversion, va_arg(args, const WCHAR *));
            else
                PutNarrowString(out, conversion, va_arg(args, const char *));
            break;
        case 'C':
        case 'c': {
            int value = va_arg(args, int);
            bool wideChar = conversion.type == 'C' ? !conversion.narrow : conversion.wide;
            PutChar(out, conversion, wideChar ? NarrowUnit(WCHAR(value)) : char(value));
            break;
        }
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X': PutInteger(out, conversion, args); break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A': PutFloat(out, conversion, args); break;
        case 'p': PutWithCLibrary(out, conversion, "", va_arg(args, void *)); break;
        case 'n': (void)va_arg(args, void *); break;  // refused, as by the C runtime of the device
        case '%': out.Put('%'); break;
        case 0: break;
        default: out.Put(conversion.type); break;
    }
}

int FormatNarrow(char *buffer, const char *format, va_list args) {
    NarrowOutput out(buffer);
    va_list ap;
    va_copy(ap, args);
    for (const char *f = format; *f;) {
        if (*f != '%') {
            const char *next = std::strchr(f, '%');
            size_t n = next ? size_t(next - f) : std::strlen(f);
            out.Append(f, n);
            f += n;
            continue;
        }
        ++f;
        NarrowConversion conversion = ParseNarrowConversion(f, ap);
        FormatOne(out, conversion, ap);
    }
    va_end(ap);
    return out.Finish();
}

}  // namespace

int Win32_sprintf(char *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatNarrow(buffer, format, args);
    va_end(args);
    return n;
}
