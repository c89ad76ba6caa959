// wsprintfW as user32 formats, and sprintf as the C runtime of the device formats (with %S a WCHAR string).
#include <gtest/gtest.h>

#include "tests/support/test_platform.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

namespace {

using U16 = WString;

U16 Wide(const WCHAR *format, ...) {
    WCHAR buffer[1100];
    va_list args;
    va_start(args, format);
    int n = wvsprintfW(buffer, format, args);
    va_end(args);
    EXPECT_EQ(size_t(n), wcslen(buffer));
    return U16(buffer);
}

std::string Narrow(const char *format, auto... args) {
    char buffer[512];
    int n = sprintf(buffer, format, args...);
    EXPECT_EQ(size_t(n), std::strlen(buffer));
    return buffer;
}

TEST(WsprintfW, Integers) {
    EXPECT_EQ(Wide(TEXT("%d|%i|%u"), -5, 7, 3u), TEXT("-5|7|3"));
    EXPECT_EQ(Wide(TEXT("%u"), -1), TEXT("4294967295"));
    EXPECT_EQ(Wide(TEXT("%ld %lu"), LONG(-2147483647 - 1), DWORD(4000000000u)), TEXT("-2147483648 4000000000"));
    EXPECT_EQ(Wide(TEXT("%x %X %#x %#X"), 255, 255, 255, 0xABu), TEXT("ff FF 0xff 0XAB"));
    EXPECT_EQ(Wide(TEXT("%I64d %I64x"), int64_t(-1) << 40, uint64_t(1) << 36), TEXT("-1099511627776 1000000000"));
}

// "hd" is a signed short and "hu" an unsigned short: the argument is cut to 16 bits.
TEST(WsprintfW, ShortIntegers) {
    SKIP_UNDER_WINE("Wine's wsprintfW ignores the h size prefix on integers; Windows documents hd and hu as shorts");
    EXPECT_EQ(Wide(TEXT("%hd %hu"), 70000, 70000), TEXT("4464 4464"));
    EXPECT_EQ(Wide(TEXT("%hd"), 0xFFFF), TEXT("-1"));
}

TEST(WsprintfW, WidthPrecisionAndFlags) {
    EXPECT_EQ(Wide(TEXT("[%5d][%-5d][%05d][%.3d]"), 42, 42, -42, 7), TEXT("[   42][42   ][-0042][007]"));
    // Unlike the C runtime's printf, a precision leaves the zero padding on.
    EXPECT_EQ(Wide(TEXT("[%08.3d][%06.2d]"), 5, -5), TEXT("[00000005][-00005]"));
    EXPECT_EQ(Wide(TEXT("[%6s][%-6s][%.2s]"), TEXT("abc"), TEXT("abc"), TEXT("abc")), TEXT("[   abc][abc   ][ab]"));
    EXPECT_EQ(Wide(TEXT("[%4S][%.1S]"), "xy", "xy"), TEXT("[  xy][x]"));
    EXPECT_EQ(Wide(TEXT("[%3c][%-3c]"), TEXT('\u00e9'), TEXT('z')), TEXT("[  \u00e9][z  ]"));
}

TEST(WsprintfW, StringsAndCharactersOfBothWidths) {
    EXPECT_EQ(Wide(TEXT("Recent%s"), TEXT("3")), TEXT("Recent3"));
    EXPECT_EQ(Wide(TEXT("%ls|%ws|%hs|%S|%hS|%lS"), TEXT("a"), TEXT("b"), "c", "d", "e", TEXT("f")),
              TEXT("a|b|c|d|e|f"));
    EXPECT_EQ(Wide(TEXT("%c%C%hc%lc"), TEXT('\u4e00'), '\xE9', '\x80', TEXT('z')), TEXT("\u4e00\u00e9\u20acz"));
    EXPECT_EQ(Wide(TEXT("%s %S"), static_cast<const WCHAR *>(nullptr), static_cast<const char *>(nullptr)),
              TEXT("(null) (null)"));
    EXPECT_EQ(Wide(TEXT("100%% %q")), TEXT("100% q"));    // an unknown conversion shows its letter
    EXPECT_EQ(Wide(TEXT("%S|"), "ab\0cd"), TEXT("ab|"));  // %S ends at the string's NUL
}

// The device's wsprintfW has no 1024-character limit: a whole document is widened through "%S".
TEST(WsprintfW, WritesTheWholeTextAndOneTerminator) {
    SKIP_ON_DESKTOP_WINDOWS("desktop wsprintfW stops at 1024 WCHARs, the terminator included");
    std::string bytes(3 * 1024 * 1024, 'y');
    bytes[2000] = '\x80';
    std::vector<WCHAR> buffer(bytes.size() + 2, TEXT('#'));
    EXPECT_EQ(wsprintfW(buffer.data(), TEXT("%S"), bytes.c_str()), int(bytes.size()));
    EXPECT_EQ(buffer[1023], TEXT('y'));
    EXPECT_EQ(buffer[2000], TEXT('\u20ac'));
    EXPECT_EQ(buffer[bytes.size() - 1], TEXT('y'));
    EXPECT_EQ(buffer[bytes.size()], 0);
    EXPECT_EQ(buffer[bytes.size() + 1], TEXT('#'));  // nothing written past the terminator

    U16 longText(5000, TEXT('x'));
    EXPECT_EQ(wsprintfW(buffer.data(), TEXT("<%s>"), longText.c_str()), 5002);
    EXPECT_EQ(U16(buffer.data()), TEXT("<") + longText + TEXT(">"));
}

TEST(Sprintf, WideStringsNarrow) {
    EXPECT_EQ(Narrow("%S", TEXT("d\u00e9j\u00e0")), "d\xE9j\xE0");
    EXPECT_EQ(Narrow("%ls|%s", TEXT("a"), "d"), "a|d");
    EXPECT_EQ(Narrow("[%5S][%-5S][%.2S]", TEXT("ab"), TEXT("ab"), TEXT("abc")), "[   ab][ab   ][ab]");
    EXPECT_EQ(Narrow("[%*S][%.*S]", 4, TEXT("ab"), 1, TEXT("ab")), "[  ab][a]");
    EXPECT_EQ(Narrow("%C%c", TEXT('\u00e9'), 'x'), "\xE9x");
    EXPECT_EQ(Narrow("%S", static_cast<const WCHAR *>(nullptr)), "(null)");
}

TEST(Sprintf, WideStringsNarrowThroughTheCodePage) {
    SKIP_ON_DESKTOP_WINDOWS(
        "the Windows build's sprintf is mingw-w64's own printf (libstdc++ requires it), not the device's C "
        "runtime: it knows no %ws, reads %hS as wide, narrows %S through the C locale and stops at what it cannot "
        "narrow");
    EXPECT_EQ(Narrow("%S", TEXT("\u20ac \u0153")), "\x80 \x9C");
    EXPECT_EQ(Narrow("%ws|%hS", TEXT("b"), "c"), "b|c");
    EXPECT_EQ(Narrow("%C%lc%c", TEXT('\u00e9'), TEXT('\u4e00'), 'x'), "\xE9?x");
}

TEST(Sprintf, NumbersAsTheCRuntimeFormatsThem) {
    EXPECT_EQ(Narrow("%d %5d %-5d| %05d %+d % d", -3, 42, 42, 42, 4, 4), "-3    42 42   | 00042 +4  4");
    EXPECT_EQ(Narrow("%ld %lu %lx", LONG(-7), DWORD(4000000000u), DWORD(0xBEEF)), "-7 4000000000 beef");
    EXPECT_EQ(Narrow("%lld %I64d %llx", -1LL << 40, 1LL << 40, 0xFFFFFFFFFULL),
              "-1099511627776 1099511627776 fffffffff");
    EXPECT_EQ(Narrow("%hd %hhu %o %#x %X", 70000, 300, 8, 255, 255), "4464 44 10 0xff FF");
    EXPECT_EQ(Narrow("%*d|%-*d|%.*d", 4, 7, 3, 7, 3, 7), "   7|7  |007");
    EXPECT_EQ(Narrow("%.2f %e %g %5.1f", 3.14159, 1500.0, 0.5, 2.25), "3.14 1.500000e+03 0.5   2.2");
    EXPECT_EQ(Narrow("%zu %c %% %s", size_t(12), 'q', "end"), "12 q % end");
}

TEST(Sprintf, IsUnboundedAndWritesExactlyTheTextAndOneTerminator) {
    U16 text(300000, TEXT('a'));
    text[150000] = TEXT('\u00e9');
    std::vector<char> buffer(text.size() + 2, '#');
    EXPECT_EQ(sprintf(buffer.data(), "%S", text.c_str()), int(text.size()));
    EXPECT_EQ(buffer[150000], '\xE9');
    EXPECT_EQ(buffer[text.size() - 1], 'a');
    EXPECT_EQ(buffer[text.size()], '\0');
    EXPECT_EQ(buffer[text.size() + 1], '#');
}

}  // namespace
