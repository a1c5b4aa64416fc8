// zvoice compare: codes one input with every codec type and prints a table
// of bit rates, frame sizes, quality and speed; like a built-in benchmark,
// it checks each round trip on the way.
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "arg_parser.h"
#include "audio_file.h"
#include "cli_error.h"
#include "codec_catalog.h"
#include "commands.h"
#include "embedded_clip.h"
#include "signal_quality.h"
#include "voice_coding.h"

namespace zvoice {
namespace {

constexpr char kSynopsis[] = "zvoice compare [INPUT] [--frame-ms MS] [--out DIR]";

constexpr char kHelp[] = R"(Usage: zvoice compare [INPUT] [--frame-ms MS] [--out DIR]

Encodes and decodes INPUT with each of the twelve codec types and prints one
row per type: payload bit rate and bit rate with frame headers, bytes per
frame, frame duration, SNR and segmental SNR of the decoded audio against
the input (after its conversion to 8000 Hz mono), and encode and decode
speed as multiples of real time. Without INPUT it codes a built-in clip of
speech. Exits with 1 when a codec type fails its round trip.

Options:
      --frame-ms MS  frame duration: 10, 20 (default), 30, 40, 50 or 60
      --out DIR      also write DIR/input.wav and one decoded WAV per codec,
                     named after it (DIR/g726-32.wav, ...), for listening
  -h, --help         show this help
)";

constexpr std::array<OptionSpec, 3> kOptions{{
    {"frame-ms", 0, true},
    {"out", 0, true},
    {"help", 'h', false},
}};

// Each timing runs the pass again until this much time has gone by, so that
// a short clip still gives a steady figure.
constexpr double kMinTimingSeconds = 0.05;

struct Trial {
  std::vector<uint8_t> stream;  // the frames back to back
  std::vector<int16_t> decoded;
  double encode_seconds = 0.0;  // per pass over the input
  double decode_seconds = 0.0;
};

double SecondsPerPass(const std::function<void()> &pass) {
  using Clock = std::chrono::steady_clock;
  pass();  // warms the caches; the passes below are timed
  const Clock::time_point start = Clock::now();
  int passes = 0;
  double elapsed = 0.0;
  do {
    pass();
    ++passes;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < kMinTimingSeconds);
  return elapsed / passes;
}

Trial RunTrial(const Codec &codec, int frame_samples, std::span<const int16_t> pcm) {
  Trial t;
  FrameEncoder encoder(codec);
  FrameDecoder decoder(codec);
  t.stream.reserve(FramesFor(pcm.size(), frame_samples) * ZT_VOICE_MAX_FRAME_BYTES);
  t.decoded.reserve(pcm.size() + ZT_VOICE_MAX_SAMPLES);
  t.encode_seconds = SecondsPerPass([&] {
    encoder.Reset();
    t.stream.clear();
    EncodeSignal(encoder, frame_samples, pcm, [&](std::span<const uint8_t> frame) {
      t.stream.insert(t.stream.end(), frame.begin(), frame.end());
    });
  });
  t.decode_seconds = SecondsPerPass([&] {
    decoder.Reset();
    t.decoded.clear();
    const std::span<const uint8_t> stream(t.stream);
    for (size_t at = 0; at < stream.size(); at += FrameBytes(stream.subspan(at))) {
      const ZT_VOICE_RESULT result = decoder.Decode(stream.subspan(at));
      const auto samples = decoder.samples();
      if (result != ZT_SUCCESS || samples.size() != static_cast<size_t>(frame_samples)) {
        throw Failure(std::string(codec.name) + " round trip failed at byte " + std::to_string(at) +
                      " of its stream");
      }
      t.decoded.insert(t.decoded.end(), samples.begin(), samples.end());
    }
  });
  t.decoded.resize(pcm.size());  // drop the padding of the last frame
  return t;
}

// "37.6", or "inf" for a perfect match and "-" for no figure.
std::string Decibels(double db) {
  if (std::isnan(db)) return "-";
  if (std::isinf(db)) return "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", db);
  return text;
}

int ParseFrameMs(const ParsedArgs &args) {
  const auto text = args.Value("frame-ms");
  if (!text) return 20;
  const int ms = ParseCount(*text, "--frame-ms");
  // Frame sizes that every codec type decodes: whole 10 ms blocks.
  if (ms < 10 || ms > 60 || ms % 10 != 0) {
    throw UsageError("--frame-ms " + *text + " does not suit every codec; use 10, 20, ... 60");
  }
  return ms;
}

}  // namespace

int RunCompare(std::span<const std::string> argv) {
  const ParsedArgs args = ParseArgs(argv, kOptions);
  if (PrintHelpIfAsked(args, kHelp)) return 0;
  RequirePositional(args, 0, 1, kSynopsis);
  const int frame_ms = ParseFrameMs(args);
  const bool from_file = !args.positional().empty();
  const std::string label = from_file ? args.positional()[0] : "built-in speech clip";
  const std::vector<int16_t> pcm =
      from_file ? ReadAudio(label) : ReadAudio(EmbeddedClipWav(), label);
  if (pcm.empty()) throw Failure(label + ": no samples to compare");
  const double seconds = static_cast<double>(pcm.size()) / kCodecRate;

  const std::optional<std::filesystem::path> out_dir = args.Value("out");
  if (out_dir) {
    std::error_code error;
    std::filesystem::create_directories(*out_dir, error);
    if (error) throw Failure("cannot create '" + out_dir->string() + "': " + error.message());
    WriteWav((*out_dir / "input.wav").string(), pcm);
  }

  std::printf("%s: %.2f s, 8000 Hz mono, %d ms frames\n\n", label.c_str(), seconds, frame_ms);
  std::printf("%4s  %-12s %8s %8s %7s %7s %6s %7s %8s %8s\n", "type", "codec", "payload", "on wire",
              "bytes/", "frame", "SNR", "segSNR", "encode", "decode");
  std::printf("%4s  %-12s %8s %8s %7s %7s %6s %7s %8s %8s\n", "", "", "kbit/s", "kbit/s", "frame",
              "ms", "dB", "dB", "x real", "x real");
  int failed = 0;
  for (const Codec &codec : AllCodecs()) {
    const int frame_samples = FrameSamplesForMs(codec, frame_ms);
    std::printf("%4d  %-12s ", codec.type, codec.name);
    std::fflush(stdout);
    try {
      const Trial t = RunTrial(codec, frame_samples, pcm);
      const size_t frame_bytes = FrameBytes(t.stream);
      const double duration_ms = frame_samples * 1000.0 / kCodecRate;
      const SignalQuality q = MeasureQuality(pcm, t.decoded);
      std::printf("%8.1f %8.1f %7zu %7.3f %6s %7s %7.0fx %7.0fx\n",
                  static_cast<double>(frame_bytes - 4) * 8.0 / duration_ms,
                  static_cast<double>(frame_bytes) * 8.0 / duration_ms, frame_bytes, duration_ms,
                  Decibels(q.snr_db).c_str(), Decibels(q.segmental_snr_db).c_str(),
                  seconds / t.encode_seconds, seconds / t.decode_seconds);
      if (out_dir) WriteWav((*out_dir / (std::string(codec.name) + ".wav")).string(), t.decoded);
    } catch (const CliError &e) {
      std::printf("failed: %s\n", e.what());
      ++failed;
    }
  }
  std::printf(
      "\nSNR and segSNR (20 ms segments above -50 dBFS) compare the decoded audio with\n"
      "the input; speeds are audio duration over coding time, one thread.\n");
  if (failed > 0) {
    throw Failure(std::to_string(failed) + " of " + std::to_string(AllCodecs().size()) +
                  " codec types failed");
  }
  return 0;
}

}  // namespace zvoice
