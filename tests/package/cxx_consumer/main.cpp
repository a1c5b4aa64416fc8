// Round-trips a sawtooth through every codec with zelt::voice and checks that a
// too small frame buffer comes back as an error value.
#include <zelt/voice.hpp>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace zv = zelt::voice;

int main() {
  if (std::strcmp(ZT_VOICE_VERSION_STRING, ZT_EXPECTED_VERSION) != 0) {
    std::fprintf(stderr, "header %s, package %s\n", ZT_VOICE_VERSION_STRING, ZT_EXPECTED_VERSION);
    return 1;
  }
  std::array<std::int16_t, 161> pcm{};
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    pcm[i] = static_cast<std::int16_t>(static_cast<int>(i % 40) * 400 - 8000);
  }
  std::array<std::uint8_t, zv::max_frame_bytes> frame{};
  std::array<std::int16_t, zv::max_samples> out{};

  int failures = 0;
  for (zv::Codec codec : zv::all_codecs) {
    const std::size_t n = codec == zv::Codec::adpcm_lead ? 161 : 160;
    auto enc = zv::Encoder::create(codec);
    auto dec = zv::Decoder::create(codec);
    if (!enc || !dec) {
      std::fprintf(stderr, "%s: %s\n", zv::name(codec).data(),
                   zv::message(enc ? dec.error() : enc.error()).data());
      ++failures;
      continue;
    }
    const auto input = std::span<const std::int16_t>(pcm).first(n);
    const auto bytes = enc->encode(input, frame);
    const auto count = bytes ? dec->decode(std::span(frame).first(*bytes), out)
                             : zv::Result<std::size_t>(bytes.error());
    if (!count || *count != n) {
      std::fprintf(stderr, "%s: %s\n", zv::name(codec).data(),
                   count ? "wrong sample count" : zv::message(count.error()).data());
      ++failures;
    }
    const auto refused = enc->encode(input, std::span(frame).first(3));
    if (refused || refused.error() != zv::Error::output_too_small) ++failures;
  }
  if (failures == 0)
    std::printf("C++ consumer: zelt::voice %s, 12 codecs\n", ZT_VOICE_VERSION_STRING);
  return failures == 0 ? 0 : 1;
}
