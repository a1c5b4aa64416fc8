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
#include <cstdint>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_run.h"
#include "adpcm/adpcm_state.h"

namespace zt {
namespace {

constexpr int kStateBytes = 4;  // the two state words ahead of the codes
constexpr int kCodeOffset = 4 + kStateBytes;
constexpr int kMaxLength = 122;  // 120 code words: 481 samples of type 35

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
  AdpcmState s = ADPCM_LoadState(state);
  if (lead) s.predictor = pcm[0];  // the first sample restarts the prediction
  // The stored state may have held a step index above 88; the frame carries,
  // and the coder starts from, the one read.
  PutWord(frame + 4, s.predictor);
  PutWord(frame + 6, s.step_index);

  const int coded = lead ? n - 1 : n;
  const int words = coded / 4;
  ADPCM_EncodeRun(s, lead ? pcm + 1 : pcm, frame + kCodeOffset, coded,
                  lead ? AdpcmNibbles::kLowFirst : AdpcmNibbles::kHighFirst);
  ADPCM_StoreState(state, s);

  PutWord(frame, 0x0100);
  PutWord(frame + 2, words + 2);
}

int ADPCM_DecodedSamples(int length, int type) noexcept {
  if (length < 2 || length > kMaxLength) return -1;
  return 4 * (length - 2) + (type == ZT_VOICE_ADPCM_LEAD ? 1 : 0);
}

void ADPCM_DecodeFrame(ZT_VOICE_STATE &state, const uint8_t *frame, int16_t *pcm,
                       int type) noexcept {
  const int codes = 4 * (frame[2] - 2);
  const int first = static_cast<int16_t>(frame[4] | frame[5] << 8);
  // Only the low byte of the step index word counts.
  AdpcmState s{first, ADPCM_UsableStepIndex(frame[6])};
  if (type == ZT_VOICE_ADPCM_LEAD) {
    // Type 35 sends its first sample as it is, and its codes low nibble first.
    pcm[0] = static_cast<int16_t>(first);
    ADPCM_DecodeRun(s, frame + kCodeOffset, pcm + 1, codes, AdpcmNibbles::kLowFirst);
  } else {
    ADPCM_DecodeRun(s, frame + kCodeOffset, pcm, codes, AdpcmNibbles::kHighFirst);
  }
  ADPCM_StoreState(state, s);
}

}  // namespace zt
