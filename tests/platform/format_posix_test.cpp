// What our formatters promise where Win32 leaves the result open: a width or precision too large for an
// int, written in the format or passed as an argument.
#include <gtest/gtest.h>

#include "platform/posix/base/win32_api.h"

#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

namespace {

std::u16string Wide(const WCHAR *format, ...) {
    WCHAR buffer[64];
    va_list args;
    va_start(args, format);
    int n = wvsprintfW(buffer, format, args);
    va_end(args);
    EXPECT_EQ(size_t(n), wcslen(buffer));
    return std::u16string(buffer);
}

std::string Narrow(const char *format, auto... args) {
    char buffer[64];
    int n = sprintf(buffer, format, args...);
    EXPECT_EQ(size_t(n), std::strlen(buffer));
    return buffer;
}

// Widths and precisions are ints: a run of digits longer than an int holds stops at INT_MAX, and a width
// of INT_MIN from the arguments is a left-aligned field, never a negative one.
TEST(Formatters, WidthsAndPrecisionsTooLargeForAnIntAreClamped) {
    EXPECT_EQ(Wide(u"[%.99999999999999999999s]", u"abc"), u"[abc]");
    EXPECT_EQ(Wide(u"[%.4294967297s]", u"abc"), u"[abc]");  // 2^32 + 1 would wrap to 1
    EXPECT_EQ(Wide(u"[%.99999999999999999999S]", "abc"), u"[abc]");
    EXPECT_EQ(Narrow("[%.99999999999999999999s]", "abc"), "[abc]");
    EXPECT_EQ(Narrow("[%.4294967297s]", "abc"), "[abc]");
    EXPECT_EQ(Narrow("[%.99999999999999999999S]", u"abc"), "[abc]");
    // Conversions that print no field still take their width from the arguments.
    int count = 7;
    EXPECT_EQ(Narrow("[%*n%d]", INT_MIN, &count, 5), "[5]");
    EXPECT_EQ(Narrow("[%*%%d]", INT_MIN, 6), "[%6]");
    EXPECT_EQ(Narrow("[%-*.*n%d]", INT_MIN, INT_MIN, &count, 8), "[8]");
    EXPECT_EQ(count, 7);
}

// A radix outside 2 to 36 gives an empty text rather than digits past 'z'.
TEST(Formatters, IntegerToTextRefusesARadixWithoutDigits) {
    WCHAR buffer[40] = u"x";
    EXPECT_EQ(std::u16string(_itow(5, buffer, 37)), u"");
    EXPECT_EQ(std::u16string(_itow(5, buffer, 1)), u"");
}

}  // namespace
