// The ITU-T G.191 G.711 reference files: every 16-bit input with its A-law
// and mu-law codes and their expansions.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "g711/g711.h"
#include "support/vectors.h"

namespace {

using zt_test::ReadWords;
using zt_test::VectorPath;

TEST(G711Conformance, ALawEncoderMatchesForEveryInput) {
  ZT_REQUIRE_VECTOR("g711/sweep.src");
  ZT_REQUIRE_VECTOR("g711/sweep-r.a");
  const auto input = ReadWords(VectorPath("g711/sweep.src"));
  const auto codes = ReadWords(VectorPath("g711/sweep-r.a"));
  ASSERT_EQ(input.size(), 65536u);
  ASSERT_EQ(codes.size(), input.size());
  for (std::size_t i = 0; i < input.size(); ++i) {
    ASSERT_EQ(zt::G711_ALawCompressSample(static_cast<int16_t>(input[i])), codes[i] & 0xFF)
        << "sample " << static_cast<int16_t>(input[i]);
  }
}

// This library takes a negative sample's mu-law magnitude as -(x >> 2), the
// reference file (-x - 1) >> 2: one more for every negative x that is not a
// multiple of 4. That changes the code for exactly 508 inputs, each by one
// step towards a larger magnitude.
TEST(G711Conformance, ULawEncoderMatchesButForTheNegativeRounding) {
  ZT_REQUIRE_VECTOR("g711/sweep.src");
  ZT_REQUIRE_VECTOR("g711/sweep-r.u");
  const auto input = ReadWords(VectorPath("g711/sweep.src"));
  const auto codes = ReadWords(VectorPath("g711/sweep-r.u"));
  ASSERT_EQ(codes.size(), input.size());
  int differences = 0;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const auto x = static_cast<int16_t>(input[i]);
    const int ours = zt::G711_ULawCompressSample(x);
    const int reference = codes[i] & 0xFF;
    if (ours == reference) continue;
    ++differences;
    ASSERT_LT(x, 0) << "positive sample " << x << " differs";
    ASSERT_GE(x, -31612) << x;
    ASSERT_EQ(ours, reference - 1) << "sample " << x << ": not the neighbouring code";
    ASSERT_LT(zt::G711_ULawToLinear[ours], zt::G711_ULawToLinear[reference])
        << "ours must be the larger magnitude at " << x;
  }
  EXPECT_EQ(differences, 508);
}

struct ExpansionFile {
  const char *codes;
  const char *expanded;
  const std::array<int16_t, 256> *table;
};

class G711ExpansionConformance : public testing::TestWithParam<ExpansionFile> {};

TEST_P(G711ExpansionConformance, DecoderMatchesForEveryCode) {
  const ExpansionFile f = GetParam();
  ZT_REQUIRE_VECTOR(f.codes);
  ZT_REQUIRE_VECTOR(f.expanded);
  const auto codes = ReadWords(VectorPath(f.codes));
  const auto expanded = ReadWords(VectorPath(f.expanded));
  ASSERT_EQ(codes.size(), 65536u);
  ASSERT_EQ(expanded.size(), codes.size());
  for (std::size_t i = 0; i < codes.size(); ++i) {
    ASSERT_EQ((*f.table)[codes[i] & 0xFF], static_cast<int16_t>(expanded[i])) << "word " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, G711ExpansionConformance,
    testing::Values(ExpansionFile{"g711/sweep-r.a", "g711/sweep-r.a-a", &zt::G711_ALawToLinear},
                    ExpansionFile{"g711/sweep-r.a", "g711/sweep-r.rea", &zt::G711_ALawToLinear},
                    ExpansionFile{"g711/sweep-r.u", "g711/sweep-r.u-u", &zt::G711_ULawToLinear},
                    ExpansionFile{"g711/sweep-r.u", "g711/sweep-r.reu", &zt::G711_ULawToLinear}));

}  // namespace
