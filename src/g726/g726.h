// ITU-T G.726 ADPCM on 16-bit linear samples, code words of 2, 3, 4 or 5
// bits (16, 24, 32, 40 kbit/s at 8000 samples/s), and the payloads of codec
// types 4 to 7 (LSB-first) and 36 to 39 (MSB-first).
//
// The channel state is the caller's ZT_VOICE_STATE block read as 26 signed
// 32-bit words (g726_channel.h). Encoder and decoder run the same per-sample
// step, so after the same code words their blocks hold the same words.
#pragma once

#include <cstdint>

#include "zelt_voice_engine.h"

namespace zt {

// Where a code word's bits sit in the payload. LSB-first: code k takes bit
// positions kb..kb+b-1 counted from bit 0 of byte 0 upwards, least significant
// bit first. MSB-first: the codes written out most significant bit first and
// cut into bytes from the top bit of byte 0.
enum class G726Order : uint8_t { kLsbFirst, kMsbFirst };

// ---- Channel state --------------------------------------------------------

// Writes the start state for code_bits (2..5) into all 26 words; reads nothing.
void G726_Reset(ZT_VOICE_STATE &state, int code_bits) noexcept;

// True when the block is a G.726 state for code_bits: word 0 is 2 and word 1
// is code_bits. A block never reset, or reset for another codec or rate, is not.
bool G726_StateSuits(const ZT_VOICE_STATE &state, int code_bits) noexcept;

// ---- Sample coder ---------------------------------------------------------
// All three trust that the block suits its own code_bits (G726_StateSuits);
// a block whose word 1 is outside 2..5 is left untouched and gives 0.

// One 16-bit sample to one code word (0 .. 2^code_bits - 1).
int G726_EncodeSample(ZT_VOICE_STATE &state, int16_t sample) noexcept;
// One code word to one sample, a multiple of 4 in -32768..32764. Only the low
// code_bits bits of code are used.
int G726_DecodeCode(ZT_VOICE_STATE &state, int code) noexcept;
// The common step: encode != 0 codes the sample value, else decodes the code
// word value (masked to code_bits).
int G726_CodeSample(ZT_VOICE_STATE &state, int value, int encode) noexcept;

// ---- Packing ---------------------------------------------------------------
// The blocks take the code width from the state's code_bits and trust it.

// Codes n & ~1 samples (an odd last sample is neither coded nor does it move
// the state) and packs their code words in the given order from payload[0].
// Writes exactly ((n & ~1) * b + 7) / 8 bytes; bits above the last code are 0.
void G726_EncodeBlock(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *payload, int n,
                      G726Order order) noexcept;

// Unpacks (8 * nbytes) / b code words in the given order from nbytes payload
// bytes, decodes them and writes one sample per code word. A tail of fewer
// than b bits is ignored; nbytes <= 0 does nothing. The payload is only read.
void G726_DecodeBlock(ZT_VOICE_STATE &state, const uint8_t *payload, int16_t *pcm, int nbytes,
                      G726Order order) noexcept;

// Convert nbytes bytes in place between the two orders for code width b
// (2..5). Each undoes the other. Return 0, or -1 with the bytes untouched when
// 8 * nbytes is not a whole number of codes or b is outside 2..5.
int G726_LsbToMsb(uint8_t *payload, int b, int nbytes) noexcept;
int G726_MsbToLsb(uint8_t *payload, int b, int nbytes) noexcept;

// ---- Frames (codec operations of types 4 to 7 and 36 to 39) ---------------

// Builds the frame of n samples (1..481) for code width b in the entry
// point's private buffer: control 0x0100, length (n * b) / 16, then the first
// 16 * length bits of the code words of n & ~1 samples in the given order,
// with 0 in every bit that holds no code. Codes beyond the length word are
// dropped, but the state has moved over all n & ~1 samples. Trusts that the
// block suits b.
void G726_EncodeFrame(ZT_VOICE_STATE &state, const int16_t *pcm_in, uint8_t *frame_out,
                      int nsamples, int b, G726Order order) noexcept;

// Length rule: a payload of L words (1..255) decodes to N = (16 * L) / b
// samples, refused (-1) when N > 481 or N is not a multiple of 80.
int G726_DecodedSamples(int length, int b) noexcept;

// Decodes the N samples of a frame whose length the rule accepted. The frame
// is only read. Trusts that the block suits b.
void G726_DecodeFrame(ZT_VOICE_STATE &state, const uint8_t *frame_in, int16_t *pcm_out, int b,
                      G726Order order) noexcept;

}  // namespace zt
