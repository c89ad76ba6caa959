// The terminal's keys as the phone's keys.
#include "platform/posix/terminal/keymap.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/base/utf16.h"

#include <string>

#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <ncursesw/curses.h>

namespace posix {

namespace {

InputEvent KeyEvent(int vk, bool down, char16_t ch = 0) {
    InputEvent e;
    e.kind = InputEvent::Key;
    e.vk = vk;
    e.down = down;
    e.ch = ch;
    return e;
}

int VirtualKeyForChar(char32_t ch) {
    if (ch >= U'a' && ch <= U'z') return int(ch - U'a' + 'A');
    if ((ch >= U'A' && ch <= U'Z') || (ch >= U'0' && ch <= U'9')) return int(ch);
    if (ch == U' ') return VK_SPACE;
    return VK_PACKET;
}

}  // namespace

int KeyMap::NamedKeyFor(const char *name) {
    if (!name) return 0;
    std::string n = name;
    if (n == "kHOM5") return kCtrlHome;
    if (n == "kEND5") return kCtrlEnd;
    return 0;
}

void KeyMap::PressAndRelease(int vk, char16_t ch, std::deque<InputEvent> &out) {
    out.push_back(KeyEvent(vk, true, ch));
    out.push_back(KeyEvent(vk, false));
}

void KeyMap::ReleaseHold(std::deque<InputEvent> &out) {
    if (!held_) return;
    held_ = false;
    out.push_back(KeyEvent(VK_TSOFT1, false));
}

void KeyMap::Arrow(int vk, bool shifted, std::deque<InputEvent> &out) {
    // A box or menu would take the left soft key as its answer: there Shift only moves, as a plain arrow.
    if (shifted && !held_ && !boxShown_) {
        held_ = true;
        out.push_back(KeyEvent(VK_TSOFT1, true));
    }
    PressAndRelease(vk, 0, out);
}

void KeyMap::Translate(int key, bool isKeyCode, std::deque<InputEvent> &out) {
    if (isKeyCode) {
        switch (key) {
            case KEY_UP: Arrow(VK_UP, false, out); return;
            case KEY_DOWN: Arrow(VK_DOWN, false, out); return;
            case KEY_LEFT: Arrow(VK_LEFT, false, out); return;
            case KEY_RIGHT: Arrow(VK_RIGHT, false, out); return;
            case KEY_SR: Arrow(VK_UP, true, out); return;
            case KEY_SF: Arrow(VK_DOWN, true, out); return;
            case KEY_SLEFT: Arrow(VK_LEFT, true, out); return;
            case KEY_SRIGHT: Arrow(VK_RIGHT, true, out); return;
            case KEY_RESIZE: out.push_back(InputEvent{InputEvent::Resize}); return;
        }
        if (key == KEY_F(1)) {
            // F1 again ends the hold it started. A box or menu takes it as a plain press: held there, the
            // key would stay down after the box has gone.
            if (held_) {
                ReleaseHold(out);
            } else if (boxShown_) {
                PressAndRelease(VK_TSOFT1, 0, out);
            } else {
                held_ = true;
                out.push_back(KeyEvent(VK_TSOFT1, true));
            }
            return;
        }
        ReleaseHold(out);
        switch (key) {
            case kCtrlHome:
            case kCtrlEnd:
                out.push_back(KeyEvent(VK_CONTROL, true));
                PressAndRelease(key == kCtrlHome ? VK_HOME : VK_END, 0, out);
                out.push_back(KeyEvent(VK_CONTROL, false));
                return;
            case KEY_F(2): PressAndRelease(VK_TSOFT2, 0, out); return;
            case KEY_BACKSPACE: PressAndRelease(VK_TBACK, 0, out); return;
            case KEY_ENTER: PressAndRelease(VK_RETURN, u'\r', out); return;
            case KEY_HOME: PressAndRelease(VK_HOME, 0, out); return;
            case KEY_END: PressAndRelease(VK_END, 0, out); return;
            case KEY_PPAGE: PressAndRelease(VK_PRIOR, 0, out); return;
            case KEY_NPAGE: PressAndRelease(VK_NEXT, 0, out); return;
            case KEY_DC: PressAndRelease(VK_DELETE, 0, out); return;
        }
        return;  // other function keys do nothing on the phone
    }
    ReleaseHold(out);
    char32_t ch = char32_t(key);
    switch (ch) {
        case 27:
        case 127:
        case 8: PressAndRelease(VK_TBACK, 0, out); return;
        case U'\r':
        case U'\n': PressAndRelease(VK_RETURN, u'\r', out); return;
        case U'\t': PressAndRelease(VK_TAB, u'\t', out); return;
    }
    if (ch < 0x20) return;  // other control keys type nothing
    // Neither a code point past U+10FFFF nor a surrogate code point is a character: UTF-16 has no
    // whole form for either.
    if (ch > 0x10FFFF || IsHighSurrogate(ch) || IsLowSurrogate(ch)) return;
    if (ch >= 0x10000) {
        PressAndRelease(VK_PACKET, HighSurrogateOf(ch), out);
        PressAndRelease(VK_PACKET, LowSurrogateOf(ch), out);
        return;
    }
    PressAndRelease(VirtualKeyForChar(ch), char16_t(ch), out);
}

}  // namespace posix
