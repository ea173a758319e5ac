// Palette bitmap file images for decoded frames, and colour reduction for encoding.
#include "GifBitmap.h"

#include <algorithm>
#include <unordered_map>

#include "BmpFile.h"

namespace vornada::gif {
namespace {

// Where a colour-table entry sits in the file image: right after the two headers.
constexpr size_t kTableOffset = bmp::kFileHeaderSize + bmp::kInfoHeaderSize;

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
  const size_t entries = size_t{1} << bit_count;
  bmp::Layout file;
  try {
    // The file header stores the size in 32 bits; the pixel limit keeps far below that, but a
    // caller may raise the limit, so the layout checks it as well.
    file = bmp::LayoutFor(width, height, static_cast<unsigned>(bit_count), entries, false);
  } catch (const bmp::BmpError&) {
    throw GifError::TooLarge();
  }
  if (file.file_size > SIZE_MAX) throw GifError::TooLarge();
  BitmapLayout l;
  l.bit_count = bit_count;
  l.width = width;
  l.height = height;
  l.table_entries = entries;
  l.stride = static_cast<size_t>(file.stride);
  l.pixel_bytes = static_cast<size_t>(file.pixel_bytes);
  l.pixel_offset = static_cast<size_t>(file.pixel_offset);
  l.file_size = static_cast<size_t>(file.file_size);
  return l;
}

FrameBitmap FrameBitmap::Create(const BitmapLayout& layout, const ColorMap& map) {
  return WithHeaders(layout, map, true);
}

FrameBitmap FrameBitmap::CreateUnfilled(const BitmapLayout& layout, const ColorMap& map) {
  return WithHeaders(layout, map, false);
}

FrameBitmap FrameBitmap::WithHeaders(const BitmapLayout& layout, const ColorMap& map,
                                     bool zeroed) {
  // Positive height (bottom-up rows), no compression, a full colour table stored with a colour
  // count of 0: the map's entries, then 128, 128, 128, 128 in every slot beyond them.
  bmp::Format format;
  format.width = layout.width;
  format.height = layout.height;
  format.bit_count = static_cast<uint16_t>(layout.bit_count);
  format.store_full_color_count = false;
  format.color_table.assign(layout.table_entries, bmp::ColorEntry{128, 128, 128, 128});
  const size_t used = std::min<size_t>(map.count, layout.table_entries);
  for (size_t i = 0; i < used; ++i)
    format.color_table[i] = {map.entries[i].blue, map.entries[i].green, map.entries[i].red, 0};
  FrameBitmap b;
  b.layout_ = layout;
  if (zeroed) {
    b.file_.assign(layout.file_size, 0);
  } else {
    b.file_.resize(layout.file_size);
  }
  bmp::WriteHeaders(format, b.file_);
  return b;
}

uint8_t FrameBitmap::IndexAt(uint32_t x, uint32_t y) const {
  return static_cast<uint8_t>(
      bmp::IndexInRow(RowFromTop(y), x, static_cast<unsigned>(layout_.bit_count)));
}

void FrameBitmap::SetIndexAt(uint32_t x, uint32_t y, uint8_t index) {
  bmp::SetIndexInRow(RowFromTop(y), x, static_cast<unsigned>(layout_.bit_count), index);
}

Color FrameBitmap::TableColor(size_t index) const {
  if (index >= layout_.table_entries) return kMissingEntryColor;
  const uint8_t* q = file_.data() + kTableOffset + 4 * index;
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
  uint8_t* q = file_.data() + kTableOffset + 4 * index;
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
