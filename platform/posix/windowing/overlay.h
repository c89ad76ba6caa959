// Layers drawn over the windows that take the keys while they are up: popup menus and message boxes.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/front_end.h"

#include <vector>

namespace posix {

class Overlay {
public:
    virtual ~Overlay() = default;
    virtual void HandleKey(const InputEvent &event) = 0;
    virtual void Draw(CellGrid &grid) = 0;
    virtual U16String LeftLabel() const = 0;
    virtual U16String RightLabel() const = 0;
    virtual U16String Title() const { return U16String(); }
};
void PushOverlay(Overlay *overlay);
void PopOverlay(Overlay *overlay);
Overlay *TopOverlay();
std::vector<Overlay *> Overlays();  // bottom first

// Forgets every overlay, so that a test starts clean.
void ResetOverlays();

}  // namespace posix
