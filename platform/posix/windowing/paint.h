// Drawing in windows: the device contexts of windows, which draw into the frame being composed, and the
// caret.
#pragma once

#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"

namespace posix {

// The grid that BeginPaint and GetDC draw into while a frame is composed (null otherwise).
void SetPaintGrid(CellGrid *grid);
// Where the caret is on screen, when it is shown in the focused window.
bool CaretCell(int &col, int &row);

// A window that goes takes its caret with it.
void DropCaretOf(HWND hwnd);

// Forgets the caret and the grid, so that a test starts clean.
void ResetPaint();

}  // namespace posix
