// The C runtime's wide-string routines and Win32's string comparisons on 16-bit WCHAR strings.
#include <gtest/gtest.h>

#include "platform/posix/base/win32_api.h"

#include <climits>
#include <iterator>
#include <string>
#include <vector>

namespace {

using U16 = std::u16string;

TEST(WideStrings, LengthCopyAndConcatenate) {
    EXPECT_EQ(wcslen(u""), 0u);
    EXPECT_EQ(wcslen(u"d\u00e9j\u00e0"), 4u);
    EXPECT_EQ(lstrlenW(u"abc"), 3);
    EXPECT_EQ(lstrlenW(nullptr), 0);

    WCHAR buffer[16];
    EXPECT_EQ(wcscpy(buffer, u"ab"), buffer);
    EXPECT_EQ(U16(wcscat(buffer, u"cd")), u"abcd");

    // wcsncpy pads a short source with zeros and leaves a long one unterminated.
    WCHAR padded[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
    wcsncpy(padded, u"ab", 5);
    EXPECT_EQ(U16(padded, 6), U16(u"ab\0\0\0x", 6));
    wcsncpy(padded, u"abcdefgh", 3);
    EXPECT_EQ(U16(padded, 6), U16(u"abc\0\0x", 6));
}

TEST(WideStrings, CompareIsOrdinalOverUnsignedUnits) {
    EXPECT_EQ(wcscmp(u"abc", u"abc"), 0);
    EXPECT_LT(wcscmp(u"ab", u"abc"), 0);
    EXPECT_GT(wcscmp(u"b", u"abc"), 0);
    EXPECT_GT(wcscmp(u"\xFFFF", u"a"), 0);  // units are unsigned
    EXPECT_LT(wcscmp(u"B", u"a"), 0);       // ordinal, so case matters
    EXPECT_EQ(wcsncmp(u"abcX", u"abcY", 3), 0);
    EXPECT_LT(wcsncmp(u"abcX", u"abcY", 4), 0);
    EXPECT_EQ(wcsncmp(u"ab", u"ab", 10), 0);
}

TEST(WideStrings, SearchForCharactersAndSubstrings) {
    const WCHAR *text = u"a\\b\\c.txt";
    EXPECT_EQ(wcschr(text, u'\\'), text + 1);
    EXPECT_EQ(wcsrchr(text, u'\\'), text + 3);
    EXPECT_EQ(wcschr(text, u'z'), nullptr);
    EXPECT_EQ(wcschr(text, 0), text + 9);  // the terminator is part of the string
    EXPECT_EQ(wcsrchr(text, 0), text + 9);

    const WCHAR *hay = u"aaab needle aab";
    EXPECT_EQ(wcsstr(hay, u"aab"), hay + 1);  // a partial match must not skip the real one
    EXPECT_EQ(wcsstr(hay, u"needle"), hay + 5);
    EXPECT_EQ(wcsstr(hay, u""), hay);
    EXPECT_EQ(wcsstr(hay, u"aabx"), nullptr);
    EXPECT_EQ(wcsstr(u"ab", u"abc"), nullptr);

    WCHAR writable[] = u"xyz";
    WCHAR *found = wcsstr(writable, u"y");
    ASSERT_NE(found, nullptr);
    *found = u'Y';
    EXPECT_EQ(U16(writable), u"xYz");
}

TEST(WideStrings, CaseConversionInPlaceCoversLatinGreekAndCyrillic) {
    WCHAR text[] = u"abc \u00e9\u00ff stra\u00dfe \u03b1\u03c2 \u0436\u0443\u043a \u0111 123_";
    EXPECT_EQ(_wcsupr(text), text);
    EXPECT_EQ(U16(text), u"ABC \u00c9\u0178 STRA\u00dfE \u0391\u03a3 \u0416\u0423\u041a \u0110 123_");
    _wcslwr(text);
    EXPECT_EQ(U16(text), u"abc \u00e9\u00ff stra\u00dfe \u03b1\u03c3 \u0436\u0443\u043a \u0111 123_");
}

TEST(WideStrings, CountedCaseConversionMapsEveryUnitToOneUnitAndLeavesTheUnpairedAlone) {
    // As Win32's CharUpperBuffW: accented letters too; the sharp s, the title-case digraph, the ligature,
    // the dotless i and the dotted capital I have no one-to-one partner and stay as they are.
    WCHAR text[] = u"\u00e9t\u00e9 \u00c9T\u00c9 \u00df \u01c5 \ufb01 \u0131 \u0130";
    DWORD length = DWORD(std::size(text) - 1);
    EXPECT_EQ(CharUpperBuffW(text, length), length);
    EXPECT_EQ(U16(text), u"\u00c9T\u00c9 \u00c9T\u00c9 \u00df \u01c5 \ufb01 \u0131 \u0130");
    EXPECT_EQ(CharLowerBuffW(text, length), length);
    EXPECT_EQ(U16(text), u"\u00e9t\u00e9 \u00e9t\u00e9 \u00df \u01c5 \ufb01 \u0131 \u0130");

    // The counted form goes past a NUL and stops at the count.
    WCHAR counted[] = {u'a', 0, u'b', u'c'};
    CharUpperBuffW(counted, 3);
    EXPECT_EQ(std::u16string(counted, 4), std::u16string(u"A\0Bc", 4));

    // Over the whole 16-bit range: converting twice changes nothing more, so that a text and a search
    // text converted the same way compare alike, and lower and upper case agree on every pair.
    std::vector<WCHAR> all(65536);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = WCHAR(i);
    std::vector<WCHAR> upper = all, lower = all;
    CharUpperBuffW(upper.data(), DWORD(upper.size()));
    CharLowerBuffW(lower.data(), DWORD(lower.size()));
    std::vector<WCHAR> upperTwice = upper, lowerOfUpper = upper;
    CharUpperBuffW(upperTwice.data(), DWORD(upperTwice.size()));
    CharLowerBuffW(lowerOfUpper.data(), DWORD(lowerOfUpper.size()));
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(upperTwice[i], upper[i]) << std::hex << i;
        // Final sigma is the one letter whose capital lowers to another letter (sigma).
        if (upper[i] != all[i] && i != 0x3C2) {
            ASSERT_EQ(lowerOfUpper[i], lower[i]) << std::hex << i;
        }
    }
    EXPECT_EQ(upper[0x3C2], 0x3A3) << "final sigma finds capital sigma";
    // The first 128 units went through the all-ASCII runs, the rest through the table.
    for (size_t i = 0; i < 128; ++i) {
        ASSERT_EQ(upper[i], (i >= 'a' && i <= 'z') ? i - 32 : i) << i;
        ASSERT_EQ(lower[i], (i >= 'A' && i <= 'Z') ? i + 32 : i) << i;
    }
    // A run with one accented letter in it, and a tail shorter than a run.
    std::u16string mixed = std::u16string(40, u'a') + u"\u00e9" + std::u16string(30, u'z');
    CharUpperBuffW(mixed.data(), DWORD(mixed.size()));
    EXPECT_EQ(mixed, std::u16string(40, u'A') + u"\u00c9" + std::u16string(30, u'Z'));
}

TEST(WideStrings, CaseInsensitiveCompareLowersBothSides) {
    EXPECT_EQ(_wcsicmp(u"Readme.TXT", u"README.txt"), 0);
    EXPECT_EQ(_wcsicmp(u"\u00c9T\u00c9", u"\u00e9t\u00e9"), 0);
    EXPECT_LT(_wcsicmp(u"abc", u"ABD"), 0);
    // Lowered, '_' (0x5F) comes before 'a' (0x61); upper-cased it would come after 'A' (0x41).
    EXPECT_LT(_wcsicmp(u"_", u"A"), 0);
}

TEST(WideStrings, IntegerToText) {
    WCHAR buffer[40];
    EXPECT_EQ(U16(_itow(0, buffer, 10)), u"0");
    EXPECT_EQ(U16(_itow(-123, buffer, 10)), u"-123");
    EXPECT_EQ(U16(_itow(INT_MIN, buffer, 10)), u"-2147483648");
    EXPECT_EQ(U16(_itow(255, buffer, 16)), u"ff");
    EXPECT_EQ(U16(_itow(-1, buffer, 16)), u"ffffffff");  // other radixes show the bits
    EXPECT_EQ(U16(_itow(5, buffer, 2)), u"101");
    EXPECT_EQ(U16(_itow(35, buffer, 36)), u"z");
    EXPECT_EQ(U16(_itow(5, buffer, 37)), u"");
}

TEST(WideStrings, TextToInteger) {
    EXPECT_EQ(_wtoi(u"42"), 42);
    EXPECT_EQ(_wtoi(u"  \t-17abc"), -17);
    EXPECT_EQ(_wtoi(u"+8"), 8);
    EXPECT_EQ(_wtoi(u"x12"), 0);
    EXPECT_EQ(_wtoi(u""), 0);
    EXPECT_EQ(_wtoi(u"2147483647"), INT_MAX);
    EXPECT_EQ(_wtoi(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(_wtoi(u"-99999999999999999999"), INT_MIN);
}

// The order a sorted list box shows (case-insensitive word sort). Entries joined by '/' compare equal.
const std::vector<U16> kInsensitiveOrder = {
    u"_x",  u"~x",      u"1",       u"10", u"9",     u"a b", u"a.b",  u"a_b",   u"a1",  u"a10", u"a2/A2",  u"ab",
    u"a-b", u"abc/Abc", u"abd/ABD", u"B",  u"b.txt", u"c/C", u"coop", u"co-op", u"cop", u"e",   u"\u00e9", u"f",
};

std::vector<U16> Split(const U16 &group) {
    std::vector<U16> names;
    size_t start = 0;
    for (size_t slash; (slash = group.find(u'/', start)) != U16::npos; start = slash + 1)
        names.push_back(group.substr(start, slash - start));
    names.push_back(group.substr(start));
    return names;
}

int Sign(int n) {
    return (n > 0) - (n < 0);
}

TEST(WordSort, IgnoringCaseOrdersSymbolsDigitsLettersAndPassesOverHyphens) {
    for (size_t i = 0; i < kInsensitiveOrder.size(); ++i) {
        for (size_t j = 0; j < kInsensitiveOrder.size(); ++j) {
            for (const U16 &a : Split(kInsensitiveOrder[i])) {
                for (const U16 &b : Split(kInsensitiveOrder[j])) {
                    int expected = i < j ? -1 : i > j ? 1 : 0;
                    EXPECT_EQ(Sign(lstrcmpiW(a.c_str(), b.c_str())), expected)
                        << "lstrcmpiW(" << ::testing::PrintToString(a) << ", " << ::testing::PrintToString(b) << ")";
                }
            }
        }
    }
}

TEST(WordSort, WithCasePutsLowerCaseFirst) {
    const std::vector<U16> order = {u"_x", u"~x", u"1",    u"10",    u"9",   u"a b", u"a.b",    u"a_b", u"a1", u"a10",
                                    u"a2", u"A2", u"ab",   u"a-b",   u"abc", u"Abc", u"abd",    u"ABD", u"B",  u"b.txt",
                                    u"c",  u"C",  u"coop", u"co-op", u"cop", u"e",   u"\u00e9", u"f"};
    for (size_t i = 0; i < order.size(); ++i) {
        for (size_t j = 0; j < order.size(); ++j) {
            int expected = i < j ? -1 : i > j ? 1 : 0;
            EXPECT_EQ(Sign(lstrcmpW(order[i].c_str(), order[j].c_str())), expected)
                << "lstrcmpW(" << ::testing::PrintToString(order[i]) << ", " << ::testing::PrintToString(order[j])
                << ")";
        }
    }
}

TEST(WordSort, AccentsCountAfterLettersAndNullSortsFirst) {
    EXPECT_LT(lstrcmpiW(u"\u00e9a", u"eb"), 0);  // the letters decide before the accent
    EXPECT_GT(lstrcmpiW(u"\u00e9", u"e"), 0);
    EXPECT_EQ(lstrcmpiW(u"\u00c9T\u00c9", u"\u00e9t\u00e9"), 0);
    EXPECT_LT(lstrcmpiW(u"\u0430", u"\u0431"), 0);  // Cyrillic a before be
    EXPECT_EQ(lstrcmpiW(u"\u0416", u"\u0436"), 0);
    EXPECT_LT(lstrcmpW(nullptr, u"a"), 0);
    EXPECT_GT(lstrcmpW(u"a", nullptr), 0);
    EXPECT_EQ(lstrcmpiW(nullptr, nullptr), 0);
}

}  // namespace
