// Bitmap files made byte by byte for tests, independently of the framework's bitmap-file code:
// any header size, depth, compression value, colour count, masks, gap before the rows and row
// order, so that a test can make valid files of every kind and damage them field by field.
// Portable: no windows.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vornada::testing {

struct TestBmpRecipe {
  int width = 4;
  int height = 3;  // negative: rows stored top-down
  int bit_count = 8;
  uint32_t compression = 0;  // 0 uncompressed, 3 bit fields
  uint32_t header_size = 40;
  uint32_t colors_used = 0;  // the header's colour count field
  std::vector<std::array<uint8_t, 4>> palette;  // blue, green, red, reserved; stored as given
  std::array<uint32_t, 3> masks{};  // red, green, blue: after a 40-byte header, else inside it
  int gap = 0;                      // bytes between the colour table and the rows
  // Colour index (paletted) or packed pixel value at (x, y), y from the top.
  std::function<uint32_t(int x, int y)> value = [](int, int) { return 0u; };
};

std::vector<uint8_t> BuildTestBmp(const TestBmpRecipe& recipe);

// Little-endian fields of a byte buffer.
void PutLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
uint32_t GetLe32(const std::vector<uint8_t>& bytes, size_t at);

}  // namespace vornada::testing
