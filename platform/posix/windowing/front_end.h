// The front end the screen is shown on and the input comes from (a terminal, or a headless screen for
// tests), and whether the screen it shows is out of date.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/drawing/cell_grid.h"

namespace posix {

struct InputEvent {
    enum Kind { Key, Resize, Wake, Text } kind = Key;
    int vk = 0;        // virtual key
    bool down = true;  // press or release
    char16_t ch = 0;   // the character the key types, if any (WM_CHAR after TranslateMessage)
    U16String text;    // Text: characters typed all at once (a paste), every line break a CR
};

class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    // The screen size in cells.
    virtual int Cols() const = 0;
    virtual int Rows() const = 0;
    // Waits for the next input event. False when no more input will ever come.
    virtual bool NextInput(InputEvent &event) = 0;
    // Whether input has arrived that NextInput has not given yet: the frame waits until it is taken.
    virtual bool InputWaiting() const { return false; }
    // The terminal key that presses a soft key (index 0 left, 1 right), shown beside its label; empty
    // where the front end has the phone's own keys.
    virtual U16String SoftKeyName(int index) const {
        (void)index;
        return U16String();
    }
    // Shown at the right end of the title row (where the caret is, say); empty for nothing.
    virtual U16String TitleNote() const { return U16String(); }
    // Shows a finished frame.
    virtual void Present(const CellGrid &grid) = 0;
    // Asked to come to the front by another instance.
    virtual void BringToFront() {}
    // The session ends (a hangup or a termination): every window has been asked and is about to be told.
    // The screen is given back now, so that what the program writes to its standard error is seen.
    virtual void SessionEnding() {}
    // Every window has been told; signal is what ended the session. A front end for people ends the
    // process here; one for tests returns, and the message loops then end.
    virtual void SessionEnded(int signal) { (void)signal; }
};
void SetFrontEnd(FrontEnd *frontEnd);
FrontEnd *GetFrontEnd();

// The screen changed: the next frame presented redraws it.
void InvalidateScreen();
// Whether the screen changed since the last call.
bool TakeScreenInvalidation();

}  // namespace posix
