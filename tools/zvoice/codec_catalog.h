// The twelve codec types as zvoice names them, and the frame sizes each one
// carries without loss.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zvoice {

enum class CodecFamily { kG711, kAdpcm, kG726 };

struct Codec {
  int type;                 // the library's codec type number
  const char *name;         // command-line name: g711a, adpcm-lead, g726-32-msb, ...
  const char *description;  // for help and info
  CodecFamily family;
  int bits_per_code;  // 8 for G.711, 4 for ADPCM, 2..5 for G.726
};

std::span<const Codec> AllCodecs();

// Looks a codec up by name (any letter case) or by type number; throws a
// usage error naming the unknown codec.
const Codec &FindCodec(std::string_view name_or_number);

// The codec of a type number, or nullptr.
const Codec *CodecOfType(int type);

// True when frames of `samples` samples carry every sample and decode back to
// `samples` samples.
bool FrameSizeWorks(const Codec &codec, int samples);

// The frame size for a duration: 8 samples per millisecond, plus the sample
// that type 35 sends unchanged ahead of its codes.
int FrameSamplesForMs(const Codec &codec, int ms);

// Throws a usage error that says which frame sizes suit the codec, unless
// `samples` is one of them.
void CheckFrameSize(const Codec &codec, int samples);

// One line that lists the frame sizes the codec accepts.
std::string FrameSizeRule(const Codec &codec);

// G.711 and G.726 payloads are plain code streams; ADPCM payloads carry the
// coder state of each frame and have no headerless form.
inline bool HasRawForm(const Codec &codec) {
  return codec.family != CodecFamily::kAdpcm;
}

}  // namespace zvoice
