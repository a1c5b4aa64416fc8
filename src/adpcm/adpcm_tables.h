// The IMA ADPCM step sizes and step index changes, and the two tables built
// from them at compile time that let the run coders keep the step index as a
// table position: the encoder's transition table and the decoder's rows of
// reconstructed differences.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "adpcm/adpcm_state.h"

namespace zt {

// The 89 IMA step sizes, indexed by step_index; each is about 1.1 times the
// last, rounded, and the last is full scale.
// clang-format off
inline constexpr std::array<int32_t, kAdpcmMaxStepIndex + 1> kAdpcmStepSize{
        7,     8,     9,    10,    11,    12,    13,    14,    16,    17,
       19,    21,    23,    25,    28,    31,    34,    37,    41,    45,
       50,    55,    60,    66,    73,    80,    88,    97,   107,   118,
      130,   143,   157,   173,   190,   209,   230,   253,   279,   307,
      337,   371,   408,   449,   494,   544,   598,   658,   724,   796,
      876,   963,  1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
     2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,
     5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487, 12635, 13899,
    15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
// clang-format on

namespace adpcm_detail {

constexpr bool StepsGrowByAboutATenth() {
  for (std::size_t i = 1; i < kAdpcmStepSize.size(); ++i) {
    if (kAdpcmStepSize[i] <= kAdpcmStepSize[i - 1]) return false;
    // Below entry 21 the rounding of small integers blurs the ratio.
    if (i >= 21 && (100 * kAdpcmStepSize[i] < 109 * kAdpcmStepSize[i - 1] ||
                    100 * kAdpcmStepSize[i] > 111 * kAdpcmStepSize[i - 1])) {
      return false;
    }
  }
  return true;
}

}  // namespace adpcm_detail

static_assert(kAdpcmStepSize[0] == 7 && kAdpcmStepSize[kAdpcmMaxStepIndex] == 32767);
static_assert(adpcm_detail::StepsGrowByAboutATenth());

// Change of step_index after a code of magnitude m (the code without its sign
// bit): small magnitudes shrink the step, large ones grow it.
inline constexpr std::array<int32_t, 8> kAdpcmIndexAdjust{-1, -1, -1, -1, 2, 4, 6, 8};

constexpr int32_t ADPCM_NextStepIndex(int32_t index, int32_t magnitude) noexcept {
  const int32_t next = index + kAdpcmIndexAdjust[static_cast<std::size_t>(magnitude)];
  return next < 0 ? 0 : (next > kAdpcmMaxStepIndex ? kAdpcmMaxStepIndex : next);
}

// The reconstructed difference of code magnitude m (0..7) at step size step:
// step / 8, plus step, step / 2 and step / 4 for the bits 4, 2 and 1 of m.
constexpr int32_t ADPCM_Difference(int32_t step, int32_t magnitude) noexcept {
  return (step >> 3) + ((magnitude & 4) != 0 ? step : 0) + ((magnitude & 2) != 0 ? step >> 1 : 0) +
         ((magnitude & 1) != 0 ? step >> 2 : 0);
}

// ---- Encoder transition table ----------------------------------------------
//
// The encoder quantizes |d| by successive approximation against the weights
// step, step / 2 and step / 4. It works on r = |d| << 15, and each weight is
// stored as (w << 15) - bit, so that subtracting it from r (when r holds at
// least w << 15) also adds the code bit into r's low bits: after the three
// stages bits 15..30 of r hold the residual and bits 0..2 the code magnitude
// m. The subtraction's sign decides each stage; |d| <= 65535 keeps r below
// 2^31.
//
// Entry 8 * i + m is the coder state after code magnitude m from step index
// i: the stage weights and step / 8 of the step index m leads to, and the
// byte offset of that index's own eight entries, so the next sample's weights
// are one load away from the code just found. The coder holds the byte
// offset of its entry, which stands for the step index.
struct AdpcmEncodeEntry {
  int32_t step_weight;     // (step << 15) - 4
  int32_t half_weight;     // ((step >> 1) << 15) - 2
  int32_t quarter_weight;  // ((step >> 2) << 15) - 1
  int32_t eighth;          // step >> 3, the part of the difference every code adds
  int64_t next_entries;    // byte offset of the first entry of this step index
  int32_t step_index;      // this step index, 0..88
  int32_t unused;          // to 32 bytes, a size the address arithmetic scales cheaply
};
static_assert(sizeof(AdpcmEncodeEntry) == 32);

inline constexpr int kAdpcmRows = kAdpcmMaxStepIndex + 1;

using AdpcmEncodeTable = std::array<AdpcmEncodeEntry, 8 * kAdpcmRows>;

constexpr AdpcmEncodeTable ADPCM_MakeEncodeTable() noexcept {
  AdpcmEncodeTable table{};
  for (int32_t index = 0; index < kAdpcmRows; ++index) {
    for (int32_t m = 0; m < 8; ++m) {
      const int32_t next = ADPCM_NextStepIndex(index, m);
      const int32_t step = kAdpcmStepSize[static_cast<std::size_t>(next)];
      table[static_cast<std::size_t>(8 * index + m)] = {(step << 15) - 4,
                                                        ((step >> 1) << 15) - 2,
                                                        ((step >> 2) << 15) - 1,
                                                        step >> 3,
                                                        int64_t{8 * next} * 32,
                                                        next,
                                                        0};
    }
  }
  return table;
}

// The byte offset of an entry that holds step index `index`, where a run
// starts: the entry that magnitude 0 reaches from index + 1 (magnitude 7 from
// 88 for the last index).
constexpr int64_t ADPCM_StartEntry(int32_t index) noexcept {
  return (index < kAdpcmMaxStepIndex ? 8 * (index + 1) : 8 * index + 7) * int64_t{32};
}

static_assert(ADPCM_MakeEncodeTable()[ADPCM_StartEntry(0) / 32].step_index == 0);
static_assert(ADPCM_MakeEncodeTable()[ADPCM_StartEntry(50) / 32].step_index == 50);
static_assert(ADPCM_MakeEncodeTable()[ADPCM_StartEntry(88) / 32].step_index == 88);

// ---- Decoder rows ------------------------------------------------------------
//
// Row i holds the signed reconstructed difference of each 4-bit code (sign in
// bit 3) at step index i. The decoder keeps the byte offset of its row and
// reads codes as byte offsets too (4 * code), so that both index the tables
// without scaling; the row moves by kAdpcmRowStep of the code and is clamped
// to the first and last rows.

using AdpcmDecodeRows = std::array<std::array<int32_t, 16>, kAdpcmRows>;
inline constexpr int64_t kAdpcmRowBytes = 16 * sizeof(int32_t);
inline constexpr int64_t kAdpcmLastRow = kAdpcmMaxStepIndex * kAdpcmRowBytes;

constexpr AdpcmDecodeRows ADPCM_MakeDecodeRows() noexcept {
  AdpcmDecodeRows rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (int32_t code = 0; code < 16; ++code) {
      const int32_t diff = ADPCM_Difference(kAdpcmStepSize[i], code & 7);
      rows[i][static_cast<std::size_t>(code)] = (code & 8) != 0 ? -diff : diff;
    }
  }
  return rows;
}

// The row offset change of each code, 8 bytes per code: a code offset times 2
// is the byte offset of its entry.
constexpr std::array<int64_t, 16> ADPCM_MakeRowSteps() noexcept {
  std::array<int64_t, 16> steps{};
  for (std::size_t code = 0; code < steps.size(); ++code) {
    steps[code] = kAdpcmIndexAdjust[code & 7] * kAdpcmRowBytes;
  }
  return steps;
}

}  // namespace zt
