// G.711 A-law and mu-law companding of 16-bit linear samples, and the
// payload of codec types 1 (A-law) and 2 (mu-law): one code byte per sample.
#pragma once

#include <array>
#include <cstdint>

namespace zt {

// Number of redundant sign bits of x taken as a 16-bit value, 0..15
// (15 for 0 and -1). For 0 < x < 32768, 14 - G711_Norm(x) is its top set bit.
int G711_Norm(int x) noexcept;

// One sample to one code (0..255).
uint8_t G711_ALawCompressSample(int16_t x) noexcept;
uint8_t G711_ULawCompressSample(int16_t x) noexcept;

// The codes of n samples (n <= 0 does nothing), one per 16-bit element.
void G711_ALawCompress(const int16_t *pcm, uint16_t *codes, int n) noexcept;
void G711_ULawCompress(const int16_t *pcm, uint16_t *codes, int n) noexcept;
// The samples of n codes, each code 0..255.
void G711_ALawExpand(const uint16_t *codes, int16_t *pcm, int n) noexcept;
void G711_ULawExpand(const uint16_t *codes, int16_t *pcm, int n) noexcept;

// Frame payloads: the codes of n samples (n >= 0) as bytes, and the samples
// of n code bytes by `table` (G711_ALawToLinear or G711_ULawToLinear). The
// same results as the per-sample operations, computed 16 at a time.
void G711_ALawCompressBytes(const int16_t *pcm, uint8_t *codes, int n) noexcept;
void G711_ULawCompressBytes(const int16_t *pcm, uint8_t *codes, int n) noexcept;
void G711_ExpandBytes(const uint8_t *codes, int16_t *pcm, int n, const int16_t *table) noexcept;

// The decoded sample of every code, computed at compile time from the G.711
// expansion rules: A-law -32256..32256, mu-law -32124..32124.
extern const std::array<int16_t, 256> G711_ALawToLinear;
extern const std::array<int16_t, 256> G711_ULawToLinear;

// Builds the frame of n samples (1..481): header 0x0100, length n / 2, then
// the codes of samples 0 .. 2 * (n / 2) - 1. A-law for type 1, else mu-law.
void G711_EncodeFrame(const int16_t *pcm, uint8_t *frame, int type, int n) noexcept;
// Length rule: N = 2L, refused unless a multiple of 80 up to 480.
int G711_DecodedSamples(int length) noexcept;
// Expands the 2L codes of an accepted frame. A-law for type 1, else mu-law.
void G711_DecodeFrame(const uint8_t *frame, int16_t *pcm, int type) noexcept;

}  // namespace zt
