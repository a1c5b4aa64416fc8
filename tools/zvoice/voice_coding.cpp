#include "voice_coding.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "cli_error.h"
#include "result_names.h"

namespace zvoice {
namespace {

void Check(ZT_VOICE_RESULT result, const char *what, const Codec &codec) {
  if (result != ZT_SUCCESS) {
    throw Failure(std::string("cannot ") + what + " " + codec.name + ": " + DescribeResult(result));
  }
}

}  // namespace

FrameEncoder::FrameEncoder(const Codec &codec) : codec_(codec) {
  Reset();
}

void FrameEncoder::Reset() {
  Check(ZT_VOICE_EncReset(&state_, codec_.type), "encode", codec_);
}

std::span<const uint8_t> FrameEncoder::Encode(std::span<const int16_t> samples) {
  Check(ZT_VOICE_EncodeFrame(&state_, samples.data(), frame_.data(),
                             static_cast<int>(samples.size()), codec_.type),
        "encode", codec_);
  return std::span<const uint8_t>(frame_).first(FrameBytes(frame_));
}

FrameDecoder::FrameDecoder(const Codec &codec) : codec_(codec) {
  Reset();
}

void FrameDecoder::Reset() {
  Check(ZT_VOICE_DecReset(&state_, codec_.type), "decode", codec_);
}

ZT_VOICE_RESULT FrameDecoder::Decode(std::span<const uint8_t> frame) {
  // A private copy: the MSB-first decoders may reorder payload bits in place.
  const size_t size = std::min(frame.size(), frame_.size());
  std::memcpy(frame_.data(), frame.data(), size);
  return ZT_VOICE_DecodeFrame(&state_, frame_.data(), pcm_.data(), codec_.type, &count_);
}

void EncodeSignal(FrameEncoder &encoder, int frame_samples, std::span<const int16_t> pcm,
                  const std::function<void(std::span<const uint8_t>)> &on_frame) {
  const auto step = static_cast<size_t>(frame_samples);
  size_t start = 0;
  for (; start + step <= pcm.size(); start += step)
    on_frame(encoder.Encode(pcm.subspan(start, step)));
  if (start < pcm.size()) {
    std::array<int16_t, ZT_VOICE_MAX_SAMPLES> last{};  // the padding is silence
    std::copy(pcm.begin() + static_cast<std::ptrdiff_t>(start), pcm.end(), last.begin());
    on_frame(encoder.Encode(std::span<const int16_t>(last).first(step)));
  }
}

}  // namespace zvoice
