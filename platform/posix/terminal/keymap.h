// Terminal keys, as ncurses reports them, turned into the phone's key presses and releases.
#pragma once

#include "platform/posix/windowing/front_end.h"

#include <deque>

namespace posix {

// Turns terminal keys into the phone's key presses and releases, including the emulated hold of the
// left soft key (F1, or the first Shift+arrow, holds it until the next key that is not an arrow). Over a
// message box or popup menu there is no hold: F1 is a plain press there and Shift+arrows only move.
class KeyMap {
public:
    // Keys that ncurses reports only by name (xterm's modified keys), given to Translate as key codes.
    enum NamedKey { kCtrlHome = -100, kCtrlEnd = -101 };
    // The NamedKey for an ncurses key name such as "kEND5", or 0.
    static int NamedKeyFor(const char *name);
    // A key as ncurses reports it: isKeyCode for KEY_* codes, otherwise a character.
    void Translate(int key, bool isKeyCode, std::deque<InputEvent> &out);
    bool SoftKeyHeld() const { return held_; }
    // Whether a message box or popup menu is up, for the keys translated from now on.
    void SetBoxShown(bool shown) { boxShown_ = shown; }
    // The platform let go of the held key, because the window, box or menu it was pressed in is no longer
    // in front: the arrows that follow are plain ones, and no release is due.
    void ForgetHold() { held_ = false; }

private:
    void PressAndRelease(int vk, char16_t ch, std::deque<InputEvent> &out);
    void ReleaseHold(std::deque<InputEvent> &out);
    void Arrow(int vk, bool shifted, std::deque<InputEvent> &out);
    bool held_ = false;
    bool boxShown_ = false;
};

}  // namespace posix
