// Gradient fills and the masked glyph cell copy of the effect controls.
//
// DrawGradient paints a two-colour gradient into a rectangle of any canvas, through an
// off-screen bitmap that reaches the canvas in one block copy. The end and centre directions
// fill one strip 8 pixels thick with one solid fill per colour run (FillGradientStrip) and
// spread it over the area with doubling block copies (ReplicateStrip); the diagonal and box
// directions are worked out per pixel (see FxGrafxCore.h for all of them).
#pragma once

#include <windows.h>

#include "FxCommon.h"
#include "FxGrafxCore.h"
#include "Graphics.h"

namespace vornada {

enum class TGradientAxis { gaAlongX, gaAlongY };

// Paints the gradient into `bounds` of the canvas (a zero width or height paints nothing).
void DrawGradient(TCanvas& canvas, const RECT& bounds, TGradientDirection direction,
                  TColor start_color, TColor stop_color, BYTE band_step);
// Paints one strip at the origin of `target`: 8 pixels across the axis, `length` along it.
void FillGradientStrip(HDC target, TGradientAxis axis, int length, TStripForm form,
                       TColor start_color, TColor stop_color, BYTE band_step);
// Spreads the filled block at the origin of `target` over total_width x total_height.
void ReplicateStrip(HDC target, int filled_width, int filled_height, int total_width,
                    int total_height);
// Copies `source_rect` of `source` (stretched to the destination's size) onto the canvas at its
// origin, `dest` giving the size, leaving the canvas unchanged where the source shows
// `transparent_color`.
void DrawTransparentCell(TCanvas& canvas, TBitmap& source, const RECT& dest,
                         const RECT& source_rect, TColor transparent_color);

}  // namespace vornada
