// Frame calls on state blocks that were never reset, were reset for another
// type, or were reset and then damaged. The library cannot tell such a block
// from a good one, but every call must stay within the block, the caller's
// buffers and its own tables (the sanitizer and valgrind builds run this),
// and must answer as the header documents:
//   - G.711 never reads or writes the block;
//   - IMA ADPCM uses bytes 0-2 only; the encoder reads a step index above 88
//     as 88 and stores that first, the decoder ignores the block's content;
//   - G.726 refuses a block whose word 0 (coding) is not 2 or whose word 1
//     (code_bits) is not the type's width, with ZT_ERR_VOICE_ENC_TYPE or
//     ZT_ERR_VOICE_DEC_TYPE, writing nothing but the count 0; a block whose
//     first two words are right codes whatever its other words hold.
// Random blocks and samples come from a fixed seed that ZT_TEST_SEED
// overrides; failures print it.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/codec_types.h"
#include "zelt_voice_engine.h"

namespace {

using zt_test::CodecType;
using zt_test::Family;

uint32_t TestSeed() {
  const char *env = std::getenv("ZT_TEST_SEED");
  return env != nullptr && *env != '\0' ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0))
                                        : 0x5EED0726u;
}

constexpr uint8_t kByteCanary = 0xC5;
constexpr int16_t kSampleCanary = 0x3C3C;
constexpr std::size_t kGuard = 32;  // canary bytes or samples on each side

// A caller's buffer with canaries on both sides of the room a call may use.
template <typename T>
class Guarded {
 public:
  Guarded(std::size_t room, T canary) : canary_(canary), cells_(kGuard + room + kGuard, canary) {}
  T *data() { return cells_.data() + kGuard; }
  const T *data() const { return cells_.data() + kGuard; }
  // True when no cell outside [begin, end) of the room was written.
  bool UntouchedOutside(std::size_t begin, std::size_t end) const {
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      if ((i < kGuard + begin || i >= kGuard + end) && cells_[i] != canary_) return false;
    }
    return true;
  }
  bool Untouched() const { return UntouchedOutside(0, 0); }

 private:
  T canary_;
  std::vector<T> cells_;
};

// How the block of a call is made hostile.
enum class BlockKind {
  kRandomBytes,        // never reset: any bytes
  kResetForOtherType,  // reset for a random one of the twelve types, maybe not this one
  kRightHeadRandom,    // words 0 and 1 as a G.726 reset for this type leaves them, the rest random
  kResetThenDamaged,   // reset for this type, then a few words overwritten
  kExtremeWords,       // every word one of 0, 1, -1, INT32_MIN, INT32_MAX, 0x80, 0xFF
};

struct BlockCase {
  BlockKind kind;
  const char *name;
};

constexpr std::array<BlockCase, 5> kBlockCases{{
    {BlockKind::kRandomBytes, "RandomBytes"},
    {BlockKind::kResetForOtherType, "ResetForOtherType"},
    {BlockKind::kRightHeadRandom, "RightHeadRandom"},
    {BlockKind::kResetThenDamaged, "ResetThenDamaged"},
    {BlockKind::kExtremeWords, "ExtremeWords"},
}};

ZT_VOICE_STATE MakeBlock(BlockKind kind, const CodecType &c, std::mt19937 &rng) {
  ZT_VOICE_STATE s;
  for (uint32_t &w : s.opaque) w = static_cast<uint32_t>(rng());
  switch (kind) {
    case BlockKind::kRandomBytes:
      break;
    case BlockKind::kResetForOtherType:
      EXPECT_EQ(ZT_VOICE_EncReset(&s, zt_test::kCodecTypes[rng() % 12].type), ZT_SUCCESS);
      break;
    case BlockKind::kRightHeadRandom:
      s.opaque[0] = 2;
      s.opaque[1] = static_cast<uint32_t>(c.bits);
      break;
    case BlockKind::kResetThenDamaged: {
      EXPECT_EQ(ZT_VOICE_EncReset(&s, c.type), ZT_SUCCESS);
      const int words = 1 + static_cast<int>(rng() % 6);
      for (int k = 0; k < words; ++k) s.opaque[rng() % 26] = static_cast<uint32_t>(rng());
      break;
    }
    case BlockKind::kExtremeWords: {
      constexpr uint32_t kValues[] = {0, 1, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x80, 0xFF};
      for (uint32_t &w : s.opaque) w = kValues[rng() % 7];
      if (rng() % 2 == 0) {
        s.opaque[0] = 2;
        s.opaque[1] = static_cast<uint32_t>(c.bits);
      }
      break;
    }
  }
  return s;
}

// What the header promises about a block: G.726 refuses one whose first two
// words are not coding 2 and the type's code width; the others take any.
bool Suits(const CodecType &c, const ZT_VOICE_STATE &s) {
  return c.family != Family::kG726 ||
         (s.opaque[0] == 2 && s.opaque[1] == static_cast<uint32_t>(c.bits));
}

// Bytes of the block the type's frame calls may write.
std::size_t CodecBytes(const CodecType &c) {
  return c.family == Family::kG711 ? 0 : c.family == Family::kAdpcm ? 3 : sizeof(ZT_VOICE_STATE);
}

bool SameBlock(const ZT_VOICE_STATE &a, const ZT_VOICE_STATE &b, std::size_t from = 0) {
  const auto *pa = reinterpret_cast<const uint8_t *>(&a);
  const auto *pb = reinterpret_cast<const uint8_t *>(&b);
  return std::memcmp(pa + from, pb + from, sizeof a - from) == 0;
}

std::vector<int16_t> RandomSamples(std::mt19937 &rng, int n) {
  std::vector<int16_t> pcm(static_cast<std::size_t>(n));
  const int shift = static_cast<int>(rng() % 16);  // from full scale to near silence
  for (int16_t &x : pcm) x = static_cast<int16_t>(static_cast<int16_t>(rng()) >> shift);
  return pcm;
}

// A frame the type decodes: made by a freshly reset encoder, or random codes
// under the largest length the type accepts.
std::vector<uint8_t> DecodableFrame(const CodecType &c, std::mt19937 &rng) {
  std::vector<uint8_t> frame(ZT_VOICE_MAX_FRAME_BYTES, 0);
  if (rng() % 2 == 0) {
    ZT_VOICE_STATE enc;
    EXPECT_EQ(ZT_VOICE_EncReset(&enc, c.type), ZT_SUCCESS);
    const std::vector<int16_t> pcm = RandomSamples(rng, 160);
    EXPECT_EQ(ZT_VOICE_EncodeFrame(&enc, pcm.data(), frame.data(), 160, c.type), ZT_SUCCESS);
  } else {
    const int length = c.family == Family::kAdpcm ? 122 : 480 * c.bits / 16;
    frame[1] = 0x01;
    frame[2] = static_cast<uint8_t>(length);
    for (int i = 0; i < 2 * length; ++i)
      frame[4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(rng());
  }
  frame.resize(4 + 2 * std::size_t{frame[2]});
  return frame;
}

class HostileBlock : public testing::TestWithParam<std::tuple<CodecType, BlockCase>> {
 protected:
  const CodecType &codec() const { return std::get<0>(GetParam()); }
  BlockKind kind() const { return std::get<1>(GetParam()).kind; }
};

TEST_P(HostileBlock, EncodeSucceedsOrIsRefusedAsDocumented) {
  const CodecType &c = codec();
  const uint32_t seed = TestSeed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (ZT_TEST_SEED)");
  std::mt19937 rng(seed ^ static_cast<uint32_t>(c.type << 8) ^ static_cast<uint32_t>(kind()));
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const ZT_VOICE_STATE before = MakeBlock(kind(), c, rng);
    ZT_VOICE_STATE state = before;
    const int n = 1 + static_cast<int>(rng() % ZT_VOICE_MAX_SAMPLES);
    const std::vector<int16_t> pcm = RandomSamples(rng, n);
    Guarded<uint8_t> frame(ZT_VOICE_MAX_FRAME_BYTES, kByteCanary);

    const ZT_VOICE_RESULT result =
        ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), n, c.type);
    if (!Suits(c, before)) {
      ASSERT_EQ(result, ZT_ERR_VOICE_ENC_TYPE);
      ASSERT_TRUE(frame.Untouched()) << "a refused call wrote the frame buffer";
      ASSERT_TRUE(SameBlock(state, before)) << "a refused call wrote the block";
      continue;
    }
    ASSERT_EQ(result, ZT_SUCCESS);
    const std::size_t length = static_cast<std::size_t>(zt_test::LengthFor(c, n));
    const uint8_t *f = frame.data();
    ASSERT_EQ(f[0], 0x00);
    ASSERT_EQ(f[1], 0x01);
    ASSERT_EQ(f[2], length);
    ASSERT_EQ(f[3], 0x00);
    ASSERT_TRUE(frame.UntouchedOutside(0, 4 + 2 * length)) << "wrote past 4 + 2 * length bytes";
    ASSERT_TRUE(SameBlock(state, before, CodecBytes(c)))
        << "wrote the block outside the codec's bytes";
    const auto *old_bytes = reinterpret_cast<const uint8_t *>(&before);
    const auto *new_bytes = reinterpret_cast<const uint8_t *>(&state);
    if (c.family == Family::kAdpcm) {
      // A step index above 88 is read as 88, and the frame carries it so.
      ASSERT_EQ(f[6], old_bytes[2] > 88 ? 88 : old_bytes[2]);
      ASSERT_LE(new_bytes[2], 88);
    }
    if (c.family == Family::kG726) {
      ASSERT_EQ(state.opaque[0], 2u);
      ASSERT_EQ(state.opaque[1], static_cast<uint32_t>(c.bits));
    }
  }
}

TEST_P(HostileBlock, DecodeSucceedsOrIsRefusedAsDocumented) {
  const CodecType &c = codec();
  const uint32_t seed = TestSeed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (ZT_TEST_SEED)");
  std::mt19937 rng(seed ^ static_cast<uint32_t>(c.type << 16) ^ static_cast<uint32_t>(kind()));
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const ZT_VOICE_STATE before = MakeBlock(kind(), c, rng);
    ZT_VOICE_STATE state = before;
    const std::vector<uint8_t> frame = DecodableFrame(c, rng);
    const std::vector<uint8_t> frame_before = frame;
    Guarded<int16_t> pcm(ZT_VOICE_MAX_SAMPLES, kSampleCanary);
    int16_t count = -1;

    const ZT_VOICE_RESULT result =
        ZT_VOICE_DecodeFrame(&state, frame.data(), pcm.data(), c.type, &count);
    ASSERT_EQ(frame, frame_before) << "the frame was written";
    if (!Suits(c, before)) {
      ASSERT_EQ(result, ZT_ERR_VOICE_DEC_TYPE);
      ASSERT_EQ(count, 0);
      ASSERT_TRUE(pcm.Untouched()) << "a refused call wrote samples";
      ASSERT_TRUE(SameBlock(state, before)) << "a refused call wrote the block";
      continue;
    }
    ASSERT_EQ(result, ZT_SUCCESS);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, ZT_VOICE_MAX_SAMPLES);
    ASSERT_TRUE(pcm.UntouchedOutside(0, static_cast<std::size_t>(count)))
        << "wrote samples past the count " << count;
    ASSERT_TRUE(SameBlock(state, before, CodecBytes(c)))
        << "wrote the block outside the codec's bytes";
    if (c.family == Family::kG726) {
      ASSERT_EQ(state.opaque[0], 2u);
      ASSERT_EQ(state.opaque[1], static_cast<uint32_t>(c.bits));
    } else {
      // G.711 and IMA ADPCM frames decode alike whatever the block held.
      ZT_VOICE_STATE fresh{};
      ASSERT_EQ(ZT_VOICE_DecReset(&fresh, c.type), ZT_SUCCESS);
      std::array<int16_t, ZT_VOICE_MAX_SAMPLES> expected{};
      int16_t expected_count = -1;
      ASSERT_EQ(
          ZT_VOICE_DecodeFrame(&fresh, frame.data(), expected.data(), c.type, &expected_count),
          ZT_SUCCESS);
      ASSERT_EQ(count, expected_count);
      ASSERT_EQ(std::memcmp(pcm.data(), expected.data(), 2 * static_cast<std::size_t>(count)), 0)
          << "the samples depend on the block's old content";
      // Nor does the block they leave: IMA ADPCM ends on the frame's last state.
      ASSERT_EQ(std::memcmp(&state, &fresh, CodecBytes(c)), 0);
    }
  }
}

// A block that was accepted stays usable: a stream of frames on it keeps to
// the same bounds, and a reset makes it a good block again.
TEST_P(HostileBlock, StreamOnAcceptedBlockStaysInBounds) {
  const CodecType &c = codec();
  const uint32_t seed = TestSeed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (ZT_TEST_SEED)");
  std::mt19937 rng(seed ^ static_cast<uint32_t>(c.type << 24) ^ static_cast<uint32_t>(kind()));
  for (int round = 0; round < 8; ++round) {
    ZT_VOICE_STATE enc = MakeBlock(kind(), c, rng);
    if (!Suits(c, enc)) continue;
    ZT_VOICE_STATE dec = MakeBlock(kind(), c, rng);
    const bool dec_suits = Suits(c, dec);
    // A count whose frame carries every sample: 160, or 161 for type 35.
    const int n = c.type == ZT_VOICE_ADPCM_LEAD ? 161 : 160;
    for (int k = 0; k < 6; ++k) {
      const std::vector<int16_t> pcm = RandomSamples(rng, n);
      Guarded<uint8_t> frame(ZT_VOICE_MAX_FRAME_BYTES, kByteCanary);
      ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, pcm.data(), frame.data(), n, c.type), ZT_SUCCESS);
      const std::size_t bytes = 4 + 2 * std::size_t{frame.data()[2]};
      ASSERT_TRUE(frame.UntouchedOutside(0, bytes));
      Guarded<int16_t> out(ZT_VOICE_MAX_SAMPLES, kSampleCanary);
      int16_t count = -1;
      const ZT_VOICE_RESULT result =
          ZT_VOICE_DecodeFrame(&dec, frame.data(), out.data(), c.type, &count);
      ASSERT_EQ(result, dec_suits ? ZT_SUCCESS : ZT_ERR_VOICE_DEC_TYPE);
      ASSERT_EQ(count, dec_suits ? n : 0);
      ASSERT_TRUE(out.UntouchedOutside(0, static_cast<std::size_t>(count)));
    }
    // A reset repairs any block.
    ZT_VOICE_STATE clean{};
    ASSERT_EQ(ZT_VOICE_EncReset(&clean, c.type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_EncReset(&enc, c.type), ZT_SUCCESS);
    ASSERT_EQ(std::memcmp(&enc, &clean, CodecBytes(c)), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Types, HostileBlock,
                         testing::Combine(testing::ValuesIn(zt_test::kCodecTypes),
                                          testing::ValuesIn(kBlockCases)),
                         [](const auto &info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::get<1>(info.param).name;
                         });

// The documented ADPCM reading of a step index above 88, for both layouts:
// the frame is the one a block at 88 gives, and the block holds 88 after.
TEST(HostileAdpcmBlock, StepIndexAbove88CodesAs88) {
  for (int type : {ZT_VOICE_ADPCM, ZT_VOICE_ADPCM_LEAD}) {
    for (int index : {89, 120, 255}) {
      SCOPED_TRACE("type " + std::to_string(type) + ", step index " + std::to_string(index));
      ZT_VOICE_STATE hostile{};
      ZT_VOICE_STATE at88{};
      ASSERT_EQ(ZT_VOICE_EncReset(&hostile, type), ZT_SUCCESS);
      ASSERT_EQ(ZT_VOICE_EncReset(&at88, type), ZT_SUCCESS);
      reinterpret_cast<uint8_t *>(&hostile)[2] = static_cast<uint8_t>(index);
      reinterpret_cast<uint8_t *>(&at88)[2] = 88;
      // One sample through type 35 codes nothing: the block keeps what was
      // stored before coding.
      const std::array<int16_t, 1> one{-7};
      std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
      ZT_VOICE_STATE probe = hostile;
      ASSERT_EQ(ZT_VOICE_EncodeFrame(&probe, one.data(), frame.data(), 1, ZT_VOICE_ADPCM_LEAD),
                ZT_SUCCESS);
      EXPECT_EQ(reinterpret_cast<const uint8_t *>(&probe)[2], 88) << "88 is stored first";

      std::array<int16_t, 160> pcm{};
      for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(i % 2 ? 9000 : -9000);
      std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> from_hostile{};
      std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> from_88{};
      ASSERT_EQ(ZT_VOICE_EncodeFrame(&hostile, pcm.data(), from_hostile.data(), 160, type),
                ZT_SUCCESS);
      ASSERT_EQ(ZT_VOICE_EncodeFrame(&at88, pcm.data(), from_88.data(), 160, type), ZT_SUCCESS);
      EXPECT_EQ(from_hostile, from_88);
      EXPECT_EQ(std::memcmp(&hostile, &at88, sizeof hostile), 0);
    }
  }
}

// A G.726 block reset for another rate, or used by IMA ADPCM since its reset,
// is refused by both directions, with nothing written but the count 0.
TEST(HostileG726Block, OtherRateAndAdpcmOverwriteAreRefused) {
  for (const CodecType &c : zt_test::kCodecTypes) {
    if (c.family != Family::kG726) continue;
    SCOPED_TRACE(c.name);
    const int rate = c.type & ~ZT_VOICE_VARIANT;
    const int other_rate = rate == ZT_VOICE_G726_40K ? ZT_VOICE_G726_16K : rate + 1;
    ZT_VOICE_STATE other;
    ASSERT_EQ(ZT_VOICE_EncReset(&other, other_rate), ZT_SUCCESS);
    ZT_VOICE_STATE overwritten;
    ASSERT_EQ(ZT_VOICE_EncReset(&overwritten, c.type), ZT_SUCCESS);
    const std::array<int16_t, 4> loud{30000, -30000, 30000, -30000};
    std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> scratch{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&overwritten, loud.data(), scratch.data(), 4, ZT_VOICE_ADPCM),
              ZT_SUCCESS);
    ASSERT_NE(overwritten.opaque[0], 2u);

    ZT_VOICE_STATE good;
    ASSERT_EQ(ZT_VOICE_EncReset(&good, c.type), ZT_SUCCESS);
    std::array<int16_t, 160> pcm{};
    std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&good, pcm.data(), frame.data(), 160, c.type), ZT_SUCCESS);

    for (const ZT_VOICE_STATE *bad : {&other, &overwritten}) {
      ZT_VOICE_STATE state = *bad;
      Guarded<uint8_t> out_frame(ZT_VOICE_MAX_FRAME_BYTES, kByteCanary);
      EXPECT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), out_frame.data(), 160, c.type),
                ZT_ERR_VOICE_ENC_TYPE);
      EXPECT_TRUE(out_frame.Untouched());
      Guarded<int16_t> out_pcm(ZT_VOICE_MAX_SAMPLES, kSampleCanary);
      int16_t count = 77;
      EXPECT_EQ(ZT_VOICE_DecodeFrame(&state, frame.data(), out_pcm.data(), c.type, &count),
                ZT_ERR_VOICE_DEC_TYPE);
      EXPECT_EQ(count, 0);
      EXPECT_TRUE(out_pcm.Untouched());
      EXPECT_TRUE(SameBlock(state, *bad));
    }
  }
}

}  // namespace
