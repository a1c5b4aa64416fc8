// The IMA ADPCM run coders behind ADPCM_EncodeBlock, ADPCM_DecodeBlock and the
// frames: a whole run of samples on a coder state held in registers, with the
// codes packed two to a byte in either nibble order.
#pragma once

#include <cstdint>

#include "adpcm/adpcm_state.h"

namespace zt {

// Which nibble of a byte holds the first of its two codes: the high one in
// ADPCM_EncodeBlock and type 3, the low one in type 35.
enum class AdpcmNibbles : uint8_t { kHighFirst, kLowFirst };

// Codes count (>= 0) samples from s, leaves s after the last one and writes
// exactly (count + 1) / 2 bytes; an odd count leaves 0 in the unused nibble.
void ADPCM_EncodeRun(AdpcmState &s, const int16_t *pcm, uint8_t *codes, int count,
                     AdpcmNibbles order) noexcept;

// Decodes count (>= 0) codes from s into count samples and leaves s after
// the last one; reads (count + 1) / 2 bytes and ignores the unused nibble of
// an odd count. s.step_index must be 0..88.
void ADPCM_DecodeRun(AdpcmState &s, const uint8_t *codes, int16_t *pcm, int count,
                     AdpcmNibbles order) noexcept;

}  // namespace zt
