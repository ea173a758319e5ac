// What the bitmap-file fuzz target does with one input, shared with the regression test that
// replays saved inputs: read the bytes as a bitmap file and, when that succeeds, look at every
// pixel's colour, write the image again and read the written file back, which must give the
// same header values, colour table and rows. Any failure other than a BmpError of the input
// itself aborts.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "BmpFile.h"

namespace vornada::bmp {

// Small enough that one input takes milliseconds and stays far below the fuzzer's memory limit.
inline Limits WorkoutLimits() {
  Limits limits;
  limits.max_pixels = uint64_t{1} << 20;
  return limits;
}

// Returns true when the input read as a bitmap file.
inline bool RunBmpWorkout(const uint8_t* data, size_t size) {
  const Limits limits = WorkoutLimits();
  Image image;
  try {
    image = ReadImage(std::span<const uint8_t>(data, size), limits);
  } catch (const BmpError&) {
    return false;
  }
  const Header& h = image.header;
  if (image.rows.size() != h.pixel_bytes || h.stride != RowStride(h.width, h.bit_count) ||
      h.stride * h.height != h.pixel_bytes || h.pixel_offset > size ||
      size - h.pixel_offset < h.pixel_bytes)
    std::abort();
  for (uint32_t y = 0; y < h.height; ++y)
    for (uint32_t x = 0; x < h.width; ++x)
      if (image.ColorAt(x, y).reserved != 0) std::abort();

  Format format;
  format.width = h.width;
  format.height = h.height;
  format.top_down = h.top_down;
  format.bit_count = h.bit_count;
  format.compression = h.compression;
  format.masks = h.masks;
  format.color_table = image.color_table;
  std::vector<uint8_t> written;
  try {
    written = WriteFile(format, image.rows);
  } catch (const BmpError&) {
    std::abort();  // whatever the reader accepted, the writer takes
  }
  Image again;
  try {
    again = ReadImage(written, limits);
  } catch (const BmpError&) {
    std::abort();  // and what the writer wrote, the reader reads
  }
  const Header& a = again.header;
  if (a.width != h.width || a.height != h.height || a.top_down != h.top_down ||
      a.bit_count != h.bit_count || a.compression != h.compression || a.masks != h.masks ||
      again.color_table != image.color_table || again.rows != image.rows)
    std::abort();
  return true;
}

}  // namespace vornada::bmp
