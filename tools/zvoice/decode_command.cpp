// zvoice decode: stream file (or raw payload) in, 16-bit 8000 Hz mono WAV out.
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "arg_parser.h"
#include "audio_file.h"
#include "cli_error.h"
#include "codec_catalog.h"
#include "commands.h"
#include "file_bytes.h"
#include "raw_stream.h"
#include "result_names.h"
#include "stream_file.h"
#include "voice_coding.h"

namespace zvoice {
namespace {

constexpr char kSynopsis[] = "zvoice decode [--raw -c CODEC] INPUT OUTPUT.wav";

constexpr char kHelp[] = R"(Usage: zvoice decode [--raw -c CODEC] INPUT OUTPUT.wav

Decodes a voice-frame stream file written by 'zvoice encode' into a 16-bit
PCM WAV file at 8000 Hz, mono, of exactly the encoded length. A damaged
stream decodes up to the damage: OUTPUT.wav holds the audio of every frame
before it, the error names the frame and its byte offset, and the exit
status is 1.

Options:
      --raw          INPUT is a headerless payload stream (see 'zvoice encode
                     --help'); it holds as many samples as whole codes fit
  -c, --codec CODEC  the codec of a raw stream: g711a, g711u or g726-*
  -h, --help         show this help
)";

constexpr std::array<OptionSpec, 3> kOptions{{
    {"codec", 'c', true},
    {"raw", 0, false},
    {"help", 'h', false},
}};

// Decodes frame after frame into `pcm`; throws at the first damage, leaving
// in `pcm` the samples of every frame before it.
void DecodeFrames(std::span<const uint8_t> file, const StreamHeader &header,
                  const std::string &path, FrameDecoder &decoder, std::vector<int16_t> &pcm) {
  FrameReader reader(file, header, path);
  const auto frame_samples = static_cast<size_t>(header.frame_samples);
  while (const auto frame = reader.Next()) {
    const ZT_VOICE_RESULT result = decoder.Decode(*frame);
    if (result != ZT_SUCCESS) throw reader.Damage(DescribeResult(result));
    const auto samples = decoder.samples();
    if (samples.size() != frame_samples) {
      throw reader.Damage("decodes to " + std::to_string(samples.size()) +
                          " samples, the stream's frames hold " + std::to_string(frame_samples));
    }
    pcm.insert(pcm.end(), samples.begin(), samples.end());
  }
}

}  // namespace

int RunDecode(std::span<const std::string> argv) {
  const ParsedArgs args = ParseArgs(argv, kOptions);
  if (PrintHelpIfAsked(args, kHelp)) return 0;
  RequirePositional(args, 2, 2, kSynopsis);
  const bool raw = args.Has("raw");
  const auto codec_name = args.Value("codec");
  if (raw && !codec_name) throw UsageError("--raw needs -c CODEC: a raw stream names no codec");
  if (!raw && codec_name)
    throw UsageError("-c applies to --raw only: a stream file names its codec");
  const Codec *raw_codec = raw ? &FindCodec(*codec_name) : nullptr;
  if (raw_codec && !HasRawForm(*raw_codec)) {
    throw UsageError(
        std::string(raw_codec->name) +
        " frames carry their own coder start state and have no raw form; use a stream file");
  }
  const std::string &input = args.positional()[0];
  const std::string &output = args.positional()[1];

  const std::vector<uint8_t> file = ReadFileBytes(input);
  if (raw_codec) {
    WriteWav(output, DecodeRawStream(*raw_codec, file, input));
    return 0;
  }
  const StreamHeader header = ParseStreamHeader(file, input);
  FrameDecoder decoder(*header.codec);
  std::vector<int16_t> pcm;
  std::optional<CliError> damage;
  try {
    DecodeFrames(file, header, input, decoder, pcm);
  } catch (const CliError &e) {
    damage = e;
  }
  // Drop the padding of the last frame.
  pcm.resize(std::min<size_t>(pcm.size(), header.total_samples));
  WriteWav(output, pcm);
  if (damage) throw *damage;
  return 0;
}

}  // namespace zvoice
