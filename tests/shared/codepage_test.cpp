// The 8-bit code page, the OEM code page and UTF-8: MultiByteToWideChar, WideCharToMultiByte, and the %S
// conversions of wsprintfW and sprintf, which go through the same code page.
#include <gtest/gtest.h>

#include "tests/support/test_platform.h"

#include <string>
#include <vector>

namespace {

using U16 = WString;

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(char(b));
    return bytes;
}

U16 Widen(const std::string &bytes, UINT codePage = CP_ACP) {
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    U16 wide(size_t(n), TEXT('\0'));
    EXPECT_EQ(MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), wide.data(), n), n);
    return wide;
}

std::string Narrow(const U16 &wide, UINT codePage = CP_ACP) {
    int n = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(n), '\0');
    EXPECT_EQ(WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), bytes.data(), n, nullptr, nullptr), n);
    return bytes;
}

TEST(CodePage, EveryByteWidensToOneCharacterAndNarrowsBack) {
    std::string bytes = AllBytes();
    U16 wide = Widen(bytes);
    ASSERT_EQ(wide.size(), 256u);
    for (int b = 0; b < 0x80; ++b)
        EXPECT_EQ(wide[b], WCHAR(b));
    for (int b = 0xA0; b < 0x100; ++b)
        EXPECT_EQ(wide[b], WCHAR(b));
    const WCHAR high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int b = 0; b < 32; ++b)
        EXPECT_EQ(wide[0x80 + b], high[b]) << "byte " << std::hex << 0x80 + b;

    BOOL usedDefault = TRUE;
    std::string back(256, '\0');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), 256, back.data(), 256, nullptr, &usedDefault), 256);
    EXPECT_EQ(back, bytes);
    EXPECT_FALSE(usedDefault);
}

TEST(CodePage, FormattingConversionsRoundTripEveryByte) {
    std::string bytes = AllBytes().substr(1);  // %S ends at a NUL, so leave out byte 0
    WCHAR wide[300];
    ASSERT_EQ(wsprintfW(wide, TEXT("%S"), bytes.c_str()), 255);
    EXPECT_EQ(U16(wide), Widen(bytes));
}

TEST(CodePage, SprintfNarrowsEveryCharacterOfTheCodePageBack) {
    SKIP_ON_DESKTOP_WINDOWS(
        "the Windows build's sprintf is mingw-w64's own printf (libstdc++ requires it), which narrows %S "
        "through the C locale and stops at U+20AC; the device's C runtime narrows through the code page");
    std::string bytes = AllBytes().substr(1);
    U16 wide = Widen(bytes);
    char narrow[300];
    ASSERT_EQ(sprintf(narrow, "%S", wide.c_str()), 255);
    EXPECT_EQ(std::string(narrow), bytes);
}

TEST(CodePage, WidensTheBytesWin32Shows) {
    // E9 80 81 8D 9F 41 as wsprintfW("%S") shows them on Win32 with code page 1252.
    WCHAR wide[16];
    wsprintfW(wide, TEXT("%S"), "\xE9\x80\x81\x8D\x9F\x41");
    EXPECT_EQ(U16(wide), TEXT("\u00e9\u20ac\u0081\u008d\u0178A"));
    // MB_ERR_INVALID_CHARS changes nothing: every byte has its character.
    WCHAR out[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\x81\x8D\x90", 3, out, 4), 3);
    EXPECT_EQ(U16(out, 3), TEXT("\u0081\u008d\u0090"));
}

TEST(CodePage, CharactersOutsideNarrowToQuestionMarksWithoutStopping) {
    const U16 wide = TEXT("\u20ac\u4e00\u00e9A\U0001F600z");  // the emoji is two units, each a '?'
    EXPECT_EQ(Narrow(wide),
              "\x80?\xE9"
              "A??z");

    BOOL usedDefault = FALSE;
    char out[8];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, TEXT("\u4e00b"), 2, out, 8, "#", &usedDefault), 2);
    EXPECT_EQ(std::string(out, 2), "#b");
    EXPECT_TRUE(usedDefault);
    // A real question mark is in the code page.
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, TEXT("?"), 1, out, 8, nullptr, &usedDefault), 1);
    EXPECT_FALSE(usedDefault);
    // Asking only for the size still reports the substitution.
    usedDefault = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, TEXT("a\u4e00"), 2, nullptr, 0, nullptr, &usedDefault), 2);
    EXPECT_TRUE(usedDefault);
}

TEST(CodePage, LengthsTerminatorsAndSmallBuffers) {
    WCHAR wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);  // -1 counts the terminator
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(U16(wide), TEXT("abc"));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\0b", 3, wide, 8), 3);  // an explicit length passes NULs
    EXPECT_EQ(U16(wide, 3), U16(TEXT("a\0b"), 3));

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", 6, wide, 3), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    char narrow[4];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, TEXT("abcdef"), -1, narrow, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 8), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 8), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "abc", 3, wide, 8), 0);  // no such code page
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WideCharToMultiByte(12345, 0, TEXT("abc"), 3, narrow, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, TheOemCodePageHasItsOwnUpperHalf) {
    const std::string bytes = "a\x80\x82\xB3\xE1\xE4\xFE\xFF";
    const U16 wide = TEXT("a\u00c7\u00e9\u2502\u00df\u03a3\u25a0\u00a0");
    EXPECT_EQ(Widen(bytes, 437), wide);
    BOOL usedDefault = TRUE;
    char narrow[16];
    EXPECT_EQ(WideCharToMultiByte(437, 0, wide.data(), int(wide.size()), narrow, 16, nullptr, &usedDefault), 8);
    EXPECT_EQ(std::string(narrow, 8), bytes);
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(WideCharToMultiByte(437, 0, TEXT("\u4e00b"), 2, narrow, 16, nullptr, &usedDefault), 2);
    EXPECT_EQ(std::string(narrow, 2), "?b");
    EXPECT_TRUE(usedDefault);

    WCHAR small[4];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, bytes.data(), int(bytes.size()), small, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(Utf8, RoundTripsEveryPlaneIncludingSurrogatePairs) {
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E\xEF\xBF\xBF";  // a é € 𝄞 U+FFFF
    U16 wide = Widen(utf8, CP_UTF8);
    EXPECT_EQ(wide, TEXT("a\u00e9\u20ac\U0001D11E\uFFFF"));
    EXPECT_EQ(Narrow(wide, CP_UTF8), utf8);
}

// Each maximal ill-formed part of a sequence becomes one U+FFFD, as Unicode recommends and Windows does.
TEST(Utf8, InvalidSequencesBecomeReplacementCharactersOrFailWhenAsked) {
    // A stray continuation byte, an overlong slash, a cut-off sequence in the middle and at the end.
    const std::string bad = "x\x80y\xC0\xAFz\xE2\x82w\xE2\x82";
    U16 wide = Widen(bad, CP_UTF8);
    EXPECT_EQ(wide, TEXT("x\uFFFDy\uFFFD\uFFFDz\uFFFDw\uFFFD"));

    WCHAR out[32];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad.data(), int(bad.size()), out, 32), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));

    const U16 lone = TEXT("a\xD800") TEXT("b");
    EXPECT_EQ(Narrow(lone, CP_UTF8),
              "a\xEF\xBF\xBD"
              "b");
    char narrow[16];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 3, narrow, 16, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(Utf8, AnEncodedSurrogateIsThreeIllFormedPartsAndUtf8HasNoDefaultCharacter) {
    SKIP_UNDER_WINE(
        "Wine gives ED A0 80 two U+FFFD (Windows, as Unicode recommends, three: ED cannot start a "
        "surrogate), and converts to UTF-8 with a default character or lpUsedDefaultChar, which Windows refuses");
    EXPECT_EQ(Widen("z\xED\xA0\x80w", CP_UTF8), TEXT("z\uFFFD\uFFFD\uFFFDw"));
    char narrow[16];
    BOOL used;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, TEXT("a"), 1, narrow, 16, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    // UTF-8 has no default character to name either.
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, TEXT("a"), 1, narrow, 16, "#", nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, LargeTextsConvertWhole) {
    // Several megabytes with a character outside the code page near the end: nothing may stop early.
    std::string bytes(6 * 1024 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(1 + i % 255);
    U16 wide = Widen(bytes);
    ASSERT_EQ(wide.size(), bytes.size());
    wide[wide.size() - 2] = TEXT('\u4e00');
    bytes[bytes.size() - 2] = '?';
    EXPECT_EQ(Narrow(wide), bytes);
}

// Plain ASCII is converted many characters at a time; a character needing the table, a NUL or the end
// may fall anywhere in such a group, and the text may start at any address.
TEST(CodePage, ConversionsAgreeWhereverOtherCharactersAndTheEndFall) {
    const std::string all = AllBytes();
    const U16 allWide = Widen(all);
    for (size_t start = 0; start < 8; ++start) {
        for (size_t odd = 0; odd < 40; odd += 3) {
            // ASCII text with one byte from the upper half (or the end) at position odd.
            std::string bytes(start, 'p');
            bytes += std::string(47, 'a');
            U16 expected(start, TEXT('p'));
            expected += U16(47, TEXT('a'));
            unsigned char special = (unsigned char)(0x80 + (odd * 11 + start) % 128);
            if (odd < 47) {
                bytes[start + odd] = char(special);
                expected[start + odd] = allWide[special];
            }
            // Widening stops at the NUL wherever it is, and whatever follows it.
            std::string zeroed = bytes + '\0' + "tail";
            WCHAR wide[128];
            ASSERT_EQ(wsprintfW(wide, TEXT("%S"), zeroed.c_str() + start), int(bytes.size() - start));
            ASSERT_EQ(U16(wide), expected.substr(start)) << start << " " << odd;
            ASSERT_EQ(Widen(bytes.substr(start)), expected.substr(start));
            // Narrowing from units at odd and even addresses, with one the code page lacks.
            U16 units = expected;
            units[start + 5] = TEXT('\u4e00');
            std::string want = bytes.substr(start);
            want[5] = '?';
            ASSERT_EQ(Narrow(units.substr(start)), want) << start << " " << odd;
        }
    }
}

}  // namespace
