// The two coder fields that IMA ADPCM keeps in bytes 0-2 of the caller's
// state block, and their load and store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "zelt_voice_engine.h"

namespace zt {

inline constexpr int kAdpcmMaxStepIndex = 88;  // last entry of the step-size table

// The coder's working state.
struct AdpcmState {
  int predictor;   // last reconstructed sample, -32768..32767
  int step_index;  // 0..88

  bool operator==(const AdpcmState &) const = default;
};

// How the fields lie in the block: bytes 0-1 and byte 2; byte 3 is not ours.
struct AdpcmStoredState {
  int16_t predictor;
  uint8_t step_index;
};
inline constexpr std::size_t kAdpcmStoredBytes = 3;
static_assert(offsetof(AdpcmStoredState, predictor) == 0);
static_assert(offsetof(AdpcmStoredState, step_index) == 2);
static_assert(sizeof(ZT_VOICE_STATE) >= kAdpcmStoredBytes);

// A step index from outside the coder (a block that was never reset, a
// damaged frame) above 88 is taken as 88, so it never indexes past the table.
constexpr int ADPCM_UsableStepIndex(int index) noexcept {
  return index > kAdpcmMaxStepIndex ? kAdpcmMaxStepIndex : index;
}

// Reads the fields, with the step index made usable.
inline AdpcmState ADPCM_LoadState(const ZT_VOICE_STATE &state) noexcept {
  AdpcmStoredState stored{};
  std::memcpy(&stored, state.opaque, kAdpcmStoredBytes);
  return {stored.predictor, ADPCM_UsableStepIndex(stored.step_index)};
}

// Writes the fields (predictor in range, step index 0..88) to bytes 0-2 only.
inline void ADPCM_StoreState(ZT_VOICE_STATE &state, AdpcmState s) noexcept {
  const AdpcmStoredState stored{static_cast<int16_t>(s.predictor),
                                static_cast<uint8_t>(s.step_index)};
  std::memcpy(state.opaque, &stored, kAdpcmStoredBytes);
}

}  // namespace zt
