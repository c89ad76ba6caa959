// The phone's screen composed from the window tree: the title row, the active window with its children,
// the soft-key row and the overlays; and the one road by which a frame reaches the front end.
#pragma once

#include "platform/posix/drawing/cell_grid.h"

namespace posix {

// Composes the whole screen into grid.
void RenderScreen(CellGrid &grid);
// Composes a frame and gives it to the front end, when the screen changed since the last one.
void PresentFrame();

// Whether the wait cursor is shown (the title row then carries a busy mark).
bool WaitCursorShown();
// Puts the arrow back, so that a test starts clean.
void ResetCursor();

}  // namespace posix
