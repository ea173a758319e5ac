// PNG row filters. Unfiltering is specialised by the filter distance; for distances of 3 to 8
// bytes (8-bit and 16-bit colour pixels) Sub, Average and Paeth run one pixel per step in SSE2
// registers, the rest in plain loops. Filtering for saving has no dependency between bytes and
// runs sixteen bytes per step in SSE2 registers.
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
// Loads and stores exactly B bytes (B = 3, 4, 6 or 8) through the low lanes of a register,
// assembled in general registers: going through memory would stall on store forwarding, as
// every pixel depends on the one stored just before.
inline uint32_t Load16(const uint8_t* p) { return p[0] | uint32_t{p[1]} << 8; }
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

template <unsigned B>
inline __m128i LoadPixel(const uint8_t* p) {
  if constexpr (B == 3) {
    return _mm_cvtsi32_si128(static_cast<int>(Load16(p) | uint32_t{p[2]} << 16));
  } else if constexpr (B == 4) {
    return _mm_cvtsi32_si128(static_cast<int>(Load32(p)));
  } else if constexpr (B == 6) {
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(Load32(p))),
                              _mm_cvtsi32_si128(static_cast<int>(Load16(p + 4))));
  } else {
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(Load32(p))),
                              _mm_cvtsi32_si128(static_cast<int>(Load32(p + 4))));
  }
}

template <unsigned B>
inline void StorePixel(uint8_t* p, __m128i x) {
  const uint32_t low = static_cast<uint32_t>(_mm_cvtsi128_si32(x));
  if constexpr (B == 3) {
    p[0] = static_cast<uint8_t>(low);
    p[1] = static_cast<uint8_t>(low >> 8);
    p[2] = static_cast<uint8_t>(low >> 16);
  } else {
    std::memcpy(p, &low, 4);
    if constexpr (B > 4) {
      const uint32_t high = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x, 4)));
      if constexpr (B == 6) {
        p[4] = static_cast<uint8_t>(high);
        p[5] = static_cast<uint8_t>(high >> 8);
      } else {
        std::memcpy(p + 4, &high, 4);
      }
    }
  }
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

// Sum of the bytes taken as signed values' magnitudes (|-128..127|).
uint64_t SignedSum(const uint8_t* bytes, size_t length) {
  uint64_t sum = 0;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  __m128i total = zero;
  for (; i + 16 <= length; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    // min(v, 256 - v) as unsigned bytes is the magnitude of v as a signed byte.
    __m128i magnitude = _mm_min_epu8(v, _mm_sub_epi8(zero, v));
    total = _mm_add_epi64(total, _mm_sad_epu8(magnitude, zero));
  }
  sum = static_cast<uint64_t>(_mm_cvtsi128_si64(total)) +
        static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total)));
#endif
  for (; i < length; ++i) {
    unsigned v = bytes[i];
    sum += v < 128 ? v : 256 - v;
  }
  return sum;
}

#if defined(__SSE2__)
inline __m128i Load16Bytes(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Paeth predictions for 8 pixels' bytes held in 16-bit lanes.
inline __m128i PaethPredict16(__m128i a, __m128i b, __m128i c) {
  __m128i p = _mm_sub_epi16(b, c);
  __m128i q = _mm_sub_epi16(a, c);
  __m128i pa = Abs16(p);
  __m128i pb = Abs16(q);
  __m128i pc = Abs16(_mm_add_epi16(p, q));
  __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
  __m128i nearest = Select(_mm_cmpeq_epi16(smallest, pb), b, c);
  return Select(_mm_cmpeq_epi16(smallest, pa), a, nearest);
}

// Filters bytes [B, length) sixteen at a time where all inputs are in the row; returns the
// first byte left for the scalar loop.
template <unsigned B>
size_t FilterSse2(uint8_t type, const uint8_t* raw, const uint8_t* prev, size_t length, uint8_t* out) {
  size_t i = B;
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  for (; i + 16 <= length; i += 16) {
    const __m128i x = Load16Bytes(raw + i);
    const __m128i a = Load16Bytes(raw + i - B);
    __m128i predicted;
    switch (type) {
      case kFilterSub:
        predicted = a;
        break;
      case kFilterUp:
        predicted = Load16Bytes(prev + i);
        break;
      case kFilterAverage: {
        const __m128i b = Load16Bytes(prev + i);
        predicted = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        break;
      }
      default: {
        const __m128i b = Load16Bytes(prev + i);
        const __m128i c = Load16Bytes(prev + i - B);
        const __m128i low = PaethPredict16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero),
                                           _mm_unpacklo_epi8(c, zero));
        const __m128i high = PaethPredict16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero),
                                            _mm_unpackhi_epi8(c, zero));
        predicted = _mm_packus_epi16(low, high);
        break;
      }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi8(x, predicted));
  }
  return i;
}
#endif

// Filters a row; the vector loop does the bulk, plain loops the first pixel and the tail.
template <unsigned B>
void FilterFast(uint8_t type, const uint8_t* raw, const uint8_t* prev, size_t length, uint8_t* out) {
  if (type == kFilterNone || type > kFilterPaeth) {
    std::memcpy(out, raw, length);
    return;
  }
  size_t first = length < B ? length : B;
  for (size_t i = 0; i < first; ++i) {
    const uint8_t b = type == kFilterSub ? 0 : type == kFilterAverage ? prev[i] >> 1 : prev[i];
    out[i] = static_cast<uint8_t>(raw[i] - b);
  }
  size_t i = B;
#if defined(__SSE2__)
  if (length >= B) i = FilterSse2<B>(type, raw, prev, length, out);
#endif
  for (; i < length; ++i) {
    uint8_t predicted;
    switch (type) {
      case kFilterSub: predicted = raw[i - B]; break;
      case kFilterUp: predicted = prev[i]; break;
      case kFilterAverage: predicted = static_cast<uint8_t>((raw[i - B] + prev[i]) >> 1); break;
      default: predicted = PaethPredictor(raw[i - B], prev[i], prev[i - B]); break;
    }
    out[i] = static_cast<uint8_t>(raw[i] - predicted);
  }
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
    case 1: FilterFast<1>(type, raw, previous, length, out); return;
    case 2: FilterFast<2>(type, raw, previous, length, out); return;
    case 3: FilterFast<3>(type, raw, previous, length, out); return;
    case 4: FilterFast<4>(type, raw, previous, length, out); return;
    case 6: FilterFast<6>(type, raw, previous, length, out); return;
    case 8: FilterFast<8>(type, raw, previous, length, out); return;
    default: std::memcpy(out, raw, length); return;
  }
}

void ChooseAndFilterRow(uint8_t allowed, const uint8_t* raw, const uint8_t* previous,
                        size_t length, unsigned bpp, uint8_t* out, uint8_t* scratch) {
  out[0] = kFilterNone;
  if ((allowed & static_cast<uint8_t>(kAllFilters & ~FilterBit(kFilterNone))) == 0) {
    std::memcpy(out + 1, raw, length);
    return;
  }
  // The best candidate so far lives in `best` (nullptr: unfiltered), the next one is built in
  // the other buffer.
  uint64_t best_sum = SignedSum(raw, length);
  uint8_t* best = nullptr;
  uint8_t* trial = out;
  for (uint8_t type = kFilterSub; type <= kFilterPaeth; ++type) {
    if ((allowed & (1u << type)) == 0) continue;
    trial[0] = type;
    FilterRow(type, raw, previous, length, bpp, trial + 1);
    const uint64_t sum = SignedSum(trial + 1, length);
    if (sum < best_sum) {
      best_sum = sum;
      best = trial;
      trial = trial == out ? scratch : out;
    }
  }
  if (best == nullptr) {
    out[0] = kFilterNone;
    std::memcpy(out + 1, raw, length);
  } else if (best != out) {
    std::memcpy(out, best, length + 1);
  }
}

}  // namespace vornada::png
