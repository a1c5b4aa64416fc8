// Payload codes of whole frames: data-parallel G.711 compression, and
// expansion by table, 16 samples at a time.
//
// Compression uses SSE2, which every x86-64 processor has, so nothing is
// chosen at run time. The segment and mantissa of a magnitude m (32 <= m <
// 2^13) come from its conversion to single precision: the exponent field is
// 127 + p, p being the position of the leading one, and the top four
// fraction bits are the four bits below it, so bits 19..30 of the float are
// 16 * (127 + p) + those four bits, which is (segment << 4) | mantissa plus a
// constant. The conversion serves only as a leading-one count: integers below
// 2^24 convert exactly, so nothing is rounded, no floating-point flag is
// raised and the caller's rounding mode and exception masks play no part;
// the codes are those of the integer formulas, bit for bit. Other targets
// use the per-sample formulas of g711_compand.cpp.
#include <cstdint>

#include "g711/g711.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zt {
namespace {

constexpr int kBlock = 16;

#if defined(__SSE2__)

// 16 * (127 + p) + (the four bits below the leading one) for each 16-bit
// lane m, 32 <= m < 2^13, p = position of the leading one.
inline __m128i ExponentMantissa(__m128i m) noexcept {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_castps_si128(_mm_cvtepi32_ps(_mm_unpacklo_epi16(m, zero)));
  const __m128i hi = _mm_castps_si128(_mm_cvtepi32_ps(_mm_unpackhi_epi16(m, zero)));
  return _mm_packs_epi32(_mm_srli_epi32(lo, 19), _mm_srli_epi32(hi, 19));
}

// A-law (seg << 4) | mant, 0..127, of 8 samples. m = x >> 3 for x >= 0 and
// its ones' complement otherwise (0..4095). Segments 0 and 1 share the step
// 2 (seg 0 is m >> 1 for m < 32), so the float path runs on max(m, 32), and
// min(m, 32) >> 1 adds the part below 32: 16 for m >= 32, m >> 1 below.
inline __m128i ALawSegmentMantissa(__m128i x) noexcept {
  const __m128i sign = _mm_srai_epi16(x, 15);
  const __m128i m = _mm_xor_si128(_mm_srai_epi16(x, 3), sign);
  const __m128i c32 = _mm_set1_epi16(32);
  const __m128i high = ExponentMantissa(_mm_max_epi16(m, c32));
  const __m128i low = _mm_srli_epi16(_mm_min_epi16(m, c32), 1);
  // high for m >= 32 is 16 * (127 + seg + 4) + mant.
  return _mm_add_epi16(_mm_add_epi16(high, low), _mm_set1_epi16(-16 * (127 + 5)));
}

// mu-law (e << 4) | mant, 0..127, of 8 samples. m = x >> 2 for x >= 0 and
// -(x >> 2) otherwise; b = m + 33 clipped to 8191. Clipping to 8191 rather
// than 8192 gives the code 0x7F that the largest magnitude takes.
inline __m128i ULawSegmentMantissa(__m128i x) noexcept {
  const __m128i sign = _mm_srai_epi16(x, 15);
  const __m128i m = _mm_sub_epi16(_mm_xor_si128(_mm_srai_epi16(x, 2), sign), sign);
  const __m128i b = _mm_min_epi16(_mm_add_epi16(m, _mm_set1_epi16(33)), _mm_set1_epi16(8191));
  // b in [2^(e+5), 2^(e+6)) gives 16 * (127 + e + 5) + mant.
  return _mm_add_epi16(ExponentMantissa(b), _mm_set1_epi16(-16 * (127 + 5)));
}

// Codes of pcm[0..15]. Bit 7 of the signed-saturated byte of x is its sign;
// the XOR mask is 0xD5 for x >= 0 and 0x55 otherwise (A-law), 0xFF and 0x7F
// (mu-law): `positive_mask` ^ (bit 7 of the sign byte).
template <__m128i (*kSegmentMantissa)(__m128i) noexcept, int kPositiveMask>
inline void CompressBlock(const int16_t *pcm, uint8_t *codes) noexcept {
  const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pcm));
  const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pcm + 8));
  const __m128i values = _mm_packus_epi16(kSegmentMantissa(x0), kSegmentMantissa(x1));
  const __m128i signs = _mm_and_si128(_mm_packs_epi16(x0, x1), _mm_set1_epi8(-128));
  const __m128i masks = _mm_xor_si128(signs, _mm_set1_epi8(static_cast<char>(kPositiveMask)));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(codes), _mm_xor_si128(values, masks));
}

void ALawBlock(const int16_t *pcm, uint8_t *codes) noexcept {
  CompressBlock<ALawSegmentMantissa, 0xD5>(pcm, codes);
}
void ULawBlock(const int16_t *pcm, uint8_t *codes) noexcept {
  CompressBlock<ULawSegmentMantissa, 0xFF>(pcm, codes);
}

// Samples of codes[0..15], eight table entries inserted into each vector.
inline void ExpandBlock(const uint8_t *codes, int16_t *pcm, const int16_t *table) noexcept {
  __m128i a = _mm_cvtsi32_si128(static_cast<uint16_t>(table[codes[0]]));
  __m128i b = _mm_cvtsi32_si128(static_cast<uint16_t>(table[codes[8]]));
  a = _mm_insert_epi16(a, table[codes[1]], 1);
  b = _mm_insert_epi16(b, table[codes[9]], 1);
  a = _mm_insert_epi16(a, table[codes[2]], 2);
  b = _mm_insert_epi16(b, table[codes[10]], 2);
  a = _mm_insert_epi16(a, table[codes[3]], 3);
  b = _mm_insert_epi16(b, table[codes[11]], 3);
  a = _mm_insert_epi16(a, table[codes[4]], 4);
  b = _mm_insert_epi16(b, table[codes[12]], 4);
  a = _mm_insert_epi16(a, table[codes[5]], 5);
  b = _mm_insert_epi16(b, table[codes[13]], 5);
  a = _mm_insert_epi16(a, table[codes[6]], 6);
  b = _mm_insert_epi16(b, table[codes[14]], 6);
  a = _mm_insert_epi16(a, table[codes[7]], 7);
  b = _mm_insert_epi16(b, table[codes[15]], 7);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(pcm), a);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(pcm + 8), b);
}

#else  // no SSE2: the same blocks from the per-sample formulas

void ALawBlock(const int16_t *pcm, uint8_t *codes) noexcept {
  for (int i = 0; i < kBlock; ++i) codes[i] = G711_ALawCompressSample(pcm[i]);
}
void ULawBlock(const int16_t *pcm, uint8_t *codes) noexcept {
  for (int i = 0; i < kBlock; ++i) codes[i] = G711_ULawCompressSample(pcm[i]);
}
inline void ExpandBlock(const uint8_t *codes, int16_t *pcm, const int16_t *table) noexcept {
  for (int i = 0; i < kBlock; ++i) pcm[i] = table[codes[i]];
}

#endif

// Runs of n >= 16 go block by block, the last block overlapping the one
// before it when n is not a multiple of 16 (each output depends only on its
// own input, so the overlap rewrites the same values). Nothing outside
// [0, n) is read or written.
template <void (*kBlockFn)(const int16_t *, uint8_t *) noexcept,
          uint8_t (*kSample)(int16_t) noexcept>
inline void Compress(const int16_t *pcm, uint8_t *codes, int n) noexcept {
  if (n < kBlock) {
    for (int i = 0; i < n; ++i) codes[i] = kSample(pcm[i]);
    return;
  }
  int i = 0;
  for (; i + kBlock <= n; i += kBlock) kBlockFn(pcm + i, codes + i);
  if (i < n) kBlockFn(pcm + n - kBlock, codes + n - kBlock);
}

}  // namespace

void G711_ALawCompressBytes(const int16_t *pcm, uint8_t *codes, int n) noexcept {
  Compress<ALawBlock, G711_ALawCompressSample>(pcm, codes, n);
}

void G711_ULawCompressBytes(const int16_t *pcm, uint8_t *codes, int n) noexcept {
  Compress<ULawBlock, G711_ULawCompressSample>(pcm, codes, n);
}

void G711_ExpandBytes(const uint8_t *codes, int16_t *pcm, int n, const int16_t *table) noexcept {
  if (n < kBlock) {
    for (int i = 0; i < n; ++i) pcm[i] = table[codes[i]];
    return;
  }
  int i = 0;
  for (; i + kBlock <= n; i += kBlock) ExpandBlock(codes + i, pcm + i, table);
  if (i < n) ExpandBlock(codes + n - kBlock, pcm + n - kBlock, table);
}

}  // namespace zt
