// What the PNG fuzz target does with one input, shared with the regression test that replays
// saved crash inputs: load the bytes as a PNG picture and, when that succeeds, export its
// pixels, blend it onto a small buffer, touch pixels, save it, load the saved file again (which
// must succeed) and resize it. Any failure other than a PngError of the input itself aborts.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "png/PngBlend.h"
#include "png/PngPicture.h"

namespace vornada::png {

// Largest image (pixel store plus alpha plane) the workout decodes, so that one input takes
// milliseconds and stays far below libFuzzer's memory limit.
constexpr uint64_t kWorkoutMemoryLimit = 4u << 20;

// Returns true when the input loaded.
inline bool RunPngLoadWorkout(const uint8_t* data, size_t size) {
  PngPicture picture;
  picture.SetMemoryLimit(kWorkoutMemoryLimit);
  MemorySource source(data, size);
  try {
    picture.LoadFromStream(source);
  } catch (const PngError&) {
    return false;
  }
  if (source.Position() > size) std::abort();

  std::vector<uint8_t> rgba = ExportRgba(picture);
  if (rgba.size() != static_cast<size_t>(picture.Width()) * picture.Height() * 4) std::abort();
  (void)picture.AlphaKind();
  (void)picture.KeyColour();
  std::vector<uint8_t> work(7 * 5 * 4, 0x80);
  try {
    BlendOnto(picture, work.data(), 7, 5, 7 * 4);
  } catch (const PngError& e) {
    if (e.Kind() != ErrorKind::Error) std::abort();  // only a palette index beyond the palette
  }
  const uint32_t colour = picture.GetPixelColor(picture.Width() - 1, picture.Height() - 1);
  picture.SetPixelColor(0, 0, colour);
  picture.SetPixelColor(-1, 3, colour);

  std::vector<uint8_t> saved;
  VectorSink sink(saved);
  picture.SetRowFilters(0x1F);
  picture.SaveToStream(sink);
  PngPicture again;
  again.SetMemoryLimit(kWorkoutMemoryLimit);
  MemorySource saved_source(saved.data(), saved.size());
  try {
    again.LoadFromStream(saved_source);
  } catch (const PngError&) {
    std::abort();  // what the picture writes, it must read
  }
  if (again.Width() != picture.Width() || again.Height() != picture.Height()) std::abort();
  try {
    again.Resize(again.Width() / 2 + 1, again.Height() + 3);
  } catch (const PngError& e) {
    if (e.Kind() != ErrorKind::OutMemory) std::abort();  // the larger image may pass the limit
  }
  return true;
}

}  // namespace vornada::png
