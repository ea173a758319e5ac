// Adler-32: a = 1 + the sum of the bytes, b = the sum of the successive values of a, both
// modulo 65521, the value b << 16 | a. Sums are reduced once per block of 5552 bytes, the
// longest run whose sums cannot overflow 32 bits before the reduction.
#include "PngChecksum.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vornada::png {
namespace {

constexpr uint32_t kModulus = 65521;
constexpr size_t kBlock = 5552;  // a multiple of 16

#if defined(__SSE2__)
uint32_t SumOfLanes(__m128i v) {
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}
#endif

}  // namespace

uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t length) {
  uint64_t a = adler & 0xFFFF;
  uint64_t b = adler >> 16;
  while (length > 0) {
    const size_t block = std::min(length, kBlock);
    size_t i = 0;
#if defined(__SSE2__)
    // Over the 16-byte pieces k of the block, with s_k the byte sum of the pieces before k:
    //   a grows by the sum of all bytes;
    //   b grows by pieces * 16 * a + 16 * (sum of s_k) + sum over pieces of (16 - j) * byte j.
    const size_t pieces = block / 16;
    if (pieces > 0) {
      const __m128i zero = _mm_setzero_si128();
      const __m128i weights_first = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
      const __m128i weights_second = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
      __m128i sums = zero;      // byte sums so far (in the low half of each 64-bit lane)
      __m128i earlier = zero;   // sum of the byte sums before each piece
      __m128i weighted = zero;  // sum of (16 - j) * byte j
      for (size_t k = 0; k < pieces; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
        earlier = _mm_add_epi32(earlier, sums);
        sums = _mm_add_epi32(sums, _mm_sad_epu8(v, zero));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights_first));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights_second));
      }
      b += pieces * 16 * a + 16 * uint64_t{SumOfLanes(earlier)} + SumOfLanes(weighted);
      a += SumOfLanes(sums);
      i = pieces * 16;
    }
#endif
    for (; i < block; ++i) {
      a += data[i];
      b += a;
    }
    a %= kModulus;
    b %= kModulus;
    data += block;
    length -= block;
  }
  return static_cast<uint32_t>(b << 16 | a);
}

}  // namespace vornada::png
