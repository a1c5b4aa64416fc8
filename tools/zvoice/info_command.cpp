// zvoice info: what a stream file holds, from its header and frame headers.
#include <array>
#include <cstdio>
#include <vector>

#include "arg_parser.h"
#include "audio_file.h"
#include "commands.h"
#include "file_bytes.h"
#include "stream_file.h"

namespace zvoice {
namespace {

constexpr char kSynopsis[] = "zvoice info FILE";

constexpr char kHelp[] = R"(Usage: zvoice info FILE

Shows the codec, frame size, frame count, duration and bit rate of a
voice-frame stream file, after checking that its frames are all there.

Options:
  -h, --help  show this help
)";

constexpr std::array<OptionSpec, 1> kOptions{{{"help", 'h', false}}};

}  // namespace

int RunInfo(std::span<const std::string> argv) {
  const ParsedArgs args = ParseArgs(argv, kOptions);
  if (PrintHelpIfAsked(args, kHelp)) return 0;
  RequirePositional(args, 1, 1, kSynopsis);
  const std::string &path = args.positional()[0];
  const std::vector<uint8_t> file = ReadFileBytes(path);
  const StreamHeader header = ParseStreamHeader(file, path);

  FrameReader reader(file, header, path);
  size_t first_frame_bytes = 0;
  while (const auto frame = reader.Next()) {
    if (first_frame_bytes == 0) first_frame_bytes = frame->size();
  }

  const Codec &codec = *header.codec;
  const double frame_ms = header.frame_samples * 1000.0 / kCodecRate;
  std::printf("file:        %s\n", path.c_str());
  std::printf("codec:       %d %s (%s)\n", codec.type, codec.name, codec.description);
  std::printf("frame size:  %d samples (%g ms)\n", header.frame_samples, frame_ms);
  std::printf("frames:      %llu\n", static_cast<unsigned long long>(reader.frame_count()));
  std::printf("duration:    %.3f s (%llu samples)\n",
              static_cast<double>(header.total_samples) / kCodecRate,
              static_cast<unsigned long long>(header.total_samples));
  if (first_frame_bytes > 0) {
    // Bits per frame over the frame's duration in ms give kbit/s.
    const auto kbits = [&](size_t bytes) { return static_cast<double>(bytes) * 8.0 / frame_ms; };
    std::printf("bit rate:    %.1f kbit/s payload, %.1f kbit/s with frame headers\n",
                kbits(first_frame_bytes - 4), kbits(first_frame_bytes));
  }
  return 0;
}

}  // namespace zvoice
