// The headless front end for tests: the same screen in memory, and a script of key presses and releases
// (and checks to run between them) that the program's message loops consume as if a person typed them.
#pragma once

#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/front_end.h"

#include <deque>
#include <functional>
#include <string>

namespace posix {

class HeadlessScreen : public FrontEnd {
public:
    explicit HeadlessScreen(int cols = 80, int rows = 24);
    ~HeadlessScreen() override;

    // --- The script, consumed in order ---
    HeadlessScreen &Press(int vk, char16_t ch = 0);    // key down only (a soft key held, say)
    HeadlessScreen &Release(int vk);                   // key up
    HeadlessScreen &Key(int vk, char16_t ch = 0);      // down and up
    HeadlessScreen &Type(const std::u16string &text);  // each character down and up
    HeadlessScreen &Then(std::function<void()> step);  // runs inside whatever loop takes the next input
    HeadlessScreen &ResizeTo(int cols, int rows);
    size_t Pending() const { return script_.size(); }

    // --- What a test reads ---
    const CellGrid &Screen() const { return grid_; }
    std::string Text() const { return grid_.Text(); }
    std::string Row(int row) const { return grid_.RowText(row); }
    bool Shows(const std::string &utf8) const { return Text().find(utf8) != std::string::npos; }
    // Non-empty when the script ran out while a modal loop (a message box, a menu) still waited.
    const std::string &Failure() const { return failure_; }
    int Frames() const { return frames_; }

    // --- FrontEnd ---
    int Cols() const override { return cols_; }
    int Rows() const override { return rows_; }
    bool NextInput(InputEvent &event) override;
    void Present(const CellGrid &grid) override;

private:
    struct Step {
        InputEvent event;
        std::function<void()> action;
    };
    int cols_;
    int rows_;
    std::deque<Step> script_;
    CellGrid grid_;
    std::string failure_;
    int frames_ = 0;
    bool resized_ = false;
};

// The virtual key a character is typed with.
int VirtualKeyFor(char16_t ch);

}  // namespace posix
