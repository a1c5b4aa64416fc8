#include "codec_catalog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "cli_error.h"
#include "zelt_voice_engine.h"

namespace zvoice {
namespace {

constexpr std::array<Codec, 12> kCodecs{{
    {ZT_VOICE_G711A, "g711a", "G.711 A-law", CodecFamily::kG711, 8},
    {ZT_VOICE_G711U, "g711u", "G.711 mu-law", CodecFamily::kG711, 8},
    {ZT_VOICE_ADPCM, "adpcm", "IMA ADPCM, coder state + codes", CodecFamily::kAdpcm, 4},
    {ZT_VOICE_ADPCM_LEAD, "adpcm-lead", "IMA ADPCM, first sample + codes", CodecFamily::kAdpcm, 4},
    {ZT_VOICE_G726_16K, "g726-16", "G.726 16 kbit/s, LSB-first", CodecFamily::kG726, 2},
    {ZT_VOICE_G726_24K, "g726-24", "G.726 24 kbit/s, LSB-first", CodecFamily::kG726, 3},
    {ZT_VOICE_G726_32K, "g726-32", "G.726 32 kbit/s, LSB-first", CodecFamily::kG726, 4},
    {ZT_VOICE_G726_40K, "g726-40", "G.726 40 kbit/s, LSB-first", CodecFamily::kG726, 5},
    {ZT_VOICE_G726_16K_MSB, "g726-16-msb", "G.726 16 kbit/s, MSB-first", CodecFamily::kG726, 2},
    {ZT_VOICE_G726_24K_MSB, "g726-24-msb", "G.726 24 kbit/s, MSB-first", CodecFamily::kG726, 3},
    {ZT_VOICE_G726_32K_MSB, "g726-32-msb", "G.726 32 kbit/s, MSB-first", CodecFamily::kG726, 4},
    {ZT_VOICE_G726_40K_MSB, "g726-40-msb", "G.726 40 kbit/s, MSB-first", CodecFamily::kG726, 5},
}};

// Largest frame of samples that a decoder returns whole: 480, or 481 for the
// type that sends its first sample unchanged.
int MaxFrameSamples(const Codec &codec) {
  return codec.type == ZT_VOICE_ADPCM_LEAD ? 481 : 480;
}

}  // namespace

std::span<const Codec> AllCodecs() {
  return kCodecs;
}

const Codec *CodecOfType(int type) {
  for (const Codec &c : kCodecs) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

const Codec &FindCodec(std::string_view name_or_number) {
  std::string wanted(name_or_number);
  std::transform(wanted.begin(), wanted.end(), wanted.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  for (const Codec &c : kCodecs) {
    if (wanted == c.name || wanted == std::to_string(c.type)) return c;
  }
  throw UsageError("unknown codec '" + std::string(name_or_number) +
                   "'; 'zvoice --help' lists the codec names and type numbers");
}

bool FrameSizeWorks(const Codec &codec, int samples) {
  if (samples < 1 || samples > MaxFrameSamples(codec)) return false;
  switch (codec.family) {
    case CodecFamily::kG711:
    case CodecFamily::kG726:
      // Their decoders accept whole 80-sample blocks only.
      return samples % ZT_VOICE_BLOCK_SAMPLES == 0;
    case CodecFamily::kAdpcm:
      // Codes travel four to a 16-bit word; type 35 sends one sample ahead.
      return codec.type == ZT_VOICE_ADPCM ? samples % 4 == 0 : samples % 4 == 1;
  }
  return false;
}

int FrameSamplesForMs(const Codec &codec, int ms) {
  return 8 * ms + (codec.type == ZT_VOICE_ADPCM_LEAD ? 1 : 0);
}

std::string FrameSizeRule(const Codec &codec) {
  switch (codec.family) {
    case CodecFamily::kG711:
    case CodecFamily::kG726:
      return "multiples of 80 samples up to 480 (--frame-ms 10, 20, ... 60)";
    case CodecFamily::kAdpcm:
      return codec.type == ZT_VOICE_ADPCM
                 ? "multiples of 4 samples up to 480 (--frame-ms 1 to 60)"
                 : "4k + 1 samples up to 481, such as 161 for 20 ms (--frame-ms 1 to 60)";
  }
  return "";
}

void CheckFrameSize(const Codec &codec, int samples) {
  if (FrameSizeWorks(codec, samples)) return;
  throw UsageError("a frame of " + std::to_string(samples) + " samples does not suit " +
                   codec.name + "; it takes " + FrameSizeRule(codec));
}

}  // namespace zvoice
