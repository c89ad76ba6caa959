// The terminal's keys as the phone's keys: the emulated hold of the left soft key, Back, Esc, Enter, the
// keys with Shift and Ctrl, the characters typed; and the decoder that finds Alt and pastes among them.
#include <gtest/gtest.h>

#include "platform/posix/terminal/key_decoder.h"
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

posix::KeyContext Box() {
    posix::KeyContext context;
    context.boxShown = true;
    return context;
}

// A dialog: its right soft key is Cancel and Enter confirms.
posix::KeyContext Dialog() {
    posix::KeyContext context;
    context.escapeCancels = true;
    context.enterConfirms = true;
    return context;
}

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
    map.SetContext(Box());
    EXPECT_EQ(Events(map, {{KEY_SF, kCode}, {KEY_SR, kCode}, {KEY_SLEFT, kCode}}), "+40 -40 +38 -38 +37 -37 ");
    EXPECT_FALSE(map.SoftKeyHeld());
    EXPECT_EQ(Events(map, {{KEY_F(1), kCode}, {KEY_DOWN, kCode}}), "+112 -112 +40 -40 ");
    EXPECT_FALSE(map.SoftKeyHeld());
    // With the box gone, the first Shift+arrow holds the key again.
    map.SetContext(posix::KeyContext());
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

TEST(KeyMap, BackspaceIsTheBackKeyEverywhere) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{127, kChar}, {8, kChar}, {KEY_BACKSPACE, kCode}}), "+27 -27 +27 -27 +27 -27 ");
    map.SetContext(Dialog());
    EXPECT_EQ(Events(map, {{127, kChar}}), "+27 -27 ");
    map.SetContext(Box());
    EXPECT_EQ(Events(map, {{KEY_BACKSPACE, kCode}}), "+27 -27 ");
}

TEST(KeyMap, EscapeNeverDeletesButClosesWhatIsOpen) {
    posix::KeyMap map;
    // In the editor (its right soft key opens the menu) Esc does nothing, and ends a hold like any key.
    EXPECT_EQ(Events(map, {{27, kChar}}), "");
    EXPECT_EQ(Events(map, {{KEY_F(1), kCode}, {27, kChar}}), "+112 -112 ");
    // Over a menu or box it is Back: one level closes, or the box answers No.
    map.SetContext(Box());
    EXPECT_EQ(Events(map, {{27, kChar}}), "+27 -27 ");
    // In a dialog or the browser it presses the right soft key, Cancel.
    map.SetContext(Dialog());
    EXPECT_EQ(Events(map, {{27, kChar}}), "+113 -113 ");
}

TEST(KeyMap, EnterInADialogOrOneLineFieldPressesTheLeftSoftKey) {
    posix::KeyMap map;
    map.SetContext(Dialog());
    EXPECT_EQ(Events(map, {{'\r', kChar}, {KEY_ENTER, kCode}}), "+112 -112 +112 -112 ");
    // A box over the dialog answers Enter itself.
    posix::KeyContext boxOverDialog = Dialog();
    boxOverDialog.boxShown = true;
    map.SetContext(boxOverDialog);
    EXPECT_EQ(Events(map, {{'\r', kChar}}), "+13:13 -13 ");
    EXPECT_FALSE(map.SoftKeyHeld());
}

TEST(KeyMap, EnterTypesACarriageReturnAndTabATab) {
    posix::KeyMap map;
    EXPECT_EQ(Events(map, {{'\r', kChar}, {'\n', kChar}, {KEY_ENTER, kCode}, {'\t', kChar}}),
              "+13:13 -13 +13:13 -13 +13:13 -13 +9:9 -9 ");
}

TEST(KeyMap, ShiftAndCtrlArriveHeldAroundTheKeysTheyModify) {
    posix::KeyMap map;
    EXPECT_EQ(posix::KeyMap::NamedKeyFor("kEND5"), posix::KeyMap::kCtrlEnd);
    EXPECT_EQ(posix::KeyMap::NamedKeyFor("kLFT5"), posix::KeyMap::kCtrlLeft);
    EXPECT_EQ(posix::KeyMap::NamedKeyFor("kRIT6"), posix::KeyMap::kCtrlShiftRight);
    EXPECT_EQ(posix::KeyMap::NamedKeyFor("kUP3"), 0);
    EXPECT_EQ(posix::KeyMap::NamedKeyFor(nullptr), 0);
    EXPECT_EQ(Events(map, {{posix::KeyMap::kCtrlEnd, kCode}}), "+17 +35 -35 -17 ");
    EXPECT_EQ(Events(map, {{posix::KeyMap::kCtrlRight, kCode}}), "+17 +39 -39 -17 ");
    EXPECT_EQ(Events(map, {{posix::KeyMap::kCtrlShiftLeft, kCode}}), "+16 +17 +37 -37 -17 -16 ");
    EXPECT_EQ(Events(map, {{KEY_SHOME, kCode}, {KEY_SNEXT, kCode}}), "+16 +36 -36 -16 +16 +34 -34 -16 ");
    // Shift with an arrow stays the Mark key's hold, not Shift.
    EXPECT_EQ(Events(map, {{KEY_SRIGHT, kCode}}), "+112 +39 -39 ");
    // Shift+End ends that hold first.
    EXPECT_EQ(Events(map, {{KEY_SEND, kCode}}), "-112 +16 +35 -35 -16 ");
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

TEST(KeyMap, APasteIsTextInPiecesThatKeepSurrogatePairsWhole) {
    posix::KeyMap map;
    posix::TerminalKey paste;
    paste.kind = posix::TerminalKey::Paste;
    paste.text = std::u16string(4095, u'a') + u"\U0001F600" + u"b";
    std::deque<posix::InputEvent> out;
    map.Translate(paste, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].kind, posix::InputEvent::Text);
    EXPECT_EQ(out[0].text, std::u16string(4095, u'a'));
    EXPECT_EQ(out[1].text, u"\U0001F600b");
}

// What the decoder makes of keys read together; "idle" marks where no more keys were waiting.
struct Read {
    int code;
    bool isCode = false;
};
std::string Decode(posix::KeyDecoder &decoder, std::vector<Read> keys, bool idle = true) {
    std::deque<posix::TerminalKey> out;
    for (const Read &k : keys)
        decoder.Add(k.code, k.isCode, out);
    if (idle) decoder.Idle(out);
    std::string text;
    for (const posix::TerminalKey &k : out) {
        if (k.kind == posix::TerminalKey::Paste) {
            text += "paste[";
            for (char16_t ch : k.text)
                text += ch == u'\r' ? std::string("\\r") : std::string(1, char(ch));
            text += "] ";
        } else {
            text += (k.isKeyCode ? "code" : "char") + std::to_string(k.code) + " ";
        }
    }
    return text;
}

std::vector<Read> Chars(const std::string &text) {
    std::vector<Read> keys;
    for (char ch : text)
        keys.push_back(Read{(unsigned char)ch});
    return keys;
}

TEST(KeyDecoder, AnEscFollowedAtOnceByAKeyIsAltWithThatKey) {
    posix::KeyDecoder decoder;
    EXPECT_EQ(Decode(decoder, {{27}, {'x'}}), "char120 ");
    EXPECT_EQ(Decode(decoder, {{27}, {KEY_UP, true}}), "code259 ");
    // A lone Esc is Esc once nothing more waits; two in a row are two.
    EXPECT_EQ(Decode(decoder, {{27}}), "char27 ");
    EXPECT_EQ(Decode(decoder, {{27}, {27}}), "char27 char27 ");
    // Alt+[ alone, or followed by a key that ends no sequence, types the '['.
    EXPECT_EQ(Decode(decoder, {{27}, {'['}}), "char91 ");
    EXPECT_EQ(Decode(decoder, {{27}, {'['}, {KEY_DOWN, true}}), "char91 code258 ");
}

TEST(KeyDecoder, SequencesNcursesDoesNotKnowTypeNothing) {
    posix::KeyDecoder decoder;
    std::vector<Read> keys = Chars("\x1b[1;5Pa");
    EXPECT_EQ(Decode(decoder, keys), "char97 ");
}

TEST(KeyDecoder, ABracketedPasteIsOneTextWithEveryLineBreakACarriageReturn) {
    posix::KeyDecoder decoder;
    EXPECT_EQ(Decode(decoder, Chars("\x1b[200~one\r\ntwo\nthree\rfour\r\r\n\x1b[201~z")),
              "paste[one\\rtwo\\rthree\\rfour\\r\\r] char122 ");
    // A paste read in several pieces, with the keys' idle moments between them, is still one.
    EXPECT_EQ(Decode(decoder, Chars("\x1b[200~ab\x1b")), "");
    EXPECT_TRUE(decoder.Pasting());
    EXPECT_EQ(Decode(decoder, Chars("[201~")), "paste[ab] ");
    EXPECT_FALSE(decoder.Pasting());
    // Keys ncurses made of the pasted text are no part of it; an empty paste is nothing.
    EXPECT_EQ(Decode(decoder, {{27},
                               {'['},
                               {'2'},
                               {'0'},
                               {'0'},
                               {'~'},
                               {KEY_F(1), true},
                               {'q'},
                               {27},
                               {'['},
                               {'2'},
                               {'0'},
                               {'1'},
                               {'~'}}),
              "paste[q] ");
    EXPECT_EQ(Decode(decoder, Chars("\x1b[200~\x1b[201~")), "");
}

}  // namespace
