// Frame layout through the public interface, for every codec type: the header
// bytes, the frame size, nothing written beyond the frame, the decoder's
// length rule, and resets.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "support/codec_types.h"
#include "zelt_voice_engine.h"

namespace {

using zt_test::CodecType;
using zt_test::Family;

constexpr uint8_t kMarker = 0xA5;

std::array<int16_t, 481> SpeechLikeSamples() {
  std::array<int16_t, 481> pcm{};
  uint32_t noise = 12345;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    noise = noise * 1103515245u + 12345u;
    const int tone = static_cast<int>((i * 37) % 200) * 60 - 6000;
    pcm[i] = static_cast<int16_t>(tone + static_cast<int>((noise >> 16) % 2001) - 1000);
  }
  return pcm;
}

// The decoder's length rule, as listed for each family: the sample count for
// payload length L, or -1 where the length is refused.
int ExpectedSamples(const CodecType &c, int length) {
  switch (c.family) {
    case Family::kG711:
      return length % 40 == 0 && length <= 240 ? 2 * length : -1;
    case Family::kAdpcm:
      if (length < 2 || length > 122) return -1;
      return 4 * (length - 2) + (c.type == ZT_VOICE_ADPCM_LEAD ? 1 : 0);
    case Family::kG726:
      return length % (5 * c.bits) == 0 && length <= 30 * c.bits ? 16 * length / c.bits : -1;
  }
  return -1;
}

class Frames : public testing::TestWithParam<CodecType> {};

TEST_P(Frames, HeaderSizeAndNothingBeyond) {
  const CodecType c = GetParam();
  const auto pcm = SpeechLikeSamples();
  for (const int n : {1, 3, 4, 5, 7, 10, 11, 13, 80, 160, 161, 240, 479, 480, 481}) {
    ZT_VOICE_STATE state;
    ASSERT_EQ(ZT_VOICE_EncReset(&state, c.type), ZT_SUCCESS);
    std::array<uint8_t, 600> frame;
    frame.fill(kMarker);
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), n, c.type), ZT_SUCCESS);
    const int length = zt_test::LengthFor(c, n);
    EXPECT_EQ(frame[0], 0x00) << "n=" << n;
    EXPECT_EQ(frame[1], 0x01) << "n=" << n;
    EXPECT_EQ(frame[2], length) << "n=" << n;
    EXPECT_EQ(frame[3], 0x00) << "n=" << n;
    for (std::size_t i = 4 + 2 * length; i < frame.size(); ++i) {
      ASSERT_EQ(frame[i], kMarker) << "n=" << n << ": byte " << i << " beyond the frame written";
    }
  }
}

TEST_P(Frames, DecodesWhatWasCarriedAndNothingMore) {
  const CodecType c = GetParam();
  const auto pcm = SpeechLikeSamples();
  for (const int n : {80, 161, 480, 481}) {
    ZT_VOICE_STATE enc, dec;
    ASSERT_EQ(ZT_VOICE_EncReset(&enc, c.type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_DecReset(&dec, c.type), ZT_SUCCESS);
    std::array<uint8_t, 484> frame{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, pcm.data(), frame.data(), n, c.type), ZT_SUCCESS);
    const auto sent = frame;
    std::array<int16_t, 600> out;
    out.fill(0x5A5A);
    int16_t count = -1;
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&dec, frame.data(), out.data(), c.type, &count), ZT_SUCCESS)
        << "n=" << n;
    EXPECT_EQ(count, zt_test::CarriedSamples(c, n)) << "n=" << n;
    EXPECT_EQ(frame, sent) << "the decoder modified the frame";
    for (std::size_t i = count; i < out.size(); ++i) {
      ASSERT_EQ(out[i], 0x5A5A) << "sample " << i << " written beyond the count";
    }
  }
}

TEST_P(Frames, LengthRuleReadsOnlyTheLowByte) {
  const CodecType c = GetParam();
  for (int length = 1; length <= 255; ++length) {
    for (const uint8_t high : {uint8_t{0x00}, uint8_t{0xFF}}) {
      std::array<uint8_t, 4 + 2 * 255> frame{};
      frame[1] = 0x01;
      frame[2] = static_cast<uint8_t>(length);
      frame[3] = high;
      ZT_VOICE_STATE state;
      ASSERT_EQ(ZT_VOICE_DecReset(&state, c.type), ZT_SUCCESS);
      std::array<int16_t, 481> out{};
      int16_t count = -1;
      const ZT_VOICE_RESULT result =
          ZT_VOICE_DecodeFrame(&state, frame.data(), out.data(), c.type, &count);
      const int expected = ExpectedSamples(c, length);
      if (expected < 0) {
        EXPECT_EQ(result, ZT_ERR_VOICE_DEC_LENGTH) << "L=" << length;
        EXPECT_EQ(count, 0);
      } else {
        EXPECT_EQ(result, ZT_SUCCESS) << "L=" << length;
        EXPECT_EQ(count, expected) << "L=" << length;
      }
    }
  }
}

TEST_P(Frames, ResetsOfTypeVariantAndDirectionAgree) {
  const CodecType c = GetParam();
  ZT_VOICE_STATE enc, dec, variant;
  std::memset(&enc, kMarker, sizeof enc);
  std::memset(&dec, 0x3C, sizeof dec);
  std::memset(&variant, 0x00, sizeof variant);
  ASSERT_EQ(ZT_VOICE_EncReset(&enc, c.type), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_DecReset(&dec, c.type), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_EncReset(&variant, c.type ^ ZT_VOICE_VARIANT),
            c.family == Family::kG711 ? ZT_ERR_VOICE_ENC_TYPE : ZT_SUCCESS);
  if (c.family == Family::kG711) {
    // G.711 never touches the block.
    ZT_VOICE_STATE marked;
    std::memset(&marked, kMarker, sizeof marked);
    EXPECT_EQ(std::memcmp(&enc, &marked, sizeof enc), 0);
    return;
  }
  // The ADPCM reset writes only its 3 bytes; compare those. G.726 writes all.
  const std::size_t written = c.family == Family::kAdpcm ? 3 : sizeof(ZT_VOICE_STATE);
  EXPECT_EQ(std::memcmp(&enc, &dec, written), 0);
  EXPECT_EQ(std::memcmp(&enc, &variant, written), 0);
}

INSTANTIATE_TEST_SUITE_P(Types, Frames, testing::ValuesIn(zt_test::kCodecTypes),
                         zt_test::CodecTypeName{});

// G.711 leaves the state block exactly as it was, through reset and coding.
TEST(G711State, BlockUntouched) {
  for (const int type : {ZT_VOICE_G711A, ZT_VOICE_G711U}) {
    ZT_VOICE_STATE state;
    std::memset(&state, kMarker, sizeof state);
    ZT_VOICE_STATE marked = state;
    const auto pcm = SpeechLikeSamples();
    std::array<uint8_t, 484> frame{};
    std::array<int16_t, 481> out{};
    int16_t count = 0;
    ASSERT_EQ(ZT_VOICE_EncReset(&state, type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_DecReset(&state, type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), 480, type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&state, frame.data(), out.data(), type, &count), ZT_SUCCESS);
    EXPECT_EQ(std::memcmp(&state, &marked, sizeof state), 0) << "type " << type;
  }
}

}  // namespace
