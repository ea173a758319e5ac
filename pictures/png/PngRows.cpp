// Sample conversion between PNG rows and store rows, pixel scatter/gather for Adam7, and the
// interlace geometry. Converters are chosen once per image; the loops have no per-pixel
// dispatch.
#include "PngRows.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vornada::png {
namespace {

// Clears the bits of the last packed byte that lie beyond `count` pixels.
void MaskPackedTail(unsigned bitCount, uint32_t count, uint8_t* store) {
  uint64_t bits = static_cast<uint64_t>(bitCount) * count;
  unsigned used = static_cast<unsigned>(bits % 8);
  if (used != 0) store[bits / 8] &= static_cast<uint8_t>(0xFF00u >> used);
}

// ---- decoding: PNG row -> store row ----

void DecodePacked1(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*, const uint8_t*) {
  std::memcpy(store, png, StoreRowBytes(1, count));
  MaskPackedTail(1, count, store);
}

void DecodePacked4(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*, const uint8_t*) {
  std::memcpy(store, png, StoreRowBytes(4, count));
  MaskPackedTail(4, count, store);
}

// 2-bit samples widened to 4 bits: gray sample v becomes v * 5 (bit replication), palette
// index v stays v. One PNG byte (four samples) gives two store bytes.
template <unsigned Multiplier>
const std::array<uint16_t, 256>& WideningTable() {
  static const std::array<uint16_t, 256> table = [] {
    std::array<uint16_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
      unsigned s0 = (b >> 6) & 3, s1 = (b >> 4) & 3, s2 = (b >> 2) & 3, s3 = b & 3;
      uint8_t first = static_cast<uint8_t>((s0 * Multiplier) << 4 | (s1 * Multiplier));
      uint8_t second = static_cast<uint8_t>((s2 * Multiplier) << 4 | (s3 * Multiplier));
      t[b] = static_cast<uint16_t>(first | second << 8);  // memory order: first, second
    }
    return t;
  }();
  return table;
}

template <unsigned Multiplier>
void DecodeWiden2(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*, const uint8_t*) {
  const auto& table = WideningTable<Multiplier>();
  uint32_t in_bytes = (count + 3) / 4;
  uint32_t out_bytes = (count + 1) / 2;
  for (uint32_t i = 0; i < in_bytes; ++i) {
    uint16_t pair = table[png[i]];
    store[2 * i] = static_cast<uint8_t>(pair);
    if (2 * i + 1 < out_bytes) store[2 * i + 1] = static_cast<uint8_t>(pair >> 8);
  }
  MaskPackedTail(4, count, store);
}

void DecodeCopy8(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*, const uint8_t*) {
  std::memcpy(store, png, count);
}

void DecodeGray16(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*, const uint8_t*) {
  for (uint32_t i = 0; i < count; ++i) store[i] = png[2 * i];
}

template <bool Identity>
inline uint8_t Map(const uint8_t* gamma, uint8_t v) {
  if constexpr (Identity) {
    (void)gamma;
    return v;
  } else {
    return gamma[v];
  }
}

// Channel layouts in PNG order; Step is the byte distance between samples (1 or 2 for 16-bit).
template <bool Identity, unsigned Step>
void DecodeRgb(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*,
               const uint8_t* gamma) {
  for (uint32_t i = 0; i < count; ++i, png += 3 * Step, store += 3) {
    store[0] = Map<Identity>(gamma, png[2 * Step]);
    store[1] = Map<Identity>(gamma, png[Step]);
    store[2] = Map<Identity>(gamma, png[0]);
  }
}

inline uint32_t LoadWord(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void StoreWord(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Byte order of a word read from memory (little-endian hosts: the first byte is the low one).
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// 8-bit RGBA without gamma: the red and blue bytes trade places and the alpha bytes go to
// their own plane. Four pixels per step, in an SSE2 register where there is one, otherwise in
// general registers.
void DecodeRgba8Plain(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t* alpha,
                      const uint8_t*) {
  uint32_t i = 0;
#if defined(__SSE2__)
  // Each step stores 16 bytes of which 12 are its pixels; the 4 beyond belong to the next
  // pixels and are written again by the next step, so the loop stops while at least two more
  // pixels follow (3 * (i + 6) <= 3 * count: the store never leaves the row).
  const __m128i low_byte = _mm_set1_epi32(0xFF);
  const __m128i green = _mm_set1_epi32(0xFF00);
  const __m128i low24 = _mm_set1_epi64x(0xFFFFFF);
  const __m128i high24 = _mm_set1_epi64x(0xFFFFFF000000);
  const __m128i first_half = _mm_set_epi32(0, 0, -1, -1);
  for (; i + 6 <= count; i += 4, png += 16, store += 12) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(png));  // R G B A words
    const __m128i a = _mm_srli_epi32(p, 24);
    const __m128i a8 = _mm_packus_epi16(_mm_packs_epi32(a, a), _mm_setzero_si128());
    const int32_t alphas = _mm_cvtsi128_si32(a8);
    std::memcpy(alpha + i, &alphas, 4);
    // B | G << 8 | R << 16 in each 32-bit word.
    const __m128i bgr = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(p, green), _mm_and_si128(_mm_srli_epi32(p, 16), low_byte)),
        _mm_slli_epi32(_mm_and_si128(p, low_byte), 16));
    // Two pixels of 3 bytes in the low 6 bytes of each 64-bit half, then both halves joined.
    const __m128i pairs = _mm_or_si128(_mm_and_si128(bgr, low24),
                                       _mm_and_si128(_mm_srli_epi64(bgr, 8), high24));
    const __m128i packed = _mm_or_si128(_mm_and_si128(pairs, first_half),
                                        _mm_srli_si128(_mm_andnot_si128(first_half, pairs), 2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(store), packed);
  }
#endif
  if constexpr (kLittleEndian) {
    for (; i + 4 <= count; i += 4, png += 16, store += 12) {
      uint32_t p[4], bgr[4];
      for (int k = 0; k < 4; ++k) {
        p[k] = LoadWord(png + 4 * k);                            // R | G << 8 | B << 16 | A << 24
        bgr[k] = (p[k] >> 16 & 0xFF) | (p[k] & 0xFF00) | (p[k] & 0xFF) << 16;  // B | G | R
      }
      StoreWord(store, bgr[0] | bgr[1] << 24);
      StoreWord(store + 4, bgr[1] >> 8 | bgr[2] << 16);
      StoreWord(store + 8, bgr[2] >> 16 | bgr[3] << 8);
      StoreWord(alpha + i, p[0] >> 24 | (p[1] >> 24) << 8 | (p[2] >> 24) << 16 | (p[3] >> 24) << 24);
    }
  }
  for (; i < count; ++i, png += 4, store += 3) {
    store[0] = png[2];
    store[1] = png[1];
    store[2] = png[0];
    alpha[i] = png[3];
  }
}

// 8-bit RGB without gamma, four pixels (three words) per step: red and blue trade places.
void DecodeRgb8Plain(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t*,
                     const uint8_t*) {
  uint32_t i = 0;
  if constexpr (kLittleEndian) {
    for (; i + 4 <= count; i += 4, png += 12, store += 12) {
      const uint32_t w0 = LoadWord(png);      // R0 G0 B0 R1 (first byte lowest)
      const uint32_t w1 = LoadWord(png + 4);  // G1 B1 R2 G2
      const uint32_t w2 = LoadWord(png + 8);  // B2 R3 G3 B3
      StoreWord(store, (w0 >> 16 & 0xFF) | (w0 & 0xFF00) | (w0 & 0xFF) << 16 | (w1 & 0xFF00) << 16);
      StoreWord(store + 4, (w1 & 0xFF) | (w0 >> 24) << 8 | (w2 & 0xFF) << 16 | (w1 & 0xFF000000));
      StoreWord(store + 8, (w1 >> 16 & 0xFF) | (w2 >> 24) << 8 | (w2 & 0xFF0000) | (w2 & 0xFF00) << 16);
    }
  }
  for (; i < count; ++i, png += 3, store += 3) {
    store[0] = png[2];
    store[1] = png[1];
    store[2] = png[0];
  }
}

template <bool Identity, unsigned Step>
void DecodeRgba(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t* alpha,
                const uint8_t* gamma) {
  for (uint32_t i = 0; i < count; ++i, png += 4 * Step, store += 3) {
    store[0] = Map<Identity>(gamma, png[2 * Step]);
    store[1] = Map<Identity>(gamma, png[Step]);
    store[2] = Map<Identity>(gamma, png[0]);
    alpha[i] = png[3 * Step];
  }
}

template <unsigned Step>
void DecodeGrayAlpha(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t* alpha,
                     const uint8_t*) {
  for (uint32_t i = 0; i < count; ++i, png += 2 * Step) {
    store[i] = png[0];
    alpha[i] = png[Step];
  }
}

// ---- encoding: store row -> PNG row ----

void EncodePacked(unsigned bitCount, const uint8_t* store, uint32_t count, uint8_t* png) {
  std::memcpy(png, store, StoreRowBytes(bitCount, count));
}

void EncodePacked1(const uint8_t* store, const uint8_t*, uint32_t count, uint8_t* png,
                   const uint8_t*) {
  EncodePacked(1, store, count, png);
}

void EncodePacked4(const uint8_t* store, const uint8_t*, uint32_t count, uint8_t* png,
                   const uint8_t*) {
  EncodePacked(4, store, count, png);
}

void EncodePacked8(const uint8_t* store, const uint8_t*, uint32_t count, uint8_t* png,
                   const uint8_t*) {
  EncodePacked(8, store, count, png);
}

void EncodeGray16(const uint8_t* store, const uint8_t*, uint32_t count, uint8_t* png,
                  const uint8_t*) {
  for (uint32_t i = 0; i < count; ++i) {
    png[2 * i] = store[i];
    png[2 * i + 1] = 0;
  }
}

// Writes sample v at png[0] and, for 16-bit output, a zero low byte after it.
template <unsigned Step>
inline void PutSample(uint8_t* png, uint8_t v) {
  png[0] = v;
  if constexpr (Step == 2) png[1] = 0;
}

template <bool Identity, unsigned Step>
void EncodeRgb(const uint8_t* store, const uint8_t*, uint32_t count, uint8_t* png,
               const uint8_t* gamma) {
  for (uint32_t i = 0; i < count; ++i, store += 3, png += 3 * Step) {
    PutSample<Step>(png, Map<Identity>(gamma, store[2]));
    PutSample<Step>(png + Step, Map<Identity>(gamma, store[1]));
    PutSample<Step>(png + 2 * Step, Map<Identity>(gamma, store[0]));
  }
}

template <bool Identity, unsigned Step>
void EncodeRgba(const uint8_t* store, const uint8_t* alpha, uint32_t count, uint8_t* png,
                const uint8_t* gamma) {
  for (uint32_t i = 0; i < count; ++i, store += 3, png += 4 * Step) {
    PutSample<Step>(png, Map<Identity>(gamma, store[2]));
    PutSample<Step>(png + Step, Map<Identity>(gamma, store[1]));
    PutSample<Step>(png + 2 * Step, Map<Identity>(gamma, store[0]));
    PutSample<Step>(png + 3 * Step, alpha[i]);
  }
}

template <unsigned Step>
void EncodeGrayAlpha(const uint8_t* store, const uint8_t* alpha, uint32_t count, uint8_t* png,
                     const uint8_t*) {
  for (uint32_t i = 0; i < count; ++i, png += 2 * Step) {
    PutSample<Step>(png, store[i]);
    PutSample<Step>(png + Step, alpha[i]);
  }
}

}  // namespace

bool IsValidColourFormat(uint8_t colourType, uint8_t bitDepth) {
  switch (colourType) {
    case 0: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6: return bitDepth == 8 || bitDepth == 16;
    default: return false;
  }
}

unsigned StoreBitCount(uint8_t colourType, uint8_t bitDepth) {
  switch (colourType) {
    case 0:
    case 3:
      if (bitDepth == 1) return 1;
      if (bitDepth == 2 || bitDepth == 4) return 4;
      return 8;
    case 4: return 8;
    default: return 24;
  }
}

unsigned ChannelCount(uint8_t colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

uint64_t PngRowBytes(uint8_t colourType, uint8_t bitDepth, uint32_t count) {
  return (static_cast<uint64_t>(count) * ChannelCount(colourType) * bitDepth + 7) / 8;
}

unsigned FilterDistance(uint8_t colourType, uint8_t bitDepth) {
  unsigned bits = ChannelCount(colourType) * bitDepth;
  return bits < 8 ? 1 : bits / 8;
}

DecodeRowFn SelectDecodeRow(uint8_t colourType, uint8_t bitDepth, bool gammaIsIdentity) {
  switch (colourType) {
    case 0:
    case 3:
      switch (bitDepth) {
        case 1: return DecodePacked1;
        case 2: return colourType == 0 ? DecodeWiden2<5> : DecodeWiden2<1>;
        case 4: return DecodePacked4;
        case 8: return DecodeCopy8;
        default: return DecodeGray16;
      }
    case 2:
      if (bitDepth == 8) return gammaIsIdentity ? DecodeRgb8Plain : DecodeRgb<false, 1>;
      return gammaIsIdentity ? DecodeRgb<true, 2> : DecodeRgb<false, 2>;
    case 4:
      return bitDepth == 8 ? DecodeGrayAlpha<1> : DecodeGrayAlpha<2>;
    default:
      if (bitDepth == 8) return gammaIsIdentity ? DecodeRgba8Plain : DecodeRgba<false, 1>;
      return gammaIsIdentity ? DecodeRgba<true, 2> : DecodeRgba<false, 2>;
  }
}

EncodeRowFn SelectEncodeRow(uint8_t colourType, uint8_t bitDepth, bool gammaIsIdentity) {
  switch (colourType) {
    case 0:
    case 3:
      switch (bitDepth) {
        case 1: return EncodePacked1;
        case 2:  // held (and written) as 4 bits
        case 4: return EncodePacked4;
        case 8: return EncodePacked8;
        default: return EncodeGray16;
      }
    case 2:
      if (bitDepth == 8) return gammaIsIdentity ? EncodeRgb<true, 1> : EncodeRgb<false, 1>;
      return gammaIsIdentity ? EncodeRgb<true, 2> : EncodeRgb<false, 2>;
    case 4:
      return bitDepth == 8 ? EncodeGrayAlpha<1> : EncodeGrayAlpha<2>;
    default:
      if (bitDepth == 8) return gammaIsIdentity ? EncodeRgba<true, 1> : EncodeRgba<false, 1>;
      return gammaIsIdentity ? EncodeRgba<true, 2> : EncodeRgba<false, 2>;
  }
}

uint32_t ReadStorePixel(unsigned bitCount, const uint8_t* row, uint32_t x) {
  switch (bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8: return row[x];
    default: {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    }
  }
}

void WriteStorePixel(unsigned bitCount, uint8_t* row, uint32_t x, uint32_t value) {
  switch (bitCount) {
    case 1: {
      uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
      return;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0x0F))
                  : static_cast<uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
      return;
    }
    case 8: row[x] = static_cast<uint8_t>(value); return;
    default: {
      uint8_t* p = row + static_cast<size_t>(x) * 3;
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      return;
    }
  }
}

void ScatterPixels(unsigned bitCount, const uint8_t* packed, const uint8_t* packedAlpha,
                   uint32_t count, uint32_t x0, uint32_t dx, uint8_t* storeRow,
                   uint8_t* alphaRow) {
  switch (bitCount) {
    case 8:
      for (uint32_t i = 0, x = x0; i < count; ++i, x += dx) storeRow[x] = packed[i];
      break;
    case 24:
      for (uint32_t i = 0, x = x0; i < count; ++i, x += dx) {
        uint8_t* p = storeRow + static_cast<size_t>(x) * 3;
        p[0] = packed[3 * i];
        p[1] = packed[3 * i + 1];
        p[2] = packed[3 * i + 2];
      }
      break;
    default:
      for (uint32_t i = 0, x = x0; i < count; ++i, x += dx)
        WriteStorePixel(bitCount, storeRow, x, ReadStorePixel(bitCount, packed, i));
      break;
  }
  if (packedAlpha != nullptr && alphaRow != nullptr)
    for (uint32_t i = 0, x = x0; i < count; ++i, x += dx) alphaRow[x] = packedAlpha[i];
}

void GatherPixels(unsigned bitCount, const uint8_t* storeRow, const uint8_t* alphaRow,
                  uint32_t count, uint32_t x0, uint32_t dx, uint8_t* packed,
                  uint8_t* packedAlpha) {
  switch (bitCount) {
    case 8:
      for (uint32_t i = 0, x = x0; i < count; ++i, x += dx) packed[i] = storeRow[x];
      break;
    case 24:
      for (uint32_t i = 0, x = x0; i < count; ++i, x += dx) {
        const uint8_t* p = storeRow + static_cast<size_t>(x) * 3;
        packed[3 * i] = p[0];
        packed[3 * i + 1] = p[1];
        packed[3 * i + 2] = p[2];
      }
      break;
    default:
      std::memset(packed, 0, StoreRowBytes(bitCount, count));
      for (uint32_t i = 0, x = x0; i < count; ++i, x += dx)
        WriteStorePixel(bitCount, packed, i, ReadStorePixel(bitCount, storeRow, x));
      break;
  }
  if (packedAlpha != nullptr && alphaRow != nullptr)
    for (uint32_t i = 0, x = x0; i < count; ++i, x += dx) packedAlpha[i] = alphaRow[x];
}

InterlacePass Adam7Pass(int pass, uint32_t width, uint32_t height) {
  static const uint32_t kX0[7] = {0, 4, 0, 2, 0, 1, 0};
  static const uint32_t kY0[7] = {0, 0, 4, 0, 2, 0, 1};
  static const uint32_t kDx[7] = {8, 8, 4, 4, 2, 2, 1};
  static const uint32_t kDy[7] = {8, 8, 8, 4, 4, 2, 2};
  InterlacePass p{kX0[pass], kY0[pass], kDx[pass], kDy[pass], 0, 0};
  p.columns = width > p.x0 ? static_cast<uint32_t>((uint64_t{width} + p.dx - p.x0 - 1) / p.dx) : 0;
  p.rows = height > p.y0 ? static_cast<uint32_t>((uint64_t{height} + p.dy - p.y0 - 1) / p.dy) : 0;
  return p;
}

InterlacePass FullImagePass(uint32_t width, uint32_t height) {
  return InterlacePass{0, 0, 1, 1, width, height};
}

}  // namespace vornada::png
