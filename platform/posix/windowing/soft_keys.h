// The soft-key bar a top-level window shows, as the keyboard and the screen's soft-key row use it. The
// bar is a control above this layer: it registers itself here when it makes its first bar, and until
// then no window has a bar.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

namespace posix {

class SoftKeyBars {
public:
    virtual ~SoftKeyBars() = default;
    // The bar belonging to a top-level window or one of its descendants, or null.
    virtual HWND BarFor(HWND topLevel) = 0;
    virtual U16String Label(HWND bar, int index) = 0;  // index 0 left, 1 right
    // Whether the key opens a menu rather than running a command.
    virtual bool OpensMenu(HWND bar, int index) = 0;
    // False when the bar does not take this key.
    virtual bool Press(HWND bar, int vk, bool down) = 0;
};
void RegisterSoftKeyBars(SoftKeyBars *bars);

HWND SoftKeyBarFor(HWND topLevel);
U16String SoftKeyLabel(HWND bar, int index);
bool SoftKeyOpensMenu(HWND bar, int index);
bool SoftKeyPress(HWND bar, int vk, bool down);

}  // namespace posix
