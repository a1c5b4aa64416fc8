// The codec operations behind the entry points, one row per codec type.
#pragma once

#include <cstdint>

#include "zelt_voice_engine.h"

namespace zt {

// What a codec gives the entry points. The entry points check pointers,
// counts, types and frame headers first; the operations trust those checks
// and cannot fail.
struct CodecOps {
  // Puts the block into the codec's start state; null when the codec keeps none.
  void (*reset)(ZT_VOICE_STATE &state) noexcept;
  // False when the block cannot be used with this type (reset for another
  // codec or rate); null when every block suits.
  bool (*state_suits)(const ZT_VOICE_STATE &state) noexcept;
  // Writes the whole frame (header and payload) for n samples, 1 <= n <= 481,
  // into a buffer of kPrivateFrameBytes, and advances the state.
  void (*encode_frame)(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *frame, int n) noexcept;
  // The length rule: the number of samples a frame of payload length L
  // (1..255, the low byte of the length word) decodes to, or -1 if refused.
  int (*decoded_samples)(int length) noexcept;
  // Writes the decoded_samples(L) samples of a frame whose length the rule
  // accepted. Never writes the frame.
  void (*decode_frame)(ZT_VOICE_STATE &state, const uint8_t *frame, int16_t *pcm) noexcept;
};

// The encoder's private frame buffer: 2 header words and up to 480 payload words.
inline constexpr int kPrivateFrameBytes = 964;

// The row of codec type t (already narrowed to 16 bits), or null when t is
// not a codec type.
const CodecOps *FindCodec(int t) noexcept;

// Counts and types use only their low 16 bits, read as a signed number.
constexpr int Low16(int value) noexcept {
  return static_cast<int16_t>(value);
}

}  // namespace zt
