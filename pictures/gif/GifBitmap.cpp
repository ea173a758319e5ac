// Palette bitmap file images for decoded frames, and colour reduction for encoding.
#include "GifBitmap.h"

#include <algorithm>
#include <unordered_map>

namespace vornada::gif {
namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

}  // namespace

int BitCountForBitsPerPixel(int bits_per_pixel) {
  if (bits_per_pixel == 1) return 1;
  if (bits_per_pixel >= 2 && bits_per_pixel <= 4) return 4;
  if (bits_per_pixel >= 5 && bits_per_pixel <= 8) return 8;
  throw GifError::WrongColorCount();
}

BitmapLayout ComputeBitmapLayout(int bit_count, uint32_t width, uint32_t height,
                                 const Limits& limits) {
  if (bit_count != 1 && bit_count != 4 && bit_count != 8) throw GifError::WrongColorCount();
  const uint64_t pixels = uint64_t{width} * uint64_t{height};
  if (pixels > limits.max_pixels) throw GifError::TooLarge();
  BitmapLayout l;
  l.bit_count = bit_count;
  l.width = width;
  l.height = height;
  const uint64_t stride = ((uint64_t{width} * static_cast<uint64_t>(bit_count) + 31) / 32) * 4;
  const uint64_t pixel_bytes = stride * height;
  l.table_entries = size_t{1} << bit_count;
  l.pixel_offset = kFileHeaderSize + kInfoHeaderSize + 4 * l.table_entries;
  const uint64_t file_size = l.pixel_offset + pixel_bytes;
  // The file header stores the size in 32 bits; the pixel limit keeps far below that, but a
  // caller may raise the limit, so check here as well.
  if (file_size > 0xFFFFFFFFull || file_size > SIZE_MAX) throw GifError::TooLarge();
  l.stride = static_cast<size_t>(stride);
  l.pixel_bytes = static_cast<size_t>(pixel_bytes);
  l.file_size = static_cast<size_t>(file_size);
  return l;
}

FrameBitmap FrameBitmap::Create(const BitmapLayout& layout, const ColorMap& map) {
  FrameBitmap b;
  b.layout_ = layout;
  b.file_.assign(layout.file_size, 0);
  uint8_t* f = b.file_.data();
  // File header.
  f[0] = 'B';
  f[1] = 'M';
  Put32(f + 2, static_cast<uint32_t>(layout.file_size));
  Put32(f + 10, static_cast<uint32_t>(layout.pixel_offset));
  // Information header: positive height = bottom-up rows, one plane, no compression.
  uint8_t* h = f + kFileHeaderSize;
  Put32(h + 0, kInfoHeaderSize);
  Put32(h + 4, layout.width);
  Put32(h + 8, layout.height);
  Put16(h + 12, 1);
  Put16(h + 14, static_cast<uint32_t>(layout.bit_count));
  Put32(h + 20, static_cast<uint32_t>(layout.pixel_bytes));
  // Colour table: blue, green, red, 0; slots beyond the map's entries are 128, 128, 128, 128.
  uint8_t* t = h + kInfoHeaderSize;
  const size_t used = std::min<size_t>(map.count, layout.table_entries);
  for (size_t i = 0; i < layout.table_entries; ++i) {
    uint8_t* q = t + 4 * i;
    if (i < used) {
      q[0] = map.entries[i].blue;
      q[1] = map.entries[i].green;
      q[2] = map.entries[i].red;
      q[3] = 0;
    } else {
      q[0] = q[1] = q[2] = q[3] = 128;
    }
  }
  return b;
}

uint8_t FrameBitmap::IndexAt(uint32_t x, uint32_t y) const {
  const uint8_t* row = RowFromTop(y);
  switch (layout_.bit_count) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

void FrameBitmap::SetIndexAt(uint32_t x, uint32_t y, uint8_t index) {
  uint8_t* row = RowFromTop(y);
  switch (layout_.bit_count) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = (index & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case 4:
      if (x & 1) {
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
      } else {
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
      }
      break;
    default:
      row[x] = index;
  }
}

Color FrameBitmap::TableColor(size_t index) const {
  if (index >= layout_.table_entries) return kMissingEntryColor;
  const uint8_t* q = file_.data() + kFileHeaderSize + kInfoHeaderSize + 4 * index;
  return MakeColor(q[2], q[1], q[0]);
}

ColorMap FrameBitmap::TableAsMap() const {
  ColorMap m;
  m.count = static_cast<uint32_t>(layout_.table_entries);
  for (size_t i = 0; i < layout_.table_entries; ++i) {
    const Color c = TableColor(i);
    m.entries[i] = RgbEntry{RedOf(c), GreenOf(c), BlueOf(c)};
  }
  return m;
}

void FrameBitmap::SetTableEntry(size_t index, RgbEntry entry) {
  if (index >= layout_.table_entries) return;
  uint8_t* q = file_.data() + kFileHeaderSize + kInfoHeaderSize + 4 * index;
  q[0] = entry.blue;
  q[1] = entry.green;
  q[2] = entry.red;
  q[3] = 0;
}

FrameBitmap ReduceToIndexed(const Color* pixels, uint32_t width, uint32_t height, bool gray,
                            const Limits& limits) {
  const BitmapLayout layout = ComputeBitmapLayout(8, width, height, limits);
  ColorMap map;
  map.count = 256;
  const size_t total = size_t{width} * height;
  std::vector<uint8_t> indices(total);
  if (gray) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      map.entries[i] = RgbEntry{v, v, v};
    }
    for (size_t i = 0; i < total; ++i) {
      const Color c = pixels[i] & 0xFFFFFF;
      const uint32_t y = (299u * RedOf(c) + 587u * GreenOf(c) + 114u * BlueOf(c) + 500u) / 1000u;
      indices[i] = static_cast<uint8_t>(std::min<uint32_t>(y, 255));
    }
  } else {
    std::unordered_map<Color, uint8_t> exact;
    bool fits = true;
    for (size_t i = 0; i < total && fits; ++i) {
      const Color c = pixels[i] & 0xFFFFFF;
      if (exact.find(c) != exact.end()) continue;
      if (exact.size() == 256) {
        fits = false;
        break;
      }
      const auto index = static_cast<uint8_t>(exact.size());
      exact.emplace(c, index);
      map.entries[index] = RgbEntry{RedOf(c), GreenOf(c), BlueOf(c)};
    }
    if (fits) {
      for (size_t i = 0; i < total; ++i) indices[i] = exact[pixels[i] & 0xFFFFFF];
    } else {
      // 8 x 8 x 4 levels spread evenly over 0..255; index = r * 32 + g * 4 + b.
      for (int r = 0; r < 8; ++r) {
        for (int g = 0; g < 8; ++g) {
          for (int b = 0; b < 4; ++b) {
            map.entries[r * 32 + g * 4 + b] =
                RgbEntry{static_cast<uint8_t>(r * 255 / 7), static_cast<uint8_t>(g * 255 / 7),
                         static_cast<uint8_t>(b * 255 / 3)};
          }
        }
      }
      for (size_t i = 0; i < total; ++i) {
        const Color c = pixels[i];
        const uint32_t r = (RedOf(c) * 7u + 127u) / 255u;
        const uint32_t g = (GreenOf(c) * 7u + 127u) / 255u;
        const uint32_t b = (BlueOf(c) * 3u + 127u) / 255u;
        indices[i] = static_cast<uint8_t>(r * 32 + g * 4 + b);
      }
    }
  }
  FrameBitmap bitmap = FrameBitmap::Create(layout, map);
  for (uint32_t y = 0; y < height; ++y) {
    std::copy_n(indices.data() + size_t{y} * width, width, bitmap.RowFromTop(y));
  }
  return bitmap;
}

}  // namespace vornada::gif
