// The IMA ADPCM sample coder on runs of samples: documented code sequences,
// clamping, packing of odd counts, the encoder/decoder invariant, and the
// bytes of the state block it must leave alone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <vector>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_state.h"
#include "adpcm_test_util.h"
#include "zelt_voice_engine.h"

namespace {

using zt::AdpcmState;
using zt_test::AdpcmBlock;

constexpr AdpcmState kReset{0, 0};
constexpr uint8_t kCanary = 0xEE;

struct EncodeCase {
  const char *name;
  AdpcmState start;
  std::vector<int16_t> pcm;
  std::vector<uint8_t> codes;
  AdpcmState end;
};
void PrintTo(const EncodeCase &c, std::ostream *os) {
  *os << c.name;
}

std::vector<uint8_t> FullScaleCodes() {
  // Ten codes 7, then code 2, then 29 codes 0.
  std::vector<uint8_t> codes(20, 0x00);
  for (int k = 0; k < 5; ++k) codes[k] = 0x77;
  codes[5] = 0x20;
  return codes;
}

const EncodeCase kEncodeCases[] = {
    {"SilenceStaysAtRest", kReset, {0, 0, 0, 0, 0}, {0x00, 0x00, 0x00}, kReset},
    {"StepUp", kReset, {1000, 1000, 1000, 1000}, {0x77, 0x77}, {240, 32}},
    {"OddCountPadsLowNibble", kReset, {1000, -1000, 1000}, {0x7F, 0x70}, {44, 24}},
    {"FullScaleSettles", kReset, std::vector<int16_t>(40, 32767), FullScaleCodes(), {32767, 50}},
};

class Encode : public testing::TestWithParam<EncodeCase> {};

TEST_P(Encode, CodesAndEndState) {
  const EncodeCase &c = GetParam();
  ZT_VOICE_STATE state = AdpcmBlock(c.start);
  std::vector<uint8_t> codes(c.codes.size() + 4, kCanary);
  zt::ADPCM_EncodeBlock(c.pcm.data(), codes.data(), static_cast<int>(c.pcm.size()), state);
  EXPECT_EQ(std::vector<uint8_t>(codes.begin(), codes.begin() + c.codes.size()), c.codes);
  for (std::size_t k = c.codes.size(); k < codes.size(); ++k) EXPECT_EQ(codes[k], kCanary) << k;
  EXPECT_EQ(zt::ADPCM_LoadState(state), c.end);
}

INSTANTIATE_TEST_SUITE_P(Documented, Encode, testing::ValuesIn(kEncodeCases), zt_test::CaseName{});

struct DecodeCase {
  const char *name;
  AdpcmState start;
  std::vector<uint8_t> codes;
  std::vector<int16_t> pcm;
  AdpcmState end;
};
void PrintTo(const DecodeCase &c, std::ostream *os) {
  *os << c.name;
}

const DecodeCase kDecodeCases[] = {
    {"StepUp", kReset, {0x77, 0x77}, {11, 41, 104, 240}, {240, 32}},
    {"ClampsHigh", {0, 88}, {0x77, 0x70}, {32767, 32767, 32767}, {32767, 88}},
    {"ClampsLow", {0, 88}, {0xFF, 0xF0}, {-32768, -32768, -32768}, {-32768, 88}},
    {"SignAloneMovesDown", {0, 88}, {0x80}, {-4095}, {-4095, 87}},
    {"SmallestStepHolds", {100, 0}, {0x80, 0x80}, {100, 100, 100}, {100, 0}},
};

class Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, SamplesAndEndState) {
  const DecodeCase &c = GetParam();
  ZT_VOICE_STATE state = AdpcmBlock(c.start);
  std::vector<int16_t> pcm(c.pcm.size() + 4, 0x7777);
  zt::ADPCM_DecodeBlock(c.codes.data(), pcm.data(), static_cast<int>(c.pcm.size()), state);
  EXPECT_EQ(std::vector<int16_t>(pcm.begin(), pcm.begin() + c.pcm.size()), c.pcm);
  for (std::size_t i = c.pcm.size(); i < pcm.size(); ++i) EXPECT_EQ(pcm[i], 0x7777) << i;
  EXPECT_EQ(zt::ADPCM_LoadState(state), c.end);
}

INSTANTIATE_TEST_SUITE_P(Documented, Decode, testing::ValuesIn(kDecodeCases), zt_test::CaseName{});

TEST(AdpcmBlock, EmptyOrNegativeCountDoesNothing) {
  for (const int count : {0, -1, -481, INT16_MIN}) {
    const ZT_VOICE_STATE before = AdpcmBlock({-1234, 40});
    ZT_VOICE_STATE state = before;
    const std::array<int16_t, 4> pcm{1, 2, 3, 4};
    std::array<uint8_t, 4> codes;
    codes.fill(kCanary);
    std::array<int16_t, 4> out{};
    out.fill(0x7777);
    zt::ADPCM_EncodeBlock(pcm.data(), codes.data(), count, state);
    zt::ADPCM_DecodeBlock(codes.data(), out.data(), count, state);
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0) << count;
    for (const uint8_t b : codes) EXPECT_EQ(b, kCanary) << count;
    for (const int16_t x : out) EXPECT_EQ(x, 0x7777) << count;
  }
}

// Reset and coding write bytes 0-2 of the block and nothing else.
TEST(AdpcmBlock, TouchesOnlyItsThreeBytes) {
  ZT_VOICE_STATE state;
  std::memset(&state, 0xA5, sizeof state);
  zt::ADPCM_Reset(state);
  const auto *bytes = reinterpret_cast<const uint8_t *>(&state);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(bytes[2], 0);
  std::mt19937 rng(1);
  const auto pcm = zt_test::RandomSignal(rng, 481);
  std::array<uint8_t, 241> codes{};
  std::array<int16_t, 481> out{};
  zt::ADPCM_EncodeBlock(pcm.data(), codes.data(), 481, state);
  zt::ADPCM_DecodeBlock(codes.data(), out.data(), 481, state);
  for (std::size_t k = zt::kAdpcmStoredBytes; k < sizeof state; ++k) {
    EXPECT_EQ(bytes[k], 0xA5) << "byte " << k;
  }
}

// A step index that no reset or coder produces (a block never reset) is
// coded as the largest step, never read past the table.
TEST(AdpcmBlock, StepIndexAboveRangeActsAsLargest) {
  const std::array<int16_t, 6> pcm{0, 30000, -30000, 5, 5, -32768};
  const auto wild_block = [](int index) {
    ZT_VOICE_STATE state = AdpcmBlock({0, 88});
    reinterpret_cast<uint8_t *>(&state)[2] = static_cast<uint8_t>(index);
    return state;
  };
  for (const int index : {89, 127, 255}) {
    ZT_VOICE_STATE wild = wild_block(index);
    ZT_VOICE_STATE largest = AdpcmBlock({0, 88});
    std::array<uint8_t, 3> a{}, b{};
    zt::ADPCM_EncodeBlock(pcm.data(), a.data(), 6, wild);
    zt::ADPCM_EncodeBlock(pcm.data(), b.data(), 6, largest);
    EXPECT_EQ(a, b) << index;
    EXPECT_EQ(zt::ADPCM_LoadState(wild), zt::ADPCM_LoadState(largest)) << index;

    wild = wild_block(index);
    largest = AdpcmBlock({0, 88});
    std::array<int16_t, 6> x{}, y{};
    zt::ADPCM_DecodeBlock(a.data(), x.data(), 6, wild);
    zt::ADPCM_DecodeBlock(a.data(), y.data(), 6, largest);
    EXPECT_EQ(x, y) << index;
  }
}

// Decoding an encoded run from the encoder's start state gives exactly what
// the encoder reconstructed and ends where it ended, for every count; one
// call over the run equals one call per sample, two codes to a byte, high
// nibble first, and an odd count neither writes nor reads the last low nibble.
TEST(AdpcmBlock, DecoderFollowsEncoderForEveryCount) {
  const uint32_t seed = zt_test::TestSeed();
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << seed);
  std::mt19937 rng(seed);
  for (int count = 1; count <= ZT_VOICE_MAX_SAMPLES; ++count) {
    SCOPED_TRACE(testing::Message() << "count " << count);
    const AdpcmState start{std::uniform_int_distribution<int>(INT16_MIN, INT16_MAX)(rng),
                           std::uniform_int_distribution<int>(0, 88)(rng)};
    const auto pcm = zt_test::RandomSignal(rng, count);
    const auto ref = zt_test::ReconstructOneByOne(pcm.data(), count, start);

    const std::size_t nbytes = static_cast<std::size_t>(count + 1) / 2;
    std::vector<uint8_t> codes(nbytes + 1, kCanary);
    ZT_VOICE_STATE enc = AdpcmBlock(start);
    zt::ADPCM_EncodeBlock(pcm.data(), codes.data(), count, enc);
    ASSERT_EQ(codes[nbytes], kCanary) << "wrote past (count + 1) / 2 bytes";
    for (int i = 0; i < count; ++i) {
      const int code = (i & 1) ? codes[i / 2] & 15 : codes[i / 2] >> 4;
      ASSERT_EQ(code, ref.codes[i]) << "sample " << i;
    }
    if (count & 1) {
      ASSERT_EQ(codes[nbytes - 1] & 15, 0) << "odd count: low nibble not 0";
    }
    ASSERT_EQ(zt::ADPCM_LoadState(enc), ref.end);

    if (count & 1) codes[nbytes - 1] |= 0x0F;  // must not be read
    std::vector<int16_t> out(static_cast<std::size_t>(count) + 1, 0x7777);
    ZT_VOICE_STATE dec = AdpcmBlock(start);
    zt::ADPCM_DecodeBlock(codes.data(), out.data(), count, dec);
    ASSERT_EQ(std::vector<int16_t>(out.begin(), out.end() - 1), ref.values);
    ASSERT_EQ(out.back(), 0x7777) << "wrote past count samples";
    ASSERT_EQ(zt::ADPCM_LoadState(dec), ref.end);
  }
}

}  // namespace
