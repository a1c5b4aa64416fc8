// The G.726 blocks on their own: the reset words, the quantizer and inverse
// quantizer at their boundaries, the scale factor and speed control limits,
// FMULT's rounding and limits, the floating conversions, and the thresholds
// of LIMC, LIMD, TONE and TRANS. Expected values are worked out by hand from
// the block definitions of ITU-T G.726.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "g726/g726.h"
#include "g726/g726_coder.h"
#include "g726_test_util.h"

namespace {

using zt_g726_test::kWidths;
using zt_g726_test::Width;
using zt_g726_test::WordsOf;

class BlocksAtWidth : public testing::TestWithParam<Width> {};

TEST(G726Reset, WordsAtFourBits) {
  ZT_VOICE_STATE state;
  std::memset(&state, 0xA5, sizeof state);
  zt::G726_Reset(state, 4);
  const zt_g726_test::Words expected{2,  4,  0,  0,  0,  0,  0, 0, 0,  0,  0, 0,     0,
                                     32, 32, 32, 32, 32, 32, 0, 0, 32, 32, 0, 34816, 544};
  EXPECT_EQ(WordsOf(state), expected);
}

TEST_P(BlocksAtWidth, ResetOverARunningStreamEqualsAFreshReset) {
  const int bits = GetParam().bits;
  ZT_VOICE_STATE fresh, used;
  zt::G726_Reset(fresh, bits);
  zt::G726_Reset(used, bits);
  for (int i = 0; i < 300; ++i) zt::G726_EncodeSample(used, static_cast<int16_t>(i * 911 % 20000));
  ASSERT_NE(WordsOf(used), WordsOf(fresh));
  EXPECT_EQ(WordsOf(used)[1], bits) << "code_bits changed while coding";
  EXPECT_EQ(WordsOf(used)[0], 2) << "coding changed while coding";
  zt::G726_Reset(used, bits);
  EXPECT_EQ(WordsOf(used), WordsOf(fresh));
}

// QUAN against a linear search over the decision levels as the Recommendation
// lists them (ending with 32767), for every dln that LOG and SUBTB can give.
TEST_P(BlocksAtWidth, QuanTakesTheIntervalOfEveryDln) {
  const int bits = GetParam().bits;
  const std::array<std::vector<int>, 4> levels{{
      {261},
      {8, 218, 331, 32767},
      {-124, 80, 178, 246, 300, 349, 400, 32767},
      {-122, -16, 68, 139, 198, 250, 298, 339, 378, 413, 445, 475, 502, 528, 553, 32767},
  }};
  const int mask = (1 << bits) - 1;
  zt::G726_WithWidth(bits, [&](auto width) {
    constexpr int kBits = decltype(width)::value;
    for (int dln = -1300; dln <= 1900; ++dln) {
      int k = 0;
      while (k < static_cast<int>(levels[bits - 2].size()) && levels[bits - 2][k] <= dln) ++k;
      for (const int ds : {0, -1}) {
        const int expected = (bits > 2 && k == 0) ? mask : ((k ^ ds) & mask);
        ASSERT_EQ(zt::QUAN<kBits>(dln, ds), expected) << "dln " << dln << " ds " << ds;
      }
    }
  });
}

TEST(G726Quan, DocumentedCodeWords) {
  // 4 bits, y = 544 (y >> 2 = 136): d = 0 lies below the first level.
  const auto code4 = [](int d) {
    const zt::G726Log log = zt::LOG(d);
    return zt::QUAN<4>(zt::SUBTB(log.dl, 544), log.ds);
  };
  EXPECT_EQ(zt::LOG(0).dl, 0);
  EXPECT_EQ(zt::LOG(1000).dl, 9 * 128 + 122);
  EXPECT_EQ(zt::LOG(-1000).ds, -1);
  EXPECT_EQ(code4(0), 15);
  EXPECT_EQ(code4(1000), 7);
  EXPECT_EQ(code4(-1000), 8);
  // 2 bits: the single level 261.
  EXPECT_EQ(zt::QUAN<2>(260, 0), 0);
  EXPECT_EQ(zt::QUAN<2>(261, 0), 1);
  EXPECT_EQ(zt::QUAN<2>(260, -1), 3);
  EXPECT_EQ(zt::QUAN<2>(261, -1), 2);
  // A dln equal to a level takes the interval above it.
  EXPECT_EQ(zt::QUAN<4>(80, 0), 2);
  EXPECT_EQ(zt::QUAN<4>(79, 0), 1);
  // Differences beyond 16 bits: ds = d >> 15 is -2 or 1 and enters as is.
  EXPECT_EQ(zt::LOG(-40000).ds, -2);
  EXPECT_EQ(zt::LOG(40000).ds, 1);
  EXPECT_EQ(zt::LOG(40000).dl, zt::LOG(40000 & 32767).dl);
  EXPECT_EQ(zt::QUAN<4>(200, -2), 13);  // k = 3
  EXPECT_EQ(zt::QUAN<4>(200, 1), 2);
  // So at 3 to 5 bits a difference of 32768 or more can give code word 0.
  EXPECT_EQ(zt::QUAN<3>(8, 1), 0);
  EXPECT_EQ(zt::QUAN<4>(-124, 1), 0);
  EXPECT_EQ(zt::QUAN<5>(-122, 1), 0);
  EXPECT_EQ(zt::QUAN<5>(-123, 1), 31);  // the lowest interval stays all ones
}

TEST(G726InverseQuantizer, ZeroMagnitudesAndLimits) {
  // 3 to 5 bits: code word 0 and all ones have magnitude index 0, dq 0 and -0.
  EXPECT_EQ(zt::G726_MagnitudeIndex<3>(7), 0);
  EXPECT_EQ(zt::G726_MagnitudeIndex<5>(16), 15);
  EXPECT_EQ(zt::ANTILOG(zt::ADDA(zt::RECONST<3>(0), 5120), 0), 0);
  EXPECT_EQ(zt::ANTILOG(zt::ADDA(zt::RECONST<4>(0), 5120), 1), 32768);
  EXPECT_EQ(zt::ANTILOG(zt::ADDA(zt::RECONST<5>(0), 5120), 1), 32768);
  // 2 bits, y = 544: code word 0 gives dql 252, dex 1, dmn 124, magnitude 3.
  EXPECT_EQ(zt::ADDA(zt::RECONST<2>(0), 544), 252);
  EXPECT_EQ(zt::ANTILOG(252, 0), 3);
  // The largest magnitude: 5 bits, index 15, y = 5120 (dql 1846).
  EXPECT_EQ(zt::ANTILOG(zt::ADDA(zt::RECONST<5>(15), 5120), 0), 23296);
  EXPECT_EQ(zt::ANTILOG(-1, 1), 32768);
  EXPECT_EQ(zt::ANTILOG(0, 0), 1);  // (128 << 7) >> 14
}

TEST(G726ScaleFactor, MixLimaLimb) {
  EXPECT_EQ(zt::LIMA(512), 64);
  EXPECT_EQ(zt::LIMA(257), 64);
  EXPECT_EQ(zt::LIMA(256), 64);
  EXPECT_EQ(zt::LIMA(255), 63);
  // MIX rounds toward zero: dif = -56, al = 1 gives 600 + 0.
  EXPECT_EQ(zt::MIX(1, 544, 600 << 6), 600);
  EXPECT_EQ(zt::MIX(1, 656, 600 << 6), 600);  // +56 / 64 floors to 0
  EXPECT_EQ(zt::MIX(64, 544, 600 << 6), 544);
  EXPECT_EQ(zt::MIX(32, 544, 601 << 6), 573);  // -57 * 32 / 64 = -28.5 -> -28
  EXPECT_EQ(zt::LIMB(543), 544);
  EXPECT_EQ(zt::LIMB(544), 544);
  EXPECT_EQ(zt::LIMB(5119), 5119);
  EXPECT_EQ(zt::LIMB(5120), 5120);
  EXPECT_EQ(zt::LIMB(6082), 5120);
  // FILTD with a negative W(I) (2 bits, index 0: -22) reaches the bottom of
  // yut's range, 505.
  EXPECT_EQ(zt::FILTD(-22, 544), 505);
  // yl settles at its limits.
  int32_t yl = 34816;
  for (int i = 0; i < 5000; ++i) yl = zt::FILTE(544, yl);
  EXPECT_EQ(yl, 34816);
  for (int i = 0; i < 5000; ++i) yl = zt::FILTE(5120, yl);
  EXPECT_LE(yl, 327680);
  EXPECT_GT(yl, 327680 - 64);
}

TEST(G726SpeedControl, SubtcAndTriga) {
  // ax is 0 only with y >= 1536, means within an eighth, and no tone.
  EXPECT_EQ(zt::SUBTC(1000, 4000, 0, 1536), 0);
  EXPECT_EQ(zt::SUBTC(1000, 4000, 1, 1536), 1);
  EXPECT_EQ(zt::SUBTC(1000, 4000, 0, 1535), 1);
  EXPECT_EQ(zt::SUBTC(1000 + 125, 4000, 0, 2000), 1);  // difm 500 = dthr
  EXPECT_EQ(zt::SUBTC(1000 + 124, 4000, 0, 2000), 0);
  EXPECT_EQ(zt::FILTC(1, 0), 32);
  EXPECT_EQ(zt::FILTC(0, 512), 480);
  EXPECT_EQ(zt::TRIGA(1, 17), 256);
  EXPECT_EQ(zt::TRIGA(0, 17), 17);
  EXPECT_EQ(zt::FILTA(7, 0), 112);
  EXPECT_EQ(zt::FILTB(7, 0), 112);
}

TEST(G726Fmult, RoundingAndLimits) {
  const int32_t big = (15 << 6) | 63;  // exponent 15, mantissa 63
  // Negative coefficients' magnitudes round up: -5 acts as magnitude 2, 5 as 1.
  EXPECT_EQ(zt::FMULT(-5, big), -zt::FMULT(8, big));
  EXPECT_EQ(zt::FMULT(5, big), zt::FMULT(4, big));
  EXPECT_NE(zt::FMULT(-5, big), -zt::FMULT(5, big));
  // A zero coefficient has mantissa 32: (63 * 32 + 48) >> 4 = 129, (129 << 7) >> 11 = 8.
  EXPECT_EQ(zt::FMULT(0, big), 8);
  EXPECT_EQ(zt::FMULT(0, 32), 0);
  // 1.0 times the floating 1000 (exponent 10, mantissa 62): 127 << 7 >> 3.
  EXPECT_EQ(zt::FMULT(16384, (10 << 6) | 62), 2032);
  EXPECT_EQ(zt::FMULT(-16384, (10 << 6) | 62), -2032);
  EXPECT_EQ(zt::FMULT(-16384, 1024 | (10 << 6) | 62), 2032);
  // wanexp above 26 shifts left and keeps 15 bits: 129 << 10 & 32767 = 1024,
  // 129 << 11 & 32767 = 2048.
  EXPECT_EQ(zt::FMULT(32768, big), 1024);
  EXPECT_EQ(zt::FMULT(32768, 1024 | big), -1024);
  EXPECT_EQ(zt::FMULT(65536, big), 2048);
  // After a reset the estimate is zero.
  ZT_VOICE_STATE state;
  zt::G726_Reset(state, 4);
  const zt::G726Estimate est = zt::ACCUM(zt::G726_LoadChannel(state, 4));
  EXPECT_EQ(est.se, 0);
  EXPECT_EQ(est.sez, 0);
}

TEST(G726Float, FloataAndFloatb) {
  EXPECT_EQ(zt::FLOATA(32768), 1056);  // negative zero
  EXPECT_EQ(zt::FLOATA(0), 32);
  EXPECT_EQ(zt::FLOATA(1), 64 + 32);
  EXPECT_EQ(zt::FLOATA(32768 + 23296), 1024 + 15 * 64 + 45);
  EXPECT_EQ(zt::FLOATB(0), 32);
  EXPECT_EQ(zt::FLOATB(-1), 1024 + 64 + 32);
  EXPECT_EQ(zt::FLOATB(32767), 15 * 64 + 63);
  EXPECT_EQ(zt::FLOATB(-32767), 1024 + 15 * 64 + 63);
  // Beyond 16 bits: the sign from the value, the magnitude limited to 32767.
  EXPECT_EQ(zt::FLOATB(32864), 15 * 64 + 63);
  EXPECT_EQ(zt::FLOATB(-32768), 2047);
  EXPECT_EQ(zt::FLOATB(-42000), 2047);
  EXPECT_EQ(zt::FLOATB(70000), 1023);
}

TEST(G726Addc, SignOfDqsezForAnyMagnitude) {
  EXPECT_EQ(zt::ADDC(32767, 1).pk0, 0);  // 32768: a positive sum, not 1
  EXPECT_EQ(zt::ADDC(23296, 20000).pk0, 0);
  EXPECT_EQ(zt::ADDC(-23296, -20000).pk0, -1);
  EXPECT_EQ(zt::ADDC(-1, 0).pk0, -1);
  EXPECT_EQ(zt::ADDC(0, 0).pk0, 0);
  EXPECT_EQ(zt::ADDC(0, 0).sigpk, 1);
  EXPECT_EQ(zt::ADDC(5, -5).sigpk, 1);
  EXPECT_EQ(zt::ADDC(5, -4).sigpk, 0);
}

TEST_P(BlocksAtWidth, ZeroCoefficientsLeakAndSettle) {
  const int bits = GetParam().bits;
  const int32_t top = bits == 5 ? 65536 : 32768;
  const int32_t bottom = bits == 5 ? -65025 : -32513;
  zt::G726_WithWidth(bits, [&](auto width) {
    constexpr int kLeak = zt::G726Rate<decltype(width)::value>::kLeak;
    // dqmag 0: only the leak, bn >> 9 at 5 bits and bn >> 8 otherwise.
    EXPECT_EQ(zt::UPB<kLeak>(4096, 32, 0, 0), 4096 - (bits == 5 ? 8 : 16));
    EXPECT_EQ(zt::UPB<kLeak>(-4096, 32, 0, 1), -4096 + (bits == 5 ? 8 : 16));
    // Like signs add 128, unlike signs subtract it.
    EXPECT_EQ(zt::UPB<kLeak>(0, 1056, 5, 1), 128);
    EXPECT_EQ(zt::UPB<kLeak>(0, 32, 5, 1), -128);
    int32_t up = 0, down = 0;
    for (int i = 0; i < 20000; ++i) {
      up = zt::UPB<kLeak>(up, 100, 7, 0);
      down = zt::UPB<kLeak>(down, 100, 7, 1);
    }
    EXPECT_EQ(up, top);
    EXPECT_EQ(down, bottom);
  });
}

TEST(G726PolePredictor, LimitsAndTone) {
  // fa1 is 4 * a1 limited to +-32764: a1 = 20000 counts as 8191.
  EXPECT_EQ(zt::UPA2(20000, 0, 0, -1, 0, 0), (16384 + 32764) >> 7);
  EXPECT_EQ(zt::UPA2(8192, 0, 0, -1, 0, 0), (16384 + 32764) >> 7);
  EXPECT_EQ(zt::UPA2(8000, 0, 0, -1, 0, 0), (16384 + 32000) >> 7);
  EXPECT_EQ(zt::UPA2(-8192, 0, 0, 0, 0, 0), (16384 + 32764) >> 7);
  EXPECT_EQ(zt::UPA2(0, 0, 0, 0, -1, 0), -16384 >> 7);
  EXPECT_EQ(zt::UPA2(8000, 1000, 0, -1, 0, 1), 1000 - (1000 >> 7));  // sigpk: leak only
  EXPECT_EQ(zt::LIMC(12289), 12288);
  EXPECT_EQ(zt::LIMC(-12289), -12288);
  EXPECT_EQ(zt::LIMC(-12288), -12288);
  EXPECT_EQ(zt::UPA1(0, -1, -1, 0), 192);
  EXPECT_EQ(zt::UPA1(0, -1, 0, 0), -192);
  EXPECT_EQ(zt::UPA1(1000, -1, 0, 1), 1000 - 3);
  // LIMD uses the new a2: a2 = -12288 lets a1 reach 27648.
  EXPECT_EQ(zt::LIMD(30000, -12288), 27648);
  EXPECT_EQ(zt::LIMD(-30000, -12288), -27648);
  EXPECT_EQ(zt::LIMD(5000, 12288), 3072);
  EXPECT_EQ(zt::LIMD(-16000, 0), -15360);
  EXPECT_EQ(zt::LIMD(-5000, 0), -5000);
  EXPECT_EQ(zt::TONE(-11777), 1);
  EXPECT_EQ(zt::TONE(-11776), 0);
  EXPECT_EQ(zt::TRIGB(1, 1), 0);
  EXPECT_EQ(zt::TRIGB(0, 1), 1);
}

TEST(G726Trans, Thresholds) {
  // yl = 34816: ylint 1, ylfrac 2, thr1 68, dqthr 51.
  EXPECT_EQ(zt::TRANS(1, 34816, 51), 0);
  EXPECT_EQ(zt::TRANS(1, 34816, 52), 1);
  EXPECT_EQ(zt::TRANS(0, 34816, 20000), 0);  // needs the tone flag
  // ylint 9, ylfrac 0: thr1 = 32 << 9 = 16384, dqthr 12288.
  EXPECT_EQ(zt::TRANS(1, 9 << 15, 12288), 0);
  EXPECT_EQ(zt::TRANS(1, 9 << 15, 12289), 1);
  // ylint 10: thr2 = 31744, dqthr 23808.
  EXPECT_EQ(zt::TRANS(1, 327680, 23808), 0);
  EXPECT_EQ(zt::TRANS(1, 327680, 23809), 1);
}

INSTANTIATE_TEST_SUITE_P(Widths, BlocksAtWidth, testing::ValuesIn(kWidths),
                         zt_g726_test::WidthName{});

}  // namespace
