// The terminal front end: the phone's screen drawn with ncurses, and the terminal's keys turned into the
// phone's keys.
#pragma once

#include "platform/posix/internal.h"
#include "platform/posix/terminal/keymap.h"

#include <deque>

namespace posix {

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
    bool StartsHoldOverBox(const InputEvent &event) const;
    bool started_ = false;
    int cols_ = 80;
    int rows_ = 24;
    KeyMap keys_;
    std::deque<InputEvent> pending_;
};

}  // namespace posix
