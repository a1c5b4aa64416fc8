// G.726 adaptive quantizer (LOG, SUBTB, QUAN), inverse adaptive quantizer
// (RECONST, ADDA, ANTILOG), quantizer scale factor (LIMA, MIX; FUNCTW, FILTD,
// LIMB, FILTE) and adaptation speed control (FUNCTF, FILTA, FILTB, SUBTC,
// FILTC, TRIGA), as pure constexpr blocks that inline into the per-sample step.
//
// Values are signed 32-bit; >> is an arithmetic shift (the floor of a
// division by a power of two); nothing wraps at 16 bits. Log-domain values
// (dl, dln, dqln, dql) carry 7 fractional bits, y 9, yl 15.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace zt {

// ---- Per-rate tables ------------------------------------------------------
// The tables of ITU-T G.726 for one code width, indexed by the magnitude
// index of a code word (0 .. 2^(kBits-1) - 1).
//
// kLevels: QUAN's decision levels in the log domain of dln, ascending. The
// interval above the last level is unbounded; the Recommendation closes it
// with 32767, which no dln reaches (dln <= 1919 - 136).
// kDqln: RECONST's reconstruction levels; -2048 stands for a zero magnitude,
// since it keeps dql negative for every scale factor.
// kWi: FUNCTW's scale-factor multipliers W(I), 4 fractional bits.
// kFi: FUNCTF's speed-control values F(I).
// kLeak: UPB's leak shift of the zero coefficients (b >> kLeak per sample).
template <int kBits>
struct G726Rate;

template <>
struct G726Rate<2> {
  static constexpr std::array<int32_t, 1> kLevels{261};
  static constexpr std::array<int32_t, 2> kDqln{116, 365};
  static constexpr std::array<int32_t, 2> kWi{-22, 439};
  static constexpr std::array<int32_t, 2> kFi{0, 7};
  static constexpr int kLeak = 8;
};

template <>
struct G726Rate<3> {
  static constexpr std::array<int32_t, 3> kLevels{8, 218, 331};
  static constexpr std::array<int32_t, 4> kDqln{-2048, 135, 273, 373};
  static constexpr std::array<int32_t, 4> kWi{-4, 30, 137, 582};
  static constexpr std::array<int32_t, 4> kFi{0, 1, 2, 7};
  static constexpr int kLeak = 8;
};

template <>
struct G726Rate<4> {
  static constexpr std::array<int32_t, 7> kLevels{-124, 80, 178, 246, 300, 349, 400};
  static constexpr std::array<int32_t, 8> kDqln{-2048, 4, 135, 213, 273, 323, 373, 425};
  static constexpr std::array<int32_t, 8> kWi{-12, 18, 41, 64, 112, 198, 355, 1122};
  static constexpr std::array<int32_t, 8> kFi{0, 0, 0, 1, 1, 1, 3, 7};
  static constexpr int kLeak = 8;
};

template <>
struct G726Rate<5> {
  static constexpr std::array<int32_t, 15> kLevels{-122, -16, 68,  139, 198, 250, 298, 339,
                                                   378,  413, 445, 475, 502, 528, 553};
  static constexpr std::array<int32_t, 16> kDqln{-2048, -66, 28,  104, 169, 224, 274, 318,
                                                 358,   395, 429, 459, 488, 514, 539, 566};
  static constexpr std::array<int32_t, 16> kWi{14,  14,  24,  39,  40,  41,  58,  100,
                                               141, 179, 219, 280, 358, 440, 529, 696};
  static constexpr std::array<int32_t, 16> kFi{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 6};
  static constexpr int kLeak = 9;
};

template <int kBits>
inline constexpr int32_t kG726CodeMask = (1 << kBits) - 1;

// The magnitude index of code word I (0 .. 2^kBits - 1): I itself when its
// sign bit (bit kBits-1) is clear, else its ones' complement within kBits.
template <int kBits>
constexpr int32_t G726_MagnitudeIndex(int32_t I) noexcept {
  return I ^ ((0 - (I >> (kBits - 1))) & kG726CodeMask<kBits>);
}

// ---- Scale factor, start of a sample -------------------------------------

// LIMA: ap (8 fractional bits) to the mixing weight al, 0..64 (6 fractional bits).
constexpr int32_t LIMA(int32_t ap) noexcept {
  return ap > 256 ? 64 : ap >> 2;
}

// MIX: y = yl / 64 + (yu - yl / 64) * al / 64, the product divided with
// rounding toward zero (a floor shift after adding 63 to a negative product).
// y is 544..5120 (9 fractional bits) for yu and yl in range.
constexpr int32_t MIX(int32_t al, int32_t yu, int32_t yl) noexcept {
  const int32_t ylp = yl >> 6;
  const int32_t prod = (yu - ylp) * al;
  return ylp + ((prod + ((prod >> 31) & 63)) >> 6);
}

// ---- Adaptive quantizer (encoder) ----------------------------------------

// LOG of the difference d: dl, the base-2 logarithm of |d| & 32767 with 7
// fractional bits (0 for 0), and ds = d >> 15, the sign: -1 for a negative d
// within -32768..32767, and -2 or 1 beyond that range, which QUAN takes as is.
struct G726Log {
  int32_t dl;
  int32_t ds;
};
constexpr G726Log LOG(int32_t d) noexcept {
  const int32_t dqm = (d < 0 ? -d : d) & 32767;
  // Position of the top set bit, 0 also for dqm = 0 (whose mantissa is 0 anyway).
  const int32_t exp = std::bit_width(static_cast<uint32_t>(dqm | 1)) - 1;
  const int32_t mant = ((dqm << 7) >> exp) & 127;
  return {(exp << 7) + mant, d >> 15};
}

// SUBTB: the log magnitude normalised by the scale factor y (9 fractional
// bits; y >> 2 has the 7 of dl).
constexpr int32_t SUBTB(int32_t dl, int32_t y) noexcept {
  return dl - (y >> 2);
}

// QUAN: the code word of dln and sign ds. k counts the decision levels at or
// below dln (a dln equal to a level takes the interval above it), found by a
// branch-free binary search over the 2^(kBits-1) - 1 levels. At 3 to 5 bits
// the lowest interval gives the all-ones code word whatever the sign.
template <int kBits>
constexpr int32_t QUAN(int32_t dln, int32_t ds) noexcept {
  constexpr auto &levels = G726Rate<kBits>::kLevels;
  static_assert(levels.size() + 1 == (1u << (kBits - 1)), "binary search needs 2^m - 1 levels");
  int32_t k = 0;
  for (int32_t step = 1 << (kBits - 2); step > 0; step >>= 1) {
    k += dln >= levels[k + step - 1] ? step : 0;
  }
  const int32_t code = (k ^ ds) & kG726CodeMask<kBits>;
  if constexpr (kBits == 2) {
    return code;
  } else {
    return k == 0 ? kG726CodeMask<kBits> : code;
  }
}

// ---- Inverse adaptive quantizer ------------------------------------------

// RECONST: the reconstruction level dqln of a magnitude index.
template <int kBits>
constexpr int32_t RECONST(int32_t mag) noexcept {
  return G726Rate<kBits>::kDqln[mag];
}

// ADDA: dql = dqln + y >> 2, at most 566 + 1280 = 1846.
constexpr int32_t ADDA(int32_t dqln, int32_t y) noexcept {
  return dqln + (y >> 2);
}

// ANTILOG: the quantized difference dq in 16-bit sign-magnitude form (bit 15
// the sign dqs, bits 0..14 the magnitude, at most 23296). A negative dql is a
// zero magnitude. dex <= 14 holds for dql <= 1846.
constexpr int32_t ANTILOG(int32_t dql, int32_t dqs) noexcept {
  // A negative dql is masked off rather than branched on: it comes with
  // every zero-magnitude code word, as often as the signal is quiet.
  const int32_t negative = dql >> 31;  // -1 when dql < 0
  const int32_t dqlp = dql & ~negative;
  const int32_t dex = (dqlp >> 7) & 15;
  const int32_t dqt = 128 + (dqlp & 127);
  const int32_t magnitude = ((dqt << 7) >> (14 - dex)) & ~negative;
  return magnitude + (dqs << 15);
}

// ---- First-order filters ----------------------------------------------------
//
// FILTA..FILTE are x + ((t - x) >> k) with a target t that is a multiple of
// 2^k, t = c << k. That is x - ceil(x / 2^k) + c: the decay of x alone, which
// the previous sample already determines, plus c, so that only an addition
// waits for this sample's code word.

// x - ceil(x / 2^k), for any x (the shift is a floor division).
constexpr int32_t G726_Decay(int32_t x, int k) noexcept {
  return x - ((x + (1 << k) - 1) >> k);
}

// ---- Adaptation speed control, near the end of a sample ------------------

template <int kBits>
constexpr int32_t FUNCTF(int32_t mag) noexcept {
  return G726Rate<kBits>::kFi[mag];
}

// FILTA: short-term mean of F(I), 9 fractional bits, time constant 2^-5.
constexpr int32_t FILTA(int32_t fi, int32_t dms) noexcept {
  return G726_Decay(dms, 5) + (fi << 4);  // dms + (((fi << 9) - dms) >> 5)
}

// FILTB: long-term mean of F(I), 11 fractional bits, time constant 2^-7.
constexpr int32_t FILTB(int32_t fi, int32_t dml) noexcept {
  return G726_Decay(dml, 7) + (fi << 4);  // dml + (((fi << 11) - dml) >> 7)
}

// SUBTC: ax, the target of ap: tdp for a scale factor of at least 1536 whose
// two means agree within an eighth of the long-term one, otherwise 1.
constexpr int32_t SUBTC(int32_t dmsp, int32_t dmlp, int32_t tdp, int32_t y) noexcept {
  const int32_t dif = (dmsp << 2) - dmlp;
  const int32_t difm = dif < 0 ? -dif : dif;
  const int32_t dthr = dmlp >> 3;
  // tdp (0 or 1) when both hold, else 1; computed, as the means' comparison
  // follows the signal.
  const int32_t both = (y >= 1536 ? 1 : 0) & (difm < dthr ? 1 : 0);
  return 1 - (both & (tdp ^ 1));
}

// FILTC: ap moves toward ax (as 2.0 in 8 fractional bits) with time constant 2^-4.
constexpr int32_t FILTC(int32_t ax, int32_t ap) noexcept {
  return G726_Decay(ap, 4) + (ax << 5);  // ap + (((ax << 9) - ap) >> 4)
}

// TRIGA: a transition sets ap to 256 (1.0), the fast mode of the scale factor.
constexpr int32_t TRIGA(int32_t tr, int32_t app) noexcept {
  return tr != 0 ? 256 : app;
}

// ---- Scale factor update, last in a sample -------------------------------

template <int kBits>
constexpr int32_t FUNCTW(int32_t mag) noexcept {
  return G726Rate<kBits>::kWi[mag];
}

// FILTD: the unlimited fast scale factor yut; W(I) (4 fractional bits) times
// 32 has the 9 of y. Multiplied rather than shifted: W(I) may be negative.
constexpr int32_t FILTD(int32_t wi, int32_t y) noexcept {
  return G726_Decay(y, 5) + wi;  // y + ((wi * 32 - y) >> 5)
}

// LIMB: yu is limited to 544..5120 (1.06 .. 10.0 in 9 fractional bits).
constexpr int32_t LIMB(int32_t yut) noexcept {
  return std::clamp(yut, int32_t{544}, int32_t{5120});
}

// FILTE: yl (15 fractional bits) follows yup (9 fractional bits, times 64)
// with time constant 2^-6.
constexpr int32_t FILTE(int32_t yup, int32_t yl) noexcept {
  return G726_Decay(yl, 6) + yup;  // yl + (((yup << 6) - yl) >> 6)
}

}  // namespace zt
