// G.726 code-word packing: the two bit orders against the documented byte
// examples and a bit-by-bit reference, the in-place conversions, and the
// block coders' byte counts and tails.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "g726/g726.h"
#include "g726_test_util.h"

namespace {

using zt::G726Order;
using zt_g726_test::kWidths;
using zt_g726_test::PackBits;
using zt_g726_test::Width;
using zt_g726_test::WordsOf;

struct ByteExample {
  int bits;
  std::vector<int> codes;
  std::vector<uint8_t> lsb;
  std::vector<uint8_t> msb;
};

const std::array<ByteExample, 5> kExamples{{
    {3, {1, 2, 3, 4, 5, 6, 7, 0}, {0xd1, 0x58, 0x1f}, {0x29, 0xcb, 0xb8}},
    {5, {1, 2, 3, 4, 5, 6, 7, 8}, {0x41, 0x0c, 0x52, 0xcc, 0x41}, {0x08, 0x86, 0x42, 0x98, 0xe8}},
    {5,
     {17, 2, 31, 0, 21, 10, 19, 12},
     {0x51, 0x7c, 0x50, 0xd5, 0x64},
     {0x88, 0xbe, 0x0a, 0xaa, 0x6c}},
    // 2 bits reverse the four fields of a byte, 4 bits swap the nibbles.
    {2, {3, 2, 1, 0}, {0x1b}, {0xe4}},
    {4, {0xa, 0x5, 0x1, 0xf}, {0x5a, 0xf1}, {0xa5, 0x1f}},
}};

ZT_VOICE_STATE ResetState(int bits) {
  ZT_VOICE_STATE state;
  zt::G726_Reset(state, bits);
  return state;
}

TEST(G726Packing, ReferenceLayoutMatchesTheByteExamples) {
  for (const ByteExample &e : kExamples) {
    const int nbits = static_cast<int>(e.codes.size()) * e.bits;
    EXPECT_EQ(PackBits(e.codes, e.bits, false, nbits), e.lsb) << e.bits;
    EXPECT_EQ(PackBits(e.codes, e.bits, true, nbits), e.msb) << e.bits;
  }
  // 3 bits, third code (5 = 101): bits 0 and 1 in bits 6 and 7 of byte 0 and
  // bit 2 in bit 0 of byte 1; MSB-first bits 2 and 1 in bits 1 and 0 of byte 0
  // and bit 0 in bit 7 of byte 1.
  EXPECT_EQ(PackBits({0, 0, 5}, 3, false, 16), (std::vector<uint8_t>{0x40, 0x01}));
  EXPECT_EQ(PackBits({0, 0, 5}, 3, true, 16), (std::vector<uint8_t>{0x02, 0x80}));
}

TEST(G726Packing, ConversionsOfTheByteExamples) {
  for (const ByteExample &e : kExamples) {
    std::vector<uint8_t> bytes = e.lsb;
    const int n = static_cast<int>(bytes.size());
    ASSERT_EQ(zt::G726_LsbToMsb(bytes.data(), e.bits, n), 0);
    EXPECT_EQ(bytes, e.msb) << e.bits;
    ASSERT_EQ(zt::G726_MsbToLsb(bytes.data(), e.bits, n), 0);
    EXPECT_EQ(bytes, e.lsb) << e.bits;
  }
}

TEST(G726Packing, ConversionsAreExactInversesOrDecline) {
  std::mt19937 rng(zt_g726_test::TestSeed());
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << zt_g726_test::TestSeed());
  for (int b = 2; b <= 5; ++b) {
    for (int nbytes = 0; nbytes <= 40; ++nbytes) {
      std::vector<uint8_t> original(static_cast<std::size_t>(nbytes) + 2);
      for (auto &byte : original) byte = static_cast<uint8_t>(rng());
      std::vector<uint8_t> bytes = original;
      const int codes = 8 * nbytes / b;
      if (8 * nbytes % b != 0) {
        EXPECT_EQ(zt::G726_LsbToMsb(bytes.data(), b, nbytes), -1);
        EXPECT_EQ(zt::G726_MsbToLsb(bytes.data(), b, nbytes), -1);
        EXPECT_EQ(bytes, original) << "declined conversion changed bytes";
        continue;
      }
      ASSERT_EQ(zt::G726_LsbToMsb(bytes.data(), b, nbytes), 0);
      // The same codes in the other order, and nothing beyond nbytes touched.
      EXPECT_EQ(zt_g726_test::UnpackBits(bytes.data(), b, true, codes),
                zt_g726_test::UnpackBits(original.data(), b, false, codes))
          << "b " << b << " nbytes " << nbytes;
      EXPECT_EQ(bytes[nbytes], original[nbytes]);
      ASSERT_EQ(zt::G726_MsbToLsb(bytes.data(), b, nbytes), 0);
      EXPECT_EQ(bytes, original) << "b " << b << " nbytes " << nbytes;
      ASSERT_EQ(zt::G726_MsbToLsb(bytes.data(), b, nbytes), 0);
      ASSERT_EQ(zt::G726_LsbToMsb(bytes.data(), b, nbytes), 0);
      EXPECT_EQ(bytes, original) << "b " << b << " nbytes " << nbytes;
    }
  }
  std::array<uint8_t, 2> two{0x12, 0x34};
  EXPECT_EQ(zt::G726_LsbToMsb(two.data(), 3, 2), -1);
  EXPECT_EQ(zt::G726_MsbToLsb(two.data(), 1, 2), -1);
  EXPECT_EQ(zt::G726_LsbToMsb(two.data(), 6, 2), -1);
  EXPECT_EQ(two, (std::array<uint8_t, 2>{0x12, 0x34}));
}

// Unpacking the examples gives their codes, in either order.
TEST(G726Packing, DecodeBlockUnpacksTheByteExamples) {
  for (const ByteExample &e : kExamples) {
    for (const G726Order order : {G726Order::kLsbFirst, G726Order::kMsbFirst}) {
      const std::vector<uint8_t> &bytes = order == G726Order::kLsbFirst ? e.lsb : e.msb;
      ZT_VOICE_STATE block = ResetState(e.bits), single = ResetState(e.bits);
      std::vector<int16_t> pcm(e.codes.size() + 1, 0x5A5A);
      zt::G726_DecodeBlock(block, bytes.data(), pcm.data(), static_cast<int>(bytes.size()), order);
      for (std::size_t k = 0; k < e.codes.size(); ++k) {
        EXPECT_EQ(pcm[k], zt::G726_DecodeCode(single, e.codes[k])) << "code " << k;
      }
      EXPECT_EQ(pcm.back(), 0x5A5A);
      EXPECT_EQ(WordsOf(block), WordsOf(single));
    }
  }
}

TEST(G726Packing, DecodeBlockIgnoresATailShorterThanACode) {
  // 3 bytes at 5 bits: 4 codes, the last 4 bits unread.
  const std::array<uint8_t, 3> bytes{0x41, 0x0c, 0x52};
  ZT_VOICE_STATE state = ResetState(5), single = ResetState(5);
  std::array<int16_t, 6> pcm;
  pcm.fill(0x5A5A);
  zt::G726_DecodeBlock(state, bytes.data(), pcm.data(), 3, G726Order::kLsbFirst);
  for (const int code : {1, 2, 3, 4}) zt::G726_DecodeCode(single, code);
  EXPECT_EQ(WordsOf(state), WordsOf(single));
  EXPECT_NE(pcm[3], 0x5A5A);
  EXPECT_EQ(pcm[4], 0x5A5A);
  // nbytes = 0 writes nothing and leaves the state as it was.
  const ZT_VOICE_STATE before = state;
  zt::G726_DecodeBlock(state, bytes.data(), pcm.data() + 5, 0, G726Order::kMsbFirst);
  EXPECT_EQ(pcm[5], 0x5A5A);
  EXPECT_EQ(WordsOf(state), WordsOf(before));
}

class PackingAtWidth : public testing::TestWithParam<Width> {};

// EncodeBlock against the reference layout of the codes that the sample
// coder gives, for every n up to 40: it writes exactly ((n & ~1) * b + 7) / 8
// bytes, with 0 above the last code, and the state moves over n & ~1 samples.
TEST_P(PackingAtWidth, EncodeBlockWritesTheReferenceLayout) {
  const int bits = GetParam().bits;
  std::mt19937 rng(zt_g726_test::TestSeed());
  SCOPED_TRACE(testing::Message() << "ZT_TEST_SEED=" << zt_g726_test::TestSeed());
  std::vector<int16_t> pcm(41);
  for (auto &x : pcm) x = static_cast<int16_t>(rng());
  for (const G726Order order : {G726Order::kLsbFirst, G726Order::kMsbFirst}) {
    for (int n = 0; n <= 41; ++n) {
      const int m = n & ~1;
      ZT_VOICE_STATE state = ResetState(bits), single = ResetState(bits);
      std::vector<int> codes;
      for (int k = 0; k < m; ++k) codes.push_back(zt::G726_EncodeSample(single, pcm[k]));
      std::vector<uint8_t> payload(40, 0xFF);
      zt::G726_EncodeBlock(state, pcm.data(), payload.data(), n, order);
      const int written = (m * bits + 7) / 8;
      std::vector<uint8_t> expected =
          PackBits(codes, bits, order == G726Order::kMsbFirst, 8 * written);
      expected.resize(payload.size(), 0xFF);
      EXPECT_EQ(payload, expected) << "n " << n;
      EXPECT_EQ(WordsOf(state), WordsOf(single)) << "n " << n;
    }
  }
}

TEST_P(PackingAtWidth, EncodeBlockOfOneOrThreeSamples) {
  const int bits = GetParam().bits;
  const std::array<int16_t, 3> pcm{1000, -2000, 3000};
  ZT_VOICE_STATE state = ResetState(bits);
  const ZT_VOICE_STATE fresh = state;
  std::array<uint8_t, 4> payload{0xEE, 0xEE, 0xEE, 0xEE};
  zt::G726_EncodeBlock(state, pcm.data(), payload.data(), 1, G726Order::kLsbFirst);
  EXPECT_EQ(WordsOf(state), WordsOf(fresh));
  EXPECT_EQ(payload, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
  zt::G726_EncodeBlock(state, pcm.data(), payload.data(), 3, G726Order::kLsbFirst);
  ZT_VOICE_STATE two = fresh;
  zt::G726_EncodeSample(two, pcm[0]);
  zt::G726_EncodeSample(two, pcm[1]);
  EXPECT_EQ(WordsOf(state), WordsOf(two));
}

INSTANTIATE_TEST_SUITE_P(Widths, PackingAtWidth, testing::ValuesIn(kWidths),
                         zt_g726_test::WidthName{});

}  // namespace
