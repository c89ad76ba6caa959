// The terminal front end: the phone's screen drawn with ncurses, and the terminal's keys turned into the
// phone's keys.
#pragma once

#include "platform/posix/internal.h"

#include <deque>

namespace posix {

// Turns terminal keys into the phone's key presses and releases, including the emulated hold of the
// left soft key (F1, or the first Shift+arrow, holds it until the next key that is not an arrow).
class KeyMap {
public:
    // Keys that ncurses reports only by name (xterm's modified keys), given to Translate as key codes.
    enum NamedKey { kCtrlHome = -100, kCtrlEnd = -101 };
    // The NamedKey for an ncurses key name such as "kEND5", or 0.
    static int NamedKeyFor(const char *name);
    // A key as ncurses reports it: isKeyCode for KEY_* codes, otherwise a character.
    void Translate(int key, bool isKeyCode, std::deque<InputEvent> &out);
    bool SoftKeyHeld() const { return held_; }

private:
    void PressAndRelease(int vk, char16_t ch, std::deque<InputEvent> &out);
    void ReleaseHold(std::deque<InputEvent> &out);
    void Arrow(int vk, bool shifted, std::deque<InputEvent> &out);
    bool held_ = false;
};

class TerminalScreen : public FrontEnd {
public:
    TerminalScreen();
    ~TerminalScreen() override;
    int Cols() const override;
    int Rows() const override;
    bool NextInput(InputEvent &event) override;
    void Present(const CellGrid &grid) override;
    void BringToFront() override;

    // Gives the terminal back as it was; safe to call more than once and from a signal handler's path.
    static void Restore();

private:
    void Start();  // takes the terminal, on the first frame
    bool ReadKeys();
    bool started_ = false;
    int cols_ = 80;
    int rows_ = 24;
    KeyMap keys_;
    std::deque<InputEvent> pending_;
};

}  // namespace posix
