// zvoice convert: audio as the codecs take it, 16-bit 8000 Hz mono WAV.
#include <array>

#include "arg_parser.h"
#include "audio_file.h"
#include "commands.h"

namespace zvoice {
namespace {

constexpr char kSynopsis[] = "zvoice convert INPUT OUTPUT.wav";

constexpr char kHelp[] = R"(Usage: zvoice convert INPUT OUTPUT.wav

Mixes INPUT (anything libsndfile reads) to mono, resamples it to 8000 Hz and
writes it as 16-bit PCM WAV: the audio exactly as 'zvoice encode' codes it,
for listening side by side with a decoded file.

Options:
  -h, --help  show this help
)";

constexpr std::array<OptionSpec, 1> kOptions{{{"help", 'h', false}}};

}  // namespace

int RunConvert(std::span<const std::string> argv) {
  const ParsedArgs args = ParseArgs(argv, kOptions);
  if (PrintHelpIfAsked(args, kHelp)) return 0;
  RequirePositional(args, 2, 2, kSynopsis);
  WriteWav(args.positional()[1], ReadAudio(args.positional()[0]));
  return 0;
}

}  // namespace zvoice
