// The G.726 sample coder at every width: documented code words and samples,
// silence, encoder and decoder states in step, and the bounds that hold for
// any code sequence and any corrupt state.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "g726/g726.h"
#include "g726_test_util.h"

namespace {

using zt_g726_test::kWidths;
using zt_g726_test::Width;
using zt_g726_test::Words;
using zt_g726_test::WordsOf;

ZT_VOICE_STATE ResetState(int bits) {
  ZT_VOICE_STATE state;
  zt::G726_Reset(state, bits);
  return state;
}

std::vector<int> Decode(int bits, const std::vector<int> &codes) {
  ZT_VOICE_STATE state = ResetState(bits);
  std::vector<int> out;
  for (const int c : codes) out.push_back(zt::G726_DecodeCode(state, c));
  return out;
}

// A loud 1 kHz tone, which drives a2 below the tone threshold, then steps to
// +-30000, which are transitions while the tone flag is still set.
std::vector<int16_t> ToneThenSteps() {
  std::vector<int16_t> pcm;
  for (int i = 0; i < 2000; ++i) {
    pcm.push_back(static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * i / 8))));
  }
  pcm.insert(pcm.end(), 1000, 30000);
  pcm.insert(pcm.end(), 1000, -30000);
  return pcm;
}

class CoderAtWidth : public testing::TestWithParam<Width> {};

// The largest positive code word six times from a reset.
TEST_P(CoderAtWidth, LargestPositiveCodeRun) {
  const int bits = GetParam().bits;
  const std::array<std::vector<int>, 4> expected{{
      {60, 64, 72, 80, 100, 124},
      {60, 72, 80, 92, 120, 152},
      {88, 104, 128, 192, 260, 416},
      {188, 212, 244, 308, 404, 524},
  }};
  const int largest = (1 << (bits - 1)) - 1;
  EXPECT_EQ(Decode(bits, std::vector<int>(6, largest)), expected[bits - 2]);
}

// 0, 7071, 10000, 7071, 0, -7071, -10000, -7071, twice, encoded from a reset
// and the code words decoded from a reset.
TEST_P(CoderAtWidth, OneKilohertzSine) {
  const int bits = GetParam().bits;
  struct Expected {
    std::vector<int> codes;
    std::vector<int> out;
  };
  const std::array<Expected, 4> table{{
      {{0, 1, 1, 1, 3, 2, 2, 2, 0, 1, 1, 1, 3, 2, 2, 2},
       {12, 60, 68, 80, -16, -76, -104, -136, 28, 140, 244, 436, -96, -584, -1056, -1804}},
      {{7, 3, 3, 3, 7, 4, 4, 4, 7, 3, 3, 3, 7, 4, 4, 4},
       {0, 60, 76, 92, 0, -88, -128, -196, -12, 212, 416, 852, 88, -1420, -3000, -5740}},
      {{15, 7, 7, 7, 15, 8, 8, 8, 15, 7, 7, 5, 14, 10, 9, 12},
       {0, 88, 120, 172, 8, -148, -332, -692, -60, 876, 3136, 7264, -564, -6756, -10320, -6776}},
      {{31, 15, 15, 15, 30, 16, 16, 16, 2, 15, 15, 15, 29, 17, 19, 24},
       {0, 188, 228, 276, 4, -244, -428, -684, -4, 820, 1780, 4060, 24, -7068, -10404, -6832}},
  }};
  const std::array<int16_t, 8> period{0, 7071, 10000, 7071, 0, -7071, -10000, -7071};
  ZT_VOICE_STATE enc = ResetState(bits);
  std::vector<int> codes;
  for (int i = 0; i < 16; ++i) codes.push_back(zt::G726_EncodeSample(enc, period[i % 8]));
  EXPECT_EQ(codes, table[bits - 2].codes);
  EXPECT_EQ(Decode(bits, codes), table[bits - 2].out);
}

TEST_P(CoderAtWidth, Silence) {
  const int bits = GetParam().bits;
  ZT_VOICE_STATE enc = ResetState(bits);
  ZT_VOICE_STATE dec = ResetState(bits);
  std::vector<int> codes, out;
  for (int i = 0; i < 2000; ++i) {
    codes.push_back(zt::G726_EncodeSample(enc, 0));
    out.push_back(zt::G726_DecodeCode(dec, codes.back()));
  }
  if (bits > 2) {
    // The all-ones code word (a negative zero) throughout, decoded as 0.
    EXPECT_EQ(codes, std::vector<int>(codes.size(), (1 << bits) - 1));
    EXPECT_EQ(out, std::vector<int>(out.size(), 0));
    EXPECT_EQ(Decode(bits, {0}), std::vector<int>{0});
    return;
  }
  // 2 bits have no zero level: code word 0 decodes to 12 for the first 22
  // samples; then the predictor's growth makes code word 3 appear now and then.
  EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 22), std::vector<int>(22, 0));
  EXPECT_EQ(std::vector<int>(out.begin(), out.begin() + 22), std::vector<int>(22, 12));
  EXPECT_EQ(codes[22], 3);
  EXPECT_EQ(std::set<int>(codes.begin(), codes.end()), (std::set<int>{0, 3}));
  EXPECT_EQ(std::set<int>(out.begin(), out.begin() + 200), (std::set<int>{-8, -4, 0, 8, 12}));
}

TEST_P(CoderAtWidth, LowTwoBitsOfTheSampleDoNotMatter) {
  const int bits = GetParam().bits;
  for (const auto &[x, y] : {std::pair<int16_t, int16_t>{4, 7}, {-1, -4}, {-32768, -32765}}) {
    ZT_VOICE_STATE a = ResetState(bits), b = ResetState(bits);
    for (int i = 0; i < 20; ++i) {
      ASSERT_EQ(zt::G726_EncodeSample(a, x), zt::G726_EncodeSample(b, y));
      ASSERT_EQ(WordsOf(a), WordsOf(b));
    }
  }
}

TEST_P(CoderAtWidth, BitsAboveTheCodeWordAreIgnored) {
  const int bits = GetParam().bits;
  if (bits == 4) {
    EXPECT_EQ(Decode(4, {24, 24, 24}), (std::vector<int>{-88, -104, -128}));
    EXPECT_EQ(Decode(4, {8, 8, 8}), (std::vector<int>{-88, -104, -128}));
  }
  std::mt19937 rng(zt_g726_test::TestSeed());
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << zt_g726_test::TestSeed());
  ZT_VOICE_STATE plain = ResetState(bits), high = ResetState(bits);
  for (int i = 0; i < 2000; ++i) {
    const int code = static_cast<int>(rng() % (1u << bits));
    const int noisy = code | static_cast<int>(rng() & ~((1u << bits) - 1));
    ASSERT_EQ(zt::G726_DecodeCode(high, noisy), zt::G726_DecodeCode(plain, code)) << i;
    ASSERT_EQ(WordsOf(high), WordsOf(plain)) << i;
  }
}

// The decoder repeats every state update of the encoder from the code words
// alone, including the tone flag, the transitions and the resets they force.
TEST_P(CoderAtWidth, EncoderAndDecoderStatesEqualThroughToneAndTransitions) {
  const int bits = GetParam().bits;
  ZT_VOICE_STATE enc = ResetState(bits), dec = ResetState(bits);
  int tone_samples = 0;
  int transitions = 0;
  for (const int16_t x : ToneThenSteps()) {
    const Words before = WordsOf(enc);
    zt::G726_DecodeCode(dec, zt::G726_EncodeSample(enc, x));
    const Words after = WordsOf(enc);
    ASSERT_EQ(after, WordsOf(dec));
    tone_samples += after[23];
    // A transition: the tone flag was set, now all eight coefficients and
    // the flag are 0 and ap is 256.
    bool zeroed = after[2] == 0 && after[3] == 0 && after[23] == 0 && after[4] == 256;
    for (int i = 5; i <= 10; ++i) zeroed = zeroed && after[i] == 0;
    transitions += (before[23] == 1 && zeroed) ? 1 : 0;
  }
  EXPECT_GT(tone_samples, 100) << "the tone detector never fired";
  EXPECT_GE(transitions, 1) << "no transition was detected";
}

// Whatever the code words, the decoder's output is a multiple of 4 in
// -32768..32764 and every state word stays in its range.
TEST_P(CoderAtWidth, ExtremeCodeSequencesStayInBounds) {
  const int bits = GetParam().bits;
  const int half = 1 << (bits - 1);
  const int largest_pos = half - 1;
  const int largest_neg = half;  // sign set, magnitude index half - 1
  std::mt19937 rng(zt_g726_test::TestSeed());
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << zt_g726_test::TestSeed());
  const std::array<std::function<int(int)>, 5> patterns{
      [&](int) { return largest_pos; },
      [&](int) { return largest_neg; },
      [&](int i) { return i % 2 == 0 ? largest_pos : largest_neg; },
      [&](int i) { return (i / 3) % 2 == 0 ? largest_pos : largest_neg; },
      [&](int) { return static_cast<int>(rng() % (2u * half)); },
  };
  for (std::size_t p = 0; p < patterns.size(); ++p) {
    SCOPED_TRACE(testing::Message() << "pattern " << p);
    ZT_VOICE_STATE dec = ResetState(bits);
    for (int i = 0; i < 3000; ++i) {
      const int out = zt::G726_DecodeCode(dec, patterns[p](i));
      ASSERT_TRUE(out >= -32768 && out <= 32764 && out % 4 == 0) << out << " at " << i;
      zt_g726_test::ExpectWordsInRange(WordsOf(dec), bits);
      if (testing::Test::HasFailure()) return;
    }
  }
}

TEST_P(CoderAtWidth, RunsOfTheLargestCodeWordsReachFullScale) {
  const int bits = GetParam().bits;
  const int half = 1 << (bits - 1);
  const std::vector<int> up = Decode(bits, std::vector<int>(20, half - 1));
  const std::vector<int> down = Decode(bits, std::vector<int>(20, half));
  EXPECT_EQ(up.back(), 32764);
  EXPECT_EQ(down.back(), -32768);
}

// At 2 bits the alternating sequence 1, 2, 1, 2, ... drives sr beyond 16 bits
// around its 39th code word; FLOATB keeps sr1 a value of the 11-bit format.
TEST(G726Coder, ReconstructionBeyondSixteenBitsKeepsTheFormat) {
  ZT_VOICE_STATE dec = ResetState(2);
  int saturated = 0;
  for (int i = 0; i < 200; ++i) {
    const int out = zt::G726_DecodeCode(dec, i % 2 == 0 ? 1 : 2);
    saturated += (out == 32764 || out == -32768) ? 1 : 0;
    const Words w = WordsOf(dec);
    ASSERT_TRUE(w[21] >= 0 && w[21] <= 2047) << "sr1 " << w[21] << " at " << i;
    ASSERT_TRUE(w[19] == 0 || w[19] == -1) << "pk1 " << w[19] << " at " << i;
  }
  EXPECT_GT(saturated, 0);
}

// Words 0 and 1 valid, the others anything: the coder stays in bounds (the
// sanitizer build checks shifts, overflow and indices) and the block leaves
// every call with its words in range.
TEST_P(CoderAtWidth, CorruptStateWordsStayInBounds) {
  const int bits = GetParam().bits;
  std::mt19937 rng(zt_g726_test::TestSeed());
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << zt_g726_test::TestSeed());
  for (int trial = 0; trial < 200; ++trial) {
    Words words;
    for (auto &w : words) {
      // Mix huge values with values just outside the documented ranges.
      w = trial % 2 == 0 ? static_cast<int32_t>(rng())
                         : static_cast<int32_t>(rng() % 800000) - 400000;
    }
    words[0] = 2;
    words[1] = bits;
    ZT_VOICE_STATE enc = zt_g726_test::StateOf(words);
    ZT_VOICE_STATE dec = enc;
    for (int i = 0; i < 8; ++i) {
      const int code = zt::G726_EncodeSample(enc, static_cast<int16_t>(rng()));
      ASSERT_TRUE(code >= 0 && code < (1 << bits));
      const int out = zt::G726_DecodeCode(dec, static_cast<int>(rng()));
      ASSERT_TRUE(out >= -32768 && out <= 32764 && out % 4 == 0) << out;
    }
    zt_g726_test::ExpectWordsInRange(WordsOf(enc), bits);
    zt_g726_test::ExpectWordsInRange(WordsOf(dec), bits);
    if (testing::Test::HasFailure()) return;
  }
}

TEST(G726Coder, InvalidWidthLeavesTheBlockUntouched) {
  ZT_VOICE_STATE state = ResetState(4);
  Words words = WordsOf(state);
  words[1] = 6;
  state = zt_g726_test::StateOf(words);
  EXPECT_EQ(zt::G726_EncodeSample(state, 1000), 0);
  EXPECT_EQ(zt::G726_DecodeCode(state, 3), 0);
  EXPECT_EQ(WordsOf(state), words);
}

TEST(G726Coder, CodeSampleIsTheCommonStep) {
  ZT_VOICE_STATE a = ResetState(3), b = ResetState(3);
  for (int i = 0; i < 50; ++i) {
    const auto x = static_cast<int16_t>(i * 1234);
    ASSERT_EQ(zt::G726_CodeSample(a, x, 1), zt::G726_EncodeSample(b, x));
    ASSERT_EQ(zt::G726_CodeSample(a, i, 0), zt::G726_DecodeCode(b, i));
  }
  EXPECT_EQ(WordsOf(a), WordsOf(b));
}

INSTANTIATE_TEST_SUITE_P(Widths, CoderAtWidth, testing::ValuesIn(kWidths),
                         zt_g726_test::WidthName{});

}  // namespace
