#include "raw_stream.h"

#include <algorithm>
#include <array>

#include "cli_error.h"
#include "result_names.h"
#include "voice_coding.h"
#include "zelt_voice_engine.h"

namespace zvoice {

std::vector<int16_t> DecodeRawStream(const Codec &codec, std::span<const uint8_t> stream,
                                     const std::string &path) {
  // The decoder takes whole 80-sample blocks, 10 bytes per code bit; feed it
  // six blocks a frame and pad the last frame to a whole block with zeros.
  const size_t block_bytes = 10 * static_cast<size_t>(codec.bits_per_code);
  const size_t frame_payload = 6 * block_bytes;
  const uint64_t total = uint64_t{stream.size()} * 8 / static_cast<uint64_t>(codec.bits_per_code);
  FrameDecoder decoder(codec);
  std::vector<int16_t> pcm;
  pcm.reserve(static_cast<size_t>(total) + ZT_VOICE_MAX_SAMPLES);
  std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
  for (size_t offset = 0; offset < stream.size(); offset += frame_payload) {
    const size_t take = std::min(frame_payload, stream.size() - offset);
    const size_t padded = (take + block_bytes - 1) / block_bytes * block_bytes;
    frame[0] = 0x00;  // control word 0x0100: frame kind 1
    frame[1] = 0x01;
    frame[2] = static_cast<uint8_t>(padded / 2);  // length in 16-bit words
    frame[3] = 0x00;
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset), take, frame.begin() + 4);
    std::fill(frame.begin() + 4 + static_cast<std::ptrdiff_t>(take),
              frame.begin() + 4 + static_cast<std::ptrdiff_t>(padded), uint8_t{0});
    const ZT_VOICE_RESULT result = decoder.Decode(frame);
    if (result != ZT_SUCCESS) {
      throw Failure(path + ": byte " + std::to_string(offset) + ": " + DescribeResult(result));
    }
    const auto samples = decoder.samples();
    pcm.insert(pcm.end(), samples.begin(), samples.end());
  }
  pcm.resize(static_cast<size_t>(total));
  return pcm;
}

}  // namespace zvoice
