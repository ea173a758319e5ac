// Logical palettes, built in one place: from a colour table, as a copy of another palette, and
// the halftone palette of the screen. Every palette comes in its handle owner, so the live GDI
// object count stays exact; a caller that hands one to the system (the clipboard) or to a
// picture that takes ownership releases it there.
#pragma once

#include <windows.h>

#include <vector>

#include "WinHandles.h"

namespace vornada {

// A palette of the colour table's entries (`count` of them; none gives a one-entry black one).
win::UniquePalette PaletteFromColors(const RGBQUAD* colors, size_t count);
inline win::UniquePalette PaletteFromColors(const std::vector<RGBQUAD>& colors) {
  return PaletteFromColors(colors.data(), colors.size());
}
// The entries of a palette (at most 256).
std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette);
// A palette with the same entries as `palette` (nothing for nothing).
win::UniquePalette CopyPalette(HPALETTE palette);
// The halftone palette of the screen and its 256 colours.
win::UniquePalette HalftonePalette();
std::vector<RGBQUAD> HalftoneColors();

}  // namespace vornada
