// Pixel work of the image-skinned controls on plain pixel rows, without any window system:
// the column and row maps that stretch a skin cell to a control's size, the brightness shift,
// the eleven fade effects that compute one frame between two pictures, and the scan that turns
// a picture and its transparent colour into one-pixel-high runs for a window region.
//
// Pixels are three bytes, blue, green, red (a brightness shift also accepts four-byte pixels,
// whose fourth byte it leaves alone). A picture is addressed from its top row through a row
// step that may be negative, so the rows of a bottom-up device-independent bitmap are used in
// place. The colour value of a pixel is red + green * 256 + blue * 65536.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SkTypes.h"

namespace vornada::skin {

// Rows of pixels owned by someone else; row 0 is the top row.
struct PixelRows {
  uint8_t* top = nullptr;   // first byte of row 0
  ptrdiff_t stride = 0;     // bytes from a row to the one below it (negative when bottom-up)
  int width = 0;
  int height = 0;
  int pixel_bytes = 3;

  uint8_t* Row(int y) const { return top + static_cast<ptrdiff_t>(y) * stride; }
  bool Empty() const { return top == nullptr || width <= 0 || height <= 0; }
};

// A picture of three-byte pixels with its own memory (rows packed, top-down).
struct Picture24 {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bytes;

  Picture24() = default;
  Picture24(int w, int h);
  PixelRows Rows();
  // The colour value at (x, y), and setting it.
  int32_t At(int x, int y) const;
  void Set(int x, int y, int32_t colour);
};

// 0 .. 255: larger values give 255, smaller ones 0.
uint8_t ClampByte(int64_t value);

// The colour value of a pixel of three (or more) bytes in the order blue, green, red.
inline int32_t ColourOf(const uint8_t* pixel) {
  return static_cast<int32_t>(pixel[2]) | (static_cast<int32_t>(pixel[1]) << 8) |
         (static_cast<int32_t>(pixel[0]) << 16);
}

// ---- stretching a cell -----------------------------------------------------------------------

// Which cell column each of `target_width` target columns shows, for a cell `cell_width` wide:
// columns near the left and right edges are kept and the middle is cut or repeated. Every entry
// lies inside the cell (0 .. cell_width - 1); an empty cell gives no map.
std::vector<int> StretchColumnMap(int cell_width, int target_width);
// The same for rows: which of `cell_height` rows each of `target_height` target rows shows.
std::vector<int> StretchRowMap(int cell_height, int target_height);

// Fills `target` (three-byte pixels) with the cell of `skin` that starts at column `cell_left`
// and is `cell_width` x `cell_height`, resized by the two maps. Only pixels inside both the cell
// and the skin are read; without any such pixel the target becomes black.
void StretchCellRows(const PixelRows& skin, int cell_left, int cell_width, int cell_height,
                     const PixelRows& target);

// ---- brightness ------------------------------------------------------------------------------

// The channel offset of a brightness amount: amount * 255 / 200, truncated (-40 gives -51).
int BrightenDelta(int amount);
// Adds the offset of `amount` to the blue, green and red byte of every pixel, clamped to
// 0 .. 255; a fourth byte is not changed. Pixels of 3 or 4 bytes.
void BrightenRows(const PixelRows& picture, int amount);

// ---- fades -----------------------------------------------------------------------------------

// Whether step `k` of a fade of `states` steps draws a frame with effect `fx`. Steps 1 .. states
// are meaningful (a fade draws steps 2 .. states); efxfInvert never draws its last step.
bool FadeStepDraws(TSkFadeFx fx, int states, int k);
// One pixel of the frame of step `k`: `from` is the start picture's pixel, `to` the target
// picture's, `out` receives the frame's pixel (all blue, green, red). False (and `out`
// untouched) when the step does not draw.
bool FadePixel(TSkFadeFx fx, int states, int k, const uint8_t* from, const uint8_t* to,
               uint8_t* out);
// The frame of step `k` into `frame`, pixel by pixel from the top row. Drawing stops at the
// first frame pixel that lies outside `from` or `to` (what was written before stays). Returns
// the number of pixels written (0 when the step does not draw).
long FadeFrame(TSkFadeFx fx, int states, int k, const PixelRows& from, const PixelRows& to,
               const PixelRows& frame);

// ---- regions ---------------------------------------------------------------------------------

// A horizontal run of non-transparent pixels of one row: columns left .. right - 1.
struct OpaqueRun {
  int y = 0;
  int left = 0;
  int right = 0;
  bool operator==(const OpaqueRun&) const = default;
};

struct RunScan {
  std::vector<OpaqueRun> runs;  // rows from the top, runs from the left
  int extent = 0;               // the largest x + 1 of a non-transparent pixel (0: none)
};

// The runs of pixels whose colour value differs from `transparent` (exact comparison), row by
// row. Three-byte pixels.
RunScan ScanOpaqueRuns(const PixelRows& picture, int32_t transparent);

}  // namespace vornada::skin
