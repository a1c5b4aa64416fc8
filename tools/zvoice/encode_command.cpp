// zvoice encode: audio file in, voice-frame stream file (or raw payload) out.
#include <array>
#include <vector>

#include "arg_parser.h"
#include "audio_file.h"
#include "cli_error.h"
#include "codec_catalog.h"
#include "commands.h"
#include "output_file.h"
#include "raw_stream.h"
#include "stream_file.h"
#include "voice_coding.h"

namespace zvoice {
namespace {

constexpr char kSynopsis[] =
    "zvoice encode -c CODEC [--frame-ms MS | --frame-samples N] [--raw] INPUT OUTPUT";

constexpr char kHelp[] =
    R"(Usage: zvoice encode -c CODEC [--frame-ms MS | --frame-samples N] [--raw] INPUT OUTPUT

Encodes an audio file into a voice-frame stream file: a 20-byte header and
the codec's frames (see README.md, "The zvoice tool"). INPUT is anything
libsndfile reads; it is mixed to mono and resampled to 8000 Hz first. The
last frame is padded with silence, and decoding restores the exact length.
OUTPUT appears only once it is complete.

Options:
  -c, --codec CODEC      codec name or type number ('zvoice --help' lists them)
      --frame-ms MS      frame duration in milliseconds (default 20; the
                         adpcm-lead frame has one sample more, 161 for 20 ms)
      --frame-samples N  frame size in samples
                         g711a, g711u, g726-*: multiples of 80 up to 480
                         adpcm: multiples of 4 up to 480
                         adpcm-lead: 4k + 1 up to 481
      --raw              write only the payload bytes, without any header:
                         plain A-law or mu-law bytes for G.711, the packed
                         code stream in the codec's bit order for G.726
                         (ADPCM frames carry coder state and have no raw form)
  -h, --help             show this help
)";

constexpr std::array<OptionSpec, 5> kOptions{{
    {"codec", 'c', true},
    {"frame-ms", 0, true},
    {"frame-samples", 0, true},
    {"raw", 0, false},
    {"help", 'h', false},
}};

int FrameSamplesFromOptions(const ParsedArgs &args, const Codec &codec) {
  const auto ms = args.Value("frame-ms");
  const auto samples = args.Value("frame-samples");
  if (ms && samples) throw UsageError("give --frame-ms or --frame-samples, not both");
  int frame_samples = FrameSamplesForMs(codec, 20);
  if (ms) {
    const int value = ParseCount(*ms, "--frame-ms");
    if (value < 1 || value > 60) {
      throw UsageError("--frame-ms " + *ms + " does not suit " + codec.name + "; it takes " +
                       FrameSizeRule(codec));
    }
    frame_samples = FrameSamplesForMs(codec, value);
  }
  if (samples) frame_samples = ParseCount(*samples, "--frame-samples");
  CheckFrameSize(codec, frame_samples);
  return frame_samples;
}

}  // namespace

int RunEncode(std::span<const std::string> argv) {
  const ParsedArgs args = ParseArgs(argv, kOptions);
  if (PrintHelpIfAsked(args, kHelp)) return 0;
  RequirePositional(args, 2, 2, kSynopsis);
  const auto codec_name = args.Value("codec");
  if (!codec_name) throw UsageError(std::string("no codec given; usage: ") + kSynopsis);
  const Codec &codec = FindCodec(*codec_name);
  const bool raw = args.Has("raw");
  if (raw && !HasRawForm(codec)) {
    throw UsageError(
        std::string(codec.name) +
        " frames carry their own coder start state and have no raw form; use a stream file");
  }
  const int frame_samples = FrameSamplesFromOptions(args, codec);
  const std::string &input = args.positional()[0];
  const std::string &output = args.positional()[1];

  const std::vector<int16_t> pcm = ReadAudio(input);
  // The whole output is built in memory first, so that nothing reaches the
  // disk unless encoding succeeded.
  std::vector<uint8_t> bytes;
  if (!raw) {
    const auto header = SerializeStreamHeader({&codec, frame_samples, pcm.size()});
    bytes.assign(header.begin(), header.end());
  }
  FrameEncoder encoder(codec);
  EncodeSignal(encoder, frame_samples, pcm, [&](std::span<const uint8_t> frame) {
    const auto part = raw ? PayloadOf(frame) : frame;
    bytes.insert(bytes.end(), part.begin(), part.end());
  });
  // A raw stream drops the codes of the padding: it has no count to trim them.
  if (raw) bytes.resize(RawStreamBytes(codec, pcm.size()));

  OutputFile out(output);
  out.Write(bytes);
  out.Commit();
  return 0;
}

}  // namespace zvoice
