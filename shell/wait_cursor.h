// The wait cursor shown while long work runs (reading, writing, searching): set on construction, put
// back to none when the guard goes, on every way out, or earlier by Restore where the work tells the user
// something before it ends.
#pragma once

#include "platform/win32.h"

class WaitCursor {
public:
    WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    void Restore() {
        if (!shown_) return;
        shown_ = false;
        SetCursor(nullptr);
    }

private:
    bool shown_ = true;  // the wait cursor is still up
};
