// Portable composition of animation frames by disposal method (see GifCompose.h).
#include "GifCompose.h"

#include <algorithm>
#include <array>

namespace vornada::gif {
namespace {

void FillRect(Composition& c, int64_t left, int64_t top, int64_t width, int64_t height,
              Color color) {
  const int64_t x0 = std::clamp<int64_t>(left, 0, c.width);
  const int64_t y0 = std::clamp<int64_t>(top, 0, c.height);
  const int64_t x1 = std::clamp<int64_t>(left + width, 0, c.width);
  const int64_t y1 = std::clamp<int64_t>(top + height, 0, c.height);
  for (int64_t y = y0; y < y1; ++y) {
    Color* row = c.pixels.data() + static_cast<size_t>(y) * c.width;
    std::fill(row + x0, row + x1, color);
  }
}

// Draws frame `index` at its origin, leaving out every pixel whose colour equals the frame's
// transparent colour (whatever its index).
void DrawFrame(GifPicture& picture, size_t index, Composition& c) {
  GifFrame& frame = picture.Frame(index);
  const FrameBitmap& bitmap = picture.FrameBitmapAt(index);
  const Color trans = frame.TransColor();
  std::array<Color, 256> colors{};
  std::array<bool, 256> keyed{};
  for (size_t i = 0; i < 256; ++i) {
    colors[i] = bitmap.TableColor(i);
    keyed[i] = trans != clNone && colors[i] == trans;
  }
  const int64_t left = frame.Origin().x;
  const int64_t top = frame.Origin().y;
  const int64_t x0 = std::clamp<int64_t>(left, 0, c.width);
  const int64_t x1 = std::clamp<int64_t>(left + bitmap.Width(), 0, c.width);
  const int64_t y0 = std::clamp<int64_t>(top, 0, c.height);
  const int64_t y1 = std::clamp<int64_t>(top + bitmap.Height(), 0, c.height);
  for (int64_t y = y0; y < y1; ++y) {
    Color* row = c.pixels.data() + static_cast<size_t>(y) * c.width;
    const auto by = static_cast<uint32_t>(y - top);
    for (int64_t x = x0; x < x1; ++x) {
      const uint8_t i = bitmap.IndexAt(static_cast<uint32_t>(x - left), by);
      if (!keyed[i]) row[x] = colors[i];
    }
  }
}

bool CoversScreen(const GifFrame& frame, const Composition& c) {
  return frame.Width() == c.width && frame.Height() == c.height;
}

}  // namespace

bool ComposeFrame(GifPicture& picture, int index, Composition& cache,
                  const ComposeOptions& options) {
  const size_t count = picture.FrameCount();
  const uint32_t width = picture.LogicalWidth();
  const uint32_t height = picture.LogicalHeight();
  if (count == 0 || width < 1 || height < 1) {
    cache.Reset();
    return false;
  }
  index = std::clamp(index, 0, static_cast<int>(count - 1));
  const auto target = static_cast<size_t>(index);

  const bool reuse = cache.index >= 0 && index == cache.index + 1 &&
                     static_cast<size_t>(cache.index) < count &&
                     picture.Frame(static_cast<size_t>(cache.index)).DisposeMode() != 3 &&
                     cache.width == width && cache.height == height;
  if (reuse) {
    const GifFrame& previous = picture.Frame(static_cast<size_t>(cache.index));
    if (previous.DisposeMode() == 2) {
      FillRect(cache, previous.Origin().x, previous.Origin().y, previous.Width(),
               previous.Height(), cache.brush);
    }
    DrawFrame(picture, target, cache);
    cache.index = index;
    return true;
  }

  cache.Reset();
  if (uint64_t{width} * height > picture.GetLimits().max_pixels) throw GifError::TooLarge();
  Composition fresh;
  fresh.share = picture.TakeMemory(uint64_t{width} * height * sizeof(Color));
  fresh.width = width;
  fresh.height = height;
  const int current = picture.CurrentFrame();
  const GifFrame* current_frame =
      (current >= 0 && static_cast<size_t>(current) < count) ? &picture.Frame(current) : nullptr;
  if (current_frame && current_frame->TransColor() != clNone) {
    const Color trans = current_frame->TransColor();
    fresh.key = options.nearest_color ? options.nearest_color(trans) : trans;
    fresh.brush = fresh.key;
  } else if (picture.BackgroundColor() != clNone && picture.IsTransparent()) {
    fresh.brush = picture.BackgroundColor();
  } else {
    fresh.brush = options.window_color;
  }
  fresh.pixels.assign(size_t{width} * height, fresh.brush);

  // The last frame at or before `index` after which earlier frames no longer show: one that
  // covers the screen and is opaque, or that is cleared to the background before `index`.
  // An opaque frame that restores the previous screen (disposal 3) before `index` does not
  // hide what was there before it, so the search goes on past it.
  size_t start = target;
  for (; start >= 1; --start) {
    const GifFrame& f = picture.Frame(start);
    if (!CoversScreen(f, fresh)) continue;
    const bool opaque_start =
        f.TransColor() == clNone && (start == target || f.DisposeMode() != 3);
    const bool cleared_before = f.DisposeMode() == 2 && start < target;
    if (opaque_start || cleared_before) break;
  }
  for (size_t i = start; i < target; ++i) {
    const GifFrame& f = picture.Frame(i);
    switch (f.DisposeMode()) {
      case 0:
      case 1:
        DrawFrame(picture, i, fresh);
        break;
      case 2:
        if (i != start) FillRect(fresh, f.Origin().x, f.Origin().y, f.Width(), f.Height(), fresh.brush);
        break;
      default:
        break;
    }
  }
  DrawFrame(picture, target, fresh);
  fresh.index = index;
  cache = std::move(fresh);
  return true;
}

}  // namespace vornada::gif
