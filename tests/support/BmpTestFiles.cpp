// Bitmap files made byte by byte for tests (see BmpTestFiles.h).
#include "BmpTestFiles.h"

#include <cstdlib>

namespace vornada::testing {

void PutLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes.at(at) = static_cast<uint8_t>(value);
  bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  PutLe16(bytes, at, static_cast<uint16_t>(value));
  PutLe16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

uint32_t GetLe32(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes.at(at)) | (static_cast<uint32_t>(bytes.at(at + 1)) << 8) |
         (static_cast<uint32_t>(bytes.at(at + 2)) << 16) |
         (static_cast<uint32_t>(bytes.at(at + 3)) << 24);
}

std::vector<uint8_t> BuildTestBmp(const TestBmpRecipe& s) {
  const int rows = std::abs(s.height);
  const bool bit_fields = s.compression == 3;
  std::vector<uint8_t> file(14 + s.header_size, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(file, 14, s.header_size);
  PutLe32(file, 18, static_cast<uint32_t>(s.width));
  PutLe32(file, 22, static_cast<uint32_t>(s.height));
  PutLe16(file, 26, 1);
  PutLe16(file, 28, static_cast<uint16_t>(s.bit_count));
  PutLe32(file, 30, s.compression);
  PutLe32(file, 46, s.colors_used);
  if (bit_fields) {
    if (s.header_size >= 52) {
      for (size_t i = 0; i < 3; ++i) PutLe32(file, 54 + 4 * i, s.masks[i]);
    } else {
      for (size_t i = 0; i < 3; ++i) {
        file.resize(file.size() + 4);
        PutLe32(file, file.size() - 4, s.masks[i]);
      }
    }
  }
  for (const auto& entry : s.palette) file.insert(file.end(), entry.begin(), entry.end());
  file.insert(file.end(), static_cast<size_t>(s.gap), 0x5A);
  PutLe32(file, 10, static_cast<uint32_t>(file.size()));

  const size_t bits_per_row = static_cast<size_t>(s.width) * static_cast<size_t>(s.bit_count);
  const size_t stride = (bits_per_row + 31) / 32 * 4;
  const size_t start = file.size();
  file.resize(start + stride * static_cast<size_t>(rows), 0);
  for (int r = 0; r < rows; ++r) {
    const int y = s.height < 0 ? r : rows - 1 - r;  // picture row stored at file row r
    uint8_t* row = file.data() + start + stride * static_cast<size_t>(r);
    for (int x = 0; x < s.width; ++x) {
      const uint32_t v = s.value(x, y);
      switch (s.bit_count) {
        case 1: row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: row[x] = static_cast<uint8_t>(v); break;
        case 16:
          row[x * 2] = static_cast<uint8_t>(v);
          row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        case 24:
          for (int i = 0; i < 3; ++i) row[x * 3 + i] = static_cast<uint8_t>(v >> (8 * i));
          break;
        case 32:
          for (int i = 0; i < 4; ++i) row[x * 4 + i] = static_cast<uint8_t>(v >> (8 * i));
          break;
        default: break;
      }
    }
  }
  PutLe32(file, 2, static_cast<uint32_t>(file.size()));
  return file;
}

}  // namespace vornada::testing
