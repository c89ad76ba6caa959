// The terminal's keys as the phone's keys.
#include "platform/posix/terminal/keymap.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/base/utf16.h"

#include <algorithm>
#include <cstring>

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
    // xterm's names: 5 is Ctrl, 6 is Ctrl+Shift.
    static const struct {
        const char *name;
        NamedKey key;
    } kNames[] = {{"kHOM5", kCtrlHome},      {"kEND5", kCtrlEnd},       {"kLFT5", kCtrlLeft},
                  {"kRIT5", kCtrlRight},     {"kHOM6", kCtrlShiftHome}, {"kEND6", kCtrlShiftEnd},
                  {"kLFT6", kCtrlShiftLeft}, {"kRIT6", kCtrlShiftRight}};
    for (const auto &n : kNames)
        if (std::strcmp(name, n.name) == 0) return n.key;
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
    if (shifted && !held_ && !context_.boxShown) {
        held_ = true;
        out.push_back(KeyEvent(VK_TSOFT1, true));
    }
    PressAndRelease(vk, 0, out);
}

// A key with Shift or Ctrl held around it, as the edit control reads them from the key state.
void KeyMap::Modified(int vk, bool shift, bool control, std::deque<InputEvent> &out) {
    if (shift) out.push_back(KeyEvent(VK_SHIFT, true));
    if (control) out.push_back(KeyEvent(VK_CONTROL, true));
    PressAndRelease(vk, 0, out);
    if (control) out.push_back(KeyEvent(VK_CONTROL, false));
    if (shift) out.push_back(KeyEvent(VK_SHIFT, false));
}

// A reflexive Esc must never cost text: over a box or menu it is Back, which answers No or closes a
// level; in a window whose right soft key is Cancel it presses that; anywhere else (the editor, whose
// right soft key opens the menu) it does nothing.
void KeyMap::Escape(std::deque<InputEvent> &out) {
    if (context_.boxShown)
        PressAndRelease(VK_TBACK, 0, out);
    else if (context_.escapeCancels)
        PressAndRelease(VK_TSOFT2, 0, out);
}

// Enter in a dialog or a one-line field would otherwise be IDOK, which the dialogs do not act on: it
// presses the left soft key (Find, Done, Save) instead. A box answers Enter itself.
void KeyMap::Enter(std::deque<InputEvent> &out) {
    if (context_.enterConfirms && !context_.boxShown)
        PressAndRelease(VK_TSOFT1, 0, out);
    else
        PressAndRelease(VK_RETURN, u'\r', out);
}

void KeyMap::Translate(const TerminalKey &key, std::deque<InputEvent> &out) {
    if (key.kind == TerminalKey::Key) return Translate(key.code, key.isKeyCode, out);
    ReleaseHold(out);
    // Pieces keep the queue short: each is taken before the next is posted.
    constexpr size_t kPiece = 4096;
    for (size_t at = 0; at < key.text.size();) {
        size_t n = std::min(kPiece, key.text.size() - at);
        // A surrogate pair stays in one piece.
        if (at + n < key.text.size() && IsHighSurrogate(key.text[at + n - 1])) --n;
        InputEvent e;
        e.kind = InputEvent::Text;
        e.text = key.text.substr(at, n);
        out.push_back(std::move(e));
        at += n;
    }
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
            case KEY_RESIZE: {
                InputEvent resize;
                resize.kind = InputEvent::Resize;
                out.push_back(resize);
                return;
            }
        }
        if (key == KEY_F(1)) {
            // F1 again ends the hold it started. A box or menu takes it as a plain press: held there, the
            // key would stay down after the box has gone.
            if (held_) {
                ReleaseHold(out);
            } else if (context_.boxShown) {
                PressAndRelease(VK_TSOFT1, 0, out);
            } else {
                held_ = true;
                out.push_back(KeyEvent(VK_TSOFT1, true));
            }
            return;
        }
        ReleaseHold(out);
        switch (key) {
            case kCtrlHome: Modified(VK_HOME, false, true, out); return;
            case kCtrlEnd: Modified(VK_END, false, true, out); return;
            case kCtrlLeft: Modified(VK_LEFT, false, true, out); return;
            case kCtrlRight: Modified(VK_RIGHT, false, true, out); return;
            case kCtrlShiftHome: Modified(VK_HOME, true, true, out); return;
            case kCtrlShiftEnd: Modified(VK_END, true, true, out); return;
            case kCtrlShiftLeft: Modified(VK_LEFT, true, true, out); return;
            case kCtrlShiftRight: Modified(VK_RIGHT, true, true, out); return;
            case KEY_SHOME: Modified(VK_HOME, true, false, out); return;
            case KEY_SEND: Modified(VK_END, true, false, out); return;
            case KEY_SPREVIOUS: Modified(VK_PRIOR, true, false, out); return;
            case KEY_SNEXT: Modified(VK_NEXT, true, false, out); return;
            case KEY_F(2): PressAndRelease(VK_TSOFT2, 0, out); return;
            case KEY_BACKSPACE: PressAndRelease(VK_TBACK, 0, out); return;
            case KEY_ENTER: Enter(out); return;
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
        case 27: Escape(out); return;
        case 127:
        case 8: PressAndRelease(VK_TBACK, 0, out); return;
        case U'\r':
        case U'\n': Enter(out); return;
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
