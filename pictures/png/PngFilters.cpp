// PNG row filters. Unfiltering is specialised by the filter distance; for distances of 3 to 8
// bytes (8-bit and 16-bit colour pixels) Sub, Average and Paeth run one pixel per step in SSE2
// registers, the rest in plain loops. Filtering for saving works on independent bytes and is
// left to the compiler's vectoriser.
#include "PngFilters.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vornada::png {
namespace {

inline uint8_t PaethPredictor(int a, int b, int c) {
  int p = b - c;   // |p| = distance of the estimate a + b - c from a
  int q = a - c;   // |q| = distance from b
  int pa = std::abs(p);
  int pb = std::abs(q);
  int pc = std::abs(p + q);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

void UnfilterUp(uint8_t* row, const uint8_t* prev, size_t length) {
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= length; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(x, b));
  }
#endif
  for (; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
}

template <unsigned B>
void UnfilterSubScalar(uint8_t* row, size_t length) {
  for (size_t i = B; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - B]);
}

template <unsigned B>
void UnfilterAverageScalar(uint8_t* row, const uint8_t* prev, size_t length) {
  size_t first = length < B ? length : B;
  for (size_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(row[i] + (prev[i] >> 1));
  for (size_t i = B; i < length; ++i)
    row[i] = static_cast<uint8_t>(row[i] + ((row[i - B] + prev[i]) >> 1));
}

template <unsigned B>
void UnfilterPaethScalar(uint8_t* row, const uint8_t* prev, size_t length) {
  size_t first = length < B ? length : B;
  for (size_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
  for (size_t i = B; i < length; ++i)
    row[i] = static_cast<uint8_t>(row[i] + PaethPredictor(row[i - B], prev[i], prev[i - B]));
}

#if defined(__SSE2__)
// Loads and stores exactly B bytes (B <= 8) through the low lanes of a register.
template <unsigned B>
inline __m128i LoadPixel(const uint8_t* p) {
  uint64_t v = 0;
  std::memcpy(&v, p, B);
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v));
}

template <unsigned B>
inline void StorePixel(uint8_t* p, __m128i x) {
  uint64_t v;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&v), x);
  std::memcpy(p, &v, B);
}

inline __m128i Abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Rows are whole pixels long for these distances (8-bit and 16-bit samples of 3 or 4 channels,
// 16-bit gray + alpha), so every step handles exactly one pixel.
template <unsigned B>
void UnfilterSubSse2(uint8_t* row, size_t length) {
  __m128i a = _mm_setzero_si128();
  for (size_t i = 0; i + B <= length; i += B) {
    a = _mm_add_epi8(LoadPixel<B>(row + i), a);
    StorePixel<B>(row + i, a);
  }
}

template <unsigned B>
void UnfilterAverageSse2(uint8_t* row, const uint8_t* prev, size_t length) {
  __m128i a = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  for (size_t i = 0; i + B <= length; i += B) {
    __m128i b = LoadPixel<B>(prev + i);
    // _mm_avg_epu8 rounds up; subtracting the low bit of a ^ b makes it the floor.
    __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    a = _mm_add_epi8(LoadPixel<B>(row + i), avg);
    StorePixel<B>(row + i, a);
  }
}

template <unsigned B>
void UnfilterPaethSse2(uint8_t* row, const uint8_t* prev, size_t length) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low_byte = _mm_set1_epi16(0xFF);
  __m128i a = zero;  // left pixel, 16-bit lanes
  __m128i c = zero;  // upper-left pixel
  for (size_t i = 0; i + B <= length; i += B) {
    __m128i b = _mm_unpacklo_epi8(LoadPixel<B>(prev + i), zero);
    __m128i x = _mm_unpacklo_epi8(LoadPixel<B>(row + i), zero);
    __m128i p = _mm_sub_epi16(b, c);
    __m128i q = _mm_sub_epi16(a, c);
    __m128i pa = Abs16(p);
    __m128i pb = Abs16(q);
    __m128i pc = Abs16(_mm_add_epi16(p, q));
    __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    // Tie order a, then b, then c.
    __m128i nearest = Select(_mm_cmpeq_epi16(smallest, pb), b, c);
    nearest = Select(_mm_cmpeq_epi16(smallest, pa), a, nearest);
    a = _mm_and_si128(_mm_add_epi16(x, nearest), low_byte);
    StorePixel<B>(row + i, _mm_packus_epi16(a, a));
    c = b;
  }
}
#endif

template <unsigned B>
void UnfilterWithDistance(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length) {
  switch (type) {
    case kFilterSub:
#if defined(__SSE2__)
      if constexpr (B >= 3) {
        UnfilterSubSse2<B>(row, length);
        return;
      }
#endif
      UnfilterSubScalar<B>(row, length);
      return;
    case kFilterUp:
      UnfilterUp(row, prev, length);
      return;
    case kFilterAverage:
#if defined(__SSE2__)
      if constexpr (B >= 3) {
        UnfilterAverageSse2<B>(row, prev, length);
        return;
      }
#endif
      UnfilterAverageScalar<B>(row, prev, length);
      return;
    case kFilterPaeth:
#if defined(__SSE2__)
      if constexpr (B >= 3) {
        UnfilterPaethSse2<B>(row, prev, length);
        return;
      }
#endif
      UnfilterPaethScalar<B>(row, prev, length);
      return;
    default:
      return;
  }
}

template <unsigned B>
void FilterWithDistance(uint8_t type, const uint8_t* raw, const uint8_t* prev, size_t length,
                        uint8_t* out) {
  size_t first = length < B ? length : B;
  switch (type) {
    case kFilterSub:
      for (size_t i = 0; i < first; ++i) out[i] = raw[i];
      for (size_t i = B; i < length; ++i) out[i] = static_cast<uint8_t>(raw[i] - raw[i - B]);
      return;
    case kFilterUp:
      for (size_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>(raw[i] - prev[i]);
      return;
    case kFilterAverage:
      for (size_t i = 0; i < first; ++i) out[i] = static_cast<uint8_t>(raw[i] - (prev[i] >> 1));
      for (size_t i = B; i < length; ++i)
        out[i] = static_cast<uint8_t>(raw[i] - ((raw[i - B] + prev[i]) >> 1));
      return;
    case kFilterPaeth:
      for (size_t i = 0; i < first; ++i) out[i] = static_cast<uint8_t>(raw[i] - prev[i]);
      for (size_t i = B; i < length; ++i)
        out[i] = static_cast<uint8_t>(raw[i] - PaethPredictor(raw[i - B], prev[i], prev[i - B]));
      return;
    default:
      std::memcpy(out, raw, length);
      return;
  }
}

uint64_t SignedSum(const uint8_t* bytes, size_t length) {
  uint64_t sum = 0;
  for (size_t i = 0; i < length; ++i) {
    unsigned v = bytes[i];
    sum += v < 128 ? v : 256 - v;
  }
  return sum;
}

}  // namespace

void UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* previous, size_t length,
                 unsigned bpp) {
  switch (bpp) {
    case 1: UnfilterWithDistance<1>(type, row, previous, length); return;
    case 2: UnfilterWithDistance<2>(type, row, previous, length); return;
    case 3: UnfilterWithDistance<3>(type, row, previous, length); return;
    case 4: UnfilterWithDistance<4>(type, row, previous, length); return;
    case 6: UnfilterWithDistance<6>(type, row, previous, length); return;
    case 8: UnfilterWithDistance<8>(type, row, previous, length); return;
    default: return;  // no PNG pixel format has another distance
  }
}

void FilterRow(uint8_t type, const uint8_t* raw, const uint8_t* previous, size_t length,
               unsigned bpp, uint8_t* out) {
  switch (bpp) {
    case 1: FilterWithDistance<1>(type, raw, previous, length, out); return;
    case 2: FilterWithDistance<2>(type, raw, previous, length, out); return;
    case 3: FilterWithDistance<3>(type, raw, previous, length, out); return;
    case 4: FilterWithDistance<4>(type, raw, previous, length, out); return;
    case 6: FilterWithDistance<6>(type, raw, previous, length, out); return;
    case 8: FilterWithDistance<8>(type, raw, previous, length, out); return;
    default: std::memcpy(out, raw, length); return;
  }
}

void ChooseAndFilterRow(uint8_t allowed, const uint8_t* raw, const uint8_t* previous,
                        size_t length, unsigned bpp, uint8_t* out, uint8_t* scratch) {
  out[0] = kFilterNone;
  std::memcpy(out + 1, raw, length);
  if ((allowed & static_cast<uint8_t>(kAllFilters & ~FilterBit(kFilterNone))) == 0) return;
  uint64_t best = SignedSum(out + 1, length);
  for (uint8_t type = kFilterSub; type <= kFilterPaeth; ++type) {
    if ((allowed & (1u << type)) == 0) continue;
    scratch[0] = type;
    FilterRow(type, raw, previous, length, bpp, scratch + 1);
    uint64_t sum = SignedSum(scratch + 1, length);
    if (sum < best) {
      best = sum;
      std::memcpy(out, scratch, length + 1);
    }
  }
}

}  // namespace vornada::png
