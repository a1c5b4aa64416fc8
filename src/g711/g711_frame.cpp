// Frames of codec types 1 and 2: frame byte 4 + i is the code of sample i.
#include <cstdint>

#include "g711/g711.h"
#include "zelt_voice_engine.h"

namespace zt {

void G711_EncodeFrame(const int16_t *pcm, uint8_t *frame, int type, int n) noexcept {
  // With an odd n the last sample's code is not carried, so it is not computed.
  const int length = n / 2;
  if (type == ZT_VOICE_G711A) {
    G711_ALawCompressBytes(pcm, frame + 4, 2 * length);
  } else {
    G711_ULawCompressBytes(pcm, frame + 4, 2 * length);
  }
  frame[0] = 0x00;
  frame[1] = 0x01;
  frame[2] = static_cast<uint8_t>(length);
  frame[3] = 0x00;
}

int G711_DecodedSamples(int length) noexcept {
  const int n = 2 * length;
  return (n <= 480 && n % ZT_VOICE_BLOCK_SAMPLES == 0) ? n : -1;
}

void G711_DecodeFrame(const uint8_t *frame, int16_t *pcm, int type) noexcept {
  const auto &table = type == ZT_VOICE_G711A ? G711_ALawToLinear : G711_ULawToLinear;
  G711_ExpandBytes(frame + 4, pcm, 2 * frame[2], table.data());
}

}  // namespace zt
