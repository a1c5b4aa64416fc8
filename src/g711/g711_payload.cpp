// Payload codes of whole frames: data-parallel G.711 compression, and
// expansion by table, 16 samples at a time.
//
// Compression uses SSE2, which every x86-64 processor has, so nothing is
// chosen at run time. Segment and mantissa of 8 magnitudes at once come from
// integer shifts, one multiplication and minimums (see SegmentMantissa). The
// codes are those of the per-sample formulas of g711_compand.cpp, bit for
// bit; other targets use those formulas.
#include <cstdint>

#include "g711/g711.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zt {
namespace {

constexpr int kBlock = 16;

#if defined(__SSE2__)

// (s << 4) | mantissa, plus kBias, for 8 magnitudes v, 0 <= v < 2^13, where
// s is the bit width of v >> 5 (0 below 32) and the mantissa the four bits
// below v's leading one, or (v >> 1) & 15 when v < 32.
//
// For s >= 1 that value is f(s) = 16 (s - 1) + (v >> s), and f over all
// s = 0..8 is smallest at the true s (it falls while v >> s >= 32 and rises
// once v >> s < 32), so the value is a minimum of shifts, with no search.
// Lanes below 2^9 are first multiplied by 16, which raises s by 4 and f by
// 64, so that the candidates s = 5..8 suffice for every lane; below 32 the
// same candidates give v >> 1.
template <int kBias>
inline __m128i SegmentMantissa(__m128i v) noexcept {
  const __m128i small = _mm_cmplt_epi16(v, _mm_set1_epi16(1 << 9));
  v = _mm_mullo_epi16(v,
                      _mm_add_epi16(_mm_and_si128(small, _mm_set1_epi16(15)), _mm_set1_epi16(1)));
  const __m128i s8 = _mm_srli_epi16(v, 8);
  const __m128i s7 = _mm_sub_epi16(_mm_srli_epi16(v, 7), _mm_set1_epi16(16));
  const __m128i s6 = _mm_sub_epi16(_mm_srli_epi16(v, 6), _mm_set1_epi16(32));
  const __m128i s5 = _mm_sub_epi16(_mm_srli_epi16(v, 5), _mm_set1_epi16(48));
  const __m128i f = _mm_min_epi16(_mm_min_epi16(s8, s7), _mm_min_epi16(s6, s5));
  const __m128i base =
      _mm_sub_epi16(_mm_set1_epi16(112 + kBias), _mm_and_si128(small, _mm_set1_epi16(64)));
  return _mm_add_epi16(base, f);
}

// A-law (seg << 4) | mant, 0..127, of 8 samples. m = x >> 3 for x >= 0 and
// its ones' complement otherwise (0..4095); m in [2^(seg+4), 2^(seg+5)) has
// segment seg, and segment 0 (m < 32) shares the step of segment 1.
inline __m128i ALawSegmentMantissa(__m128i x) noexcept {
  const __m128i sign = _mm_srai_epi16(x, 15);
  return SegmentMantissa<0>(_mm_xor_si128(_mm_srai_epi16(x, 3), sign));
}

// mu-law (e << 4) | mant, 0..127, of 8 samples. m = x >> 2 for x >= 0 and
// -(x >> 2) otherwise; b = m + 33 clipped to 8191 (clipping to 8191 rather
// than 8192 gives the code 0x7F that the largest magnitude takes). b in
// [2^(e+5), 2^(e+6)) has segment e, one less than the search's s.
inline __m128i ULawSegmentMantissa(__m128i x) noexcept {
  const __m128i sign = _mm_srai_epi16(x, 15);
  const __m128i m = _mm_sub_epi16(_mm_xor_si128(_mm_srai_epi16(x, 2), sign), sign);
  const __m128i b = _mm_min_epi16(_mm_add_epi16(m, _mm_set1_epi16(33)), _mm_set1_epi16(8191));
  return SegmentMantissa<-16>(b);
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
