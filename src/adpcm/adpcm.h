// IMA ADPCM: the 4-bit adaptive coder and the payloads of codec types 3
// (state words, then codes with the first of a pair in the high nibble) and
// 35 (first sample unchanged and step index, then codes with the first of a
// pair in the low nibble).
//
// The coder keeps two fields at the start of the caller's state block:
// bytes 0-1 `predictor` (int16_t, host order), the last reconstructed sample,
// and byte 2 `step_index` (0..88). No other byte of the block is touched.
// A block whose step index is above 88 (never reset) is coded as if it held 88.
#pragma once

#include <cstdint>

#include "zelt_voice_engine.h"

namespace zt {

// Sets predictor 0 and step index 0; the reset of types 3 and 35.
void ADPCM_Reset(ZT_VOICE_STATE &state) noexcept;

// Codes count samples from the state in the block and leaves the state after
// the last one. Writes (count + 1) / 2 bytes of packed codes: byte k holds the
// code of sample 2k in its high nibble and of sample 2k + 1 in its low nibble;
// an odd count leaves 0 in the last low nibble. count <= 0 does nothing.
void ADPCM_EncodeBlock(const int16_t *pcm, uint8_t *codes, int count,
                       ZT_VOICE_STATE &state) noexcept;

// Decodes count codes packed as above (the low nibble of the last byte of an
// odd count is not read) from the state in the block into count samples, and
// leaves the state after the last code. count <= 0 does nothing.
void ADPCM_DecodeBlock(const uint8_t *codes, int16_t *pcm, int count,
                       ZT_VOICE_STATE &state) noexcept;

// Exchanges the two nibbles of each of the first nbytes bytes, in place;
// nbytes is read as a signed 16-bit number and <= 0 changes nothing. Turns the
// block order of codes into the order of type 35 and back.
void ADPCM_SwapNibbles(uint8_t *codes, int nbytes) noexcept;

// Builds the frame of n samples (1..481) for type 3 or 35 in the entry point's
// private frame buffer and advances the state over all n samples. The frame is
// 8 + 2w bytes with w = n / 4 (type 3) or (n - 1) / 4 (type 35) code words; up
// to 249 bytes are written, those after the frame being codes that it does not
// carry.
void ADPCM_EncodeFrame(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *frame, int type,
                       int n) noexcept;

// Length rule: the sample count of a frame of payload length L (1..255), or -1
// when refused. A frame needs both state words (L >= 2) and at most 120 code
// words (L <= 122): 4(L - 2) samples for type 3, 4(L - 2) + 1 for type 35.
int ADPCM_DecodedSamples(int length, int type) noexcept;

// Decodes a frame whose length the rule accepted into ADPCM_DecodedSamples(L)
// samples. The decoder starts from the frame's own state words, whatever the
// block held, and leaves the state after the last sample in the block. The
// frame is only read.
void ADPCM_DecodeFrame(ZT_VOICE_STATE &state, const uint8_t *frame, int16_t *pcm,
                       int type) noexcept;

}  // namespace zt
