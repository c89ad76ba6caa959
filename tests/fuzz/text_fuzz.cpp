// The code pages and the formatters against reference conversions. The 8-bit code page and UTF-8 are
// checked against the C library's iconv (Windows-1252, whose five undefined bytes widen to the C1
// controls of the same value); Linux names must come back byte for byte; numbers formatted by wsprintfW
// and by the Win32 sprintf must read as the C library's snprintf writes them; and any format at all,
// with strings of both widths, must be formatted without a fault.
#include "platform/posix/system/codepage.h"
#include "platform/posix/base/win32_api.h"

#include "tests/fuzz/fuzz_input.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

using U16 = std::u16string;

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "text conversions: %s\n", what);
    std::abort();
}

// iconv from one encoding to another; false when it refuses the input.
bool Iconv(const char *to, const char *from, const std::string &in, std::string &out) {
    // Opened once and kept for the life of the process.
    static auto *open = new std::vector<std::pair<std::string, iconv_t>>;
    iconv_t cd = (iconv_t)-1;
    std::string key = std::string(to) + "<" + from;
    for (auto &entry : *open)
        if (entry.first == key) cd = entry.second;
    if (cd == (iconv_t)-1) {
        cd = iconv_open(to, from);
        if (cd == (iconv_t)-1) Fail("iconv lacks an encoding");
        open->emplace_back(key, cd);
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.assign(in.size() * 4 + 8, '\0');
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    char *dst = out.data();
    size_t dstLeft = out.size();
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) return false;
    out.resize(out.size() - dstLeft);
    return true;
}

U16 FromUtf16Le(const std::string &bytes) {
    U16 text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char16_t((unsigned char)bytes[2 * i] | ((unsigned char)bytes[2 * i + 1] << 8));
    return text;
}

std::string ToUtf16Le(const U16 &text) {
    std::string bytes;
    for (char16_t c : text)
        bytes += {char(c & 0xFF), char(c >> 8)};
    return bytes;
}

bool UndefinedIn1252(unsigned char b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

void CheckCodePage(const std::string &bytes) {
    U16 wide(bytes.size(), u'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), wide.data(), int(wide.size()));
    if (size_t(n) != bytes.size()) Fail("a byte did not widen to one character");
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = (unsigned char)bytes[i];
        std::string reference;
        if (UndefinedIn1252(b)) {
            if (wide[i] != b) Fail("an undefined byte did not widen to its C1 control");
        } else if (!Iconv("UTF-16LE", "CP1252", std::string(1, char(b)), reference) ||
                   FromUtf16Le(reference) != U16(1, wide[i])) {
            Fail("a byte widened otherwise than Windows-1252 says");
        }
    }
    std::string narrow(bytes.size(), '\0');
    n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), narrow.data(), int(narrow.size()), nullptr,
                            nullptr);
    if (size_t(n) != bytes.size() || narrow != bytes) Fail("a widened text did not narrow back to its bytes");
}

// Units as 16-bit text: each narrows to its Windows-1252 byte, or to '?' where it has none.
void CheckNarrowing(const U16 &units) {
    std::string narrow(units.size(), '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, units.data(), int(units.size()), narrow.data(), int(narrow.size()), nullptr,
                                nullptr);
    if (size_t(n) != units.size()) Fail("a character did not narrow to one byte");
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        std::string reference;
        bool undefinedControl = c < 0x100 && UndefinedIn1252((unsigned char)c);
        bool has = undefinedControl || Iconv("CP1252", "UTF-16LE", ToUtf16Le(U16(1, c)), reference);
        char expected = undefinedControl ? char(c) : has ? reference[0] : '?';
        if (narrow[i] != expected) Fail("a character narrowed otherwise than Windows-1252 says");
    }
}

void CheckUtf8(const std::string &bytes) {
    std::string reference;
    U16 strict;
    bool valid = Iconv("UTF-16LE", "UTF-8", bytes, reference);
    if (posix::StrictUtf8ToU16(bytes, strict) != valid) Fail("UTF-8 validity differs from iconv");
    if (valid && strict != FromUtf16Le(reference)) Fail("UTF-8 decodes otherwise than iconv");
    U16 lenient = posix::Utf8ToU16(bytes);
    if (valid && lenient != strict) Fail("the lenient decoder differs on valid UTF-8");
    // Whatever came in, what comes out is valid UTF-16, and it encodes as iconv encodes it.
    std::string encoded;
    if (!Iconv("UTF-8", "UTF-16LE", ToUtf16Le(lenient), encoded)) Fail("decoding left half a surrogate pair");
    if (posix::U16ToUtf8(lenient) != encoded) Fail("UTF-8 encodes otherwise than iconv");
    // A Linux name comes back byte for byte.
    std::string back;
    if (!posix::U16ToLinuxName(posix::LinuxNameToU16(bytes), back) || back != bytes)
        Fail("a Linux name did not come back the same");
}

// One integer conversion from flags '-', '0', '#', a width and a precision of up to three digits, and an
// optional h; the same format must give the C library's text.
void CheckIntegerFormat(FuzzInput &in) {
    std::string format = "%";
    static const char kFlags[] = "-0#";
    for (int i = 0, n = int(in.Below(3)); i < n; ++i)
        format += kFlags[in.Below(3)];
    if (in.Byte() & 1) format += std::to_string(in.Below(300));
    long precision = (in.Byte() & 1) ? long(in.Below(300)) : -1;
    if (precision >= 0) format += "." + std::to_string(precision);
    if (in.Below(4) == 0) format += 'h';
    static const char kTypes[] = "diuxX";
    char type = kTypes[in.Below(5)];
    format += type;
    if (format.find('#') != std::string::npos && type != 'x' && type != 'X') return;  // undefined in C
    int value = int(in.Dword());
    char reference[1024], narrow[1024];
    std::snprintf(reference, sizeof reference, format.c_str(), value);
    Win32_sprintf(narrow, format.c_str(), value);
    if (std::strcmp(reference, narrow) != 0) Fail("sprintf formats a number otherwise than the C library");
    // user32 writes a zero even where the precision is 0; the C library writes nothing.
    if (precision == 0) return;
    // user32 keeps the '0' flag with a precision, which the C library drops: where the precision adds
    // no digits, the C library's text without it is user32's.
    std::string flags = format.substr(1, format.find_first_not_of("-0#", 1) - 1);
    if (precision > 0 && flags.find('0') != std::string::npos && flags.find('-') == std::string::npos) {
        std::string withoutPrecision = format;
        withoutPrecision.erase(withoutPrecision.find('.'), 1 + std::to_string(precision).size());
        char digits[64];
        std::snprintf(digits, sizeof digits,
                      (std::string("%") + (format.find('h') != std::string::npos ? "h" : "") + type).c_str(), value);
        size_t count = std::strlen(digits) - (digits[0] == '-' ? 1 : 0);
        if (count < size_t(precision)) return;
        std::snprintf(reference, sizeof reference, withoutPrecision.c_str(), value);
    }
    U16 wideFormat(format.begin(), format.end());
    WCHAR wide[1024];
    wsprintfW(wide, wideFormat.c_str(), value);
    if (U16(wide) != U16(reference, reference + std::strlen(reference)))
        Fail("wsprintfW formats a number otherwise than the C library");
}

// Any format, with every argument a string that reads as text of both widths; widths stay small so
// that the output fits its buffer.
void CheckAnyFormat(FuzzInput &in) {
    std::string format;
    for (size_t i = 0, n = in.Below(24); i < n; ++i) {
        static const char kAlphabet[] = "%%%-0#+ .*123456789lhwIq64SscCdiuxXpn%z";
        char c = in.Below(3) ? kAlphabet[in.Below(sizeof kAlphabet - 1)] : char(in.Byte() | 1);
        if (std::strchr("eEfFgGaAL", c)) c = 'd';  // every argument here is a pointer, never a double
        format += c;
    }
    // A run of digits longer than three could ask for a field wider than any buffer.
    for (size_t i = 0, run = 0; i < format.size(); ++i) {
        run = (format[i] >= '0' && format[i] <= '9') ? run + 1 : 0;
        if (run > 3) format[i] = 'd';
    }
    alignas(8) static char16_t text[64] = u"wide\u00e9\u4e00";
    const void *s = text;  // as 8-bit text "w" and the bytes after it, up to the first zero byte
    static char narrow[1 << 16];
    static WCHAR wide[1 << 16];
    // '*' takes its width from an argument: the low half of a pointer, which may be anything, so the
    // formats with '*' go to the narrow formatter only when the field would be small.
    if (format.find('*') == std::string::npos) {
        Win32_sprintf(narrow, format.c_str(), s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s);
        U16 wideFormat(format.begin(), format.end());
        wsprintfW(wide, wideFormat.c_str(), s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s);
    } else {
        int w = in.Below(4) == 0 ? INT_MIN : -int(in.Below(200));
        Win32_sprintf(narrow, "%*n%-*.*s|", w, (int *)nullptr, w % 100, w % 50, "abc");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    std::string bytes(reinterpret_cast<const char *>(data), size);
    CheckCodePage(bytes);
    CheckUtf8(bytes);
    U16 units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    CheckNarrowing(units.substr(0, 64));
    for (int i = 0; i < 4 && !in.Empty(); ++i) {
        CheckIntegerFormat(in);
        CheckAnyFormat(in);
    }
    return 0;
}
