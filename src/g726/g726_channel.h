// The G.726 channel state: the 26 signed 32-bit words of the caller's state
// block, as one direction of one stream keeps them from sample to sample.
//
// The words are loaded into a G726Channel once per call, coded on locally and
// written back once, so the per-sample step works on a local struct.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "zelt_voice_engine.h"

namespace zt {

// Words in block order. Ranges are invariants of the update rules from a
// reset; G726_LoadChannel brings every word into its range.
struct G726Channel {
  int32_t coding;             // word 0: 2 = 16-bit linear PCM, the only format
  int32_t code_bits;          // word 1: bits per code word, 2..5
  int32_t a1;                 // word 2: pole coefficient, 14 fractional bits, |a1| <= 15360 - a2
  int32_t a2;                 // word 3: pole coefficient, 14 fractional bits, -12288..12288
  int32_t ap;                 // word 4: speed control, 8 fractional bits, 0..512
  std::array<int32_t, 6> b;   // words 5-10: b1..b6, zero coefficients, 14 fractional bits
  int32_t dml;                // word 11: long-term mean of F(I), 11 fractional bits, 0..14336
  int32_t dms;                // word 12: short-term mean of F(I), 9 fractional bits, 0..3584
  std::array<int32_t, 6> dq;  // words 13-18: dq1..dq6, 11-bit floating format, 0..2047
  int32_t pk1;                // word 19: sign of dqsez one sample ago, 0 or -1
  int32_t pk2;                // word 20: sign of dqsez two samples ago, 0 or -1
  int32_t sr1;                // word 21: last reconstructed signal, 11-bit floating format
  int32_t sr2;                // word 22: the one before, 11-bit floating format
  int32_t td;                 // word 23: tone detected, 0 or 1
  int32_t yl;                 // word 24: slow scale factor, 15 fractional bits, 34816..327680
  int32_t yu;                 // word 25: fast scale factor, 9 fractional bits, 544..5120
};

static_assert(std::is_trivially_copyable_v<G726Channel>);
static_assert(sizeof(G726Channel) == sizeof(ZT_VOICE_STATE), "one word per block word");
static_assert(offsetof(G726Channel, b) == 5 * 4 && offsetof(G726Channel, dq) == 13 * 4);
static_assert(offsetof(G726Channel, yu) == 25 * 4);

// The only sample format of the coder.
inline constexpr int32_t kG726Linear = 2;

// A zero in the 11-bit floating format: exponent 0, mantissa 32.
inline constexpr int32_t kG726FloatZero = 32;

// Largest magnitude of a zero coefficient b1..b6 at a code width: the leak of
// b >> 8 (b >> 9 at 5 bits) balances +128 at 32768 (65536).
constexpr int32_t G726_ZeroCoefMax(int code_bits) noexcept {
  return code_bits == 5 ? 65536 : 32768;
}
constexpr int32_t G726_ZeroCoefMin(int code_bits) noexcept {
  return code_bits == 5 ? -65025 : -32513;
}

// Word 1 of the block: the code width it was reset for (2..5 if it was).
inline int32_t G726_BlockCodeBits(const ZT_VOICE_STATE &state) noexcept {
  return std::bit_cast<G726Channel>(state).code_bits;
}

// The block as words, with every adaptive word brought into its documented
// range for width code_bits (2..5): a valid stream never leaves those ranges,
// so this changes nothing for it, and a corrupt block cannot drive a shift,
// a sum or a table index out of bounds.
G726Channel G726_LoadChannel(const ZT_VOICE_STATE &state, int code_bits) noexcept;

// Writes all 26 words back to the block.
void G726_StoreChannel(const G726Channel &channel, ZT_VOICE_STATE &state) noexcept;

}  // namespace zt
