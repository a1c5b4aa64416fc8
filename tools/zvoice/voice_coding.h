// Frame-by-frame coding through the library's public interface.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "codec_catalog.h"
#include "zelt_voice_engine.h"

namespace zvoice {

// Bytes of the frame that starts at `frame`: 4 header bytes plus 2 per payload
// word, the length taken from byte 2 as the decoder reads it.
inline size_t FrameBytes(std::span<const uint8_t> frame) {
  return 4 + 2 * size_t{frame[2]};
}
inline std::span<const uint8_t> PayloadOf(std::span<const uint8_t> frame) {
  return frame.subspan(4, FrameBytes(frame) - 4);
}

// One encoder stream: a state block reset for the codec.
class FrameEncoder {
 public:
  // Throws a failure with the library's result when the codec is unavailable.
  explicit FrameEncoder(const Codec &codec);
  void Reset();
  // Encodes 1 to 481 samples into one frame, valid until the next call.
  std::span<const uint8_t> Encode(std::span<const int16_t> samples);

 private:
  const Codec &codec_;
  ZT_VOICE_STATE state_;
  std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame_;
};

// One decoder stream.
class FrameDecoder {
 public:
  explicit FrameDecoder(const Codec &codec);
  void Reset();
  // Decodes one frame (at least FrameBytes(frame) bytes) and returns the
  // library's result; on success samples() holds what it decoded.
  ZT_VOICE_RESULT Decode(std::span<const uint8_t> frame);
  std::span<const int16_t> samples() const { return {pcm_.data(), static_cast<size_t>(count_)}; }

 private:
  const Codec &codec_;
  ZT_VOICE_STATE state_;
  std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame_;
  std::array<int16_t, ZT_VOICE_MAX_SAMPLES> pcm_;
  int16_t count_ = 0;
};

// Encodes a whole signal in frames of `frame_samples`, padding the last frame
// with silence, and hands each frame to `on_frame` in order.
void EncodeSignal(FrameEncoder &encoder, int frame_samples, std::span<const int16_t> pcm,
                  const std::function<void(std::span<const uint8_t>)> &on_frame);

// Number of frames that carry `samples` samples.
inline uint64_t FramesFor(uint64_t samples, int frame_samples) {
  return (samples + static_cast<uint64_t>(frame_samples) - 1) /
         static_cast<uint64_t>(frame_samples);
}

}  // namespace zvoice
