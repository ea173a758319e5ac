// Helpers of the flat controls' Windows tests.
#include "FlatTestSupport.h"

#include <zlib.h>

#include <stdexcept>

namespace vornada::testing {

namespace {

// Nearest integer of num / 31 (never exactly half-way for 0 <= i <= 31, as 31 is odd and prime).
int RoundedThirtyFirst(int num) {
  const int n = 2 * num + 31, d = 62;
  return n >= 0 ? n / d : -((-n + d - 1) / d);
}

COLORREF BandColour(int band, COLORREF top, COLORREF bottom) {
  auto channel = [&](int t, int b) { return t + RoundedThirtyFirst(band * (b - t)); };
  return RGB(channel(GetRValue(top), GetRValue(bottom)), channel(GetGValue(top), GetGValue(bottom)),
             channel(GetBValue(top), GetBValue(bottom)));
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  PutBigEndian(out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

}  // namespace

COLORREF DitheredGradientRow(int row, int height, COLORREF top, COLORREF bottom) {
  if (height >= 62) throw std::logic_error("random rows below the band tops from 62 rows on");
  int band = 0;
  for (int i = 0; i < 32; ++i)
    if ((i * height + 16) / 32 <= row) band = i;
  const bool first_row = band > 0 && (band * height + 16) / 32 == row;
  return BandColour(first_row ? band - 1 : band, top, bottom);
}

std::vector<uint8_t> EncodeRgbaPng(int width, int height, const std::vector<uint32_t>& rgba) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter type None
    for (int x = 0; x < width; ++x) {
      const uint32_t p = rgba[static_cast<size_t>(y) * width + x];
      raw.push_back(static_cast<uint8_t>(p));
      raw.push_back(static_cast<uint8_t>(p >> 8));
      raw.push_back(static_cast<uint8_t>(p >> 16));
      raw.push_back(static_cast<uint8_t>(p >> 24));
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
    throw std::runtime_error("zlib compress failed");
  packed.resize(packed_size);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace vornada::testing
