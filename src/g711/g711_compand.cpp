// G.711 sample conversion: compression by sign-bit counting, expansion by table.
#include <bit>
#include <cstdint>

#include "g711/g711.h"

namespace zt {

int G711_Norm(int x) noexcept {
  // Redundant sign bits of a 16-bit value: leading zeros of (x XOR x >> 15)
  // within bits 14..0.
  const uint32_t v = static_cast<uint16_t>(x);
  const uint32_t magnitude_bits = (v ^ (0u - (v >> 15))) & 0x7FFFu;
  return std::countl_zero(magnitude_bits) - 17;  // 32 - 15 leading bits outside 14..0
}

uint8_t G711_ALawCompressSample(int16_t x) noexcept {
  const int s = x >> 3;
  // Negative samples take the ones' complement, so x and -x - 1 differ only in bit 7.
  const int m = x >= 0 ? s : -s - 1;  // 0..4095
  const int mask = x >= 0 ? 0xD5 : 0x55;
  int seg = 0;
  int mant = (m >> 1) & 15;
  if (m >= 32) {
    seg = 10 - G711_Norm(m);  // 1..7: m lies in [2^(seg+4), 2^(seg+5))
    mant = (m >> seg) & 15;
  }
  return static_cast<uint8_t>(((seg << 4) | mant) ^ mask);
}

uint8_t G711_ULawCompressSample(int16_t x) noexcept {
  const int s = x >> 2;
  // Negative samples take the two's complement of the floored quarter, so the
  // law is not symmetric: -1 codes with magnitude 1, +1 with magnitude 0.
  int m = x >= 0 ? s : -s;  // 0..8192
  const int mask = x >= 0 ? 0xFF : 0x7F;
  if (m > 8159) m = 8159;
  const int b = m + 33;                                  // 33..8192
  const int e = 9 - G711_Norm(b);                        // 0..8
  if (e == 8) return static_cast<uint8_t>(0x7F ^ mask);  // only b = 8192
  return static_cast<uint8_t>(((e << 4) | ((b >> (e + 1)) & 15)) ^ mask);
}

void G711_ALawCompress(const int16_t *pcm, uint16_t *codes, int n) noexcept {
  for (int i = 0; i < n; ++i) codes[i] = G711_ALawCompressSample(pcm[i]);
}

void G711_ULawCompress(const int16_t *pcm, uint16_t *codes, int n) noexcept {
  for (int i = 0; i < n; ++i) codes[i] = G711_ULawCompressSample(pcm[i]);
}

void G711_ALawExpand(const uint16_t *codes, int16_t *pcm, int n) noexcept {
  for (int i = 0; i < n; ++i) pcm[i] = G711_ALawToLinear[codes[i]];
}

void G711_ULawExpand(const uint16_t *codes, int16_t *pcm, int n) noexcept {
  for (int i = 0; i < n; ++i) pcm[i] = G711_ULawToLinear[codes[i]];
}

}  // namespace zt
