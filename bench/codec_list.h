// The twelve codec types with the names that the benchmark and the
// instruction-count driver print.
#pragma once

#include <array>
#include <vector>

#include "zelt_voice_engine.h"

namespace zt_bench {

struct Codec {
  int type;
  const char *name;
};

inline constexpr std::array<Codec, 12> kCodecs{{
    {ZT_VOICE_G711A, "G711A"},
    {ZT_VOICE_G711U, "G711U"},
    {ZT_VOICE_ADPCM, "ADPCM"},
    {ZT_VOICE_ADPCM_LEAD, "ADPCM_LEAD"},
    {ZT_VOICE_G726_16K, "G726_16K"},
    {ZT_VOICE_G726_24K, "G726_24K"},
    {ZT_VOICE_G726_32K, "G726_32K"},
    {ZT_VOICE_G726_40K, "G726_40K"},
    {ZT_VOICE_G726_16K_MSB, "G726_16K_MSB"},
    {ZT_VOICE_G726_24K_MSB, "G726_24K_MSB"},
    {ZT_VOICE_G726_32K_MSB, "G726_32K_MSB"},
    {ZT_VOICE_G726_40K_MSB, "G726_40K_MSB"},
}};

// Frame sizes measured for a type: 20 ms and 60 ms frames. Type 35 carries
// 4k + 1 samples without loss, so it is measured at 161 and 481 as well.
inline std::vector<int> FrameSizes(int type) {
  if (type == ZT_VOICE_ADPCM_LEAD) return {160, 161, 480, 481};
  return {160, 480};
}

// Whether the library has a codec for the type: it resets a block and
// encodes a frame for it.
inline bool Built(int type) {
  ZT_VOICE_STATE state;
  int16_t pcm[160] = {};
  unsigned char frame[ZT_VOICE_MAX_FRAME_BYTES];
  return ZT_VOICE_EncReset(&state, type) == ZT_SUCCESS &&
         ZT_VOICE_EncodeFrame(&state, pcm, frame, 160, type) == ZT_SUCCESS;
}

}  // namespace zt_bench
