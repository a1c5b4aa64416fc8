// zelt::voice: a header-only C++20 interface to zelt_voice_engine.
//
// Encoder and Decoder each own one state block, reset for one codec when they
// are made, so block and codec always match. encode() and decode() check the
// spans they are given before the library sees them: an empty or too long
// sample span, an output span too small for the result and a frame span
// shorter than its header says are reported as values like the library's own
// refusals. Nothing throws and nothing allocates; only
// std::error_code::message() builds a string, as the standard makes it.
//
//   #include <zelt/voice.hpp>
//   namespace zv = zelt::voice;
//
//   auto enc = zv::Encoder::create(zv::Codec::g726_32k);
//   auto dec = zv::Decoder::create(zv::Codec::g726_32k);
//   if (!enc || !dec) return;                       // enc.error(): Error::enc_type
//   std::array<std::int16_t, 160> pcm{};             // 20 ms
//   std::array<std::uint8_t, zv::max_frame_bytes> frame;
//   std::array<std::int16_t, zv::max_samples> out;
//   auto bytes = enc->encode(pcm, frame);            // Result<std::size_t>: 84
//   if (!bytes) { std::puts(message(bytes.error()).data()); return; }
//   auto count = dec->decode(std::span(frame).first(*bytes), out);  // 160
//
// Link zelt::voice_engine (CMake) or `pkg-config --libs zelt_voice_engine`.
#ifndef ZELT_VOICE_HPP
#define ZELT_VOICE_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "zelt_voice_engine.h"

namespace zelt::voice {

// ---- Codecs and sizes -----------------------------------------------------------

// The twelve codec types; the values are the library's type numbers.
enum class Codec : int {
  g711a = ZT_VOICE_G711A,                // G.711 A-law, 8 bits per sample
  g711u = ZT_VOICE_G711U,                // G.711 mu-law, 8 bits per sample
  adpcm = ZT_VOICE_ADPCM,                // IMA ADPCM, coder state + codes
  adpcm_lead = ZT_VOICE_ADPCM_LEAD,      // IMA ADPCM, first sample + codes
  g726_16k = ZT_VOICE_G726_16K,          // G.726 at 16 kbit/s, LSB-first
  g726_24k = ZT_VOICE_G726_24K,          // G.726 at 24 kbit/s, LSB-first
  g726_32k = ZT_VOICE_G726_32K,          // G.726 at 32 kbit/s, LSB-first
  g726_40k = ZT_VOICE_G726_40K,          // G.726 at 40 kbit/s, LSB-first
  g726_16k_msb = ZT_VOICE_G726_16K_MSB,  // G.726 at 16 kbit/s, MSB-first
  g726_24k_msb = ZT_VOICE_G726_24K_MSB,  // G.726 at 24 kbit/s, MSB-first
  g726_32k_msb = ZT_VOICE_G726_32K_MSB,  // G.726 at 32 kbit/s, MSB-first
  g726_40k_msb = ZT_VOICE_G726_40K_MSB,  // G.726 at 40 kbit/s, MSB-first
};

namespace detail {

struct CodecInfo {
  Codec codec;
  std::string_view name;
  int bits;  // per coded sample
};

inline constexpr std::array<CodecInfo, 12> codec_info{{
    {Codec::g711a, "g711a", 8},
    {Codec::g711u, "g711u", 8},
    {Codec::adpcm, "adpcm", 4},
    {Codec::adpcm_lead, "adpcm_lead", 4},
    {Codec::g726_16k, "g726_16k", 2},
    {Codec::g726_24k, "g726_24k", 3},
    {Codec::g726_32k, "g726_32k", 4},
    {Codec::g726_40k, "g726_40k", 5},
    {Codec::g726_16k_msb, "g726_16k_msb", 2},
    {Codec::g726_24k_msb, "g726_24k_msb", 3},
    {Codec::g726_32k_msb, "g726_32k_msb", 4},
    {Codec::g726_40k_msb, "g726_40k_msb", 5},
}};

// The row of a codec, or codec_info.size() for a value that is none. (An
// index, not a pointer: g++ -fsanitize=undefined cannot compare a pointer
// into a constexpr table with null at compile time.)
constexpr std::size_t find(Codec codec) noexcept {
  std::size_t row = 0;
  while (row < codec_info.size() && codec_info[row].codec != codec) ++row;
  return row;
}

}  // namespace detail

// The twelve codecs in the order of the README's table.
inline constexpr std::array<Codec, 12> all_codecs = [] {
  std::array<Codec, 12> codecs{};
  for (std::size_t i = 0; i < codecs.size(); ++i) codecs[i] = detail::codec_info[i].codec;
  return codecs;
}();

// Largest sample count of one encode (a type-35 frame carries all 481).
inline constexpr std::size_t max_samples = ZT_VOICE_MAX_SAMPLES;
// A frame buffer of this size holds the frame of any codec and count.
inline constexpr std::size_t max_frame_bytes = ZT_VOICE_MAX_FRAME_BYTES;
// G.711 and G.726 frames decode only in whole blocks of this many samples.
inline constexpr std::size_t block_samples = ZT_VOICE_BLOCK_SAMPLES;
// The frame header: control word and length word; `length` 16-bit payload
// words follow.
inline constexpr std::size_t header_bytes = 4;

// The library's type number of a codec.
constexpr int type_number(Codec codec) noexcept {
  return static_cast<int>(codec);
}

// True for the twelve enumerators, false for any other value cast to Codec.
constexpr bool is_valid(Codec codec) noexcept {
  return detail::find(codec) < detail::codec_info.size();
}

// The enumerator's name ("g726_32k_msb"), or "" for a value that is none.
constexpr std::string_view name(Codec codec) noexcept {
  return is_valid(codec) ? detail::codec_info[detail::find(codec)].name : std::string_view();
}

// Bits per coded sample: 8 (G.711), 4 (ADPCM), 2 to 5 (G.726); 0 for a value
// that is no codec.
constexpr int bits_per_sample(Codec codec) noexcept {
  return is_valid(codec) ? detail::codec_info[detail::find(codec)].bits : 0;
}

// ---- Errors ---------------------------------------------------------------------

// Why a call did no work. The first eight are the library's result codes; the
// others are found here, before the library is called.
enum class Error : int {
  null_state = 1,    // ZT_ERR_VOICE_NULL_STATE
  null_input,        // ZT_ERR_VOICE_NULL_INPUT
  null_output,       // ZT_ERR_VOICE_NULL_OUTPUT
  enc_type,          // ZT_ERR_VOICE_ENC_TYPE: no codec, or one the library lacks
  enc_length,        // ZT_ERR_VOICE_ENC_LENGTH: sample count outside 1..481
  dec_type,          // ZT_ERR_VOICE_DEC_TYPE: no codec, or one the library lacks
  dec_length,        // ZT_ERR_VOICE_DEC_LENGTH: a payload length the codec refuses
  dec_header,        // ZT_ERR_VOICE_DEC_HEADER: frame kind (control bits 8-9) not 1
  output_too_small,  // the frame or sample span cannot hold the result
  frame_truncated,   // the frame span is shorter than its header, or than its length word says
  unknown_result,    // the library answered with a code this header does not know
};

// One line of English per error, or "" for a value that is none.
constexpr std::string_view message(Error error) noexcept {
  switch (error) {
    case Error::null_state:
      return "the state block pointer is null";
    case Error::null_input:
      return "the input pointer is null";
    case Error::null_output:
      return "the output pointer is null";
    case Error::enc_type:
      return "encoder: not a codec type, or one this library lacks";
    case Error::enc_length:
      return "encoder: the sample count is outside 1..481";
    case Error::dec_type:
      return "decoder: not a codec type, or one this library lacks";
    case Error::dec_length:
      return "decoder: the codec does not decode this payload length";
    case Error::dec_header:
      return "decoder: the frame kind is not 1";
    case Error::output_too_small:
      return "the output span is too small for the result";
    case Error::frame_truncated:
      return "the frame span is shorter than the frame";
    case Error::unknown_result:
      return "the library returned an unknown result code";
  }
  return {};
}

// The Error of a library result code other than ZT_SUCCESS.
constexpr Error from_result(ZT_VOICE_RESULT result) noexcept {
  switch (result) {
    case ZT_ERR_VOICE_NULL_STATE:
      return Error::null_state;
    case ZT_ERR_VOICE_NULL_INPUT:
      return Error::null_input;
    case ZT_ERR_VOICE_NULL_OUTPUT:
      return Error::null_output;
    case ZT_ERR_VOICE_ENC_TYPE:
      return Error::enc_type;
    case ZT_ERR_VOICE_ENC_LENGTH:
      return Error::enc_length;
    case ZT_ERR_VOICE_DEC_TYPE:
      return Error::dec_type;
    case ZT_ERR_VOICE_DEC_LENGTH:
      return Error::dec_length;
    case ZT_ERR_VOICE_DEC_HEADER:
      return Error::dec_header;
    default:
      return Error::unknown_result;
  }
}

// The std::error_code category of Error, named "zelt::voice".
class ErrorCategory final : public std::error_category {
 public:
  const char *name() const noexcept override { return "zelt::voice"; }
  std::string message(int value) const override {
    const std::string_view text = voice::message(static_cast<Error>(value));
    return text.empty() ? std::string("unknown zelt::voice error") : std::string(text);
  }
};

inline const std::error_category &error_category() noexcept {
  static const ErrorCategory category;
  return category;
}

inline std::error_code make_error_code(Error error) noexcept {
  return {static_cast<int>(error), error_category()};
}

// ---- Result ---------------------------------------------------------------------

// A value or the Error that stands in its place, after std::expected.
// Dereferencing a Result that holds an error is undefined, as for
// std::expected: test it first.
template <class T>
class [[nodiscard]] Result {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "Result holds plain values only");

 public:
  constexpr Result(T value) noexcept : value_(value), has_value_(true) {}
  constexpr Result(Error error) noexcept : error_(error), has_value_(false) {}

  constexpr bool has_value() const noexcept { return has_value_; }
  constexpr explicit operator bool() const noexcept { return has_value_; }

  constexpr T &operator*() noexcept { return value_; }
  constexpr const T &operator*() const noexcept { return value_; }
  constexpr T *operator->() noexcept { return &value_; }
  constexpr const T *operator->() const noexcept { return &value_; }
  constexpr T value_or(T fallback) const noexcept { return has_value_ ? value_ : fallback; }

  // The error; only when has_value() is false.
  constexpr Error error() const noexcept { return error_; }
  // The error as a std::error_code; an empty one with a value.
  std::error_code error_code() const noexcept {
    return has_value_ ? std::error_code() : make_error_code(error_);
  }

 private:
  union {
    T value_;
    Error error_;
  };
  bool has_value_;
};

// ---- Frame sizes ----------------------------------------------------------------

// Bytes of the frame that encoding nsamples (1..481) writes: 4 + 2 * length,
// the length word being n / 2 (G.711), n / 4 + 2 (adpcm), (n - 1) / 4 + 2
// (adpcm_lead) or b * n / 16 (G.726 at b bits per sample). enc_length for a
// count outside 1..481, enc_type for a value that is no codec.
constexpr Result<std::size_t> frame_bytes(Codec codec, std::size_t nsamples) noexcept {
  if (!is_valid(codec)) return Error::enc_type;
  if (nsamples < 1 || nsamples > max_samples) return Error::enc_length;
  std::size_t length = 0;
  switch (codec) {
    case Codec::g711a:
    case Codec::g711u:
      length = nsamples / 2;
      break;
    case Codec::adpcm:
      length = nsamples / 4 + 2;
      break;
    case Codec::adpcm_lead:
      length = (nsamples - 1) / 4 + 2;
      break;
    default:
      length = static_cast<std::size_t>(bits_per_sample(codec)) * nsamples / 16;
      break;
  }
  return header_bytes + 2 * length;
}

// Samples that a frame of payload length `length` (the low byte of its length
// word) decodes to, or dec_length when the decoder refuses that length:
// G.711 and G.726 take whole 80-sample blocks up to 480 (G.711 lengths 40, 80,
// ... 240; G.726 at b bits 5b, 10b, ... 30b), ADPCM lengths 2 to 122 (4(L - 2)
// samples, one more for adpcm_lead). dec_type for a value that is no codec.
constexpr Result<std::size_t> decoded_samples(Codec codec, std::size_t length) noexcept {
  if (!is_valid(codec)) return Error::dec_type;
  if (length < 1 || length > 255) return Error::dec_length;
  if (codec == Codec::adpcm || codec == Codec::adpcm_lead) {
    if (length < 2 || length > 122) return Error::dec_length;
    return 4 * (length - 2) + (codec == Codec::adpcm_lead ? 1 : 0);
  }
  const std::size_t n = 16 * length / static_cast<std::size_t>(bits_per_sample(codec));
  if (n > max_samples || n % block_samples != 0) return Error::dec_length;
  return n;
}

// ---- Encoder and decoder ----------------------------------------------------------

// One direction of one stream: a state block reset for one codec. Copying an
// Encoder copies the stream's state; each copy then runs on by itself.
class Encoder {
 public:
  // An encoder at the start of a stream; enc_type for a value that is no
  // codec or a codec this build of the library lacks.
  static Result<Encoder> create(Codec codec) noexcept {
    if (!is_valid(codec)) return Error::enc_type;
    Encoder encoder(codec);
    const ZT_VOICE_RESULT result = ZT_VOICE_EncReset(&encoder.state_, type_number(codec));
    if (result != ZT_SUCCESS) return from_result(result);
    return encoder;
  }

  constexpr Codec codec() const noexcept { return codec_; }

  // Starts the stream over.
  void reset() noexcept { static_cast<void>(ZT_VOICE_EncReset(&state_, type_number(codec_))); }

  // Codes pcm (1 to 481 samples) into one frame at the start of `frame` and
  // returns the frame's size, frame_bytes(codec(), pcm.size()); no byte of
  // `frame` after it is written. Samples that fill no whole payload unit are
  // coded but not carried (see the README). enc_length for an empty or too
  // long `pcm`, output_too_small for a `frame` shorter than the frame; then
  // nothing is written and the stream has not moved.
  Result<std::size_t> encode(std::span<const std::int16_t> pcm,
                             std::span<std::uint8_t> frame) noexcept {
    const Result<std::size_t> bytes = frame_bytes(codec_, pcm.size());
    if (!bytes) return bytes;
    if (frame.size() < *bytes) return Error::output_too_small;
    const ZT_VOICE_RESULT result = ZT_VOICE_EncodeFrame(
        &state_, pcm.data(), frame.data(), static_cast<int>(pcm.size()), type_number(codec_));
    if (result != ZT_SUCCESS) return from_result(result);
    return bytes;
  }

 private:
  explicit constexpr Encoder(Codec codec) noexcept : codec_(codec) {}

  ZT_VOICE_STATE state_{};
  Codec codec_;
};

// The receiving end of one stream: a state block reset for one codec.
class Decoder {
 public:
  // A decoder at the start of a stream; dec_type for a value that is no
  // codec or a codec this build of the library lacks.
  static Result<Decoder> create(Codec codec) noexcept {
    if (!is_valid(codec)) return Error::dec_type;
    Decoder decoder(codec);
    const ZT_VOICE_RESULT result = ZT_VOICE_DecReset(&decoder.state_, type_number(codec));
    if (result != ZT_SUCCESS) return from_result(result);
    return decoder;
  }

  constexpr Codec codec() const noexcept { return codec_; }

  // Starts the stream over.
  void reset() noexcept { static_cast<void>(ZT_VOICE_DecReset(&state_, type_number(codec_))); }

  // Decodes the frame at the start of `frame` into the start of `pcm` and
  // returns the number of samples written, decoded_samples(codec(), L) for
  // the frame's length byte L. Bytes of `frame` after the frame are not read,
  // and the frame is not written. Checked in this order, with nothing written
  // on a failure: frame_truncated (fewer than 4 bytes), dec_header,
  // dec_length, frame_truncated (fewer than 4 + 2L bytes), output_too_small
  // (`pcm` shorter than the samples).
  Result<std::size_t> decode(std::span<const std::uint8_t> frame,
                             std::span<std::int16_t> pcm) noexcept {
    if (frame.size() < header_bytes) return Error::frame_truncated;
    if ((frame[1] & 3) != 1) return Error::dec_header;  // kind: bits 8-9 of control
    const std::size_t length = frame[2];                // the low byte of the length word
    const Result<std::size_t> samples = decoded_samples(codec_, length);
    if (!samples) return samples;
    if (frame.size() < header_bytes + 2 * length) return Error::frame_truncated;
    if (pcm.size() < *samples) return Error::output_too_small;
    // A frame of no samples still needs a sample pointer.
    std::int16_t none[1];
    std::int16_t count = 0;
    const ZT_VOICE_RESULT result = ZT_VOICE_DecodeFrame(
        &state_, frame.data(), pcm.empty() ? none : pcm.data(), type_number(codec_), &count);
    if (result != ZT_SUCCESS) return from_result(result);
    return static_cast<std::size_t>(count);
  }

 private:
  explicit constexpr Decoder(Codec codec) noexcept : codec_(codec) {}

  ZT_VOICE_STATE state_{};
  Codec codec_;
};

}  // namespace zelt::voice

template <>
struct std::is_error_code_enum<zelt::voice::Error> : std::true_type {};

#endif  // ZELT_VOICE_HPP
