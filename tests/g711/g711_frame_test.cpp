// G.711 frames: payload byte i is the code of sample i; odd counts drop the
// last sample; the length rule accepts whole 80-sample blocks only.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "g711/g711.h"
#include "zelt_voice_engine.h"

namespace {

TEST(G711Frame, PayloadCarriesCodesInSampleOrder) {
  const int16_t pcm[] = {1000, -1000, 132};  // n = 3 carries two samples
  std::array<uint8_t, 16> frame;
  frame.fill(0xEE);
  zt::G711_EncodeFrame(pcm, frame.data(), ZT_VOICE_G711U, 3);
  const std::array<uint8_t, 6> expected{0x00, 0x01, 0x01, 0x00, 0xCE, 0x4E};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), frame.begin()));
  EXPECT_EQ(frame[6], 0xEE);
}

TEST(G711Frame, OneSampleIsAHeaderAlone) {
  const int16_t pcm[] = {5};
  std::array<uint8_t, 8> frame;
  frame.fill(0xEE);
  zt::G711_EncodeFrame(pcm, frame.data(), ZT_VOICE_G711A, 1);
  EXPECT_EQ(frame[0], 0x00);
  EXPECT_EQ(frame[1], 0x01);
  EXPECT_EQ(frame[2], 0x00);
  EXPECT_EQ(frame[3], 0x00);
  EXPECT_EQ(frame[4], 0xEE);
}

TEST(G711Frame, LengthRule) {
  for (int length = 1; length <= 255; ++length) {
    const bool accepted = length % 40 == 0 && length <= 240;
    EXPECT_EQ(zt::G711_DecodedSamples(length), accepted ? 2 * length : -1) << length;
  }
}

// Through the entry points: a frame of L = 240 whose payload bytes run
// 0, 1, ..., 255, 0, 1, ... decodes every code through the table and writes
// no sample beyond the 480th.
TEST(G711Frame, DecodesEveryCodeByTable) {
  for (const int type : {ZT_VOICE_G711A, ZT_VOICE_G711U}) {
    std::array<uint8_t, 484> frame{0x00, 0x01, 240, 0x00};
    for (int i = 0; i < 480; ++i) frame[4 + i] = static_cast<uint8_t>(i);
    std::array<int16_t, 490> out;
    out.fill(0x7777);
    int16_t count = 0;
    ZT_VOICE_STATE state;
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&state, frame.data(), out.data(), type, &count), ZT_SUCCESS);
    ASSERT_EQ(count, 480);
    const auto &table = type == ZT_VOICE_G711A ? zt::G711_ALawToLinear : zt::G711_ULawToLinear;
    for (int i = 0; i < 480; ++i) ASSERT_EQ(out[i], table[i % 256]) << i;
    for (int i = 480; i < 490; ++i) EXPECT_EQ(out[i], 0x7777);
  }
}

TEST(G711Frame, FullFramesOf480And481AreAlike) {
  std::array<int16_t, 481> pcm{};
  for (int i = 0; i < 481; ++i) pcm[i] = static_cast<int16_t>(i * 131 - 30000);
  std::array<uint8_t, 484> a{}, b{};
  ZT_VOICE_STATE state;
  ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), a.data(), 480, ZT_VOICE_G711A), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), b.data(), 481, ZT_VOICE_G711A), ZT_SUCCESS);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a[2], 240);
}

}  // namespace
