// What the GDI shares with the layers above it: device contexts over a cell grid, and the fonts made.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/drawing/cell_grid.h"

#include <vector>

namespace posix {

// A context that draws into grid (null: one only measured with) with its origin and clip in screen
// pixels, and the font it starts with. DeleteGridContext is false for a handle that names no context.
HDC CreateGridContext(CellGrid *grid, POINT origin, RECT clip, HFONT font);
bool DeleteGridContext(HDC dc);

// The description a font was created from, or null for a handle that is no font.
const LOGFONTW *FontDescription(HFONT font);
// The font families EnumFontFamiliesW lists (fontconfig's, unless set here).
void SetFontFamilies(const std::vector<U16String> &families);
// Font objects created and not yet deleted, so that tests can tell a leak.
size_t LiveFontCount();
// What the terminal shows beside text drawn in a font other than the system font, as it cannot change
// its glyphs: the font's face and height ("DejaVu Sans Mono, 12"). Empty for the system font, the stock
// fonts and a handle that is no font.
U16String FontCaption(HFONT font);

// Frees every context and font, so that a test starts clean.
void ResetGdi();

}  // namespace posix
