// Composition of a GIF animation's logical screen for one frame index, the way the animator
// control shows it: frames applied by their disposal methods, transparent pixels keyed out by
// colour value, and the previous composition reused when the next frame is asked for.
//
// Ownership: a Composition owns its pixel vector, whose bytes count in the picture's memory
// budget while it lives; the caller keeps one per animator as its cache and passes it to every
// call. The picture is only read (frames may get decoded).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "GifPicture.h"
#include "GifTypes.h"

namespace vornada::gif {

struct Composition {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<Color> pixels;  // width * height colour values (0x00BBGGRR), rows top-down
  int index = -1;             // frame index shown; -1 = nothing cached
  Color key = clNone;         // the key colour (transparent areas), clNone when there is none
  Color brush = 0;            // colour that fills the background and disposed areas
  pictures::BudgetShare share;  // the pixels' bytes, taken from the picture's memory budget

  Color At(uint32_t x, uint32_t y) const { return pixels[size_t{y} * width + x]; }
  void Reset() { *this = Composition{}; }
};

struct ComposeOptions {
  // The system window colour, used as background when the picture gives none.
  Color window_color = MakeColor(255, 255, 255);
  // The nearest colour the drawing surface can show; the colour itself when not set.
  std::function<Color(Color)> nearest_color;
};

// Builds (or advances) `cache` to show frame `index` (limited to the last frame) of
// `picture`. The cache is reused when `index` is its index + 1 and its frame's disposal is not
// 3; otherwise a new logical screen is made: filled with the current frame's transparent
// colour as key colour, else the picture's background colour when the picture is transparent,
// else the window colour; then the frames from the last one that hides everything before it
// (covers the screen and is opaque, or is cleared to the background before `index`) are
// applied by their disposal methods (0 and 1 drawn, 2 cleared, others left out), and frame
// `index` is drawn. Returns false (and empties the cache)
// when the picture has no frames or an empty logical screen. Errors of the picture propagate;
// a new composition is then dropped, a reused one stays as it was left.
bool ComposeFrame(GifPicture& picture, int index, Composition& cache,
                  const ComposeOptions& options = ComposeOptions{});

}  // namespace vornada::gif
