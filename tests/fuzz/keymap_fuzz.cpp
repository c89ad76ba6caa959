// The terminal's key decoder and key map on any run of keys: every key it presses it releases, except the
// left soft key while it is held, which it holds at most once; the characters it types are whole UTF-16
// text, never half a surrogate pair; and a paste is whole text too, with no LF left in it.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/terminal/key_decoder.h"
#include "platform/posix/terminal/keymap.h"
#include "platform/posix/base/utf16.h"

#include "tests/fuzz/fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>

#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <ncursesw/curses.h>

namespace {

void Fail(const char *what) {
    std::fprintf(stderr, "key map: %s\n", what);
    std::abort();
}

// A key as ncurses may report it: mostly ones the map knows, sometimes anything at all.
int NextKey(FuzzInput &in, bool &isKeyCode) {
    static const int kCodes[] = {KEY_UP,
                                 KEY_DOWN,
                                 KEY_LEFT,
                                 KEY_RIGHT,
                                 KEY_SR,
                                 KEY_SF,
                                 KEY_SLEFT,
                                 KEY_SRIGHT,
                                 KEY_RESIZE,
                                 KEY_F(1),
                                 KEY_F(2),
                                 KEY_F(3),
                                 KEY_BACKSPACE,
                                 KEY_ENTER,
                                 KEY_HOME,
                                 KEY_END,
                                 KEY_PPAGE,
                                 KEY_NPAGE,
                                 KEY_DC,
                                 KEY_SHOME,
                                 KEY_SEND,
                                 KEY_SPREVIOUS,
                                 KEY_SNEXT,
                                 posix::KeyMap::kCtrlHome,
                                 posix::KeyMap::kCtrlEnd,
                                 posix::KeyMap::kCtrlLeft,
                                 posix::KeyMap::kCtrlRight,
                                 posix::KeyMap::kCtrlShiftHome,
                                 posix::KeyMap::kCtrlShiftEnd,
                                 posix::KeyMap::kCtrlShiftLeft,
                                 posix::KeyMap::kCtrlShiftRight};
    // Often the pieces of Esc sequences and of the paste marks, so that pastes begin and end.
    static const char kMarkPieces[] = "\x1b[2001~";
    if (in.Below(3) == 0) {
        isKeyCode = false;
        return (unsigned char)kMarkPieces[in.Below(sizeof kMarkPieces - 1)];
    }
    switch (in.Below(4)) {
        case 0: isKeyCode = true; return kCodes[in.Below(sizeof kCodes / sizeof kCodes[0])];
        case 1: isKeyCode = true; return int(in.Dword());
        case 2: isKeyCode = false; return in.Byte();
        default: isKeyCode = false; return int(in.Dword() % 0x120000);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    posix::KeyDecoder decoder;
    posix::KeyMap map;
    std::map<int, int> down;  // presses not yet released, by virtual key
    char16_t pendingHigh = 0;
    while (!in.Empty()) {
        if (in.Below(8) == 0) {
            int bits = in.Byte();
            posix::KeyContext context;
            context.boxShown = bits & 1;
            context.escapeCancels = bits & 2;
            context.enterConfirms = bits & 4;
            map.SetContext(context);
        }
        bool isKeyCode = false;
        int key = NextKey(in, isKeyCode);
        std::deque<posix::TerminalKey> keys;
        decoder.Add(key, isKeyCode, keys);
        if (in.Below(4) == 0) decoder.Idle(keys);
        std::deque<posix::InputEvent> events;
        for (const posix::TerminalKey &k : keys)
            map.Translate(k, events);
        for (const posix::InputEvent &e : events) {
            if (e.kind == posix::InputEvent::Text) {
                if (e.text.empty()) Fail("an empty paste");
                for (size_t i = 0; i < e.text.size(); ++i) {
                    if (e.text[i] == u'\n') Fail("an LF left in a paste");
                    bool high = posix::IsHighSurrogate(e.text[i]);
                    bool lowNext = i + 1 < e.text.size() && posix::IsLowSurrogate(e.text[i + 1]);
                    if (high != lowNext) Fail("half a surrogate pair pasted");
                    if (high)
                        ++i;
                    else if (posix::IsLowSurrogate(e.text[i]))
                        Fail("half a surrogate pair pasted");
                }
                continue;
            }
            if (e.kind != posix::InputEvent::Key) continue;
            int &count = down[e.vk];
            count += e.down ? 1 : -1;
            if (count < 0) Fail("a key released that was not pressed");
            if (count > 1) Fail("a key pressed twice without a release");
            if (!e.down || !e.ch) continue;
            if (pendingHigh && !posix::IsLowSurrogate(e.ch)) Fail("half a surrogate pair typed");
            if (!pendingHigh && posix::IsLowSurrogate(e.ch)) Fail("half a surrogate pair typed");
            pendingHigh = posix::IsHighSurrogate(e.ch) ? e.ch : 0;
        }
        if (pendingHigh) Fail("a key ended half-way through a surrogate pair");
        for (const auto &[vk, count] : down)
            if (count && !(vk == VK_TSOFT1 && map.SoftKeyHeld())) Fail("a key left pressed");
        if (map.SoftKeyHeld() != (down[VK_TSOFT1] == 1)) Fail("the hold and the left soft key disagree");
    }
    return 0;
}
