// zelt::voice against the real shared library: every codec codes through it
// as through the C functions, the size helpers agree with what the library
// writes and accepts, and bad spans come back as error values with nothing
// written.
#include <zelt/voice.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "support/codec_types.h"

namespace {

namespace zv = zelt::voice;
using zt_test::CodecType;

// 20 ms frames: G.711 carries a byte per sample, the others have the sizes of
// the README's codec table; and the documented G.726 frame of 40 words
// decodes to 160 samples. Checked at compile time.
static_assert(zv::frame_bytes(zv::Codec::g711a, 160).value_or(0) == 4 + 160);
static_assert(zv::frame_bytes(zv::Codec::adpcm, 160).value_or(0) == 88);
static_assert(zv::frame_bytes(zv::Codec::adpcm_lead, 161).value_or(0) == 88);
static_assert(zv::frame_bytes(zv::Codec::g726_16k_msb, 160).value_or(0) == 44);
static_assert(zv::frame_bytes(zv::Codec::g726_24k, 160).value_or(0) == 64);
static_assert(zv::frame_bytes(zv::Codec::g726_32k, 160).value_or(0) == 84);
static_assert(zv::frame_bytes(zv::Codec::g726_40k_msb, 160).value_or(0) == 104);
static_assert(zv::decoded_samples(zv::Codec::g726_32k, 40).value_or(0) == 160);
static_assert(zv::decoded_samples(zv::Codec::g711u, 41).error() == zv::Error::dec_length);

constexpr std::uint8_t kCanary = 0xA5;
constexpr std::int16_t kPcmCanary = 0x5A5A;

zv::Codec CodecOf(const CodecType &c) {
  return static_cast<zv::Codec>(c.type);
}

// A count whose every sample the frame carries and the decoder gives back.
std::size_t WholeCount(const CodecType &c) {
  return c.type == ZT_VOICE_ADPCM_LEAD ? 161 : 160;
}

std::vector<std::int16_t> Signal(std::size_t n, int seed) {
  std::vector<std::int16_t> pcm(n);
  std::uint32_t x = 0x9E3779B9u * static_cast<std::uint32_t>(seed + 1);
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;  // LCG noise over a slow ramp
    pcm[i] = static_cast<std::int16_t>(static_cast<int>(i * 97 % 12000) - 6000 +
                                       static_cast<int>(x >> 22) - 512);
  }
  return pcm;
}

class VoiceTypes : public testing::TestWithParam<CodecType> {
 protected:
  zv::Codec codec() const { return CodecOf(GetParam()); }
  int type() const { return GetParam().type; }

  zv::Encoder MakeEncoder() const {
    auto enc = zv::Encoder::create(codec());
    EXPECT_TRUE(enc) << zv::message(enc.error());
    return *enc;
  }
  zv::Decoder MakeDecoder() const {
    auto dec = zv::Decoder::create(codec());
    EXPECT_TRUE(dec) << zv::message(dec.error());
    return *dec;
  }
  void SetUp() override {
    if (!zv::Encoder::create(codec()) || !zv::Decoder::create(codec())) {
      GTEST_FAIL() << GetParam().name << " is not in this build of the library";
    }
  }
};

TEST_P(VoiceTypes, DescribesTheCodec) {
  std::string lower = GetParam().name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  EXPECT_TRUE(zv::is_valid(codec()));
  EXPECT_EQ(zv::name(codec()), lower);
  EXPECT_EQ(zv::bits_per_sample(codec()), GetParam().bits);
  EXPECT_EQ(zv::type_number(codec()), type());
  EXPECT_EQ(std::count(zv::all_codecs.begin(), zv::all_codecs.end(), codec()), 1);
}

// Two frames in a row (the state carries over) are the frames and samples of
// the C functions with the same type and blocks.
TEST_P(VoiceTypes, CodesAsTheCFunctionsDo) {
  zv::Encoder enc = MakeEncoder();
  zv::Decoder dec = MakeDecoder();
  ZT_VOICE_STATE c_enc;
  ZT_VOICE_STATE c_dec;
  ASSERT_EQ(ZT_VOICE_EncReset(&c_enc, type()), ZT_SUCCESS);
  ASSERT_EQ(ZT_VOICE_DecReset(&c_dec, type()), ZT_SUCCESS);
  const std::size_t n = WholeCount(GetParam());
  for (int frame_no = 0; frame_no < 2; ++frame_no) {
    SCOPED_TRACE(frame_no);
    const std::vector<std::int16_t> pcm = Signal(n, frame_no);
    std::array<std::uint8_t, zv::max_frame_bytes> frame{};
    std::array<std::uint8_t, zv::max_frame_bytes> c_frame{};
    const auto bytes = enc.encode(pcm, frame);
    ASSERT_TRUE(bytes) << zv::message(bytes.error());
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&c_enc, pcm.data(), c_frame.data(), static_cast<int>(n), type()),
              ZT_SUCCESS);
    EXPECT_EQ(*bytes, 4 + 2 * static_cast<std::size_t>(
                                  zt_test::LengthFor(GetParam(), static_cast<int>(n))));
    EXPECT_EQ(frame, c_frame);

    std::array<std::int16_t, zv::max_samples> out{};
    std::array<std::int16_t, zv::max_samples> c_out{};
    std::int16_t c_count = 0;
    const auto count = dec.decode(std::span(frame).first(*bytes), out);
    ASSERT_TRUE(count) << zv::message(count.error());
    ASSERT_EQ(ZT_VOICE_DecodeFrame(&c_dec, c_frame.data(), c_out.data(), type(), &c_count),
              ZT_SUCCESS);
    EXPECT_EQ(*count, n);
    EXPECT_EQ(static_cast<std::size_t>(c_count), n);
    EXPECT_EQ(out, c_out);
  }
}

// For every count: frame_bytes() is the length the encoder writes, and a span
// of exactly that size is enough (the byte after it is never written).
TEST_P(VoiceTypes, FrameBytesIsWhatTheEncoderWrites) {
  zv::Encoder enc = MakeEncoder();
  const std::vector<std::int16_t> pcm = Signal(zv::max_samples, 3);
  for (std::size_t n = 1; n <= zv::max_samples; ++n) {
    SCOPED_TRACE(n);
    const auto expected = zv::frame_bytes(codec(), n);
    ASSERT_TRUE(expected);
    std::array<std::uint8_t, zv::max_frame_bytes + 1> buffer;
    buffer.fill(kCanary);
    const auto bytes = enc.encode(std::span(pcm).first(n), std::span(buffer).first(*expected));
    ASSERT_TRUE(bytes) << zv::message(bytes.error());
    EXPECT_EQ(*bytes, *expected);
    EXPECT_EQ(4 + 2 * std::size_t{buffer[2]}, *expected);
    EXPECT_EQ(buffer[*expected], kCanary);
  }
  EXPECT_EQ(zv::frame_bytes(codec(), 0).error(), zv::Error::enc_length);
  EXPECT_EQ(zv::frame_bytes(codec(), zv::max_samples + 1).error(), zv::Error::enc_length);
}

// decoded_samples() accepts exactly the lengths the library decodes, with the
// library's sample count.
TEST_P(VoiceTypes, DecodedSamplesIsTheLibrarysLengthRule) {
  for (int length = 0; length <= 255; ++length) {
    SCOPED_TRACE(length);
    std::array<std::uint8_t, 4 + 2 * 255> frame{};
    frame[1] = 0x01;
    frame[2] = static_cast<std::uint8_t>(length);
    ZT_VOICE_STATE state;
    ASSERT_EQ(ZT_VOICE_DecReset(&state, type()), ZT_SUCCESS);
    std::array<std::int16_t, 512> pcm{};
    std::int16_t count = 0;
    const ZT_VOICE_RESULT result =
        ZT_VOICE_DecodeFrame(&state, frame.data(), pcm.data(), type(), &count);
    const auto samples = zv::decoded_samples(codec(), static_cast<std::size_t>(length));
    ASSERT_EQ(samples.has_value(), result == ZT_SUCCESS);
    if (samples) {
      EXPECT_EQ(*samples, static_cast<std::size_t>(count));
      zv::Decoder dec = MakeDecoder();
      const auto decoded = dec.decode(std::span(frame).first(4 + 2 * length), pcm);
      ASSERT_TRUE(decoded) << zv::message(decoded.error());
      EXPECT_EQ(*decoded, *samples);
    } else {
      EXPECT_EQ(result, ZT_ERR_VOICE_DEC_LENGTH);
      EXPECT_EQ(samples.error(), zv::Error::dec_length);
    }
  }
}

// Refused encodes write nothing and leave the stream where it was.
TEST_P(VoiceTypes, EncodeRefusesBadSpans) {
  zv::Encoder enc = MakeEncoder();
  const std::size_t n = WholeCount(GetParam());
  // 65617 samples would read as 81 if the count were cut to 16 bits.
  const std::vector<std::int16_t> pcm = Signal(65617, 4);
  std::array<std::uint8_t, zv::max_frame_bytes> frame;
  frame.fill(kCanary);
  const auto untouched = frame;

  EXPECT_EQ(enc.encode({}, frame).error(), zv::Error::enc_length);
  EXPECT_EQ(enc.encode(std::span(pcm).first(zv::max_samples + 1), frame).error(),
            zv::Error::enc_length);
  EXPECT_EQ(enc.encode(pcm, frame).error(), zv::Error::enc_length);
  const std::size_t bytes = zv::frame_bytes(codec(), n).value_or(0);
  EXPECT_EQ(enc.encode(std::span(pcm).first(n), std::span(frame).first(bytes - 1)).error(),
            zv::Error::output_too_small);
  EXPECT_EQ(enc.encode(std::span(pcm).first(n), {}).error(), zv::Error::output_too_small);
  EXPECT_EQ(frame, untouched);

  // The first frame is still the one a fresh encoder makes.
  zv::Encoder fresh = MakeEncoder();
  std::array<std::uint8_t, zv::max_frame_bytes> expected{};
  ASSERT_TRUE(fresh.encode(std::span(pcm).first(n), expected));
  ASSERT_TRUE(enc.encode(std::span(pcm).first(n), frame));
  EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(bytes),
                         frame.begin()));
}

// Refused decodes write no sample and leave the stream where it was; bytes
// after the frame are not read.
TEST_P(VoiceTypes, DecodeRefusesBadSpans) {
  const std::size_t n = WholeCount(GetParam());
  zv::Encoder enc = MakeEncoder();
  std::array<std::uint8_t, zv::max_frame_bytes> frame{};
  const std::vector<std::int16_t> input = Signal(n, 5);
  const std::size_t bytes = enc.encode(input, frame).value_or(0);
  ASSERT_GT(bytes, 4u);
  const auto whole = std::span<const std::uint8_t>(frame).first(bytes);

  zv::Decoder dec = MakeDecoder();
  std::array<std::int16_t, zv::max_samples> pcm;
  pcm.fill(kPcmCanary);
  const auto untouched = pcm;
  for (std::size_t size = 0; size < 4; ++size) {
    EXPECT_EQ(dec.decode(whole.first(size), pcm).error(), zv::Error::frame_truncated) << size;
  }
  EXPECT_EQ(dec.decode(whole.first(bytes - 1), pcm).error(), zv::Error::frame_truncated);
  EXPECT_EQ(dec.decode(whole, std::span(pcm).first(n - 1)).error(), zv::Error::output_too_small);
  for (std::uint8_t kind_byte : {0x00, 0x02, 0x03}) {
    auto bad = frame;
    bad[1] = kind_byte;
    EXPECT_EQ(dec.decode(std::span(bad).first(bytes), pcm).error(), zv::Error::dec_header);
  }
  auto empty = frame;
  empty[2] = 0;
  EXPECT_EQ(dec.decode(std::span(empty).first(bytes), pcm).error(), zv::Error::dec_length);
  EXPECT_EQ(pcm, untouched);

  // The first frame still decodes as by a fresh decoder, from a span with
  // more bytes than the frame.
  zv::Decoder fresh = MakeDecoder();
  std::array<std::int16_t, zv::max_samples> expected{};
  ASSERT_EQ(fresh.decode(whole, expected).value_or(0), n);
  frame[bytes] = 0xFF;
  ASSERT_EQ(dec.decode(frame, pcm).value_or(0), n);
  EXPECT_TRUE(
      std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(n), pcm.begin()));
}

INSTANTIATE_TEST_SUITE_P(Types, VoiceTypes, testing::ValuesIn(zt_test::kCodecTypes),
                         zt_test::CodecTypeName());

// A type-3 frame of fewer than 4 samples carries none: it decodes into an
// empty span.
TEST(Voice, FrameOfNoSamplesDecodesIntoAnEmptySpan) {
  auto enc = zv::Encoder::create(zv::Codec::adpcm);
  auto dec = zv::Decoder::create(zv::Codec::adpcm);
  ASSERT_TRUE(enc && dec);
  const std::array<std::int16_t, 3> pcm{100, -200, 300};
  std::array<std::uint8_t, 8> frame{};
  ASSERT_EQ(enc->encode(pcm, frame).value_or(0), 8u);
  const auto count = dec->decode(frame, {});
  ASSERT_TRUE(count) << zv::message(count.error());
  EXPECT_EQ(*count, 0u);
}

TEST(Voice, ValuesThatAreNoCodecAreRefused) {
  // 65537 and 0x10024 would be types 1 and 36 to the C functions.
  for (int value : {0, 8, 33, 34, 40, -1, 65537, 0x10024}) {
    SCOPED_TRACE(value);
    const auto codec = static_cast<zv::Codec>(value);
    EXPECT_FALSE(zv::is_valid(codec));
    EXPECT_EQ(zv::name(codec), "");
    EXPECT_EQ(zv::Encoder::create(codec).error(), zv::Error::enc_type);
    EXPECT_EQ(zv::Decoder::create(codec).error(), zv::Error::dec_type);
    EXPECT_EQ(zv::frame_bytes(codec, 160).error(), zv::Error::enc_type);
    EXPECT_EQ(zv::decoded_samples(codec, 40).error(), zv::Error::dec_type);
  }
}

TEST(Voice, ErrorsHaveMessagesAndAnErrorCategory) {
  std::vector<std::string> seen;
  for (int value = 1; value <= static_cast<int>(zv::Error::unknown_result); ++value) {
    const auto error = static_cast<zv::Error>(value);
    const std::error_code code = error;  // is_error_code_enum
    EXPECT_FALSE(zv::message(error).empty()) << value;
    EXPECT_EQ(code.message(), zv::message(error));
    EXPECT_STREQ(code.category().name(), "zelt::voice");
    EXPECT_EQ(code, zv::make_error_code(error));
    EXPECT_TRUE(code);
    seen.emplace_back(zv::message(error));
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "two errors share a message";
  EXPECT_EQ(zv::make_error_code(static_cast<zv::Error>(99)).message(), "unknown zelt::voice error");

  // A Result's error_code: empty with a value, the error's otherwise.
  auto enc = zv::Encoder::create(zv::Codec::g711a);
  ASSERT_TRUE(enc);
  std::array<std::uint8_t, 3> small{};
  const std::array<std::int16_t, 80> pcm{};
  const auto refused = enc->encode(pcm, small);
  EXPECT_EQ(refused.error_code(), std::error_code(zv::Error::output_too_small));
  EXPECT_FALSE(zv::frame_bytes(zv::Codec::g711a, 80).error_code());
}

}  // namespace
