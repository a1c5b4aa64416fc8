// zvoice: the speech codecs of zelt_voice_engine on audio files. Uses only
// the library's public header, as any host program does.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli_error.h"
#include "codec_catalog.h"
#include "commands.h"

namespace {

constexpr char kUsage[] = R"(Usage: zvoice COMMAND [OPTIONS] [ARGS]

Codes audio with the speech codecs of zelt_voice_engine (8000 Hz, mono).

Commands:
  compare [INPUT] [--out DIR]   code INPUT (default: a built-in speech clip) with
                                every codec and print bit rates, SNR and speed
  encode -c CODEC INPUT OUTPUT  encode audio into a voice-frame stream file (.zvf)
  decode INPUT OUTPUT.wav       decode a stream file to 16-bit 8000 Hz mono WAV
  info FILE                     show a stream file's codec, frames and bit rate
  convert INPUT OUTPUT.wav      convert audio to 16-bit 8000 Hz mono WAV as the
                                codecs take it

Input audio is anything libsndfile reads (WAV, FLAC, AIFF, ...) at any rate and
channel count; it is mixed to mono and resampled to 8000 Hz.

Codecs, by name or type number:
)";

constexpr char kUsageEnd[] = R"(
'zvoice COMMAND --help' describes a command.
Exit status: 0 done, 1 a file or data that cannot be used, 2 a bad command line.
)";

void PrintUsage(std::FILE *out) {
  std::fputs(kUsage, out);
  for (const zvoice::Codec &c : zvoice::AllCodecs()) {
    std::fprintf(out, "  %2d  %-12s %s\n", c.type, c.name, c.description);
  }
  std::fputs(kUsageEnd, out);
}

int Dispatch(const std::vector<std::string> &argv) {
  if (argv.empty()) {
    PrintUsage(stderr);
    return zvoice::kExitUsage;
  }
  const std::string &command = argv[0];
  const std::span<const std::string> rest = std::span(argv).subspan(1);
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("zvoice %s\n", ZVOICE_VERSION);
    return 0;
  }
  if (command == "compare") return zvoice::RunCompare(rest);
  if (command == "encode") return zvoice::RunEncode(rest);
  if (command == "decode") return zvoice::RunDecode(rest);
  if (command == "info") return zvoice::RunInfo(rest);
  if (command == "convert") return zvoice::RunConvert(rest);
  throw zvoice::UsageError("unknown command '" + command + "'; 'zvoice --help' lists them");
}

}  // namespace

int main(int argc, char **argv) {
  try {
    return Dispatch(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const zvoice::CliError &e) {
    std::fprintf(stderr, "zvoice: %s\n", e.what());
    return e.exit_status();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "zvoice: %s\n", e.what());
    return zvoice::kExitFailure;
  }
}
