// Frames of types 3 and 35 through the entry points: documented frames, the
// state words a stream of frames carries, frames that decode on their own,
// and the parts of a received frame the decoder ignores or must tame.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_state.h"
#include "adpcm_test_util.h"
#include "zelt_voice_engine.h"

namespace {

using zt::AdpcmState;
using zt_test::AdpcmBlock;

constexpr AdpcmState kReset{0, 0};

struct Decoded {
  ZT_VOICE_RESULT result;
  std::vector<int16_t> pcm;  // the count's worth of samples
  AdpcmState end;
};

Decoded DecodeWith(ZT_VOICE_STATE state, const uint8_t *frame, int type) {
  std::array<int16_t, 481> out;
  out.fill(0x7777);
  int16_t count = -1;
  const ZT_VOICE_RESULT result = ZT_VOICE_DecodeFrame(&state, frame, out.data(), type, &count);
  return {result, std::vector<int16_t>(out.begin(), out.begin() + count),
          zt::ADPCM_LoadState(state)};
}

struct FrameCase {
  const char *name;
  int type;
  std::vector<int16_t> pcm;
  std::vector<uint8_t> frame;
  AdpcmState encoder_end;
  std::vector<int16_t> decoded;
  AdpcmState decoder_end;
};
void PrintTo(const FrameCase &c, std::ostream *os) {
  *os << c.name;
}

const FrameCase kFrameCases[] = {
    {"Adpcm5DropsTheFifth",
     ZT_VOICE_ADPCM,
     {0, 1000, -1000, 1000, -1000},
     {0x00, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0xF7},
     {-92, 32},
     {0, 11, -19, 44},
     {44, 24}},
    {"Lead5CarriesAll",
     ZT_VOICE_ADPCM_LEAD,
     {0, 1000, -1000, 1000, -1000},
     {0x00, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7, 0xF7},
     {-92, 32},
     {0, 11, -19, 44, -92},
     {-92, 32}},
    {"Adpcm1CarriesOnlyState",
     ZT_VOICE_ADPCM,
     {-5},
     {0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00},
     {-4, 0},
     {},
     kReset},
    {"Lead1CarriesTheSample",
     ZT_VOICE_ADPCM_LEAD,
     {-5},
     {0x00, 0x01, 0x02, 0x00, 0xFB, 0xFF, 0x00, 0x00},
     {-5, 0},
     {-5},
     {-5, 0}},
};

class DocumentedFrame : public testing::TestWithParam<FrameCase> {};

TEST_P(DocumentedFrame, EncodesAndDecodes) {
  const FrameCase &c = GetParam();
  ZT_VOICE_STATE enc = AdpcmBlock(kReset);
  std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
  ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, c.pcm.data(), frame.data(), static_cast<int>(c.pcm.size()),
                                 c.type),
            ZT_SUCCESS);
  EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + c.frame.size()), c.frame);
  EXPECT_EQ(zt::ADPCM_LoadState(enc), c.encoder_end);

  // The decoder block's old content plays no part.
  const Decoded d = DecodeWith(AdpcmBlock({12345, 77}), c.frame.data(), c.type);
  ASSERT_EQ(d.result, ZT_SUCCESS);
  EXPECT_EQ(d.pcm, c.decoded);
  EXPECT_EQ(d.end, c.decoder_end);
}

INSTANTIATE_TEST_SUITE_P(Documented, DocumentedFrame, testing::ValuesIn(kFrameCases),
                         zt_test::CaseName{});

class Stream : public testing::TestWithParam<int> {};

// A stream of frames of random sizes 1..481 from a reset: each frame carries
// the state it starts from (type 3: the encoder's state after every sample of
// the frame before, dropped ones included; type 35: the first sample and the
// running step index), and decodes, on its own and in any order, to what the
// encoder reconstructed for the samples it carries.
TEST_P(Stream, FramesCarryTheirStartAndDecodeAlone) {
  const int type = GetParam();
  const bool lead = type == ZT_VOICE_ADPCM_LEAD;
  const uint32_t seed = zt_test::TestSeed();
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << seed);
  std::mt19937 rng(seed);
  ZT_VOICE_STATE enc;
  ASSERT_EQ(ZT_VOICE_EncReset(&enc, type), ZT_SUCCESS);

  struct Sent {
    std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame;
    std::vector<int16_t> expected;
  };
  std::vector<Sent> sent;
  for (int f = 0; f < 60; ++f) {
    const int n = std::uniform_int_distribution<int>(1, ZT_VOICE_MAX_SAMPLES)(rng);
    SCOPED_TRACE(testing::Message() << "frame " << f << ", n " << n);
    const auto pcm = zt_test::RandomSignal(rng, n);
    AdpcmState start = zt::ADPCM_LoadState(enc);
    if (lead) start.predictor = pcm[0];
    const int coded = lead ? n - 1 : n;
    const auto ref = zt_test::ReconstructOneByOne(pcm.data() + (lead ? 1 : 0), coded, start);

    Sent s{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, pcm.data(), s.frame.data(), n, type), ZT_SUCCESS);
    const int words = coded / 4;
    ASSERT_EQ(s.frame[2], words + 2);
    ASSERT_EQ(static_cast<int16_t>(s.frame[4] | s.frame[5] << 8), start.predictor);
    ASSERT_EQ(s.frame[6], start.step_index);
    ASSERT_EQ(s.frame[7], 0);
    ASSERT_EQ(zt::ADPCM_LoadState(enc), ref.end) << "state must move over every sample";
    if (lead) s.expected.push_back(pcm[0]);
    s.expected.insert(s.expected.end(), ref.values.begin(), ref.values.begin() + 4 * words);
    sent.push_back(s);
  }
  // Newest first, into one block that keeps whatever the last frame left.
  ZT_VOICE_STATE dec;
  ASSERT_EQ(ZT_VOICE_DecReset(&dec, type), ZT_SUCCESS);
  for (std::size_t f = sent.size(); f-- > 0;) {
    const auto before = sent[f].frame;
    const Decoded d = DecodeWith(dec, sent[f].frame.data(), type);
    ASSERT_EQ(d.result, ZT_SUCCESS) << "frame " << f;
    ASSERT_EQ(d.pcm, sent[f].expected) << "frame " << f;
    ASSERT_EQ(sent[f].frame, before) << "frame " << f << " modified by the decoder";
    zt::ADPCM_StoreState(dec, d.end);
  }
}

INSTANTIATE_TEST_SUITE_P(Types, Stream, testing::Values(ZT_VOICE_ADPCM, ZT_VOICE_ADPCM_LEAD),
                         zt_test::AdpcmTypeName{});

// A received frame of L = 5 with codes and a valid start, for both types.
std::array<uint8_t, 14> ReceivedFrame() {
  return {0x00, 0x01, 0x05, 0x00, 0x10, 0xF0, 40, 0x00, 0x7F, 0x31, 0xC8, 0x05, 0x9A, 0x6E};
}

class Received : public testing::TestWithParam<int> {};

// The high bytes of the length and step index words take part in nothing.
TEST_P(Received, HighBytesOfLengthAndStepWordsIgnored) {
  const int type = GetParam();
  const auto plain = ReceivedFrame();
  const Decoded expected = DecodeWith(AdpcmBlock(kReset), plain.data(), type);
  ASSERT_EQ(expected.result, ZT_SUCCESS);
  ASSERT_EQ(expected.pcm.size(), type == ZT_VOICE_ADPCM ? 12u : 13u);
  for (const auto &[at, value] : {std::pair{3, 0x01}, std::pair{3, 0xFF}, std::pair{7, 0x80}}) {
    auto frame = plain;
    frame[at] = static_cast<uint8_t>(value);
    const Decoded d = DecodeWith(AdpcmBlock(kReset), frame.data(), type);
    EXPECT_EQ(d.result, ZT_SUCCESS) << "byte " << at;
    EXPECT_EQ(d.pcm, expected.pcm) << "byte " << at;
    EXPECT_EQ(d.end, expected.end) << "byte " << at;
  }
}

// A step index beyond the table, only possible in a damaged frame, decodes as
// the largest step instead of reading past the table.
TEST_P(Received, StepIndexAboveRangeDecodesAsLargest) {
  const int type = GetParam();
  auto frame = ReceivedFrame();
  frame[6] = 88;
  const Decoded largest = DecodeWith(AdpcmBlock(kReset), frame.data(), type);
  for (const int index : {89, 200, 255}) {
    frame[6] = static_cast<uint8_t>(index);
    const Decoded d = DecodeWith(AdpcmBlock(kReset), frame.data(), type);
    EXPECT_EQ(d.result, ZT_SUCCESS) << index;
    EXPECT_EQ(d.pcm, largest.pcm) << index;
    EXPECT_EQ(d.end, largest.end) << index;
  }
  // With no codes the index is only stored, and stored usable.
  frame[2] = 2;
  frame[6] = 200;
  const Decoded bare = DecodeWith(AdpcmBlock(kReset), frame.data(), type);
  ASSERT_EQ(bare.result, ZT_SUCCESS);
  ZT_VOICE_STATE raw = AdpcmBlock(kReset);
  int16_t count = 0;
  std::array<int16_t, 1> out{};
  ASSERT_EQ(ZT_VOICE_DecodeFrame(&raw, frame.data(), out.data(), type, &count), ZT_SUCCESS);
  EXPECT_EQ(reinterpret_cast<const uint8_t *>(&raw)[2], 88);
}

// L = 1 holds the first state word alone, no step index: refused, not guessed.
TEST_P(Received, LengthOneIsRefused) {
  const int type = GetParam();
  auto frame = ReceivedFrame();
  frame[2] = 1;
  ZT_VOICE_STATE state = AdpcmBlock({7, 7});
  const ZT_VOICE_STATE before = state;
  std::array<int16_t, 4> out;
  out.fill(0x7777);
  int16_t count = -1;
  EXPECT_EQ(ZT_VOICE_DecodeFrame(&state, frame.data(), out.data(), type, &count),
            ZT_ERR_VOICE_DEC_LENGTH);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
  for (const int16_t x : out) EXPECT_EQ(x, 0x7777);
}

INSTANTIATE_TEST_SUITE_P(Types, Received, testing::Values(ZT_VOICE_ADPCM, ZT_VOICE_ADPCM_LEAD),
                         zt_test::AdpcmTypeName{});

// A block that was never reset (step index byte above 88) encodes as if it
// held the largest step, and its frame says so.
TEST(AdpcmEncodeFrame, UnresetBlockStartsFromTheLargestStep) {
  const std::array<int16_t, 9> pcm{100, -20000, 32767, 4, 4, 4, -32768, 0, 9};
  for (const int type : {ZT_VOICE_ADPCM, ZT_VOICE_ADPCM_LEAD}) {
    ZT_VOICE_STATE wild;
    std::memset(&wild, 0xA5, sizeof wild);  // step index byte 0xA5 = 165
    ZT_VOICE_STATE largest = wild;
    zt::ADPCM_StoreState(largest, {static_cast<int16_t>(0xA5A5), 88});
    std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> a{}, b{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&wild, pcm.data(), a.data(), 9, type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&largest, pcm.data(), b.data(), 9, type), ZT_SUCCESS);
    EXPECT_EQ(a[6], 88) << type;
    EXPECT_EQ(a, b) << type;
    EXPECT_EQ(std::memcmp(&wild, &largest, sizeof wild), 0) << type;
  }
}

TEST(AdpcmSwapNibbles, SwapsTheFirstBytesOnly) {
  std::array<uint8_t, 3> codes{0x12, 0xAB, 0xF0};
  zt::ADPCM_SwapNibbles(codes.data(), 2);
  EXPECT_EQ(codes, (std::array<uint8_t, 3>{0x21, 0xBA, 0xF0}));
  // Counts read as signed 16-bit: these are 0 or negative and change nothing.
  for (const int n : {0, -1, 0x10000, 0x18000}) {
    zt::ADPCM_SwapNibbles(codes.data(), n);
    EXPECT_EQ(codes, (std::array<uint8_t, 3>{0x21, 0xBA, 0xF0})) << n;
  }
}

}  // namespace
