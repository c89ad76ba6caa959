// The terminal's keys as the phone's keys: the emulated hold of the left soft key, Back, Enter, and the
// characters typed.
#include <gtest/gtest.h>

#include "platform/posix/terminal/keymap.h"

#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <ncursesw/curses.h>

#include <string>
#include <vector>

namespace {

// Each event as "+vk" (press) or "-vk" (release), with ":c" for a typed character.
std::string Events(posix::KeyMap &map, std::vector<std::pair<int, bool>> keys) {
    std::deque<posix::InputEvent> out;
    for (auto [key, isCode] : keys)
        map.Translate(key, isCode, out);
    std::string text;
    for (const posix::InputEvent &e : out) {
        text += (e.down ? "+" : "-") + std::to_string(e.vk);
        if (e.ch) text += ":" + std::to_string(int(e.ch));
        text += " ";
    }
    return text;
}

constexpr bool kCode = true, kChar = false;

TEST(KeyMap, F1HoldsTheLeftSoftKeyThroughArrowsUntilAnotherKey) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{KEY_F(1), kCode}, {KEY_RIGHT, kCode}, {KEY_DOWN, kCode}}), "+112 +39 -39 +40 -40 ");
    EXPECT_TRUE(map.SoftKeyHeld());
    EXPECT_EQ(Events(map, {{'a', kChar}}), "-112 +65:97 -65 ");
    EXPECT_FALSE(map.SoftKeyHeld());
}

TEST(KeyMap, F1AgainEndsTheHold) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{KEY_F(1), kCode}, {KEY_F(1), kCode}}), "+112 -112 ");
    EXPECT_FALSE(map.SoftKeyHeld());
}

TEST(KeyMap, ShiftArrowsHoldTheLeftSoftKeyFromTheFirstOne) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{KEY_SRIGHT, kCode}, {KEY_SLEFT, kCode}, {KEY_LEFT, kCode}, {KEY_F(2), kCode}}),
              "+112 +39 -39 +37 -37 +37 -37 -112 +113 -113 ");
}

TEST(KeyMap, OverABoxShiftArrowsOnlyMoveAndF1IsAPlainPress) {
    // A box or menu takes a left soft key press as its answer: Shift+Down must not say Yes to it.
    posix::KeyMap map;
    map.SetBoxShown(true);
    EXPECT_EQ(Events(map, {{KEY_SF, kCode}, {KEY_SR, kCode}, {KEY_SLEFT, kCode}}), "+40 -40 +38 -38 +37 -37 ");
    EXPECT_FALSE(map.SoftKeyHeld());
    EXPECT_EQ(Events(map, {{KEY_F(1), kCode}, {KEY_DOWN, kCode}}), "+112 -112 +40 -40 ");
    EXPECT_FALSE(map.SoftKeyHeld());
    // With the box gone, the first Shift+arrow holds the key again.
    map.SetBoxShown(false);
    EXPECT_EQ(Events(map, {{KEY_SF, kCode}}), "+112 +40 -40 ");
    EXPECT_TRUE(map.SoftKeyHeld());
}

TEST(KeyMap, AHoldThePlatformLetGoOfEndsWithoutARelease) {
    // F1 closed the dialog it was pressed in; the arrows that follow in the editor are plain ones.
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{KEY_F(1), kCode}}), "+112 ");
    map.ForgetHold();
    EXPECT_FALSE(map.SoftKeyHeld());
    EXPECT_EQ(Events(map, {{KEY_RIGHT, kCode}, {'a', kChar}}), "+39 -39 +65:97 -65 ");
    // Shift+arrow starts a new hold.
    EXPECT_EQ(Events(map, {{KEY_SLEFT, kCode}}), "+112 +37 -37 ");
}

TEST(KeyMap, EscapeAndBackspaceAreTheBackKey) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{27, kChar}, {127, kChar}, {KEY_BACKSPACE, kCode}}), "+27 -27 +27 -27 +27 -27 ");
}

TEST(KeyMap, EnterTypesACarriageReturnAndTabATab) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{'\r', kChar}, {'\n', kChar}, {KEY_ENTER, kCode}, {'\t', kChar}}),
              "+13:13 -13 +13:13 -13 +13:13 -13 +9:9 -9 ");
}

TEST(KeyMap, CtrlHomeAndEndArriveWithControlHeld) {
    posix::KeyMap map;
    EXPECT_EQ(posix::KeyMap::NamedKeyFor("kEND5"), posix::KeyMap::kCtrlEnd);
    EXPECT_EQ(posix::KeyMap::NamedKeyFor("kUP3"), 0);
    EXPECT_EQ(Events(map, {{posix::KeyMap::kCtrlEnd, kCode}}), "+17 +35 -35 -17 ");
}

TEST(KeyMap, CharactersTypeThemselvesAndOtherControlKeysNothing) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{'Z', kChar}, {0xE9, kChar}, {3, kChar}, {KEY_F(7), kCode}}), "+90:90 -90 +231:233 -231 ");
    // A character beyond the 16-bit range comes as its two surrogates.
    EXPECT_EQ(Events(map, {{0x1F600, kChar}}), "+231:55357 -231 +231:56832 -231 ");
    // What no UTF-16 text can hold whole types nothing, rather than half a pair or a wrong one.
    EXPECT_EQ(Events(map, {{0x110000, kChar}, {0xD800, kChar}, {0xDFFF, kChar}, {0x7FFFFFFF, kChar}}), "");
    EXPECT_EQ(Events(map, {{0x10FFFF, kChar}}), "+231:56319 -231 +231:57343 -231 ");
}

}  // namespace
