// The G.726 channel state as the frame loops keep it: the adaptive
// predictor's eight coefficients and eight history values in SSE2 registers,
// so that ACCUM's eight FMULT products, UPB's six updates and the history's
// DELAY each take a few vector instructions, and the other words as scalars.
// Every block here gives exactly what the scalar blocks of g726_predictor.h
// and g726_quantizer.h give; SSE2 is part of every x86-64 processor.
//
// Lane order: coefficients b1..b4 | b5, b6, a1, a2 (32-bit lanes), each
// against its history value dq1..dq6, sr1, sr2 (16-bit lanes).
//
// History words. The lanes hold a history value not in the 11-bit floating
// format of the block but as the top half of the bits of the single-precision
// float of its signed magnitude: sign << 15 | exponent field << 7 | the seven
// fraction bits below the leading 1. A magnitude's float gives this word
// directly, and FMULT needs no more than it: the 11-bit format's exponent is
// the exponent field - 126 and its mantissa is 32 + the top five fraction
// bits. A zero magnitude is the word 0 (or its sign alone), read as exponent
// field 126, mantissa 32. The low two fraction bits are never read.
//
// The word holds every value that FLOATA and FLOATB produce, which is every
// value of the history after six samples; a block whose history holds other
// words of the 11-bit format (a mantissa without its leading bit, possible
// only in a corrupt block) is coded with the scalar blocks until those have
// left it (G726_HistoryFitsLanes).
#pragma once

#include <emmintrin.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "g726/g726_channel.h"
#include "g726/g726_quantizer.h"

namespace zt {

struct G726Lanes {
  __m128i b1to4;      // b1..b4, 14 fractional bits
  __m128i b56a12;     // b5, b6, a1, a2; lanes 2 and 3 equal the scalars a1, a2
  __m128i history;    // history words of dq1..dq6, sr1, sr2
  __m128i means;      // dms, dml in 16-bit lanes 0 and 1, the others 0
  G726Channel words;  // every other word; its b, dq, sr1, sr2, dms, dml are not used in a run
};

// ---- History words ------------------------------------------------------

// The history word of a signed magnitude m, -32767..32767 (a zero is +0; the
// sign of a zero dq is put in by the caller).
inline int32_t G726_HistoryWord(int32_t m) noexcept {
  return static_cast<int32_t>(std::bit_cast<uint32_t>(static_cast<float>(m)) >> 16);
}

// An 11-bit floating-format value (0..2047) as a history word, and back.
constexpr int32_t G726_WordOfFloat(int32_t v) noexcept {
  const int32_t exponent = (v >> 6) & 15;
  const int32_t field = exponent == 0 ? 0 : exponent + 126;
  return (v >> 10) << 15 | field << 7 | (v & 31) << 2;
}

constexpr int32_t G726_FloatOfWord(int32_t h) noexcept {
  const int32_t field = (h >> 7) & 255;
  const int32_t exponent = field <= 126 ? 0 : field - 126;
  return ((h >> 15) & 1) << 10 | exponent << 6 | 32 | ((h >> 2) & 31);
}

// Whether an 11-bit value has a history word: its mantissa has the leading
// bit, and a zero exponent comes with the mantissa 32.
constexpr bool G726_FloatFitsWord(int32_t v) noexcept {
  const int32_t exponent = (v >> 6) & 15;
  const int32_t mantissa = v & 63;
  return exponent == 0 ? mantissa == 32 : mantissa >= 32;
}

static_assert(G726_FloatOfWord(G726_WordOfFloat(32)) == 32);
static_assert(G726_FloatOfWord(G726_WordOfFloat(1056)) == 1056);
static_assert(G726_FloatOfWord(G726_WordOfFloat(2047)) == 2047);
static_assert(!G726_FloatFitsWord(33) && !G726_FloatFitsWord((3 << 6) | 31));

inline bool G726_HistoryFitsLanes(const G726Channel &c) noexcept {
  bool fits = G726_FloatFitsWord(c.sr1) && G726_FloatFitsWord(c.sr2);
  for (const int32_t v : c.dq) fits = fits && G726_FloatFitsWord(v);
  return fits;
}

// The block's words (brought into range by G726_LoadChannel, and with a
// history that fits) as lanes, and back.
inline G726Lanes G726_ToLanes(const G726Channel &c) noexcept {
  G726Lanes s;
  s.b1to4 = _mm_setr_epi32(c.b[0], c.b[1], c.b[2], c.b[3]);
  s.b56a12 = _mm_setr_epi32(c.b[4], c.b[5], c.a1, c.a2);
  const auto word = [](int32_t v) noexcept { return static_cast<int16_t>(G726_WordOfFloat(v)); };
  s.history = _mm_setr_epi16(word(c.dq[0]), word(c.dq[1]), word(c.dq[2]), word(c.dq[3]),
                             word(c.dq[4]), word(c.dq[5]), word(c.sr1), word(c.sr2));
  s.means =
      _mm_setr_epi16(static_cast<int16_t>(c.dms), static_cast<int16_t>(c.dml), 0, 0, 0, 0, 0, 0);
  s.words = c;
  return s;
}

inline G726Channel G726_FromLanes(const G726Lanes &s) noexcept {
  G726Channel c = s.words;
  alignas(16) int32_t b[8];
  alignas(16) uint16_t h[8];
  _mm_store_si128(reinterpret_cast<__m128i *>(b), s.b1to4);
  _mm_store_si128(reinterpret_cast<__m128i *>(b + 4), s.b56a12);
  _mm_store_si128(reinterpret_cast<__m128i *>(h), s.history);
  for (std::size_t i = 0; i < 6; ++i) {
    c.b[i] = b[i];
    c.dq[i] = G726_FloatOfWord(h[i]);
  }
  c.sr1 = G726_FloatOfWord(h[6]);
  c.sr2 = G726_FloatOfWord(h[7]);
  const int32_t means = _mm_cvtsi128_si32(s.means);
  c.dms = means & 0xFFFF;
  c.dml = (means >> 16) & 0xFFFF;
  return c;
}

// ---- FMULT and ACCUM on eight lanes ---------------------------------------
//
// FMULT in floating point: a product of two 6-bit mantissas, truncated to
// wanmant = (srnmant * anmant + 48) >> 4 (at most 251), scaled by
// 2^(srnexp + anexp - 19) and truncated to an integer, of which 15 bits are
// kept. SSE2 has no per-lane shift, so the scaling converts wanmant to a
// float, adds srnexp + anexp - 19 to its exponent field and truncates back:
// exact, as every value involved has at most 19 significant bits. The
// coefficient's exponent and mantissa come from the float of an >> 2 as the
// history's come from its word: the float's top half is the same layout.

// The word's exponent field << 7, at least 126 << 7 (a zero magnitude).
inline __m128i G726_ExponentField(__m128i words) noexcept {
  return _mm_max_epi16(_mm_and_si128(words, _mm_set1_epi16(0x7F80)), _mm_set1_epi16(126 << 7));
}

// 4 * the mantissa (32 + the top five fraction bits), 128..252.
inline __m128i G726_Mantissa4(__m128i words) noexcept {
  return _mm_or_si128(_mm_and_si128(words, _mm_set1_epi16(0x7C)), _mm_set1_epi16(0x80));
}

// The top halves of the floats of an >> 2 of the eight coefficients.
inline __m128i G726_CoefWords(__m128i b1to4, __m128i b56a12) noexcept {
  const auto top = [](__m128i an) noexcept {
    return _mm_srai_epi32(_mm_castps_si128(_mm_cvtepi32_ps(_mm_srai_epi32(an, 2))), 16);
  };
  return _mm_packs_epi32(top(b1to4), top(b56a12));
}

// ACCUM with the eight FMULT products, and the sign masks of the history
// values (dq1..dq6 for UPB).
struct G726LanesEstimate {
  int32_t se;
  int32_t sez;
  __m128i history_sign;  // 16-bit lanes, -1 where the history value is negative
};

inline G726LanesEstimate ACCUM8(const G726Lanes &s) noexcept {
  const __m128i an = G726_CoefWords(s.b1to4, s.b56a12);
  const __m128i srn = s.history;
  const __m128i history_sign = _mm_srai_epi16(srn, 15);

  // wanmant = (16 * srnmant * anmant + 768) >> 8, which fits 16 unsigned bits.
  const __m128i wanmant = _mm_srli_epi16(
      _mm_add_epi16(_mm_mullo_epi16(G726_Mantissa4(srn), G726_Mantissa4(an)), _mm_set1_epi16(768)),
      8);
  // (srnexp + anexp - 19) << 7, the change of a float's top half; the sum of
  // the two fields wraps at 16 bits, the difference does not.
  const __m128i scale =
      _mm_sub_epi16(_mm_add_epi16(G726_ExponentField(srn), G726_ExponentField(an)),
                    _mm_set1_epi16(static_cast<int16_t>((126 + 126 + 19) << 7)));
  const __m128i zero = _mm_setzero_si128();
  const auto scaled = [&](__m128i wanmant32, __m128i scale_top) noexcept {
    // The 16-bit add changes the top halves only, and no exponent leaves 1..254.
    const __m128i bits = _mm_add_epi16(_mm_castps_si128(_mm_cvtepi32_ps(wanmant32)), scale_top);
    return _mm_and_si128(_mm_cvttps_epi32(_mm_castsi128_ps(bits)), _mm_set1_epi32(32767));
  };
  const __m128i wanmag =
      _mm_packs_epi32(scaled(_mm_unpacklo_epi16(wanmant, zero), _mm_unpacklo_epi16(zero, scale)),
                      scaled(_mm_unpackhi_epi16(wanmant, zero), _mm_unpackhi_epi16(zero, scale)));

  // Signed pair sums: the multiplier is -1 where the signs differ, else 1.
  const __m128i sign =
      _mm_or_si128(_mm_xor_si128(_mm_srai_epi16(an, 15), history_sign), _mm_set1_epi16(1));
  const __m128i pairs = _mm_madd_epi16(wanmag, sign);  // p12, p34, p56, and the poles' p78
  const __m128i half = _mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, _MM_SHUFFLE(1, 0, 3, 2)));
  const __m128i all = _mm_add_epi32(half, _mm_shuffle_epi32(half, _MM_SHUFFLE(2, 3, 0, 1)));
  const int32_t sei = _mm_cvtsi128_si32(all);
  const int32_t sezi = sei - _mm_cvtsi128_si32(_mm_shuffle_epi32(pairs, 3));
  return {sei >> 1, sezi >> 1, history_sign};
}

// ---- Predictor update and delay on the lanes -------------------------------

// UPB on b1..b6 (lanes 0..5): each bn gains gain (0, or +-128 with the sign
// of dq) when dqn is positive and -gain when it is negative, so +128 toward
// the sign correlation of dq with dqn, and leaks bn >> kLeak. Lanes 6 and 7
// (a1, a2) come out changed and must be replaced.
template <int kLeak>
inline void UPB6(G726Lanes &s, const G726LanesEstimate &est, int32_t gain) noexcept {
  const __m128i g = _mm_set1_epi32(gain);
  const __m128i sign14 = _mm_unpacklo_epi16(est.history_sign, est.history_sign);
  const __m128i sign58 = _mm_unpackhi_epi16(est.history_sign, est.history_sign);
  // gain ^ -1 + 1 is -gain.
  const __m128i ugbn14 = _mm_sub_epi32(_mm_xor_si128(g, sign14), sign14);
  const __m128i ugbn58 = _mm_sub_epi32(_mm_xor_si128(g, sign58), sign58);
  s.b1to4 = _mm_sub_epi32(_mm_add_epi32(s.b1to4, ugbn14), _mm_srai_epi32(s.b1to4, kLeak));
  s.b56a12 = _mm_sub_epi32(_mm_add_epi32(s.b56a12, ugbn58), _mm_srai_epi32(s.b56a12, kLeak));
}

// ---- Adaptation speed control on the lanes -----------------------------------

// FILTA and FILTB on the two means (dms 0..3584 in lane 0, dml 0..14336 in
// lane 1), with fi_pair holding F(I) << 4 in both lanes; then SUBTC's
// comparison of the new means: whether |4 dms - dml| < dml >> 3. The decays
// x - ceil(x / 2^k) of G726_Decay are x less the multiply-high of
// x + 2^k - 1 by 2^(16 - k), exact in these ranges, and no value leaves 16
// bits.
inline bool G726_MeansAgree(G726Lanes &s, int32_t fi_pair) noexcept {
  const __m128i decayed = _mm_sub_epi16(
      s.means, _mm_mulhi_epi16(_mm_add_epi16(s.means, _mm_setr_epi16(31, 127, 0, 0, 0, 0, 0, 0)),
                               _mm_setr_epi16(1 << 11, 1 << 9, 0, 0, 0, 0, 0, 0)));
  s.means = _mm_add_epi16(decayed, _mm_cvtsi32_si128(fi_pair));
  const __m128i scaled = _mm_mullo_epi16(s.means, _mm_setr_epi16(4, 1, 0, 0, 0, 0, 0, 0));
  const __m128i swapped = _mm_shufflelo_epi16(scaled, _MM_SHUFFLE(3, 2, 0, 1));
  const __m128i dif = _mm_sub_epi16(scaled, swapped);  // lane 0: 4 dms - dml
  const __m128i difm = _mm_max_epi16(dif, _mm_sub_epi16(_mm_setzero_si128(), dif));
  const __m128i dthr = _mm_srai_epi16(swapped, 3);  // lane 0: dml >> 3
  return (_mm_cvtsi128_si32(_mm_cmpgt_epi16(dthr, difm)) & 1) != 0;
}

// Puts the scalar a1, a2 into lanes 6 and 7.
inline void G726_PutPoles(G726Lanes &s) noexcept {
  const __m128i a12 =
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(s.words.a1), _mm_cvtsi32_si128(s.words.a2));
  s.b56a12 = _mm_unpacklo_epi64(s.b56a12, a12);
}

// DELAY of the history: dq1..dq6 and sr1, sr2 move one lane up, and the new
// dq1 and sr1 (history words) take lanes 0 and 6.
inline void DELAY8(G726Lanes &s, int32_t dq_word, int32_t sr_word) noexcept {
  const __m128i moved = _mm_slli_si128(s.history, 2);
  s.history = _mm_insert_epi16(_mm_insert_epi16(moved, dq_word, 0), sr_word, 6);
}

// ---- Quantizer and inverse quantizer (plain scalar code) -------------------

// QUAN as a table of k, the number of decision levels at or below dln, for
// every dln that LOG and SUBTB can give: dl is 0..1919 (14 << 7 | 127) and
// y >> 2 is 136..1280, so dln is -1280..1783. A lookup has no data-dependent
// branch (the quantizer's decisions follow the signal), and it is shorter
// than a search.
inline constexpr int32_t kG726MinDln = -1280;
inline constexpr int32_t kG726MaxDln = 1919 - 136;

template <int kBits>
constexpr std::array<uint8_t, kG726MaxDln - kG726MinDln + 1> G726_MakeQuanTable() noexcept {
  std::array<uint8_t, kG726MaxDln - kG726MinDln + 1> table{};
  constexpr auto &levels = G726Rate<kBits>::kLevels;
  for (int32_t dln = kG726MinDln; dln <= kG726MaxDln; ++dln) {
    uint8_t k = 0;
    for (const int32_t level : levels) k = static_cast<uint8_t>(k + (dln >= level ? 1 : 0));
    table[static_cast<std::size_t>(dln - kG726MinDln)] = k;
  }
  return table;
}

template <int kBits>
inline constexpr std::array<uint8_t, kG726MaxDln - kG726MinDln + 1> kG726QuanTable =
    G726_MakeQuanTable<kBits>();

// LOG, SUBTB and QUAN of the difference d at scale factor y: the code word.
template <int kBits>
inline int32_t G726_QuantizeByTable(int32_t d, int32_t y) noexcept {
  const int32_t dln = SUBTB(LOG(d).dl, y);
  const int32_t k = kG726QuanTable<kBits>[static_cast<std::size_t>(dln - kG726MinDln)];
  const int32_t ds = d >> 15;
  // The lowest interval (k = 0) gives the all-ones code word whatever ds;
  // (k - 1) >> 31 is -1 just for it, a mask rather than a test, which would
  // invite the compiler to split the whole step in two on a data-dependent
  // branch.
  return ((k ^ ds) | ((k - 1) >> 31)) & kG726CodeMask<kBits>;
}

// ANTILOG's magnitude, (128 + (dql & 127)) << (dql >> 7) >> 7, is the float
// whose bits are dql << 16 plus those of 1.0, truncated: the low 7 bits of
// dql are its fraction and the rest its exponent. A negative dql (-1912..-1)
// gives a float below 1, so the zero magnitude comes without a test.
inline int32_t G726_AntilogMagnitude(int32_t dql) noexcept {
  return static_cast<int32_t>(
      std::bit_cast<float>(static_cast<uint32_t>(dql) * 65536u + 0x3F800000u));
}

// What the step needs of a code word I, in one table row: RECONST, the
// sign of dq, FUNCTW and FUNCTF.
struct G726CodeRow {
  int32_t dqln;       // RECONST of the magnitude index
  int32_t dq_sign;    // dqs << 15, the sign bit of sign-magnitude dq
  int32_t sign_mask;  // -dqs
  int32_t wi;         // FUNCTW: W(I), 4 fractional bits
  int32_t fi_pair;    // FUNCTF: F(I) << 4, in both 16-bit halves, FILTA's and FILTB's input
  int32_t gain;       // UPB's gain for a non-zero dq: 128 toward the sign of dq
  int32_t unused[2];  // to 32 bytes, an index scaled by a shift
};

template <int kBits>
constexpr std::array<G726CodeRow, 1u << kBits> G726_MakeCodeRows() noexcept {
  std::array<G726CodeRow, 1u << kBits> rows{};
  for (int32_t code = 0; code < (1 << kBits); ++code) {
    const int32_t mag = G726_MagnitudeIndex<kBits>(code);
    const int32_t dqs = code >> (kBits - 1);
    const int32_t fi16 = FUNCTF<kBits>(mag) << 4;
    rows[static_cast<std::size_t>(code)] = {
        RECONST<kBits>(mag),   dqs << 15, -dqs, FUNCTW<kBits>(mag), fi16 | fi16 << 16,
        dqs != 0 ? -128 : 128, {0, 0}};
  }
  return rows;
}

template <int kBits>
inline constexpr std::array<G726CodeRow, 1u << kBits> kG726CodeRows = G726_MakeCodeRows<kBits>();

}  // namespace zt
