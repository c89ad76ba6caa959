// The settings key: the stored font, read at start-up and written as the stored-string rule says.
#include "settings/settings.h"
#include "tests/program/harness.h"
#include "platform/posix/drawing/gdi.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"

#include <fstream>

namespace {

class SettingsTest : public ProgramTest {
protected:
    void WriteRegistry(const std::string &values) const {
        std::ofstream out(registryFile(), std::ios::binary);
        out << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Scrivel]\r\n" << values;
    }
    std::u16string EditorFace() const {
        const LOGFONTW *lf = posix::FontDescription((HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0));
        return lf ? std::u16string(lf->lfFaceName) : u"(none)";
    }
    LONG EditorHeight() const {
        const LOGFONTW *lf = posix::FontDescription((HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0));
        return lf ? lf->lfHeight : -999;
    }
    // As when the program is started again: all it held in memory is gone, its files are where they were.
    void NextStart() {
        posix::ResetPlatform();
        ResetProgramState();
        posix::SetFrontEnd(&screen);
    }
};

TEST_F(SettingsTest, AFirstStartCreatesTheKeyAndAppliesNoFont) {
    Run();
    EXPECT_NE(SettingsKey, nullptr);
    EXPECT_EQ(EditorFace(), u"(none)");
    EXPECT_EQ(FontSize, 0);
    EXPECT_TRUE(FontFaceName.empty());
}

TEST_F(SettingsTest, AStoredFontIsWrittenByteForByteAndAppliedAtTheNextStart) {
    screen.Then([] { SaveFontSetting(u"Nina", 12); });
    Run();
    std::string stored = RegistryText();
    EXPECT_NE(stored.find("[HKEY_CURRENT_USER\\Software\\Scrivel]"), std::string::npos) << stored;
    // The four characters and the low byte of the terminator: 9 bytes.
    EXPECT_NE(stored.find("\"Font\"=hex(1):4e,00,69,00,6e,00,61,00,00\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"FontSize\"=dword:0000000c"), std::string::npos) << stored;

    // The next start reads the file the program itself wrote, and leaves it as it was.
    NextStart();
    ASSERT_EQ(FontSize, 0);
    ASSERT_TRUE(FontFaceName.empty());
    Run();
    EXPECT_EQ(FontFaceName, u"Nina");
    EXPECT_EQ(FontSize, 12);
    EXPECT_EQ(EditorFace(), u"Nina");
    EXPECT_EQ(EditorHeight(), 12);
    EXPECT_EQ(RegistryText(), stored);
}

TEST_F(SettingsTest, AValueStoredWithAFullTerminatorReadsBackTheSameCharacters) {
    WriteRegistry("\"Font\"=hex(1):4e,00,69,00,6e,00,61,00,00,00\r\n\"FontSize\"=dword:0000000a\r\n");
    Run();
    EXPECT_EQ(FontFaceName, u"Nina");
    EXPECT_EQ(FontSize, 10);
}

TEST_F(SettingsTest, AHandWrittenStringValueIsRead) {
    WriteRegistry("\"Font\"=\"Courier New\"\r\n\"FontSize\"=dword:00000009\r\n");
    Run();
    EXPECT_EQ(FontFaceName, u"Courier New");
}

TEST_F(SettingsTest, SizesOfZeroAndBelowAreTakenAsTheyAre) {
    WriteRegistry("\"Font\"=hex(1):41,00,00\r\n\"FontSize\"=dword:fffffffb\r\n");
    Run();
    EXPECT_EQ(FontSize, -5);
    EXPECT_EQ(FontFaceName, u"A");
    EXPECT_EQ(EditorFace(), u"A") << "start-up applies the stored font whatever its size";
}

TEST_F(SettingsTest, AStoredSizeOfZeroIsTakenAsItIs) {
    WriteRegistry("\"Font\"=hex(1):41,00,00\r\n\"FontSize\"=dword:00000000\r\n");
    Run();
    EXPECT_EQ(FontFaceName, u"A");
    EXPECT_EQ(FontSize, 0);
    EXPECT_EQ(EditorFace(), u"A");
    EXPECT_EQ(EditorHeight(), 0);
}

TEST_F(SettingsTest, ATextValueOfFiveHundredTwentyBytesIsReadAndOneByteMoreCountsAsAbsent) {
    std::string hex;
    std::u16string name;
    for (int i = 0; i < 259; ++i) {
        hex += "41,00,";
        name += u'A';
    }
    // 259 characters and a whole terminator: 520 bytes, the buffer's size.
    WriteRegistry("\"Font\"=hex(1):" + hex + "00,00\r\n\"FontSize\"=dword:0000000a\r\n");
    Run();
    EXPECT_EQ(FontFaceName, name);
    EXPECT_EQ(FontSize, 10);
    EXPECT_EQ(EditorFace(), name.substr(0, 31));

    TearDown();
    SetUp();
    // 260 characters and the low byte of the terminator: 521 bytes.
    WriteRegistry("\"Font\"=hex(1):" + hex + "41,00,00\r\n\"FontSize\"=dword:0000000a\r\n");
    Run();
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(FontSize, 0);
    EXPECT_EQ(EditorFace(), u"(none)");
}

TEST_F(SettingsTest, ATextValueOverFiveHundredTwentyBytesCountsAsAbsent) {
    std::string hex;
    for (int i = 0; i < 261; ++i)
        hex += "41,00,";
    hex += "00";
    WriteRegistry("\"Font\"=hex(1):" + hex + "\r\n\"FontSize\"=dword:0000000a\r\n");
    Run();
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(FontSize, 0);
    EXPECT_EQ(EditorFace(), u"(none)");
}

TEST_F(SettingsTest, AFontSizeOfMoreThanFourBytesCountsAsAbsent) {
    WriteRegistry("\"Font\"=hex(1):41,00,00\r\n\"FontSize\"=hex(4):0a,00,00,00,00\r\n");
    Run();
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(FontSize, 0);
}

TEST_F(SettingsTest, AShorterFontSizeFillsOnlyTheLowBytes) {
    WriteRegistry("\"Font\"=hex(1):41,00,00\r\n\"FontSize\"=hex(4):0e,00\r\n");
    Run();
    EXPECT_EQ(FontSize, 14);
}

TEST_F(SettingsTest, EitherValueAloneGivesNoFont) {
    WriteRegistry("\"FontSize\"=dword:0000000c\r\n");
    Run();
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(FontSize, 0);
    TearDown();
    SetUp();
    WriteRegistry("\"Font\"=hex(1):41,00,00\r\n");
    Run();
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(EditorFace(), u"(none)");
}

TEST_F(SettingsTest, ALongFaceNameIsReadWholeAndCutOnlyForTheFont) {
    std::string hex;
    std::u16string name;
    for (int i = 0; i < 40; ++i) {
        hex += "61,00,";
        name += u'a';
    }
    WriteRegistry("\"Font\"=hex(1):" + hex + "00\r\n\"FontSize\"=dword:0000000a\r\n");
    Run();
    EXPECT_EQ(FontFaceName, name);
    EXPECT_EQ(EditorFace(), name.substr(0, 31));
}

TEST_F(SettingsTest, ACorruptRegistryFileStartsWithoutAFontAndIsLeftAlone) {
    std::string garbage = "\x01\x02 this is not a registry file [[[\n\"Font\"=hex(1):zz";
    {
        std::ofstream out(registryFile(), std::ios::binary);
        out << garbage;
    }
    Run();
    EXPECT_TRUE(Running());
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(RegistryText(), garbage);
}

TEST_F(SettingsTest, StringsAreStoredWithTwiceTheirLengthPlusOneBytes) {
    WCHAR read[MAX_PATH] = {};
    bool ok = false;
    screen.Then([&] {
        WriteSettingString(u"Recent0", u"\\docs\\a.txt");
        ok = ReadSettingString(u"Recent0", read);
    });
    Run();
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::u16string(read), u"\\docs\\a.txt");
    DWORD count = 0;
    EXPECT_EQ(RegQueryValueExW(SettingsKey, u"Recent0", nullptr, nullptr, nullptr, &count), ERROR_SUCCESS);
    EXPECT_EQ(count, 2u * 11 + 1);
}

}  // namespace
