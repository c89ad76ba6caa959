// Terminal keys, as ncurses reports them, turned into the phone's key presses and releases.
#pragma once

#include "platform/posix/terminal/key_decoder.h"
#include "platform/posix/windowing/front_end.h"

#include <deque>

namespace posix {

// What is in front when a key is translated: it decides what Esc and Enter press.
struct KeyContext {
    bool boxShown = false;       // a message box or popup menu takes the keys
    bool escapeCancels = false;  // the active window's right soft key runs a command (Cancel), not a menu
    bool enterConfirms = false;  // a dialog, or a one-line field, is in front: Enter presses the left soft key
};

// Turns terminal keys into the phone's key presses and releases, including the emulated hold of the
// left soft key (F1, or the first Shift+arrow, holds it until the next key that is not an arrow). Over a
// message box or popup menu there is no hold: F1 is a plain press there and Shift+arrows only move.
// Esc is never the Back key that deletes: it closes what is open, and does nothing in the editor.
class KeyMap {
public:
    // Keys that ncurses reports only by name (xterm's modified keys), given to Translate as key codes.
    enum NamedKey {
        kCtrlHome = -100,
        kCtrlEnd = -101,
        kCtrlLeft = -102,
        kCtrlRight = -103,
        kCtrlShiftHome = -104,
        kCtrlShiftEnd = -105,
        kCtrlShiftLeft = -106,
        kCtrlShiftRight = -107,
    };
    // The NamedKey for an ncurses key name such as "kEND5", or 0.
    static int NamedKeyFor(const char *name);
    // A key as ncurses reports it: isKeyCode for KEY_* codes, otherwise a character.
    void Translate(int key, bool isKeyCode, std::deque<InputEvent> &out);
    // A key or a paste as the decoder gives it; a paste is text typed at once, in pieces of a bounded size.
    void Translate(const TerminalKey &key, std::deque<InputEvent> &out);
    bool SoftKeyHeld() const { return held_; }
    // What is in front, for the keys translated from now on.
    void SetContext(const KeyContext &context) { context_ = context; }
    // The platform let go of the held key, because the window, box or menu it was pressed in is no longer
    // in front: the arrows that follow are plain ones, and no release is due.
    void ForgetHold() { held_ = false; }

private:
    void PressAndRelease(int vk, char16_t ch, std::deque<InputEvent> &out);
    void ReleaseHold(std::deque<InputEvent> &out);
    void Arrow(int vk, bool shifted, std::deque<InputEvent> &out);
    void Modified(int vk, bool shift, bool control, std::deque<InputEvent> &out);
    void Escape(std::deque<InputEvent> &out);
    void Enter(std::deque<InputEvent> &out);
    bool held_ = false;
    KeyContext context_;
};

}  // namespace posix
