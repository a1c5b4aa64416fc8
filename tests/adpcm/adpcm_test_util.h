// Shared helpers of the IMA ADPCM tests: state set-up and printing, a seeded
// random source, and a sample-at-a-time reference for what a run reconstructs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_state.h"
#include "zelt_voice_engine.h"

namespace zt {
inline void PrintTo(const AdpcmState &s, std::ostream *os) {
  *os << "{predictor " << s.predictor << ", step_index " << s.step_index << "}";
}
}  // namespace zt

namespace zt_test {

// A block with every byte marked and the coder fields set.
inline ZT_VOICE_STATE AdpcmBlock(zt::AdpcmState s, uint8_t marker = 0xA5) {
  ZT_VOICE_STATE state;
  std::memset(&state, marker, sizeof state);
  zt::ADPCM_StoreState(state, s);
  return state;
}

// Test names: a case table's `name`, or the ADPCM type of an int parameter.
struct CaseName {
  std::string operator()(const auto &info) const { return info.param.name; }
};
struct AdpcmTypeName {
  std::string operator()(const testing::TestParamInfo<int> &info) const {
    return info.param == ZT_VOICE_ADPCM_LEAD ? "ADPCM_LEAD" : "ADPCM";
  }
};

// Seed of the randomised cases: ZT_TEST_SEED overrides the fixed default.
// Tests print it with SCOPED_TRACE so that a failure can be replayed.
inline uint32_t TestSeed() {
  const char *env = std::getenv("ZT_TEST_SEED");
  return env != nullptr && *env != '\0' ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0))
                                        : 20240611u;
}

// Speech-like test signal: bursts of noise whose loudness changes every few
// dozen samples, from silence to full scale, so that the step index roams its
// whole range and the predictor meets both clamps.
inline std::vector<int16_t> RandomSignal(std::mt19937 &rng, int n) {
  std::vector<int16_t> pcm(static_cast<std::size_t>(n));
  std::uniform_int_distribution<int> burst(1, 60);
  std::uniform_int_distribution<int> level(0, 15);
  int left = 0;
  int amplitude = 0;
  for (auto &x : pcm) {
    if (left-- == 0) {
      left = burst(rng);
      amplitude = (1 << level(rng)) * 2 - 1;  // 1 .. 65535
    }
    const int v = std::uniform_int_distribution<int>(-amplitude, amplitude)(rng);
    x = static_cast<int16_t>(v < INT16_MIN ? INT16_MIN : (v > INT16_MAX ? INT16_MAX : v));
  }
  return pcm;
}

// What the encoder reconstructs, sample by sample: the predictor after each
// one-sample call, and the codes those calls produce.
struct Reconstruction {
  std::vector<int16_t> values;
  std::vector<uint8_t> codes;
  zt::AdpcmState end;
};

inline Reconstruction ReconstructOneByOne(const int16_t *pcm, int n, zt::AdpcmState start) {
  Reconstruction r;
  ZT_VOICE_STATE state = AdpcmBlock(start);
  for (int i = 0; i < n; ++i) {
    uint8_t byte = 0;
    zt::ADPCM_EncodeBlock(pcm + i, &byte, 1, state);
    r.codes.push_back(static_cast<uint8_t>(byte >> 4));
    r.values.push_back(static_cast<int16_t>(zt::ADPCM_LoadState(state).predictor));
  }
  r.end = zt::ADPCM_LoadState(state);
  return r;
}

}  // namespace zt_test
