// Argument checks of the four entry points: the order in which faults are
// reported, the low-16-bit reading of counts and types, and that a failing
// call writes nothing (the decoder's count excepted, which reads 0).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "zelt_voice_engine.h"

namespace {

constexpr uint8_t kMarker = 0xA5;
constexpr int kBadType = 8;

// Every buffer a call may touch, filled with markers so that writes show.
struct Buffers {
  ZT_VOICE_STATE state;
  std::array<int16_t, 481> pcm;
  std::array<uint8_t, 484> frame;
  int16_t count;

  Buffers() {
    std::memset(&state, kMarker, sizeof state);
    pcm.fill(0x1234);
    frame.fill(kMarker);
    count = 0x5A5A;
  }
  void SetValidFrame(uint8_t length) {
    frame[0] = 0x00;
    frame[1] = 0x01;
    frame[2] = length;
    frame[3] = 0x00;
  }
};

bool SameBytes(const Buffers &a, const Buffers &b) {
  return std::memcmp(&a.state, &b.state, sizeof a.state) == 0 && a.pcm == b.pcm &&
         a.frame == b.frame;
}

struct CheckCase {
  const char *name;
  std::function<void(Buffers &)> prepare;
  std::function<ZT_VOICE_RESULT(Buffers &)> call;
  ZT_VOICE_RESULT expected;
  bool count_written;  // decoder calls that pass the pointer checks set the count to 0
};

ZT_VOICE_RESULT Encode(Buffers &b, int n, int type) {
  return ZT_VOICE_EncodeFrame(&b.state, b.pcm.data(), b.frame.data(), n, type);
}
ZT_VOICE_RESULT Decode(Buffers &b, int type) {
  return ZT_VOICE_DecodeFrame(&b.state, b.frame.data(), b.pcm.data(), type, &b.count);
}
void Nothing(Buffers &) {}

const CheckCase kCheckCases[] = {
    // Resets.
    {"EncResetNullState", Nothing, [](Buffers &) { return ZT_VOICE_EncReset(nullptr, kBadType); },
     ZT_ERR_VOICE_NULL_STATE, false},
    {"DecResetNullState", Nothing, [](Buffers &) { return ZT_VOICE_DecReset(nullptr, kBadType); },
     ZT_ERR_VOICE_NULL_STATE, false},
    {"EncResetBadType", Nothing, [](Buffers &b) { return ZT_VOICE_EncReset(&b.state, kBadType); },
     ZT_ERR_VOICE_ENC_TYPE, false},
    {"DecResetBadType", Nothing, [](Buffers &b) { return ZT_VOICE_DecReset(&b.state, kBadType); },
     ZT_ERR_VOICE_DEC_TYPE, false},
    // Encoder: state, input, output, count, type.
    {"EncodeNullState", Nothing,
     [](Buffers &) { return ZT_VOICE_EncodeFrame(nullptr, nullptr, nullptr, 0, kBadType); },
     ZT_ERR_VOICE_NULL_STATE, false},
    {"EncodeNullInput", Nothing,
     [](Buffers &b) { return ZT_VOICE_EncodeFrame(&b.state, nullptr, nullptr, 0, kBadType); },
     ZT_ERR_VOICE_NULL_INPUT, false},
    {"EncodeNullOutputBeforeType", Nothing,
     [](Buffers &b) { return ZT_VOICE_EncodeFrame(&b.state, b.pcm.data(), nullptr, 80, kBadType); },
     ZT_ERR_VOICE_NULL_OUTPUT, false},
    {"EncodeCountBeforeType", Nothing, [](Buffers &b) { return Encode(b, 0, kBadType); },
     ZT_ERR_VOICE_ENC_LENGTH, false},
    {"EncodeCount482", Nothing, [](Buffers &b) { return Encode(b, 482, ZT_VOICE_G711A); },
     ZT_ERR_VOICE_ENC_LENGTH, false},
    {"EncodeCountMinus1", Nothing, [](Buffers &b) { return Encode(b, -1, ZT_VOICE_G711A); },
     ZT_ERR_VOICE_ENC_LENGTH, false},
    {"EncodeCount0x8000", Nothing, [](Buffers &b) { return Encode(b, 0x8000, ZT_VOICE_G711A); },
     ZT_ERR_VOICE_ENC_LENGTH, false},
    {"EncodeCount0x10000", Nothing, [](Buffers &b) { return Encode(b, 0x10000, ZT_VOICE_G711A); },
     ZT_ERR_VOICE_ENC_LENGTH, false},
    {"EncodeBadType", Nothing, [](Buffers &b) { return Encode(b, 80, kBadType); },
     ZT_ERR_VOICE_ENC_TYPE, false},
    // Decoder: state, input, output (samples or count), then count = 0, kind,
    // empty payload, type, length rule.
    {"DecodeNullState", Nothing,
     [](Buffers &) { return ZT_VOICE_DecodeFrame(nullptr, nullptr, nullptr, kBadType, nullptr); },
     ZT_ERR_VOICE_NULL_STATE, false},
    {"DecodeNullInput", Nothing,
     [](Buffers &b) {
       return ZT_VOICE_DecodeFrame(&b.state, nullptr, b.pcm.data(), kBadType, &b.count);
     },
     ZT_ERR_VOICE_NULL_INPUT, false},
    {"DecodeNullSamples", Nothing,
     [](Buffers &b) {
       return ZT_VOICE_DecodeFrame(&b.state, b.frame.data(), nullptr, kBadType, &b.count);
     },
     ZT_ERR_VOICE_NULL_OUTPUT, false},
    {"DecodeNullCount", Nothing,
     [](Buffers &b) {
       return ZT_VOICE_DecodeFrame(&b.state, b.frame.data(), b.pcm.data(), kBadType, nullptr);
     },
     ZT_ERR_VOICE_NULL_OUTPUT, false},
    {"DecodeKind0BeforeType", [](Buffers &b) { b.SetValidFrame(40), b.frame[1] = 0x00; },
     [](Buffers &b) { return Decode(b, kBadType); }, ZT_ERR_VOICE_DEC_HEADER, true},
    {"DecodeKind2", [](Buffers &b) { b.SetValidFrame(40), b.frame[1] = 0x02; },
     [](Buffers &b) { return Decode(b, ZT_VOICE_G711A); }, ZT_ERR_VOICE_DEC_HEADER, true},
    {"DecodeKind3", [](Buffers &b) { b.SetValidFrame(40), b.frame[1] = 0x03; },
     [](Buffers &b) { return Decode(b, ZT_VOICE_G711A); }, ZT_ERR_VOICE_DEC_HEADER, true},
    {"DecodeEmptyBeforeType", [](Buffers &b) { b.SetValidFrame(0); },
     [](Buffers &b) { return Decode(b, kBadType); }, ZT_ERR_VOICE_DEC_LENGTH, true},
    {"DecodeEmptyIgnoresHighByte", [](Buffers &b) { b.SetValidFrame(0), b.frame[3] = 0x01; },
     [](Buffers &b) { return Decode(b, ZT_VOICE_G711A); }, ZT_ERR_VOICE_DEC_LENGTH, true},
    {"DecodeBadType", [](Buffers &b) { b.SetValidFrame(40); },
     [](Buffers &b) { return Decode(b, kBadType); }, ZT_ERR_VOICE_DEC_TYPE, true},
    {"DecodeLengthRule", [](Buffers &b) { b.SetValidFrame(41); },
     [](Buffers &b) { return Decode(b, ZT_VOICE_G711U); }, ZT_ERR_VOICE_DEC_LENGTH, true},
};

class CheckOrder : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckOrder, ReportsFirstFaultAndWritesNothing) {
  const CheckCase &c = GetParam();
  Buffers buffers;
  c.prepare(buffers);
  const Buffers before = buffers;
  EXPECT_EQ(c.call(buffers), c.expected);
  EXPECT_TRUE(SameBytes(before, buffers)) << "a failing call wrote to a buffer";
  EXPECT_EQ(buffers.count, c.count_written ? 0 : before.count);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckOrder, testing::ValuesIn(kCheckCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Only the low 16 bits of a type count, read as a signed number.
struct TypeCase {
  int argument;
  int acts_as;  // 0: not a codec type
};

class TypeArgument : public testing::TestWithParam<TypeCase> {};

TEST_P(TypeArgument, UsesLow16BitsSigned) {
  const TypeCase c = GetParam();
  ZT_VOICE_STATE state{};
  if (c.acts_as == 0) {
    EXPECT_EQ(ZT_VOICE_EncReset(&state, c.argument), ZT_ERR_VOICE_ENC_TYPE);
    EXPECT_EQ(ZT_VOICE_DecReset(&state, c.argument), ZT_ERR_VOICE_DEC_TYPE);
    return;
  }
  // The same samples coded under the argument and under the type it acts as
  // give the same frame.
  std::array<int16_t, 160> pcm{};
  for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(i * 97 - 7000);
  std::array<uint8_t, 484> by_argument{}, by_type{};
  ZT_VOICE_STATE a{}, b{};
  ASSERT_EQ(ZT_VOICE_EncReset(&a, c.argument), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_EncReset(&b, c.acts_as), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_EncodeFrame(&a, pcm.data(), by_argument.data(), 160, c.argument), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_EncodeFrame(&b, pcm.data(), by_type.data(), 160, c.acts_as), ZT_SUCCESS);
  EXPECT_EQ(by_argument, by_type);
}

INSTANTIATE_TEST_SUITE_P(Types, TypeArgument,
                         testing::Values(TypeCase{0x10001, 1}, TypeCase{0x10023, 35},
                                         TypeCase{0x10024, 36}, TypeCase{-65535, 1}, TypeCase{0, 0},
                                         TypeCase{8, 0}, TypeCase{33, 0}, TypeCase{34, 0},
                                         TypeCase{40, 0}, TypeCase{-1, 0}, TypeCase{0x8001, 0},
                                         TypeCase{0x10000, 0}),
                         [](const auto &info) {
                           const int a = info.param.argument;
                           return (a < 0 ? "minus" + std::to_string(-a) : std::to_string(a)) +
                                  "_is_" + std::to_string(info.param.acts_as);
                         });

// Only the low 16 bits of the count, read as a signed number.
TEST(CountArgument, UsesLow16BitsSigned) {
  std::array<int16_t, 481> pcm{};
  for (const int count : {65616, -65456}) {  // both read as 80
    ZT_VOICE_STATE state{};
    std::array<uint8_t, 484> frame{};
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm.data(), frame.data(), count, ZT_VOICE_G711A),
              ZT_SUCCESS);
    EXPECT_EQ(frame[2], 40) << count;
  }
}

}  // namespace
