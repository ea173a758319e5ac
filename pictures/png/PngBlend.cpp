// Alpha blending onto a BGRA work buffer and RGBA export of a picture.
#include "PngBlend.h"

#include <algorithm>

#include "PngRows.h"

namespace vornada::png {
namespace {

inline uint8_t Blend(unsigned s, unsigned d, unsigned a) {
  return static_cast<uint8_t>((s * a + d * (255 - a) + 255) >> 8);
}

// Source column of every destination column (truncating nearest neighbour).
std::vector<uint32_t> SourceIndices(uint32_t destination, uint32_t source) {
  std::vector<uint32_t> map(destination);
  if (destination == source) {
    for (uint32_t i = 0; i < destination; ++i) map[i] = i;
    return map;
  }
  const double scale = static_cast<double>(destination) / source;
  for (uint32_t i = 0; i < destination; ++i)
    map[i] = std::min(static_cast<uint32_t>(i / scale), source - 1);
  return map;
}

}  // namespace

BlendRect NormalizeRect(BlendRect r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

void BlendOnto(const PngPicture& picture, uint8_t* bgra, uint32_t width, uint32_t height,
               size_t stride) {
  const TPngChunkIHDR* header = picture.Header();
  if (header == nullptr || width == 0 || height == 0) return;
  const uint8_t colour_type = header->ColourType();
  if (colour_type != 3 && colour_type != 4 && colour_type != 6) return;
  const std::vector<uint32_t> columns = SourceIndices(width, header->Width());
  const std::vector<uint32_t> rows = SourceIndices(height, header->Height());
  const unsigned bit_count = header->BitCount();
  const RgbQuad* colours = header->Info().colours;
  const uint32_t palette_count = header->PaletteCount();
  const uint8_t* table = picture.AlphaTable();
  uint8_t opaque[256];
  if (table == nullptr) {
    std::fill(opaque, opaque + 256, 255);
    table = opaque;
  }

  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* d = bgra + static_cast<size_t>(y) * stride;
    const uint8_t* src = header->StoreRow(rows[y]);
    const uint8_t* alpha = header->AlphaRow(rows[y]);
    for (uint32_t x = 0; x < width; ++x, d += 4) {
      const uint32_t sx = columns[x];
      switch (colour_type) {
        case 6: {
          const uint8_t* s = src + static_cast<size_t>(sx) * 3;
          const unsigned a = alpha[sx];
          if (a == 0) break;
          if (a == 255) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
            break;
          }
          d[0] = Blend(s[0], d[0], a);
          d[1] = Blend(s[1], d[1], a);
          d[2] = Blend(s[2], d[2], a);
          d[3] = static_cast<uint8_t>(255 - (((255 - d[3]) * (255 - a) + 255) >> 8));
          break;
        }
        case 4: {
          const unsigned g = src[sx];
          const unsigned a = alpha[sx];
          d[0] = Blend(g, d[0], a);
          d[1] = Blend(g, d[1], a);
          d[2] = Blend(g, d[2], a);
          break;
        }
        default: {
          const uint32_t i = ReadStorePixel(bit_count, src, sx);
          if (i >= palette_count) throw PngError(ErrorKind::Error, kNoSuchPaletteEntry);
          const unsigned a = table[i];
          d[0] = Blend(colours[i].blue, d[0], a);
          d[1] = Blend(colours[i].green, d[1], a);
          d[2] = Blend(colours[i].red, d[2], a);
          break;
        }
      }
    }
  }
}

std::vector<uint8_t> ExportRgba(const PngPicture& picture) {
  const TPngChunkIHDR& header = picture.RequireHeader();
  const uint32_t width = header.Width();
  const uint32_t height = header.Height();
  const uint64_t bytes = uint64_t{width} * height * 4;
  // The copy must fit the picture's budget beside the picture; the caller owns it afterwards.
  const pictures::BudgetShare check = picture.TakeMemory(bytes);
  std::vector<uint8_t> rgba(static_cast<size_t>(bytes));
  const uint8_t colour_type = header.ColourType();
  const unsigned bit_count = header.BitCount();
  const RgbQuad* colours = header.Info().colours;
  const uint32_t palette_count = header.PaletteCount();
  const uint8_t* table = picture.AlphaTable();
  const bool keyed = (colour_type == 0 || colour_type == 2) && table != nullptr;
  const uint32_t key = keyed ? picture.KeyColour() : 0;

  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* src = header.StoreRow(y);
    const uint8_t* alpha = header.AlphaRow(y);
    uint8_t* out = rgba.data() + static_cast<size_t>(y) * width * 4;
    for (uint32_t x = 0; x < width; ++x, out += 4) {
      uint8_t r, g, b, a = 255;
      if (colour_type == 2 || colour_type == 6) {
        const uint8_t* s = src + static_cast<size_t>(x) * 3;
        b = s[0];
        g = s[1];
        r = s[2];
      } else if (colour_type == 4) {
        r = g = b = src[x];
      } else {
        const uint32_t i = ReadStorePixel(bit_count, src, x);
        RgbQuad c = i < palette_count ? colours[i] : RgbQuad{};
        r = c.red;
        g = c.green;
        b = c.blue;
        if (colour_type == 3 && table != nullptr) a = table[i];
      }
      if (alpha != nullptr) a = alpha[x];
      if (keyed) a = MakeColour(r, g, b) == key ? 0 : 255;
      out[0] = r;
      out[1] = g;
      out[2] = b;
      out[3] = a;
    }
  }
  return rgba;
}

}  // namespace vornada::png
