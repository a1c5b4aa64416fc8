// Frames of codec types 3 and 35. Both carry a decoder's start state ahead of
// the codes, so every frame decodes on its own:
//   bytes 0-3  header: control 0x0100, length L = w + 2
//   bytes 4-5  type 3: predictor before the frame; type 35: the first sample
//   byte  6    step index before the frame; byte 7 is 0
//   bytes 8..  w code words: 4w codes, two per byte
// Type 3 codes all n samples and carries the first 4w = 4(n / 4); type 35
// sends sample 0 as it is, codes the other n - 1 and carries the first
// 4w = 4((n - 1) / 4) of them with the first code of each byte in the low
// nibble. Samples beyond the carried ones still move the encoder's state.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_state.h"

namespace zt {
namespace {

constexpr int kStateBytes = 4;  // the two state words ahead of the codes
constexpr int kCodeOffset = 4 + kStateBytes;
constexpr int kMaxLength = 122;  // 120 code words: 481 samples of type 35
constexpr int kMaxCodeBytes = 2 * (kMaxLength - 2);

void PutWord(uint8_t *at, int value) noexcept {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

void ADPCM_SwapNibbles(uint8_t *codes, int nbytes) noexcept {
  const int n = static_cast<int16_t>(nbytes);
  for (int k = 0; k < n; ++k) codes[k] = static_cast<uint8_t>(codes[k] >> 4 | codes[k] << 4);
}

void ADPCM_EncodeFrame(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *frame, int type,
                       int n) noexcept {
  const bool lead = type == ZT_VOICE_ADPCM_LEAD;
  AdpcmState start = ADPCM_LoadState(state);
  if (lead) start.predictor = pcm[0];  // the first sample restarts the prediction
  // The stored state may have held a step index above 88; code from the one read.
  ADPCM_StoreState(state, start);

  const int coded = lead ? n - 1 : n;
  const int words = coded / 4;
  uint8_t *codes = frame + kCodeOffset;
  ADPCM_EncodeBlock(lead ? pcm + 1 : pcm, codes, coded, state);
  if (lead) ADPCM_SwapNibbles(codes, 2 * words);  // only the carried bytes

  PutWord(frame, 0x0100);
  PutWord(frame + 2, words + 2);
  PutWord(frame + 4, start.predictor);
  PutWord(frame + 6, start.step_index);
}

int ADPCM_DecodedSamples(int length, int type) noexcept {
  if (length < 2 || length > kMaxLength) return -1;
  return 4 * (length - 2) + (type == ZT_VOICE_ADPCM_LEAD ? 1 : 0);
}

void ADPCM_DecodeFrame(ZT_VOICE_STATE &state, const uint8_t *frame, int16_t *pcm,
                       int type) noexcept {
  const int code_bytes = 2 * (frame[2] - 2);
  const int first = static_cast<int16_t>(frame[4] | frame[5] << 8);
  // Only the low byte of the step index word counts.
  ADPCM_StoreState(state, {first, ADPCM_UsableStepIndex(frame[6])});
  const uint8_t *codes = frame + kCodeOffset;
  if (type != ZT_VOICE_ADPCM_LEAD) {
    ADPCM_DecodeBlock(codes, pcm, 2 * code_bytes, state);
    return;
  }
  // Type 35 puts codes in the other nibble order; reorder a private copy,
  // since the caller's frame is only read.
  uint8_t swapped[kMaxCodeBytes];
  std::memcpy(swapped, codes, static_cast<std::size_t>(code_bytes));
  ADPCM_SwapNibbles(swapped, code_bytes);
  pcm[0] = static_cast<int16_t>(first);
  ADPCM_DecodeBlock(swapped, pcm + 1, 2 * code_bytes, state);
}

}  // namespace zt
