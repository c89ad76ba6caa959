// The terminal front end: the phone's screen drawn with ncurses, and the terminal's keys turned into the
// phone's keys.
#pragma once

#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/terminal/keymap.h"

#include <cwchar>
#include <deque>
#include <vector>

namespace posix {

class TerminalScreen : public FrontEnd {
public:
    TerminalScreen();
    ~TerminalScreen() override;
    int Cols() const override;
    int Rows() const override;
    bool NextInput(InputEvent &event) override;
    bool InputWaiting() const override;
    U16String SoftKeyName(int index) const override;
    U16String TitleNote() const override;
    void Present(const CellGrid &grid) override;
    void BringToFront() override;
    void SessionEnding() override;
    void SessionEnded(int signal) override;

    // Gives the terminal back as it was; safe to call more than once and from a signal handler's path.
    static void Restore();

private:
    void Start();  // takes the terminal, on the first frame
    void ReadKeys();
    void ReadPastedBytes(std::deque<TerminalKey> &decoded);
    bool CellShown(const CellGrid &grid, int col, int row) const;

    bool started_ = false;
    int cols_ = 80;
    int rows_ = 24;
    KeyMap keys_;
    KeyDecoder decoder_;
    std::mbstate_t pasteState_{};  // the multibyte state of pasted bytes read past ncurses
    // Keys read but not yet turned into the phone's: each is turned when the events of the one before it
    // have been taken, so that it sees whether they brought up a box or a menu.
    std::deque<TerminalKey> read_;
    std::deque<InputEvent> pending_;
    // The cells as the last frame put them on the terminal, so that a frame touches only what changed;
    // empty when the terminal's picture is not known.
    std::vector<Cell> shown_;
    int shownCols_ = 0;
    int cursorVisibility_ = -1;  // as curs_set last set it; -1 before the first frame
};

}  // namespace posix
