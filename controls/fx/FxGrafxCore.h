// The arithmetic of the gradient fills, portable (no windows.h).
//
// A gradient strip is 8 pixels thick and `length` pixels long; its colours are worked out in
// passes in 16.16 fixed point and painted as runs of equal colour (one solid fill per run):
//  - end form: one pass from position length - 1 (the stop colour) down to 0, moving towards
//    the start colour;
//  - centre form, split s = length / 2: pass one from s (stop colour) down to 0 towards the
//    start colour, pass two from length - 1 (start colour) down to s + 1 towards the stop colour.
// A pass from p1 down to p0 over n positions, beginning with colour A and moving towards B:
// inc = (B * 65536 - A * 65536) / n per channel, truncated towards zero; position p1 - k gets
// floor((A * 65536 + k * inc) / 65536). A run starts at a position with its colour and goes on
// while the next position has the same colour; with BandStep m > 1 (m = BandStep up to 8, else
// 255 / BandStep + 1) a run takes at least m positions and keeps the colour of its first one.
//
// The filled strip is spread over the whole area by doubling block copies (ReplicationPlan).
// Directions without a strip (diagonals and boxes) are worked out per pixel from the same end
// form along their own measure (GradientPixels).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FxCommonCore.h"

namespace vornada {

enum class TStripForm { sfEnd, sfCentre };

// One run of a strip: positions low..high (inclusive) in `color`.
struct GradientRun {
  int low = 0;
  int high = 0;
  RgbColor color = 0;
  bool operator==(const GradientRun&) const = default;
};

// The longest strip and the largest per-pixel area worked out; longer strips give no colours
// and larger areas no pixels (no display shows them; the memory would be wasted).
constexpr int kMaxGradientLength = 1 << 16;
constexpr int64_t kMaxGradientArea = int64_t{1} << 24;

// The colour of every position of a strip, position 0 first.
std::vector<RgbColor> GradientStripColors(int length, TStripForm form, RgbColor start,
                                          RgbColor stop);
// The runs of a strip in painting order (pass one from its top position down, then pass two).
std::vector<GradientRun> GradientStripRuns(int length, TStripForm form, RgbColor start,
                                           RgbColor stop, int band_step);
// The minimum run length of a BandStep.
int MinimumRunLength(int band_step);

// One block copy within a bitmap: the filled block (0, 0, width, height) onto (dest_x, dest_y).
struct BlockCopy {
  int dest_x = 0, dest_y = 0, width = 0, height = 0;
  bool operator==(const BlockCopy&) const = default;
};
// The copies that spread a filled block at the origin over total_width x total_height, each
// doubling the filled extent (clipped at the far edge): height first when it is short, then
// alternating while both are short, then the one still short.
std::vector<BlockCopy> ReplicationPlan(int filled_width, int filled_height, int total_width,
                                       int total_height);

// Whether a direction is painted as a strip (the four end and centre directions).
bool IsStripDirection(TGradientDirection direction);

// Every pixel (rows top-down) of a width x height gradient of the per-pixel directions:
//  - gdDiagonalDown: the start colour at the top-left corner, the stop colour at the bottom-right
//    one, bands of 45 degrees between (measure x + y);
//  - gdDiagonalUp: start at the bottom-left corner, stop at the top-right one (x + height-1-y);
//  - gdHorizontalBox: concentric frames from the start colour at every edge to the stop colour
//    in the middle, each frame one pixel wide, spread over half the height (a wide area gets a
//    horizontal band of the stop colour);
//  - gdVerticalBox: the same spread over half the width;
//  - gdSquareBox: concentric squares about the centre (their size by the larger distance from
//    the centre), the stop colour at the centre, the start colour at the farthest squares;
//  - gdBigSquareBox: concentric rectangles shaped like the area, the stop colour at the centre
//    and the start colour on every edge.
// The strip directions are computed too (as their strips spread), so every direction can be
// drawn this way.
std::vector<RgbColor> GradientPixels(TGradientDirection direction, int width, int height,
                                     RgbColor start, RgbColor stop, int band_step);

}  // namespace vornada
