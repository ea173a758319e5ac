// Icon files for tests, written byte by byte here (not by the code under test): a directory
// with one entry per image, each image a bitmap header, a colour table for 1 to 8 bits, the
// colour rows bottom-up and the 1-bit mask rows bottom-up, rows padded to 4 bytes. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vornada::testing {

struct IconImageSpec {
  int width = 16;
  int height = 16;
  int bits = 24;                                       // 1, 4, 8, 24 or 32
  std::function<uint32_t(int x, int y)> colour;        // 0x00RRGGBB; alpha in the top byte for 32
  std::function<bool(int x, int y)> masked;            // true: transparent in the AND mask
  std::vector<uint32_t> palette;                       // 0x00RRGGBB entries for 1 to 8 bits
  std::function<int(int x, int y)> index;              // palette index for 1 to 8 bits
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline std::vector<uint8_t> IconImageBytes(const IconImageSpec& s) {
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(s.width));
  Put32(out, static_cast<uint32_t>(s.height * 2));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(s.bits));
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  if (s.bits <= 8) {
    for (size_t i = 0; i < (size_t{1} << s.bits); ++i) Put32(out, i < s.palette.size() ? s.palette[i] : 0);
  }
  const int row_bytes = ((s.width * s.bits + 31) / 32) * 4;
  for (int y = s.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(row_bytes), 0);
    for (int x = 0; x < s.width; ++x) {
      if (s.bits == 24 || s.bits == 32) {
        const uint32_t c = s.colour(x, y);
        const size_t at = static_cast<size_t>(x) * (s.bits / 8);
        row[at] = static_cast<uint8_t>(c);
        row[at + 1] = static_cast<uint8_t>(c >> 8);
        row[at + 2] = static_cast<uint8_t>(c >> 16);
        if (s.bits == 32) row[at + 3] = static_cast<uint8_t>(c >> 24);
      } else {
        const int v = s.index(x, y);
        const int bit = x * s.bits;
        row[static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(v << (8 - s.bits - bit % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  const int mask_bytes = ((s.width + 31) / 32) * 4;
  for (int y = s.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(mask_bytes), 0);
    for (int x = 0; x < s.width; ++x)
      if (s.masked && s.masked(x, y)) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

inline std::vector<uint8_t> IconFileBytes(const std::vector<IconImageSpec>& images) {
  std::vector<std::vector<uint8_t>> data;
  for (const IconImageSpec& s : images) data.push_back(IconImageBytes(s));
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(images[i].width == 256 ? 0 : images[i].width));
    out.push_back(static_cast<uint8_t>(images[i].height == 256 ? 0 : images[i].height));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(images[i].bits));
    Put32(out, static_cast<uint32_t>(data[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(data[i].size());
  }
  for (const auto& d : data) out.insert(out.end(), d.begin(), d.end());
  return out;
}

}  // namespace vornada::testing
