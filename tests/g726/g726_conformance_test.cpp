// The ITU-T G.726 Appendix II digital test sequences through the entry points.
// Each G.711 input word is expanded with this library's G.711 tables (which
// hold 4 x the Recommendation's 14-bit sample), coded from a reset as one
// stream, and the code words read back out of the payloads in the type's bit
// order are compared with the reference code words.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "g711/g711.h"
#include "g726_test_util.h"
#include "support/vectors.h"
#include "zelt_voice_engine.h"

namespace {

using zt_g726_test::kWidths;
using zt_g726_test::Width;
using zt_g726_test::WordsOf;

struct VectorCase {
  const char *name;
  const char *input;     // G.711 codes
  const char *expected;  // G.726 code words from a reset
  int bits;
  bool mu_law;
  int exact;  // leading code words that must match; -1 for all
};

// rv40fa.i and rv40fm.i: the overload input makes the Recommendation's 16-bit
// sum of the predictor products wrap (first at words 725 and 462), where this
// library keeps the full sum; the code words before agree exactly.
const std::array<VectorCase, 16> kVectors{{
    {"rn16fa", "g726/nrm.a", "g726/rn16fa.i", 2, false, -1},
    {"rn16fm", "g726/nrm.m", "g726/rn16fm.i", 2, true, -1},
    {"rn24fa", "g726/nrm.a", "g726/rn24fa.i", 3, false, -1},
    {"rn24fm", "g726/nrm.m", "g726/rn24fm.i", 3, true, -1},
    {"rn32fa", "g726/nrm.a", "g726/rn32fa.i", 4, false, -1},
    {"rn32fm", "g726/nrm.m", "g726/rn32fm.i", 4, true, -1},
    {"rn40fa", "g726/nrm.a", "g726/rn40fa.i", 5, false, -1},
    {"rn40fm", "g726/nrm.m", "g726/rn40fm.i", 5, true, -1},
    {"rv16fa", "g726/ovr.a", "g726/rv16fa.i", 2, false, -1},
    {"rv16fm", "g726/ovr.m", "g726/rv16fm.i", 2, true, -1},
    {"rv24fa", "g726/ovr.a", "g726/rv24fa.i", 3, false, -1},
    {"rv24fm", "g726/ovr.m", "g726/rv24fm.i", 3, true, -1},
    {"rv32fa", "g726/ovr.a", "g726/rv32fa.i", 4, false, -1},
    {"rv32fm", "g726/ovr.m", "g726/rv32fm.i", 4, true, -1},
    {"rv40fa", "g726/ovr.a", "g726/rv40fa.i", 5, false, 725},
    {"rv40fm", "g726/ovr.m", "g726/rv40fm.i", 5, true, 462},
}};

struct ConformanceCase {
  VectorCase vector;
  bool msb_first;
  int type() const {
    const Width &w = kWidths[vector.bits - 2];
    return msb_first ? w.msb_type : w.lsb_type;
  }
};

void PrintTo(const ConformanceCase &c, std::ostream *os) {
  *os << c.vector.expected << " as type " << c.type();
}

std::vector<ConformanceCase> Cases(bool exact_only) {
  std::vector<ConformanceCase> cases;
  for (const VectorCase &v : kVectors) {
    if (exact_only && v.exact >= 0) continue;
    for (const bool msb : {false, true}) cases.push_back({v, msb});
  }
  return cases;
}

struct CaseName {
  std::string operator()(const testing::TestParamInfo<ConformanceCase> &info) const {
    return std::string(info.param.vector.name) + (info.param.msb_first ? "_Msb" : "_Lsb");
  }
};

std::vector<int16_t> Expand(const std::vector<uint16_t> &g711, bool mu_law) {
  const auto &table = mu_law ? zt::G711_ULawToLinear : zt::G711_ALawToLinear;
  std::vector<int16_t> pcm;
  pcm.reserve(g711.size());
  for (const uint16_t code : g711) pcm.push_back(table[code & 0xFF]);
  return pcm;
}

class Conformance : public testing::TestWithParam<ConformanceCase> {};

// Frames of 256 samples: 16 * b payload words, a whole number of codes at
// every width, dividing both sequence lengths.
TEST_P(Conformance, EncoderReproducesTheCodeWords) {
  const ConformanceCase c = GetParam();
  const int b = c.vector.bits;
  ZT_REQUIRE_VECTOR(c.vector.input);
  ZT_REQUIRE_VECTOR(c.vector.expected);
  const std::vector<int16_t> pcm =
      Expand(zt_test::ReadWords(zt_test::VectorPath(c.vector.input)), c.vector.mu_law);
  const std::vector<uint16_t> expected = zt_test::ReadWords(zt_test::VectorPath(c.vector.expected));
  ASSERT_EQ(pcm.size(), expected.size());
  ASSERT_EQ(pcm.size() % 256, 0u);

  ZT_VOICE_STATE state;
  ASSERT_EQ(ZT_VOICE_EncReset(&state, c.type()), ZT_SUCCESS);
  std::vector<int> codes;
  for (std::size_t at = 0; at < pcm.size(); at += 256) {
    std::array<uint8_t, 484> frame{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data() + at, frame.data(), 256, c.type()),
              ZT_SUCCESS);
    ASSERT_EQ(frame[2], 16 * b);
    const std::vector<int> frame_codes =
        zt_g726_test::UnpackBits(frame.data() + 4, b, c.msb_first, 256);
    codes.insert(codes.end(), frame_codes.begin(), frame_codes.end());
  }
  const std::size_t exact = c.vector.exact < 0 ? expected.size() : c.vector.exact;
  for (std::size_t i = 0; i < exact; ++i) {
    ASSERT_EQ(codes[i], expected[i]) << "code word " << i;
  }
  if (c.vector.exact >= 0) {
    EXPECT_NE(codes[exact], expected[exact]) << "the first wrap of the 16-bit sum moved";
  }
}

// A decoder reset for the same type and fed the reference code words holds the
// encoder's 26 words after every frame. Frames of 80 samples, the block the
// decoder accepts; the last 64 words of the long sequences fill no frame.
class DecoderConformance : public testing::TestWithParam<ConformanceCase> {};

TEST_P(DecoderConformance, DecoderFedTheCodeWordsStaysInStep) {
  const ConformanceCase c = GetParam();
  const int b = c.vector.bits;
  ZT_REQUIRE_VECTOR(c.vector.input);
  ZT_REQUIRE_VECTOR(c.vector.expected);
  const std::vector<int16_t> pcm =
      Expand(zt_test::ReadWords(zt_test::VectorPath(c.vector.input)), c.vector.mu_law);
  const std::vector<uint16_t> words = zt_test::ReadWords(zt_test::VectorPath(c.vector.expected));
  ASSERT_EQ(pcm.size(), words.size());

  ZT_VOICE_STATE enc, dec;
  ASSERT_EQ(ZT_VOICE_EncReset(&enc, c.type()), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_DecReset(&dec, c.type()), ZT_SUCCESS);
  for (std::size_t at = 0; at + 80 <= pcm.size(); at += 80) {
    std::array<uint8_t, 484> sent{}, received{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, pcm.data() + at, sent.data(), 80, c.type()), ZT_SUCCESS);
    const std::vector<int> codes(words.begin() + at, words.begin() + at + 80);
    const std::vector<uint8_t> payload = zt_g726_test::PackBits(codes, b, c.msb_first, 80 * b);
    received[1] = 0x01;
    received[2] = static_cast<uint8_t>(5 * b);
    std::copy(payload.begin(), payload.end(), received.begin() + 4);
    std::array<int16_t, 481> out{};
    int16_t count = 0;
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&dec, received.data(), out.data(), c.type(), &count),
              ZT_SUCCESS);
    ASSERT_EQ(count, 80);
    ASSERT_EQ(WordsOf(dec), WordsOf(enc)) << "after the frame at word " << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Vectors, Conformance, testing::ValuesIn(Cases(false)), CaseName{});
INSTANTIATE_TEST_SUITE_P(Vectors, DecoderConformance, testing::ValuesIn(Cases(true)), CaseName{});

}  // namespace
