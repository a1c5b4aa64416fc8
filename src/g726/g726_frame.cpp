// Frames of codec types 4 to 7 (LSB-first) and 36 to 39 (MSB-first): the
// frame encoder, the length rule and the frame decoder. The width b comes
// from the type; the entry points have checked that the block suits it.
#include <cstdint>

#include "g726/g726.h"
#include "g726/g726_packing.h"
#include "zelt_voice_engine.h"

namespace zt {

void G726_EncodeFrame(ZT_VOICE_STATE &state, const int16_t *pcm_in, uint8_t *frame_out,
                      int nsamples, int b, G726Order order) noexcept {
  const int n = static_cast<int16_t>(nsamples);
  // The length word counts the full n, not the n & ~1 samples coded. It
  // never reaches past the bytes the block writes: 16 * length exceeds the
  // coded bits by less than one code (b = 3 and 5 with an odd n), which stays
  // inside the last written byte, whose unused bits are 0.
  const int length = n * b / 16;
  G726_EncodeBlockAt(state, pcm_in, frame_out + 4, n, b, order);
  frame_out[0] = 0x00;
  frame_out[1] = 0x01;
  frame_out[2] = static_cast<uint8_t>(length);
  frame_out[3] = 0x00;
}

int G726_DecodedSamples(int length, int b) noexcept {
  const int n = 16 * length / b;
  return (n <= ZT_VOICE_MAX_SAMPLES && n % ZT_VOICE_BLOCK_SAMPLES == 0) ? n : -1;
}

void G726_DecodeFrame(ZT_VOICE_STATE &state, const uint8_t *frame_in, int16_t *pcm_out, int b,
                      G726Order order) noexcept {
  // Every accepted length is a whole number of codes, so unpacking MSB-first
  // directly gives what converting to LSB-first and unpacking would, and the
  // frame is only read.
  G726_DecodeBlockAt(state, frame_in + 4, pcm_out, 2 * frame_in[2], b, order);
}

}  // namespace zt
