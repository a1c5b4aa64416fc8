// G.711 sample conversion: documented examples and properties over every
// sample value and every code.
#include <gtest/gtest.h>

#include <cstdint>

#include "g711/g711.h"

namespace {

using zt::G711_ALawCompressSample;
using zt::G711_ALawToLinear;
using zt::G711_ULawCompressSample;
using zt::G711_ULawToLinear;

TEST(G711Norm, CountsRedundantSignBits) {
  const struct {
    int x, norm;
  } cases[] = {{0, 15},   {-1, 15},    {0xFFFF, 15}, {1, 14},     {31, 10}, {32, 9},
               {8192, 1}, {0x4000, 0}, {0x7FFF, 0},  {-32768, 0}, {-2, 14}, {0x10001, 14}};
  for (const auto &c : cases) EXPECT_EQ(zt::G711_Norm(c.x), c.norm) << c.x;
}

struct CodeExample {
  int16_t sample;
  uint8_t code;
};

class ALawExample : public testing::TestWithParam<CodeExample> {};
TEST_P(ALawExample, Compresses) {
  EXPECT_EQ(G711_ALawCompressSample(GetParam().sample), GetParam().code) << GetParam().sample;
}
INSTANTIATE_TEST_SUITE_P(Documented, ALawExample,
                         testing::Values(CodeExample{0, 0xD5}, CodeExample{1, 0xD5},
                                         CodeExample{-1, 0x55}, CodeExample{-8, 0x55},
                                         CodeExample{31, 0xD4}, CodeExample{32, 0xD7},
                                         CodeExample{255, 0xDA}, CodeExample{256, 0xC5},
                                         CodeExample{32767, 0xAA}, CodeExample{-32767, 0x2A},
                                         CodeExample{-32768, 0x2A}));

class ULawExample : public testing::TestWithParam<CodeExample> {};
TEST_P(ULawExample, Compresses) {
  EXPECT_EQ(G711_ULawCompressSample(GetParam().sample), GetParam().code) << GetParam().sample;
}
INSTANTIATE_TEST_SUITE_P(
    Documented, ULawExample,
    testing::Values(CodeExample{0, 0xFF}, CodeExample{1, 0xFF}, CodeExample{2, 0xFF},
                    CodeExample{-1, 0x7E}, CodeExample{-2, 0x7E}, CodeExample{-4, 0x7E},
                    CodeExample{-5, 0x7E}, CodeExample{-8, 0x7E}, CodeExample{4, 0xFE},
                    CodeExample{-9, 0x7D}, CodeExample{132, 0xEF}, CodeExample{-132, 0x6F},
                    CodeExample{1000, 0xCE}, CodeExample{-1000, 0x4E}, CodeExample{31612, 0x80},
                    CodeExample{31611, 0x81}, CodeExample{32636, 0x80}, CodeExample{32767, 0x80},
                    CodeExample{-31609, 0x00}, CodeExample{-31608, 0x01},
                    CodeExample{-32768, 0x00}));

TEST(G711Expand, DocumentedValues) {
  EXPECT_EQ(G711_ALawToLinear[0xD5], 8);
  EXPECT_EQ(G711_ALawToLinear[0x55], -8);
  EXPECT_EQ(G711_ALawToLinear[0xAA], 32256);
  EXPECT_EQ(G711_ALawToLinear[0x2A], -32256);
  EXPECT_EQ(G711_ULawToLinear[0xFF], 0);
  EXPECT_EQ(G711_ULawToLinear[0x7F], 0);
  EXPECT_EQ(G711_ULawToLinear[0x80], 32124);
  EXPECT_EQ(G711_ULawToLinear[0x00], -32124);
}

// Properties that every companding law must have, checked over all inputs.
struct Law {
  const char *name;
  uint8_t (*compress)(int16_t);
  const std::array<int16_t, 256> *table;
};

class G711Law : public testing::TestWithParam<Law> {};

TEST_P(G711Law, EveryCodeReEncodesToItself) {
  const Law law = GetParam();
  for (int code = 0; code < 256; ++code) {
    const uint8_t again = law.compress((*law.table)[code]);
    // mu-law has two zeros: 0x7F expands to 0, which codes as 0xFF.
    if (law.table == &G711_ULawToLinear && code == 0x7F) {
      EXPECT_EQ(again, 0xFF);
    } else {
      EXPECT_EQ(again, code) << "code " << code;
    }
  }
}

TEST_P(G711Law, ExpansionNeverDecreasesAsTheSampleGrows) {
  const Law law = GetParam();
  int previous = -32768 - 1;
  for (int x = -32768; x <= 32767; ++x) {
    const int expanded = (*law.table)[law.compress(static_cast<int16_t>(x))];
    ASSERT_GE(expanded, previous) << "at sample " << x;
    previous = expanded;
  }
}

TEST_P(G711Law, EachCodesInputsFormOneIntervalHoldingItsExpansion) {
  const Law law = GetParam();
  std::array<int, 256> first{}, last{};
  first.fill(99999);
  last.fill(-99999);
  for (int x = -32768; x <= 32767; ++x) {
    const uint8_t code = law.compress(static_cast<int16_t>(x));
    if (first[code] == 99999) {
      first[code] = x;
    } else {
      ASSERT_EQ(last[code], x - 1) << "inputs of code " << int{code} << " are not contiguous";
    }
    last[code] = x;
  }
  for (int code = 0; code < 256; ++code) {
    if (first[code] == 99999) continue;  // mu-law 0x7F is never produced
    const int expanded = (*law.table)[code];
    EXPECT_GE(expanded, first[code]) << "code " << code;
    EXPECT_LE(expanded, last[code]) << "code " << code;
  }
}

INSTANTIATE_TEST_SUITE_P(Laws, G711Law,
                         testing::Values(Law{"ALaw", G711_ALawCompressSample, &G711_ALawToLinear},
                                         Law{"ULaw", G711_ULawCompressSample, &G711_ULawToLinear}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(G711ALaw, SymmetricAroundMinusHalf) {
  // x and -x - 1 differ only in bit 7 of their codes.
  for (int x = 0; x <= 32767; ++x) {
    ASSERT_EQ(G711_ALawCompressSample(static_cast<int16_t>(x)) ^
                  G711_ALawCompressSample(static_cast<int16_t>(-x - 1)),
              0x80)
        << x;
  }
}

TEST(G711Arrays, CompressAndExpandRuns) {
  const int16_t pcm[] = {0, 1000, -1000, 32767, -32768};
  uint16_t codes[6] = {0, 0, 0, 0, 0, 0xBEEF};
  zt::G711_ULawCompress(pcm, codes, 5);
  EXPECT_EQ(codes[1], 0xCE);
  EXPECT_EQ(codes[2], 0x4E);
  EXPECT_EQ(codes[5], 0xBEEF);
  int16_t out[6] = {0, 0, 0, 0, 0, 0x1234};
  zt::G711_ULawExpand(codes, out, 5);
  EXPECT_EQ(out[3], 32124);
  EXPECT_EQ(out[5], 0x1234);
  zt::G711_ALawCompress(pcm, codes, 0);  // a count of 0 does nothing
  EXPECT_EQ(codes[1], 0xCE);
  zt::G711_ALawCompress(pcm, codes, 5);
  zt::G711_ALawExpand(codes, out, 5);
  EXPECT_EQ(out[4], -32256);
}

}  // namespace
