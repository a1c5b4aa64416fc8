// The IMA ADPCM sample coder: each sample is predicted by the last
// reconstructed one and the difference is coded as a sign and three bits of
// magnitude in units of an adaptive step size.
#include <array>
#include <cstddef>
#include <cstdint>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_state.h"

namespace zt {
namespace {

// The 89 IMA step sizes, indexed by step_index; each is about 1.1 times the
// last, rounded, and the last is full scale.
// clang-format off
constexpr std::array<int, kAdpcmMaxStepIndex + 1> kStepSize{
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

constexpr bool StepsGrowByAboutATenth() {
  for (std::size_t i = 1; i < kStepSize.size(); ++i) {
    if (kStepSize[i] <= kStepSize[i - 1]) return false;
    // Below entry 21 the rounding of small integers blurs the ratio.
    if (i >= 21 && (100 * kStepSize[i] < 109 * kStepSize[i - 1] ||
                    100 * kStepSize[i] > 111 * kStepSize[i - 1])) {
      return false;
    }
  }
  return true;
}

static_assert(kStepSize[0] == 7 && kStepSize[kAdpcmMaxStepIndex] == 32767);
static_assert(StepsGrowByAboutATenth());

// Change of step_index after each code, sign bit included: small magnitudes
// shrink the step, large ones grow it.
constexpr std::array<int, 16> kIndexAdjust{-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int Clamp(int v, int lo, int hi) noexcept {
  return v < lo ? lo : (v > hi ? hi : v);
}

// Moves the predictor by the reconstructed difference of code c and adapts the
// step index; the encoder and the decoder share it, which keeps them in step.
// step is the step size before c.
inline void Update(AdpcmState &s, int step, int c) noexcept {
  int vpdiff = step >> 3;
  if (c & 4) vpdiff += step;
  if (c & 2) vpdiff += step >> 1;
  if (c & 1) vpdiff += step >> 2;
  s.predictor = Clamp((c & 8) ? s.predictor - vpdiff : s.predictor + vpdiff, INT16_MIN, INT16_MAX);
  s.step_index = Clamp(s.step_index + kIndexAdjust[c], 0, kAdpcmMaxStepIndex);
}

// Quantizes x - predictor by successive approximation against step, step / 2
// and step / 4, then updates the state as the decoder will.
inline int EncodeSample(AdpcmState &s, int x) noexcept {
  const int step = kStepSize[s.step_index];
  int diff = x - s.predictor;
  int c = 0;
  if (diff < 0) {
    c = 8;
    diff = -diff;
  }
  if (diff >= step) {
    c |= 4;
    diff -= step;
  }
  if (diff >= step >> 1) {
    c |= 2;
    diff -= step >> 1;
  }
  if (diff >= step >> 2) c |= 1;
  Update(s, step, c);
  return c;
}

inline int16_t DecodeSample(AdpcmState &s, int c) noexcept {
  Update(s, kStepSize[s.step_index], c);
  return static_cast<int16_t>(s.predictor);
}

}  // namespace

void ADPCM_Reset(ZT_VOICE_STATE &state) noexcept {
  ADPCM_StoreState(state, {0, 0});
}

void ADPCM_EncodeBlock(const int16_t *pcm, uint8_t *codes, int count,
                       ZT_VOICE_STATE &state) noexcept {
  if (count <= 0) return;
  AdpcmState s = ADPCM_LoadState(state);
  int i = 0;
  for (; i + 1 < count; i += 2) {
    const int first = EncodeSample(s, pcm[i]);
    codes[i / 2] = static_cast<uint8_t>(first << 4 | EncodeSample(s, pcm[i + 1]));
  }
  if (i < count) codes[i / 2] = static_cast<uint8_t>(EncodeSample(s, pcm[i]) << 4);
  ADPCM_StoreState(state, s);
}

void ADPCM_DecodeBlock(const uint8_t *codes, int16_t *pcm, int count,
                       ZT_VOICE_STATE &state) noexcept {
  if (count <= 0) return;
  AdpcmState s = ADPCM_LoadState(state);
  for (int i = 0; i < count; ++i) {
    const int byte = codes[i / 2];
    pcm[i] = DecodeSample(s, (i & 1) ? byte & 15 : byte >> 4);
  }
  ADPCM_StoreState(state, s);
}

}  // namespace zt
