// What only our platform has around code pages: Linux file names, which carry any bytes, and the
// conversions that narrow a character the code page lacks to '?' instead of failing or stopping.
#include <gtest/gtest.h>

#include "platform/posix/base/win32_api.h"
#include "platform/posix/system/codepage.h"

#include <random>
#include <string>
#include <vector>

namespace {

// Linux names carry any bytes: every name comes back byte for byte from the characters it lists as.
TEST(LinuxNames, EveryByteStringRoundTripsThroughItsCharacters) {
    std::vector<std::string> names = {"plain.txt",
                                      "d\xC3\xA9j\xC3\xA0",
                                      "caf\xE9",
                                      "\x80\xFF",
                                      "\xC3",
                                      "\xE2\x82\xAC\xE2\x82",
                                      "\xF0\x9F\x98\x80\x80",
                                      "\xED\xB2\x80",
                                      "\xC0\xAF",
                                      "\xF4\x90\x80\x80"};
    std::mt19937 random(16);
    for (int i = 0; i < 2000; ++i) {
        std::string name(random() % 12, '\0');
        for (char &c : name)
            c = char(random() % 2 ? 0x80 + random() % 0x80 : random() % 0x100);
        names.push_back(name);
    }
    for (const std::string &name : names) {
        std::u16string wide = posix::LinuxNameToU16(name);
        std::string back;
        ASSERT_TRUE(posix::U16ToLinuxName(wide, back)) << ::testing::PrintToString(name);
        EXPECT_EQ(back, name);
        bool invalid = false;
        posix::Utf8ToUtf16Length(name.data(), name.size(), &invalid);
        if (!invalid) {
            EXPECT_EQ(wide, posix::Utf8ToU16(name));  // valid UTF-8 reads as it always did
        }
    }
    EXPECT_EQ(posix::LinuxNameToU16("caf\xE9"), u"caf\xDCE9");
    EXPECT_EQ(posix::LinuxNameToU16("\xF0\x9F\x98\x80\x80"), u"\xD83D\xDE00\xDC80");
    std::string out;
    EXPECT_FALSE(posix::U16ToLinuxName(u"a\xD800", out));
    EXPECT_FALSE(posix::U16ToLinuxName(u"\xDC7F", out));
    EXPECT_TRUE(posix::U16ToLinuxName(u"\xD83D\xDE00", out));
    EXPECT_EQ(out, "\xF0\x9F\x98\x80");
}

// sprintf("%S") narrows a character the code page lacks to '?' and goes on, however long the text and
// wherever the character falls; a conversion never fails as a whole and never stops early.
TEST(CodePageDeparture, SprintfNarrowsCharactersOutsideToQuestionMarksWithoutStopping) {
    const std::u16string wide = u"\u20ac\u4e00\u00e9A\U0001F600z";  // the emoji is two units, each a '?'
    char narrow[16];
    EXPECT_EQ(sprintf(narrow, "[%S]", wide.c_str()), 9);
    EXPECT_EQ(std::string(narrow),
              "[\x80?\xE9"
              "A??z]");

    std::u16string large(6 * 1024 * 1024, u'a');
    large[large.size() - 2] = u'\u4e00';
    std::vector<char> bytes(large.size() + 1);
    ASSERT_EQ(sprintf(bytes.data(), "%S", large.c_str()), int(large.size()));
    EXPECT_EQ(bytes[large.size() - 2], '?');
    EXPECT_EQ(bytes[large.size() - 1], 'a');

    // Plain ASCII is narrowed many units at a time: the lacking unit may fall anywhere in such a group,
    // and the text may start at any address.
    for (size_t start = 0; start < 8; ++start) {
        for (size_t odd = 0; odd < 47; odd += 3) {
            std::u16string units(start + 47, u'a');
            units[start + odd] = u'\u4e00';
            std::string want(47, 'a');
            want[odd] = '?';
            char out[128];
            ASSERT_EQ(sprintf(out, "%S", units.c_str() + start), 47);
            ASSERT_EQ(std::string(out), want) << start << " " << odd;
        }
    }
}

}  // namespace
