// Shared helpers of the G.726 tests: the four code widths as test data, the
// state block as words, a bit-by-bit reference of the two payload orders, and
// the seed of the randomised cases.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "zelt_voice_engine.h"

namespace zt_g726_test {

struct Width {
  int bits;
  int lsb_type;  // the LSB-first codec type of the width
  int msb_type;  // its MSB-first variant
  const char *name;
};

inline constexpr std::array<Width, 4> kWidths{{
    {2, ZT_VOICE_G726_16K, ZT_VOICE_G726_16K_MSB, "Bits2"},
    {3, ZT_VOICE_G726_24K, ZT_VOICE_G726_24K_MSB, "Bits3"},
    {4, ZT_VOICE_G726_32K, ZT_VOICE_G726_32K_MSB, "Bits4"},
    {5, ZT_VOICE_G726_40K, ZT_VOICE_G726_40K_MSB, "Bits5"},
}};

inline void PrintTo(const Width &w, std::ostream *os) {
  *os << w.name;
}

struct WidthName {
  std::string operator()(const testing::TestParamInfo<Width> &info) const {
    return info.param.name;
  }
};

using Words = std::array<int32_t, 26>;

inline Words WordsOf(const ZT_VOICE_STATE &state) {
  Words words;
  std::memcpy(words.data(), &state, sizeof state);
  return words;
}

inline ZT_VOICE_STATE StateOf(const Words &words) {
  ZT_VOICE_STATE state;
  std::memcpy(&state, words.data(), sizeof state);
  return state;
}

// The documented range of every state word at a width, word by word.
inline void ExpectWordsInRange(const Words &w, int bits) {
  const int32_t bmin = bits == 5 ? -65025 : -32513;
  const int32_t bmax = bits == 5 ? 65536 : 32768;
  EXPECT_EQ(w[0], 2);
  EXPECT_EQ(w[1], bits);
  EXPECT_TRUE(w[3] >= -12288 && w[3] <= 12288) << "a2 " << w[3];
  EXPECT_TRUE(w[2] >= w[3] - 15360 && w[2] <= 15360 - w[3]) << "a1 " << w[2] << " a2 " << w[3];
  EXPECT_TRUE(w[4] >= 0 && w[4] <= 512) << "ap " << w[4];
  for (int i = 5; i <= 10; ++i) EXPECT_TRUE(w[i] >= bmin && w[i] <= bmax) << "b " << w[i];
  EXPECT_TRUE(w[11] >= 0 && w[11] <= 14336) << "dml " << w[11];
  EXPECT_TRUE(w[12] >= 0 && w[12] <= 3584) << "dms " << w[12];
  for (int i = 13; i <= 18; ++i) EXPECT_TRUE(w[i] >= 0 && w[i] <= 2047) << "dq " << w[i];
  EXPECT_TRUE(w[19] == 0 || w[19] == -1) << "pk1 " << w[19];
  EXPECT_TRUE(w[20] == 0 || w[20] == -1) << "pk2 " << w[20];
  EXPECT_TRUE(w[21] >= 0 && w[21] <= 2047) << "sr1 " << w[21];
  EXPECT_TRUE(w[22] >= 0 && w[22] <= 2047) << "sr2 " << w[22];
  EXPECT_TRUE(w[23] == 0 || w[23] == 1) << "td " << w[23];
  EXPECT_TRUE(w[24] >= 34816 && w[24] <= 327680) << "yl " << w[24];
  EXPECT_TRUE(w[25] >= 544 && w[25] <= 5120) << "yu " << w[25];
}

// Reference of the payload layout, one bit at a time: code k takes bit
// positions k*b .. k*b+b-1; position p is bit p % 8 of byte p / 8
// (LSB-first, code bits from the least significant) or bit 7 - p % 8
// (MSB-first, code bits from the most significant). The result holds nbits
// bits (rounded up to bytes); positions without a code are 0.
inline std::vector<uint8_t> PackBits(const std::vector<int> &codes, int b, bool msb_first,
                                     int nbits) {
  std::vector<uint8_t> bytes(static_cast<std::size_t>((nbits + 7) / 8), 0);
  for (int p = 0; p < nbits; ++p) {
    const int k = p / b;
    const int i = p % b;
    if (k >= static_cast<int>(codes.size())) break;
    const int bit = msb_first ? (codes[k] >> (b - 1 - i)) & 1 : (codes[k] >> i) & 1;
    const int at = msb_first ? 7 - p % 8 : p % 8;
    bytes[p / 8] = static_cast<uint8_t>(bytes[p / 8] | (bit << at));
  }
  return bytes;
}

// The inverse: the first count codes of a payload.
inline std::vector<int> UnpackBits(const uint8_t *bytes, int b, bool msb_first, int count) {
  std::vector<int> codes(static_cast<std::size_t>(count), 0);
  for (int p = 0; p < count * b; ++p) {
    const int at = msb_first ? 7 - p % 8 : p % 8;
    const int bit = (bytes[p / 8] >> at) & 1;
    const int i = p % b;
    codes[p / b] |= bit << (msb_first ? b - 1 - i : i);
  }
  return codes;
}

// Seed of the randomised cases: ZT_TEST_SEED overrides the fixed default.
// Tests print it with SCOPED_TRACE so that a failure can be replayed.
inline uint32_t TestSeed() {
  const char *env = std::getenv("ZT_TEST_SEED");
  return env != nullptr && *env != '\0' ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0))
                                        : 726u;
}

}  // namespace zt_g726_test
