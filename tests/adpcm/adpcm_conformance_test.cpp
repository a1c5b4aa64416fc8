// IMA ADPCM against the reference speech file, its codes and its decoded
// samples, all coded as one run from predictor 0 and step index 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_state.h"
#include "support/vectors.h"
#include "zelt_voice_engine.h"

namespace {

struct ImaVectors {
  std::vector<int16_t> pcm;      // speech
  std::vector<uint8_t> codes;    // two codes a byte, earlier sample high
  std::vector<int16_t> decoded;  // the codes decoded
};

std::vector<int16_t> ReadSamples(const char *name) {
  const auto words = zt_test::ReadWords(zt_test::VectorPath(name));
  return {words.begin(), words.end()};
}

ImaVectors LoadImaVectors() {
  ImaVectors v{ReadSamples("ima/small.pcm"),
               zt_test::ReadBytes(zt_test::VectorPath("ima/small.adpcm")),
               ReadSamples("ima/small.dec.pcm")};
  EXPECT_EQ(v.codes.size() * 2, v.pcm.size());
  EXPECT_EQ(v.decoded.size(), v.pcm.size());
  return v;
}

#define ZT_REQUIRE_IMA_VECTORS()            \
  do {                                      \
    ZT_REQUIRE_VECTOR("ima/small.pcm");     \
    ZT_REQUIRE_VECTOR("ima/small.adpcm");   \
    ZT_REQUIRE_VECTOR("ima/small.dec.pcm"); \
  } while (0)

TEST(ImaConformance, CoderMatchesAsOneRun) {
  ZT_REQUIRE_IMA_VECTORS();
  const ImaVectors v = LoadImaVectors();
  const int n = static_cast<int>(v.pcm.size());

  ZT_VOICE_STATE enc;
  zt::ADPCM_Reset(enc);
  std::vector<uint8_t> codes(v.codes.size());
  zt::ADPCM_EncodeBlock(v.pcm.data(), codes.data(), n, enc);
  const auto diff = std::mismatch(codes.begin(), codes.end(), v.codes.begin());
  EXPECT_TRUE(diff.first == codes.end())
      << "first code byte differing: " << (diff.first - codes.begin());

  ZT_VOICE_STATE dec;
  zt::ADPCM_Reset(dec);
  std::vector<int16_t> out(v.decoded.size());
  zt::ADPCM_DecodeBlock(v.codes.data(), out.data(), n, dec);
  const auto bad = std::mismatch(out.begin(), out.end(), v.decoded.begin());
  EXPECT_TRUE(bad.first == out.end()) << "first sample differing: " << (bad.first - out.begin());
  EXPECT_EQ(zt::ADPCM_LoadState(dec), zt::ADPCM_LoadState(enc));
}

// Type-3 frames of multiples of 4 samples, one after another from a reset,
// carry exactly the reference codes after their state words and decode to
// the reference samples.
TEST(ImaConformance, Type3FramesCarryTheReferenceCodes) {
  ZT_REQUIRE_IMA_VECTORS();
  const ImaVectors v = LoadImaVectors();
  constexpr std::array<int, 5> kSizes{480, 4, 160, 84, 476};
  ZT_VOICE_STATE enc, dec;
  ASSERT_EQ(ZT_VOICE_EncReset(&enc, ZT_VOICE_ADPCM), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_DecReset(&dec, ZT_VOICE_ADPCM), ZT_SUCCESS);
  std::size_t at = 0;
  for (std::size_t f = 0; at < v.pcm.size(); ++f) {
    const int n =
        static_cast<int>(std::min<std::size_t>(kSizes[f % kSizes.size()], v.pcm.size() - at));
    ASSERT_EQ(n % 4, 0);
    std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, v.pcm.data() + at, frame.data(), n, ZT_VOICE_ADPCM),
              ZT_SUCCESS);
    ASSERT_EQ(frame[2], n / 4 + 2);
    ASSERT_TRUE(std::equal(frame.begin() + 8, frame.begin() + 8 + n / 2,
                           v.codes.begin() + static_cast<std::ptrdiff_t>(at / 2)))
        << "frame " << f << " at sample " << at;

    std::array<int16_t, 481> out{};
    int16_t count = 0;
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&dec, frame.data(), out.data(), ZT_VOICE_ADPCM, &count),
              ZT_SUCCESS);
    ASSERT_EQ(count, n);
    ASSERT_TRUE(std::equal(out.begin(), out.begin() + n,
                           v.decoded.begin() + static_cast<std::ptrdiff_t>(at)))
        << "frame " << f << " at sample " << at;
    at += static_cast<std::size_t>(n);
  }
}

}  // namespace
