// Code-word packing with the code width given explicitly, for the frame
// operations, which take the width from the codec type rather than from the
// block. G726_EncodeBlock and G726_DecodeBlock (g726.h) are these with the
// block's own code_bits.
#pragma once

#include <cstdint>

#include "g726/g726.h"
#include "zelt_voice_engine.h"

namespace zt {

// As G726_EncodeBlock, at width b (2..5; any other b does nothing). The
// channel is loaded once, coded over all n & ~1 samples and stored once.
void G726_EncodeBlockAt(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *payload, int n, int b,
                        G726Order order) noexcept;

// As G726_DecodeBlock, at width b (2..5; any other b does nothing).
void G726_DecodeBlockAt(ZT_VOICE_STATE &state, const uint8_t *payload, int16_t *pcm, int nbytes,
                        int b, G726Order order) noexcept;

}  // namespace zt
