// G.726 adaptive predictor and detectors as pure constexpr blocks: the signal
// estimate (FMULT, ACCUM), reconstruction and predictor update (ADDC, ADDB,
// FLOATA, FLOATB, XOR, UPB, UPA2, LIMC, UPA1, LIMD), the tone detector (TONE,
// TRIGB) and the transition detector (TRANS).
//
// Coefficients a1, a2, b1..b6 carry 14 fractional bits. Signals (se, sez, sr,
// the magnitude of dq) are 14-bit linear samples. The 11-bit floating format
// of dq1..dq6, sr1 and sr2 is sign << 10 | exponent << 6 | mantissa.
// Sums are plain 32-bit sums: nothing wraps at 16 bits.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "g726/g726_channel.h"

namespace zt {

// ---- Floating normalisation ----------------------------------------------

// The number of significant bits of a magnitude 0..32767 (0 for 0): the
// position of the top bit of 2 * magnitude + 1, which is never 0, so that the
// count needs no test for a zero magnitude.
constexpr int32_t G726_FloatExponent(int32_t magnitude) noexcept {
  return 31 - __builtin_clz(static_cast<uint32_t>(2 * magnitude + 1));
}

// The six leading bits of a magnitude, 32..63; 32 for 0. Bit 5 of a non-zero
// magnitude's mantissa is its top bit, so OR-ing in 32 only changes the zero case.
constexpr int32_t G726_FloatMantissa(int32_t magnitude, int32_t exponent) noexcept {
  return ((magnitude << 6) >> exponent) | 32;
}

constexpr int32_t G726_Float(int32_t sign, int32_t magnitude) noexcept {
  const int32_t exponent = G726_FloatExponent(magnitude);
  return (sign << 10) + (exponent << 6) + G726_FloatMantissa(magnitude, exponent);
}

// ---- Signal estimate ------------------------------------------------------

// FMULT: the product of coefficient an and the floating value srn, a signal
// value of at most 15 bits magnitude. The coefficient's magnitude is taken
// after the shift (an >> 2, then negated: -5 gives 2), so negative
// coefficients round up. With both exponents at most 15, wanexp is 0..30 and
// one left-then-right shift pair scales the mantissa product by
// 2^(wanexp - 26) in either direction; the mask keeps 15 bits when it grows.
constexpr int32_t FMULT(int32_t an, int32_t srn) noexcept {
  const int32_t anq = an >> 2;
  const int32_t anmag = anq < 0 ? -anq : anq;
  const int32_t anexp = G726_FloatExponent(anmag);
  const int32_t anmant = G726_FloatMantissa(anmag, anexp);
  const int32_t wanexp = ((srn >> 6) & 15) + anexp;
  const int32_t wanmant = ((srn & 63) * anmant + 48) >> 4;
  const int32_t wanmag = (((wanmant << 7) << 4) >> (30 - wanexp)) & 32767;
  const int32_t ans = an < 0 ? 1 : 0;
  return (srn >> 10) != ans ? -wanmag : wanmag;
}

// ACCUM: the signal estimate se and the zero-section estimate sez from the
// state before this sample's update: the six zero products, then the two pole
// products, each sum halved by a floor shift.
struct G726Estimate {
  int32_t se;
  int32_t sez;
};
constexpr G726Estimate ACCUM(const G726Channel &s) noexcept {
  int32_t sezi = 0;
  for (int i = 0; i < 6; ++i) sezi += FMULT(s.b[i], s.dq[i]);
  const int32_t sei = sezi + FMULT(s.a1, s.sr1) + FMULT(s.a2, s.sr2);
  return {sei >> 1, sezi >> 1};
}

// ---- Transition detector -------------------------------------------------

// TRANS's threshold dqthr, 1.5 times thr2 halved, where thr1 is yl's antilog
// and thr2 caps it at 31 << 10 from ylint = 10 on. It depends on yl >> 10
// alone (ylint and the five fraction bits ylfrac), so it is a table over the
// range of yl, 34816..327680.
inline constexpr int32_t kG726MaxYl = 327680;

constexpr std::array<int16_t, (kG726MaxYl >> 10) + 1> G726_MakeTransThresholds() noexcept {
  std::array<int16_t, (kG726MaxYl >> 10) + 1> table{};
  for (int32_t top = 0; top <= (kG726MaxYl >> 10); ++top) {
    const int32_t ylint = top >> 5;
    const int32_t ylfrac = top & 31;
    const int32_t thr1 = (32 + ylfrac) << ylint;
    const int32_t thr2 = ylint > 9 ? 31 << 10 : thr1;
    table[static_cast<std::size_t>(top)] = static_cast<int16_t>((thr2 + (thr2 >> 1)) >> 1);
  }
  return table;
}

inline constexpr std::array<int16_t, (kG726MaxYl >> 10) + 1> kG726TransThresholds =
    G726_MakeTransThresholds();

// TRANS: a transition is a quantized difference above the threshold of yl
// while the tone flag td (of the previous sample) is set. The flag is clear
// for most samples, which then need no threshold.
constexpr int32_t TRANS(int32_t td, int32_t yl, int32_t dqmag) noexcept {
  if (td != 1) return 0;
  return dqmag > kG726TransThresholds[static_cast<std::size_t>(yl >> 10)] ? 1 : 0;
}

// ---- Reconstruction -------------------------------------------------------

// The signed value of sign-magnitude dq.
constexpr int32_t G726_SignedDq(int32_t dq) noexcept {
  const int32_t magnitude = dq & 32767;
  const int32_t negative = -(dq >> 15);  // -1 or 0, a mask: the sign follows the signal
  return (magnitude ^ negative) - negative;
}

// ADDC: dqsez = dq + sez; pk0 is its sign (-1 when negative, else 0, for any
// magnitude, so that UPA1 and UPA2 compare like signs), sigpk is 1 when it is 0.
struct G726Addc {
  int32_t pk0;
  int32_t sigpk;
};
constexpr G726Addc ADDC(int32_t dq_signed, int32_t sez) noexcept {
  const int32_t dqsez = dq_signed + sez;
  return {dqsez >> 31, dqsez == 0 ? 1 : 0};
}

// ADDB: the reconstructed signal sr = dq + se.
constexpr int32_t ADDB(int32_t dq_signed, int32_t se) noexcept {
  return dq_signed + se;
}

// FLOATA: sign-magnitude dq to the floating format; -0 (32768) gives 1056.
constexpr int32_t FLOATA(int32_t dq) noexcept {
  return G726_Float((dq >> 15) & 1, dq & 32767);
}

// FLOATB: sr to the floating format. The sign comes from the value and the
// magnitude is limited to 32767, so an sr beyond 16 bits (extreme input or
// code sequences) still gives a value of the 11-bit format.
constexpr int32_t FLOATB(int32_t sr) noexcept {
  int32_t magnitude = sr < 0 ? -sr : sr;
  if (magnitude > 32767) [[unlikely]]
    magnitude = 32767;
  return G726_Float(sr < 0 ? 1 : 0, magnitude);
}

// ---- Predictor update -----------------------------------------------------

// XOR: 1 when the sign dqs of this sample's dq differs from the sign of the
// stored floating value dqn (its bit 10).
constexpr int32_t XOR(int32_t dqn, int32_t dqs) noexcept {
  return ((dqn >> 10) ^ dqs) & 1;
}

// UPB: zero coefficient bn gains +-128 (1/128) toward the sign correlation of
// dq with dqn, nothing for a zero dq, and always leaks bn >> kLeak (8, or 9 at
// 5 bits). It stays within -32513..32768 (-65025..65536 at 5 bits).
template <int kLeak>
constexpr int32_t UPB(int32_t bn, int32_t dqn, int32_t dqmag, int32_t dqs) noexcept {
  const int32_t ugbn = dqmag == 0 ? 0 : (XOR(dqn, dqs) != 0 ? -128 : 128);
  return bn + ugbn - (bn >> kLeak);
}

// UPA2: the unlimited a2t from the old a1, a2 and the signs pk0 (this sample),
// pk1, pk2 (each 0 or -1). fa1 is 4 * a1 limited to +-32764 (reached at
// |a1| >= 8192). The gain (uga2a + fa) >> 7, with uga2a = +-16384 (a multiple
// of 128) and fa = +-fa1, is +-128 + (+-fa1 >> 7); both shifts of fa1 depend
// on the old a1 alone. The sign choices are masks and selects rather than
// branches: the signs follow the signal and would defeat a branch predictor.
constexpr int32_t UPA2(int32_t a1, int32_t a2, int32_t pk0, int32_t pk1, int32_t pk2,
                       int32_t sigpk) noexcept {
  const int32_t fa1 = std::clamp(a1 * 4, int32_t{-32764}, int32_t{32764});
  const int32_t differ1 = pk0 ^ pk1;  // -1 when the signs differ: fa = fa1, else -fa1
  const int32_t differ2 = pk0 ^ pk2;  // -1 when the signs differ: uga2a = -16384
  const int32_t fa_part = differ1 != 0 ? fa1 >> 7 : (-fa1) >> 7;
  const int32_t uga2 = (((128 ^ differ2) - differ2) + fa_part) & (sigpk - 1);  // 0 when sigpk
  return a2 + uga2 - (a2 >> 7);
}

// LIMC: |a2| <= 0.75. The limits of LIMC and LIMD are rarely reached, so
// they are branches, kept off the sample-to-sample dependency chain; one
// unsigned comparison tests both ends.
constexpr int32_t LIMC(int32_t a2t) noexcept {
  if (static_cast<uint32_t>(a2t + 12288) > 2u * 12288) [[unlikely]] {
    return a2t < 0 ? -12288 : 12288;
  }
  return a2t;
}

// UPA1: the unlimited a1t from the old a1 and the signs pk0, pk1 (0 or -1).
constexpr int32_t UPA1(int32_t a1, int32_t pk0, int32_t pk1, int32_t sigpk) noexcept {
  const int32_t differ = pk0 ^ pk1;                              // -1 when the signs differ
  const int32_t uga1 = ((192 ^ differ) - differ) & (sigpk - 1);  // 0 when sigpk
  return a1 + uga1 - (a1 >> 8);
}

// LIMD: |a1| <= 0.9375 - a2p, with the new a2 (a2p in -12288..12288).
constexpr int32_t LIMD(int32_t a1t, int32_t a2p) noexcept {
  const int32_t limit = 15360 - a2p;  // 3072..27648
  if (static_cast<uint32_t>(a1t + limit) > static_cast<uint32_t>(2 * limit)) [[unlikely]] {
    return a1t < 0 ? -limit : limit;
  }
  return a1t;
}

// TONE: a narrow-band signal drives a2 toward -0.75; below -0.71875 it counts
// as a tone.
constexpr int32_t TONE(int32_t a2p) noexcept {
  return a2p < -11776 ? 1 : 0;
}

// TRIGB: a transition forces value (the coefficients, the tone flag) to 0.
constexpr int32_t TRIGB(int32_t tr, int32_t value) noexcept {
  return tr != 0 ? 0 : value;
}

}  // namespace zt
