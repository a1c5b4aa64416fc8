// G.726 frames of all eight types through the entry points: frame sizes and
// payload bits at chosen counts, both bit orders, the decoder's length rule,
// decoders in step with their encoders, and the refusal of blocks that do not
// suit the type.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "g726/g726.h"
#include "g726_test_util.h"
#include "zelt_voice_engine.h"

namespace {

using zt_g726_test::kWidths;
using zt_g726_test::PackBits;
using zt_g726_test::Width;
using zt_g726_test::WordsOf;

constexpr uint8_t kMarker = 0xA5;

std::vector<int16_t> TestSignal(int n) {
  std::mt19937 rng(zt_g726_test::TestSeed());
  std::vector<int16_t> pcm(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double tone = 9000 * std::sin(i * 0.37) + 4000 * std::sin(i * 1.9);
    pcm[i] = static_cast<int16_t>(tone + static_cast<int>(rng() % 2001) - 1000);
  }
  return pcm;
}

struct TypeCase {
  Width width;
  bool msb_first;
  int type() const { return msb_first ? width.msb_type : width.lsb_type; }
};

void PrintTo(const TypeCase &c, std::ostream *os) {
  *os << "type " << c.type();
}

std::vector<TypeCase> AllTypes() {
  std::vector<TypeCase> cases;
  for (const bool msb : {false, true}) {
    for (const Width &w : kWidths) cases.push_back({w, msb});
  }
  return cases;
}

struct TypeCaseName {
  std::string operator()(const testing::TestParamInfo<TypeCase> &info) const {
    return std::string(info.param.width.name) + (info.param.msb_first ? "Msb" : "Lsb");
  }
};

class FramesOfType : public testing::TestWithParam<TypeCase> {};

// The length word, the payload bits and the state for the documented counts:
// the payload is the first 16 * length bits of the type's bit stream of the
// n & ~1 coded samples, 0 where no code lies (MSB-first for types 36 to 39 at
// every count), and the state has moved over all n & ~1 samples.
TEST_P(FramesOfType, SizesPayloadBitsAndState) {
  const TypeCase c = GetParam();
  const int b = c.width.bits;
  // Length words for b = 2, 3, 4, 5 at each n.
  const std::array<std::pair<int, std::array<int, 4>>, 8> sizes{{
      {1, {0, 0, 0, 0}},
      {3, {0, 0, 0, 0}},
      {7, {0, 1, 1, 2}},
      {10, {1, 1, 2, 3}},
      {11, {1, 2, 2, 3}},
      {80, {10, 15, 20, 25}},
      {480, {60, 90, 120, 150}},
      {481, {60, 90, 120, 150}},
  }};
  const std::vector<int16_t> pcm = TestSignal(481);
  for (const auto &[n, lengths] : sizes) {
    SCOPED_TRACE(testing::Message() << "n=" << n);
    const int length = lengths[b - 2];
    ZT_VOICE_STATE state, single;
    ASSERT_EQ(ZT_VOICE_EncReset(&state, c.type()), ZT_SUCCESS);
    zt::G726_Reset(single, b);
    std::vector<int> codes;
    for (int k = 0; k < (n & ~1); ++k) codes.push_back(zt::G726_EncodeSample(single, pcm[k]));
    std::array<uint8_t, 484> frame;
    frame.fill(kMarker);
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), n, c.type()), ZT_SUCCESS);
    const std::vector<uint8_t> header{0x00, 0x01, static_cast<uint8_t>(length), 0x00};
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 4), header);
    const std::vector<uint8_t> payload(frame.begin() + 4, frame.begin() + 4 + 2 * length);
    EXPECT_EQ(payload, PackBits(codes, b, c.msb_first, 16 * length));
    EXPECT_EQ(frame[4 + 2 * length], kMarker);
    EXPECT_EQ(WordsOf(state), WordsOf(single));
  }
}

// A crossing code writes the next byte whole, and bits with no code are 0
// whatever the buffer held: type 7 at n = 7 and 13, type 5 at n = 11.
TEST(G726Frames, BitsWithoutACodeAreZero) {
  const std::vector<int16_t> pcm = TestSignal(13);
  for (const auto &[type, n, top_bits] :
       {std::tuple{ZT_VOICE_G726_40K, 7, 2}, std::tuple{ZT_VOICE_G726_40K, 13, 4},
        std::tuple{ZT_VOICE_G726_24K, 11, 2}, std::tuple{ZT_VOICE_G726_24K_MSB, 11, 2}}) {
    ZT_VOICE_STATE state;
    ASSERT_EQ(ZT_VOICE_EncReset(&state, type), ZT_SUCCESS);
    std::array<uint8_t, 484> frame;
    frame.fill(0xFF);
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), n, type), ZT_SUCCESS);
    const int last = 3 + 2 * frame[2];
    const int unused = type == ZT_VOICE_G726_24K_MSB ? (1 << top_bits) - 1  // low bits
                                                     : ((1 << top_bits) - 1) << (8 - top_bits);
    EXPECT_EQ(frame[last] & unused, 0) << "type " << type << " n " << n;
  }
}

TEST(G726Frames, Type4WithSevenSamplesIsTheHeaderAlone) {
  const std::vector<int16_t> pcm = TestSignal(7);
  ZT_VOICE_STATE state, six;
  ASSERT_EQ(ZT_VOICE_EncReset(&state, ZT_VOICE_G726_16K), ZT_SUCCESS);
  zt::G726_Reset(six, 2);
  for (int k = 0; k < 6; ++k) zt::G726_EncodeSample(six, pcm[k]);
  std::array<uint8_t, 8> frame;
  frame.fill(kMarker);
  ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), 7, ZT_VOICE_G726_16K),
            ZT_SUCCESS);
  EXPECT_EQ(frame,
            (std::array<uint8_t, 8>{0x00, 0x01, 0x00, 0x00, kMarker, kMarker, kMarker, kMarker}));
  EXPECT_EQ(WordsOf(state), WordsOf(six));
}

// FramesOfType of 481 samples carry 480; a decoder fed them stays in step, and both
// bit orders of a rate decode to the same samples.
TEST_P(FramesOfType, DecoderStaysInStepAndOrdersAgree) {
  const TypeCase c = GetParam();
  const int other = c.msb_first ? c.width.lsb_type : c.width.msb_type;
  const std::vector<int16_t> pcm = TestSignal(481 * 4);
  ZT_VOICE_STATE enc, dec, enc_other, dec_other;
  ASSERT_EQ(ZT_VOICE_EncReset(&enc, c.type()), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_DecReset(&dec, c.type()), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_EncReset(&enc_other, other), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_DecReset(&dec_other, other), ZT_SUCCESS);
  for (int f = 0; f < 4; ++f) {
    std::array<uint8_t, 484> frame{}, frame_other{};
    const int16_t *in = pcm.data() + 481 * f;
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, in, frame.data(), 481, c.type()), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc_other, in, frame_other.data(), 481, other), ZT_SUCCESS);
    const auto sent = frame;
    std::array<int16_t, 481> out{}, out_other{};
    int16_t count = 0, count_other = 0;
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&dec, frame.data(), out.data(), c.type(), &count), ZT_SUCCESS);
    ASSERT_EQ(
        ZT_VOICE_DecodeFrame(&dec_other, frame_other.data(), out_other.data(), other, &count_other),
        ZT_SUCCESS);
    EXPECT_EQ(frame, sent) << "the decoder wrote to the frame";
    EXPECT_EQ(count, 480);
    EXPECT_EQ(out, out_other);
    EXPECT_EQ(WordsOf(dec), WordsOf(enc)) << "frame " << f;
  }
}

// Decoding MSB-first directly gives what converting the payload to LSB-first
// and unpacking it gives, for random payloads of every accepted length.
TEST_P(FramesOfType, DecoderEqualsConvertThenUnpack) {
  const TypeCase c = GetParam();
  const int b = c.width.bits;
  std::mt19937 rng(zt_g726_test::TestSeed());
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << zt_g726_test::TestSeed());
  for (int length = 5 * b; length <= 30 * b; length += 5 * b) {
    std::array<uint8_t, 484> frame{};
    frame[1] = 0x01;
    frame[2] = static_cast<uint8_t>(length);
    for (int i = 0; i < 2 * length; ++i) frame[4 + i] = static_cast<uint8_t>(rng());
    ZT_VOICE_STATE dec, ref;
    ASSERT_EQ(ZT_VOICE_DecReset(&dec, c.type()), ZT_SUCCESS);
    zt::G726_Reset(ref, b);
    std::array<int16_t, 481> out{}, expected{};
    int16_t count = 0;
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&dec, frame.data(), out.data(), c.type(), &count), ZT_SUCCESS);
    ASSERT_EQ(count, 16 * length / b);
    std::array<uint8_t, 484> copy = frame;
    if (c.msb_first) {
      ASSERT_EQ(zt::G726_MsbToLsb(copy.data() + 4, b, 2 * length), 0);
    }
    zt::G726_DecodeBlock(ref, copy.data() + 4, expected.data(), 2 * length,
                         zt::G726Order::kLsbFirst);
    EXPECT_EQ(out, expected) << "L=" << length;
    EXPECT_EQ(WordsOf(dec), WordsOf(ref));
  }
}

INSTANTIATE_TEST_SUITE_P(Types, FramesOfType, testing::ValuesIn(AllTypes()), TypeCaseName{});

// The accepted lengths of each width and nothing else.
TEST(G726LengthRule, AcceptsWholeBlocksOf80Samples) {
  const std::array<std::array<int, 6>, 4> accepted{{
      {10, 20, 30, 40, 50, 60},
      {15, 30, 45, 60, 75, 90},
      {20, 40, 60, 80, 100, 120},
      {25, 50, 75, 100, 125, 150},
  }};
  for (int b = 2; b <= 5; ++b) {
    const auto &list = accepted[b - 2];
    for (int length = 1; length <= 255; ++length) {
      const auto it = std::find(list.begin(), list.end(), length);
      const int expected = it == list.end() ? -1 : 80 * static_cast<int>(1 + (it - list.begin()));
      EXPECT_EQ(zt::G726_DecodedSamples(length, b), expected) << "b " << b << " L " << length;
    }
  }
  // Through the entry point, the high byte of the length word is not read.
  std::array<uint8_t, 4 + 2 * 255> frame{};
  frame[1] = 0x01;
  frame[2] = 0x0A;
  frame[3] = 0x01;
  ZT_VOICE_STATE state;
  ASSERT_EQ(ZT_VOICE_DecReset(&state, ZT_VOICE_G726_16K), ZT_SUCCESS);
  std::array<int16_t, 481> out{};
  int16_t count = -1;
  EXPECT_EQ(ZT_VOICE_DecodeFrame(&state, frame.data(), out.data(), ZT_VOICE_G726_16K, &count),
            ZT_SUCCESS);
  EXPECT_EQ(count, 80);
}

// A block that is not a G.726 state for the type is refused after all other
// checks, with nothing written and the decoder's count 0.
TEST(G726StateCheck, RefusesBlocksThatDoNotSuitTheType) {
  struct Case {
    const char *name;
    int type;
    std::function<void(ZT_VOICE_STATE &)> prepare;
  };
  const std::vector<Case> cases{
      {"NeverReset", ZT_VOICE_G726_32K, [](ZT_VOICE_STATE &s) { std::memset(&s, 0xA5, sizeof s); }},
      {"Zeroed", ZT_VOICE_G726_16K, [](ZT_VOICE_STATE &s) { std::memset(&s, 0, sizeof s); }},
      {"OtherRate", ZT_VOICE_G726_40K_MSB,
       [](ZT_VOICE_STATE &s) { ZT_VOICE_EncReset(&s, ZT_VOICE_G726_32K); }},
      {"OtherRateSameOrder", ZT_VOICE_G726_24K,
       [](ZT_VOICE_STATE &s) { ZT_VOICE_EncReset(&s, ZT_VOICE_G726_16K); }},
      {"AdpcmAfterG726", ZT_VOICE_G726_24K_MSB,
       [](ZT_VOICE_STATE &s) {
         ZT_VOICE_EncReset(&s, ZT_VOICE_G726_24K);
         ZT_VOICE_EncReset(&s, ZT_VOICE_ADPCM);
       }},
      {"CodingNot2", ZT_VOICE_G726_32K,
       [](ZT_VOICE_STATE &s) {
         ZT_VOICE_EncReset(&s, ZT_VOICE_G726_32K);
         s.opaque[0] = 1;
       }},
  };
  std::array<uint8_t, 484> marked;
  marked.fill(kMarker);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ZT_VOICE_STATE state;
    c.prepare(state);
    const ZT_VOICE_STATE before = state;
    const std::vector<int16_t> pcm = TestSignal(160);
    std::array<uint8_t, 484> frame;
    frame.fill(kMarker);
    EXPECT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), 160, c.type),
              ZT_ERR_VOICE_ENC_TYPE);
    EXPECT_EQ(frame, marked);
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);

    // A 160-sample frame, which the length rule accepts, so only the block is wrong.
    const int b = (c.type & 7) - 2;  // types 4..7 and 36..39
    frame.fill(0x3C);
    frame[0] = 0x00;
    frame[1] = 0x01;
    frame[2] = static_cast<uint8_t>(10 * b);
    frame[3] = 0x00;
    const auto sent = frame;
    std::array<int16_t, 481> out;
    out.fill(0x5A5A);
    int16_t count = -1;
    EXPECT_EQ(ZT_VOICE_DecodeFrame(&state, frame.data(), out.data(), c.type, &count),
              ZT_ERR_VOICE_DEC_TYPE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(frame, sent);
    EXPECT_EQ(out[0], 0x5A5A);
    EXPECT_EQ(out[480], 0x5A5A);
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
  }
}

}  // namespace
