// The twelve codec types as test data, so suites run over every type by table.
#pragma once

#include <array>
#include <ostream>
#include <string>

#include "zelt_voice_engine.h"

namespace zt_test {

enum class Family { kG711, kAdpcm, kG726 };

struct CodecType {
  int type;
  const char *name;  // used for test names: Types/Suite.Case/G726_32K_MSB
  Family family;
  int bits;         // bits per sample
  int max_samples;  // largest n whose frame carries every sample
};

inline constexpr std::array<CodecType, 12> kCodecTypes{{
    {ZT_VOICE_G711A, "G711A", Family::kG711, 8, 480},
    {ZT_VOICE_G711U, "G711U", Family::kG711, 8, 480},
    {ZT_VOICE_ADPCM, "ADPCM", Family::kAdpcm, 4, 480},
    {ZT_VOICE_ADPCM_LEAD, "ADPCM_LEAD", Family::kAdpcm, 4, 481},
    {ZT_VOICE_G726_16K, "G726_16K", Family::kG726, 2, 480},
    {ZT_VOICE_G726_24K, "G726_24K", Family::kG726, 3, 480},
    {ZT_VOICE_G726_32K, "G726_32K", Family::kG726, 4, 480},
    {ZT_VOICE_G726_40K, "G726_40K", Family::kG726, 5, 480},
    {ZT_VOICE_G726_16K_MSB, "G726_16K_MSB", Family::kG726, 2, 480},
    {ZT_VOICE_G726_24K_MSB, "G726_24K_MSB", Family::kG726, 3, 480},
    {ZT_VOICE_G726_32K_MSB, "G726_32K_MSB", Family::kG726, 4, 480},
    {ZT_VOICE_G726_40K_MSB, "G726_40K_MSB", Family::kG726, 5, 480},
}};

// Test names and failure messages show the type by name.
inline void PrintTo(const CodecType &c, std::ostream *os) {
  *os << c.name;
}

// The frame's length word for n samples.
constexpr int LengthFor(const CodecType &c, int n) {
  switch (c.family) {
    case Family::kG711:
      return n / 2;
    case Family::kAdpcm:
      return c.type == ZT_VOICE_ADPCM ? n / 4 + 2 : (n - 1) / 4 + 2;
    case Family::kG726:
      return c.bits * n / 16;
  }
  return -1;
}

// Samples a frame of n carries: whole payload units only.
constexpr int CarriedSamples(const CodecType &c, int n) {
  switch (c.family) {
    case Family::kG711:
      return n / 2 * 2;
    case Family::kAdpcm:
      return c.type == ZT_VOICE_ADPCM ? n / 4 * 4 : (n - 1) / 4 * 4 + 1;
    case Family::kG726:
      return 16 * (c.bits * n / 16) / c.bits;
  }
  return -1;
}

// For INSTANTIATE_TEST_SUITE_P over kCodecTypes.
struct CodecTypeName {
  std::string operator()(const auto &info) const { return info.param.name; }
};

}  // namespace zt_test
