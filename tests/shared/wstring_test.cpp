// The C runtime's wide-string routines and Win32's string comparisons on 16-bit WCHAR strings.
#include <gtest/gtest.h>

#include "tests/support/test_platform.h"

#include <climits>
#include <iterator>
#include <string>
#include <vector>

namespace {

using U16 = WString;

TEST(WideStrings, LengthCopyAndConcatenate) {
    EXPECT_EQ(wcslen(TEXT("")), 0u);
    EXPECT_EQ(wcslen(TEXT("d\u00e9j\u00e0")), 4u);
    EXPECT_EQ(lstrlenW(TEXT("abc")), 3);
    EXPECT_EQ(lstrlenW(nullptr), 0);

    WCHAR buffer[16];
    EXPECT_EQ(wcscpy(buffer, TEXT("ab")), buffer);
    EXPECT_EQ(U16(wcscat(buffer, TEXT("cd"))), TEXT("abcd"));

    // wcsncpy pads a short source with zeros and leaves a long one unterminated.
    WCHAR padded[6] = {TEXT('x'), TEXT('x'), TEXT('x'), TEXT('x'), TEXT('x'), TEXT('x')};
    wcsncpy(padded, TEXT("ab"), 5);
    EXPECT_EQ(U16(padded, 6), U16(TEXT("ab\0\0\0x"), 6));
    wcsncpy(padded, TEXT("abcdefgh"), 3);
    EXPECT_EQ(U16(padded, 6), U16(TEXT("abc\0\0x"), 6));
}

TEST(WideStrings, CompareIsOrdinalOverUnsignedUnits) {
    EXPECT_EQ(wcscmp(TEXT("abc"), TEXT("abc")), 0);
    EXPECT_LT(wcscmp(TEXT("ab"), TEXT("abc")), 0);
    EXPECT_GT(wcscmp(TEXT("b"), TEXT("abc")), 0);
    EXPECT_GT(wcscmp(TEXT("\xFFFF"), TEXT("a")), 0);  // units are unsigned
    EXPECT_LT(wcscmp(TEXT("B"), TEXT("a")), 0);       // ordinal, so case matters
    EXPECT_EQ(wcsncmp(TEXT("abcX"), TEXT("abcY"), 3), 0);
    EXPECT_LT(wcsncmp(TEXT("abcX"), TEXT("abcY"), 4), 0);
    EXPECT_EQ(wcsncmp(TEXT("ab"), TEXT("ab"), 10), 0);
}

TEST(WideStrings, SearchForCharactersAndSubstrings) {
    const WCHAR *text = TEXT("a\\b\\c.txt");
    EXPECT_EQ(wcschr(text, TEXT('\\')), text + 1);
    EXPECT_EQ(wcsrchr(text, TEXT('\\')), text + 3);
    EXPECT_EQ(wcschr(text, TEXT('z')), nullptr);
    EXPECT_EQ(wcschr(text, 0), text + 9);  // the terminator is part of the string
    EXPECT_EQ(wcsrchr(text, 0), text + 9);

    const WCHAR *hay = TEXT("aaab needle aab");
    EXPECT_EQ(wcsstr(hay, TEXT("aab")), hay + 1);  // a partial match must not skip the real one
    EXPECT_EQ(wcsstr(hay, TEXT("needle")), hay + 5);
    EXPECT_EQ(wcsstr(hay, TEXT("")), hay);
    EXPECT_EQ(wcsstr(hay, TEXT("aabx")), nullptr);
    EXPECT_EQ(wcsstr(TEXT("ab"), TEXT("abc")), nullptr);

    WCHAR writable[] = TEXT("xyz");
    WCHAR *found = wcsstr(writable, TEXT("y"));
    ASSERT_NE(found, nullptr);
    *found = TEXT('Y');
    EXPECT_EQ(U16(writable), TEXT("xYz"));
}

TEST(WideStrings, CaseConversionInPlace) {
    WCHAR text[] = TEXT("abc Stra-Ze 123_@[`{");
    EXPECT_EQ(_wcsupr(text), text);
    EXPECT_EQ(U16(text), TEXT("ABC STRA-ZE 123_@[`{"));
    EXPECT_EQ(_wcslwr(text), text);
    EXPECT_EQ(U16(text), TEXT("abc stra-ze 123_@[`{"));
}

TEST(WideStrings, CaseConversionInPlaceCoversLatinGreekAndCyrillic) {
    SKIP_ON_DESKTOP_WINDOWS(
        "msvcrt's _wcsupr and _wcslwr change only ASCII in the C locale; the device's C runtime has no "
        "locale and cases every letter as CharUpperW does");
    WCHAR text[] = TEXT("abc \u00e9\u00ff stra\u00dfe \u03b1\u03c2\u03c3 \u0436\u0443\u043a \u0111 123_");
    EXPECT_EQ(_wcsupr(text), text);
    EXPECT_EQ(U16(text), TEXT("ABC \u00c9\u0178 STRA\u00dfE \u0391\u03c2\u03a3 \u0416\u0423\u041a \u0110 123_"));
    _wcslwr(text);
    EXPECT_EQ(U16(text), TEXT("abc \u00e9\u00ff stra\u00dfe \u03b1\u03c2\u03c3 \u0436\u0443\u043a \u0111 123_"));
}

TEST(WideStrings, CountedCaseConversionMapsEveryUnitToOneUnitAndLeavesTheUnpairedAlone) {
    // As Win32's CharUpperBuffW: accented letters too; the sharp s, the title-case digraph, the ligature,
    // the dotless i and the dotted capital I have no one-to-one partner and stay as they are.
    WCHAR text[] = TEXT("\u00e9t\u00e9 \u00c9T\u00c9 \u00df \u01c5 \ufb01 \u0131 \u0130");
    DWORD length = DWORD(std::size(text) - 1);
    EXPECT_EQ(CharUpperBuffW(text, length), length);
    EXPECT_EQ(U16(text), TEXT("\u00c9T\u00c9 \u00c9T\u00c9 \u00df \u01c5 \ufb01 \u0131 \u0130"));
    EXPECT_EQ(CharLowerBuffW(text, length), length);
    EXPECT_EQ(U16(text), TEXT("\u00e9t\u00e9 \u00e9t\u00e9 \u00df \u01c5 \ufb01 \u0131 \u0130"));

    // The counted form goes past a NUL and stops at the count.
    WCHAR counted[] = {TEXT('a'), 0, TEXT('b'), TEXT('c')};
    CharUpperBuffW(counted, 3);
    EXPECT_EQ(WString(counted, 4), WString(TEXT("A\0Bc"), 4));

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
        if (upper[i] != all[i]) {
            ASSERT_EQ(lowerOfUpper[i], lower[i]) << std::hex << i;
        }
    }
    EXPECT_EQ(upper[0x3C2], 0x3C2) << "final sigma has no capital of its own";
    EXPECT_EQ(upper[0x3C3], 0x3A3);
    // The first 128 units went through the all-ASCII runs, the rest through the table.
    for (size_t i = 0; i < 128; ++i) {
        ASSERT_EQ(upper[i], (i >= 'a' && i <= 'z') ? i - 32 : i) << i;
        ASSERT_EQ(lower[i], (i >= 'A' && i <= 'Z') ? i + 32 : i) << i;
    }
    // A run with one accented letter in it, and a tail shorter than a run.
    WString mixed = WString(40, TEXT('a')) + TEXT("\u00e9") + WString(30, TEXT('z'));
    CharUpperBuffW(mixed.data(), DWORD(mixed.size()));
    EXPECT_EQ(mixed, WString(40, TEXT('A')) + TEXT("\u00c9") + WString(30, TEXT('Z')));
}

TEST(WideStrings, CaseInsensitiveCompareLowersBothSides) {
    EXPECT_EQ(_wcsicmp(TEXT("Readme.TXT"), TEXT("README.txt")), 0);
    EXPECT_LT(_wcsicmp(TEXT("abc"), TEXT("ABD")), 0);
    // Lowered, '_' (0x5F) comes before 'a' (0x61); upper-cased it would come after 'A' (0x41).
    EXPECT_LT(_wcsicmp(TEXT("_"), TEXT("A")), 0);
}

TEST(WideStrings, CaseInsensitiveCompareCoversAccentedLetters) {
    SKIP_ON_DESKTOP_WINDOWS("msvcrt's _wcsicmp folds only ASCII in the C locale; the device's C runtime has no locale");
    EXPECT_EQ(_wcsicmp(TEXT("\u00c9T\u00c9"), TEXT("\u00e9t\u00e9")), 0);
    EXPECT_EQ(_wcsicmp(TEXT("\u0416"), TEXT("\u0436")), 0);
}

TEST(WideStrings, IntegerToText) {
    WCHAR buffer[40];
    EXPECT_EQ(U16(_itow(0, buffer, 10)), TEXT("0"));
    EXPECT_EQ(U16(_itow(-123, buffer, 10)), TEXT("-123"));
    EXPECT_EQ(U16(_itow(INT_MIN, buffer, 10)), TEXT("-2147483648"));
    EXPECT_EQ(U16(_itow(255, buffer, 16)), TEXT("ff"));
    EXPECT_EQ(U16(_itow(-1, buffer, 16)), TEXT("ffffffff"));  // other radixes show the bits
    EXPECT_EQ(U16(_itow(5, buffer, 2)), TEXT("101"));
    EXPECT_EQ(U16(_itow(35, buffer, 36)), TEXT("z"));
}

TEST(WideStrings, TextToInteger) {
    EXPECT_EQ(_wtoi(TEXT("42")), 42);
    EXPECT_EQ(_wtoi(TEXT("  \t-17abc")), -17);
    EXPECT_EQ(_wtoi(TEXT("+8")), 8);
    EXPECT_EQ(_wtoi(TEXT("x12")), 0);
    EXPECT_EQ(_wtoi(TEXT("")), 0);
    EXPECT_EQ(_wtoi(TEXT("2147483647")), INT_MAX);
    EXPECT_EQ(_wtoi(TEXT("99999999999999999999")), INT_MAX);
    EXPECT_EQ(_wtoi(TEXT("-99999999999999999999")), INT_MIN);
}

// The order a sorted list box shows (case-insensitive word sort). Entries joined by '/' compare equal.
const std::vector<U16> kInsensitiveOrder = {
    TEXT("_x"),   TEXT("~x"),      TEXT("1"),       TEXT("10"),  TEXT("9"),      TEXT("a b"),
    TEXT("a.b"),  TEXT("a_b"),     TEXT("a1"),      TEXT("a10"), TEXT("a2/A2"),  TEXT("ab"),
    TEXT("a-b"),  TEXT("abc/Abc"), TEXT("abd/ABD"), TEXT("B"),   TEXT("b.txt"),  TEXT("c/C"),
    TEXT("coop"), TEXT("co-op"),   TEXT("cop"),     TEXT("e"),   TEXT("\u00e9"), TEXT("f"),
};

std::vector<U16> Split(const U16 &group) {
    std::vector<U16> names;
    size_t start = 0;
    for (size_t slash; (slash = group.find(TEXT('/'), start)) != U16::npos; start = slash + 1)
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
    const std::vector<U16> order = {
        TEXT("_x"),  TEXT("~x"),   TEXT("1"),     TEXT("10"),  TEXT("9"),  TEXT("a b"),    TEXT("a.b"),
        TEXT("a_b"), TEXT("a1"),   TEXT("a10"),   TEXT("a2"),  TEXT("A2"), TEXT("ab"),     TEXT("a-b"),
        TEXT("abc"), TEXT("Abc"),  TEXT("abd"),   TEXT("ABD"), TEXT("B"),  TEXT("b.txt"),  TEXT("c"),
        TEXT("C"),   TEXT("coop"), TEXT("co-op"), TEXT("cop"), TEXT("e"),  TEXT("\u00e9"), TEXT("f")};
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
    EXPECT_LT(lstrcmpiW(TEXT("\u00e9a"), TEXT("eb")), 0);  // the letters decide before the accent
    EXPECT_GT(lstrcmpiW(TEXT("\u00e9"), TEXT("e")), 0);
    EXPECT_EQ(lstrcmpiW(TEXT("\u00c9T\u00c9"), TEXT("\u00e9t\u00e9")), 0);
    EXPECT_LT(lstrcmpiW(TEXT("\u0430"), TEXT("\u0431")), 0);  // Cyrillic a before be
    EXPECT_EQ(lstrcmpiW(TEXT("\u0416"), TEXT("\u0436")), 0);
    EXPECT_LT(lstrcmpW(nullptr, TEXT("a")), 0);
    EXPECT_GT(lstrcmpW(TEXT("a"), nullptr), 0);
    EXPECT_EQ(lstrcmpiW(nullptr, nullptr), 0);
}

}  // namespace
