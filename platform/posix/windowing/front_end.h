// The front end the screen is shown on and the input comes from (a terminal, or a headless screen for
// tests), and whether the screen it shows is out of date.
#pragma once

#include "platform/posix/drawing/cell_grid.h"

namespace posix {

struct InputEvent {
    enum Kind { Key, Resize, Wake } kind = Key;
    int vk = 0;        // virtual key
    bool down = true;  // press or release
    char16_t ch = 0;   // the character the key types, if any (WM_CHAR after TranslateMessage)
};

class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    // The screen size in cells.
    virtual int Cols() const = 0;
    virtual int Rows() const = 0;
    // Waits for the next input event. False when no more input will ever come.
    virtual bool NextInput(InputEvent &event) = 0;
    // Shows a finished frame.
    virtual void Present(const CellGrid &grid) = 0;
    // Asked to come to the front by another instance.
    virtual void BringToFront() {}
};
void SetFrontEnd(FrontEnd *frontEnd);
FrontEnd *GetFrontEnd();

// The screen changed: the next frame presented redraws it.
void InvalidateScreen();
// Whether the screen changed since the last call.
bool TakeScreenInvalidation();

}  // namespace posix
