// zvoice end to end: every codec through stream files and raw streams, exact
// lengths, conversion of foreign inputs, the comparison table, and one clear
// line and exit status for each kind of bad input.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "zvoice_runner.h"

namespace {

namespace fs = std::filesystem;
using zvoice_test::ReadAudio;
using zvoice_test::ReadBytes;
using zvoice_test::RunResult;
using zvoice_test::RunZvoice;
using zvoice_test::WriteAudio;
using zvoice_test::WriteBytes;
using zvoice_test::WriteWav8k;

struct CodecCase {
  const char *name;
  int type;
  int bits;   // per code
  int frame;  // samples in a 20 ms frame
  int largest_frame;
  bool raw;           // has a headerless form
  double min_snr_db;  // on SpeechLike(), some 6 dB under what the codecs reach
};

constexpr CodecCase kCodecs[] = {
    {"g711a", 1, 8, 160, 480, true, 30},        {"g711u", 2, 8, 160, 480, true, 30},
    {"adpcm", 3, 4, 160, 480, false, 18},       {"adpcm-lead", 35, 4, 161, 481, false, 18},
    {"g726-16", 4, 2, 160, 480, true, 10},      {"g726-24", 5, 3, 160, 480, true, 16},
    {"g726-32", 6, 4, 160, 480, true, 22},      {"g726-40", 7, 5, 160, 480, true, 25},
    {"g726-16-msb", 36, 2, 160, 480, true, 10}, {"g726-24-msb", 37, 3, 160, 480, true, 16},
    {"g726-32-msb", 38, 4, 160, 480, true, 22}, {"g726-40-msb", 39, 5, 160, 480, true, 25},
};

void PrintTo(const CodecCase &c, std::ostream *os) {
  *os << c.name;
}

// Three partials under a 3 Hz swell, about -16 dBFS: voiced speech in miniature.
std::vector<int16_t> SpeechLike(size_t n) {
  constexpr double kPi = 3.14159265358979323846;
  std::vector<int16_t> pcm(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / 8000.0;
    const double swell = 0.6 + 0.4 * std::sin(2 * kPi * 3 * t);
    pcm[i] = static_cast<int16_t>(swell * (5000 * std::sin(2 * kPi * 330 * t) +
                                           2500 * std::sin(2 * kPi * 1230 * t + 1) +
                                           800 * std::sin(2 * kPi * 2700 * t)));
  }
  return pcm;
}

double SnrDb(const std::vector<int16_t> &ref, const std::vector<int16_t> &out) {
  double signal = 0, noise = 0;
  for (size_t i = 0; i < ref.size(); ++i) {
    const double x = ref[i], d = x - out[i];
    signal += x * x;
    noise += d * d;
  }
  return 10 * std::log10(signal / noise);
}

// The first line of `text` that starts with `prefix` once its leading spaces
// are dropped, or "".
std::string LineStartingWith(const std::string &text, const std::string &prefix) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line.erase(0, line.find_first_not_of(' '));
    if (line.rfind(prefix, 0) == 0) return line;
  }
  return "";
}

std::set<fs::path> Listing(const fs::path &dir) {
  std::set<fs::path> names;
  for (const auto &entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

// Each test works in a fresh directory of its own under the build tree.
class Zvoice : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '.');
    dir_ = fs::path(ZVOICE_TEST_DIR) / name;
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string Path(const std::string &name) const { return (dir_ / name).string(); }
  RunResult Run(const std::vector<std::string> &args) const { return RunZvoice(args, dir_); }

  fs::path dir_;
};

class EveryCodec : public Zvoice, public ::testing::WithParamInterface<CodecCase> {};

struct CodecCaseName {
  std::string operator()(const ::testing::TestParamInfo<CodecCase> &info) const {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
  }
};

// Stream files keep the input's length exactly, whatever part of a frame the
// last one fills, at the default and the largest frame; the type number
// selects the codec as well as its name.
TEST_P(EveryCodec, StreamFileRoundTrip) {
  const CodecCase &c = GetParam();
  for (const int frame : {c.frame, c.largest_frame}) {
    for (const size_t n : {size_t{1}, size_t{161}, size_t{12345}}) {
      SCOPED_TRACE("frame " + std::to_string(frame) + ", " + std::to_string(n) + " samples");
      const std::vector<int16_t> pcm = SpeechLike(n);
      WriteWav8k(Path("in.wav"), pcm);
      const RunResult enc = Run({"encode", "-c", std::to_string(c.type), "--frame-samples",
                                 std::to_string(frame), Path("in.wav"), Path("s.zvf")});
      ASSERT_EQ(enc.exit_status, 0) << enc.err;
      EXPECT_EQ(enc.err, "");
      const RunResult dec = Run({"decode", Path("s.zvf"), Path("out.wav")});
      ASSERT_EQ(dec.exit_status, 0) << dec.err;
      const auto out = ReadAudio(Path("out.wav"));
      EXPECT_EQ(out.rate, 8000);
      EXPECT_EQ(out.channels, 1);
      ASSERT_EQ(out.samples.size(), n);
      if (n == 12345) {
        EXPECT_GE(SnrDb(pcm, out.samples), c.min_snr_db);
      }
    }
  }
  const RunResult info = Run({"info", Path("s.zvf")});
  ASSERT_EQ(info.exit_status, 0) << info.err;
  const int frames = (12345 + c.largest_frame - 1) / c.largest_frame;
  EXPECT_NE(info.out.find(std::to_string(c.type) + " " + c.name), std::string::npos) << info.out;
  EXPECT_EQ(LineStartingWith(info.out, "frames:"), "frames:      " + std::to_string(frames))
      << info.out;
}

// A raw stream is the payloads alone: ceil(n * bits / 8) bytes, decoding to
// the same samples as the stream file (plus what the last byte's spare bits
// hold as whole codes). ADPCM has no raw form and is refused.
TEST_P(EveryCodec, RawStreamRoundTrip) {
  const CodecCase &c = GetParam();
  constexpr size_t n = 12345;
  WriteWav8k(Path("in.wav"), SpeechLike(n));
  const RunResult raw_enc = Run({"encode", "--raw", "-c", c.name, Path("in.wav"), Path("s.raw")});
  if (!c.raw) {
    EXPECT_EQ(raw_enc.exit_status, 2);
    EXPECT_NE(raw_enc.err.find("no raw form"), std::string::npos) << raw_enc.err;
    EXPECT_FALSE(fs::exists(Path("s.raw")));
    return;
  }
  ASSERT_EQ(raw_enc.exit_status, 0) << raw_enc.err;
  const size_t bytes = (n * c.bits + 7) / 8;
  EXPECT_EQ(fs::file_size(Path("s.raw")), bytes);
  ASSERT_EQ(Run({"decode", "--raw", "-c", c.name, Path("s.raw"), Path("raw.wav")}).exit_status, 0);
  ASSERT_EQ(Run({"encode", "-c", c.name, Path("in.wav"), Path("s.zvf")}).exit_status, 0);
  ASSERT_EQ(Run({"decode", Path("s.zvf"), Path("stream.wav")}).exit_status, 0);
  const auto from_raw = ReadAudio(Path("raw.wav")).samples;
  const auto from_stream = ReadAudio(Path("stream.wav")).samples;
  ASSERT_EQ(from_raw.size(), bytes * 8 / c.bits);
  ASSERT_EQ(from_stream.size(), n);
  EXPECT_TRUE(std::equal(from_stream.begin(), from_stream.end(), from_raw.begin()));
}

INSTANTIATE_TEST_SUITE_P(Codecs, EveryCodec, ::testing::ValuesIn(kCodecs), CodecCaseName());

// Raw G.711 is plain companded bytes: silence is 0xD5 in A-law, 0xFF in mu-law.
TEST_F(Zvoice, RawG711IsPlainCompandedBytes) {
  WriteWav8k(Path("silence.wav"), std::vector<int16_t>(400, 0));
  for (const auto &[codec, silence] : {std::pair{"g711a", 0xD5}, std::pair{"g711u", 0xFF}}) {
    ASSERT_EQ(Run({"encode", "--raw", "-c", codec, Path("silence.wav"), Path("s.raw")}).exit_status,
              0);
    const auto bytes = ReadBytes(Path("s.raw"));
    EXPECT_EQ(bytes, std::vector<uint8_t>(400, static_cast<uint8_t>(silence))) << codec;
  }
}

// Foreign rates, channel counts and formats arrive as 8000 Hz mono at the
// level of the channels' mean, with a note on stderr.
TEST_F(Zvoice, ConvertsRateChannelsAndFormat) {
  struct Input {
    const char *file;
    int format;
    int rate;
    int channels;
    const char *note;
  };
  const Input inputs[] = {
      {"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
       "mixed 2 channels to mono, resampled 44100 Hz to 8000 Hz"},
      {"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 1, "resampled 48000 Hz to 8000 Hz"},
  };
  constexpr double kPi = 3.14159265358979323846;
  for (const Input &in : inputs) {
    SCOPED_TRACE(in.file);
    // One second of 440 Hz at 0.6 on the left and 0.2 on the right: the mono
    // mix has amplitude 0.4 (the left alone would be 0.6, the sum 0.8).
    std::vector<float> pcm;
    for (int i = 0; i < in.rate; ++i) {
      const float s = static_cast<float>(std::sin(2 * kPi * 440 * i / in.rate));
      pcm.push_back((in.channels == 2 ? 0.6f : 0.4f) * s);
      if (in.channels == 2) pcm.push_back(0.2f * s);
    }
    WriteAudio(Path(in.file), in.format, in.rate, in.channels, pcm);
    const RunResult enc = Run({"encode", "-c", "g711u", Path(in.file), Path("s.zvf")});
    ASSERT_EQ(enc.exit_status, 0) << enc.err;
    EXPECT_NE(enc.err.find(in.file), std::string::npos) << enc.err;
    EXPECT_NE(enc.err.find(in.note), std::string::npos) << enc.err;
    ASSERT_EQ(Run({"decode", Path("s.zvf"), Path("out.wav")}).exit_status, 0);
    const auto out = ReadAudio(Path("out.wav"));
    EXPECT_EQ(out.rate, 8000);
    EXPECT_EQ(out.channels, 1);
    ASSERT_EQ(out.samples.size(), 8000u);
    double sum = 0;  // away from the edges, where the resampler's filter ramps
    for (size_t i = 400; i < 7600; ++i) sum += std::pow(out.samples[i], 2.0);
    const double rms = std::sqrt(sum / 7200);
    EXPECT_NEAR(rms, 0.4 / std::sqrt(2.0) * 32768, 0.02 * 9268);
  }
}

// Each fault: its exit status, one line on stderr naming the file (and for
// streams the frame and byte offset), no file left by a failed encode, and
// from a damaged stream the audio of every frame before the damage.
TEST_F(Zvoice, ReportsEachFaultOnOneLine) {
  // Five G.711 frames of 160 samples: a 20-byte header, then frame k of 164
  // bytes at byte 20 + 164 k.
  WriteWav8k(Path("speech.wav"), SpeechLike(800));
  ASSERT_EQ(Run({"encode", "-c", "g711a", Path("speech.wav"), Path("good.zvf")}).exit_status, 0);
  const std::vector<uint8_t> good = ReadBytes(Path("good.zvf"));
  ASSERT_EQ(good.size(), 20u + 5 * 164);
  const auto damaged = [&](const std::string &name, size_t at, int value, size_t keep) {
    std::vector<uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    if (value >= 0) bytes[at] = static_cast<uint8_t>(value);
    WriteBytes(Path(name), bytes);
  };
  damaged("magic.zvf", 0, 'X', good.size());
  damaged("version.zvf", 4, 2, good.size());
  damaged("kind.zvf", 20 + 164 + 1, 0x02, good.size());      // frame 1: kind 2
  damaged("length.zvf", 20 + 3 * 164 + 2, 81, good.size());  // frame 3: 162 samples
  damaged("truncated.zvf", 0, -1, 20 + 2 * 164 + 100);       // frame 2 cut short
  damaged("missing.zvf", 0, -1, 20 + 4 * 164);               // frame 4 gone
  damaged("extra.zvf", 0, -1, good.size());
  {
    auto bytes = good;
    bytes.push_back(0);
    WriteBytes(Path("extra.zvf"), bytes);
  }
  WriteBytes(Path("garbage.wav"), std::vector<uint8_t>(300, 'x'));
  fs::create_directory(Path("adir"));

  struct Case {
    std::vector<std::string> args;
    int exit_status;
    std::vector<std::string> says;
    int decoded_frames;  // of a damaged stream; -1: no output expected
  };
  const std::string in = Path("speech.wav"), out = Path("out.zvf"), wav = Path("out.wav");
  const Case cases[] = {
      {{"encode", "-c", "g711a", Path("absent.wav"), out}, 1, {"absent.wav", "No such file"}, -1},
      {{"encode", "-c", "g711a", Path("garbage.wav"), out}, 1, {"garbage.wav", "cannot read"}, -1},
      {{"encode", "-c", "g711a", in, Path("adir")}, 1, {"adir", "cannot write"}, -1},
      {{"encode", "-c", "g729", in, out}, 2, {"unknown codec 'g729'"}, -1},
      {{"encode", in, out}, 2, {"no codec given"}, -1},
      {{"encode", "-c", "g711a", "--frame-samples", "100", in, out},
       2,
       {"100 samples", "g711a", "multiples of 80 samples up to 480"},
       -1},
      {{"encode", "-c", "g726-24", "--frame-ms", "70", in, out}, 2, {"multiples of 80"}, -1},
      {{"encode", "-c", "adpcm", "--frame-samples", "162", in, out},
       2,
       {"multiples of 4 samples up to 480"},
       -1},
      {{"encode", "-c", "adpcm-lead", "--frame-samples", "160", in, out},
       2,
       {"4k + 1 samples up to 481"},
       -1},
      {{"encode", "-c", "g711a", "--frame-ms", "20", "--frame-samples", "160", in, out},
       2,
       {"not both"},
       -1},
      {{"encode", "-c", "g711a", "--frame-ms", "x", in, out}, 2, {"whole number"}, -1},
      {{"encode", "--raw", "-c", "35", in, out}, 2, {"adpcm-lead", "no raw form"}, -1},
      {{"decode", "--raw", "-c", "adpcm", Path("good.zvf"), wav}, 2, {"no raw form"}, -1},
      {{"decode", "--raw", Path("good.zvf"), wav}, 2, {"needs -c"}, -1},
      {{"decode", Path("absent.zvf"), wav}, 1, {"absent.zvf", "No such file"}, -1},
      {{"decode", Path("magic.zvf"), wav}, 1, {"magic.zvf", "not a zvoice stream file"}, -1},
      {{"decode", Path("version.zvf"), wav}, 1, {"version.zvf", "version 2"}, -1},
      {{"info", Path("magic.zvf")}, 1, {"magic.zvf", "not a zvoice stream file"}, -1},
      {{"decode", Path("kind.zvf"), wav},
       1,
       {"kind.zvf: frame 1 at byte 184", "ZT_ERR_VOICE_DEC_HEADER"},
       1},
      {{"decode", Path("length.zvf"), wav},
       1,
       {"length.zvf: frame 3 at byte 512", "ZT_ERR_VOICE_DEC_LENGTH"},
       3},
      {{"decode", Path("truncated.zvf"), wav},
       1,
       {"truncated.zvf: frame 2 at byte 348", "truncated"},
       2},
      {{"decode", Path("missing.zvf"), wav}, 1, {"missing.zvf: frame 4 at byte 676", "missing"}, 4},
      {{"decode", Path("extra.zvf"), wav}, 1, {"extra.zvf: byte 840", "after the last frame"}, 5},
      {{"info", Path("truncated.zvf")}, 1, {"truncated.zvf: frame 2 at byte 348"}, -1},
      {{"convert", Path("absent.wav"), wav}, 1, {"absent.wav"}, -1},
      {{"transcode"}, 2, {"unknown command 'transcode'"}, -1},
      {{"encode", "--bogus"}, 2, {"unknown option '--bogus'"}, -1},
  };
  for (const Case &c : cases) {
    std::string line;
    for (const std::string &a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    const std::set<fs::path> before = Listing(dir_);
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.exit_status, c.exit_status);
    EXPECT_EQ(r.err.rfind("zvoice: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    for (const std::string &s : c.says) EXPECT_NE(r.err.find(s), std::string::npos) << r.err;
    if (c.decoded_frames >= 0) {
      EXPECT_EQ(ReadAudio(wav).samples.size(), size_t(c.decoded_frames) * 160);
      fs::remove(wav);
    }
    EXPECT_EQ(Listing(dir_), before) << "files left behind";
  }
}

// The main job: the built-in clip through every codec, one row each, and with
// --out the input and each decoded result as WAV files of the same length.
TEST_F(Zvoice, CompareCodesTheBuiltInClipWithEveryCodec) {
  const RunResult r = Run({"compare", "--out", Path("listen")});
  ASSERT_EQ(r.exit_status, 0) << r.out << r.err;
  const auto input = ReadAudio(Path("listen/input.wav"));
  EXPECT_EQ(input.rate, 8000);
  EXPECT_GE(input.samples.size(), 3u * 8000);
  for (const CodecCase &c : kCodecs) {
    SCOPED_TRACE(c.name);
    // "  6  g726-32   32.0 ... 3976x": figures, no failure.
    const std::string row = LineStartingWith(r.out, std::to_string(c.type) + "  " + c.name + " ");
    EXPECT_EQ(row.find("failed"), std::string::npos) << r.out;
    EXPECT_TRUE(row.ends_with("x")) << r.out;
    const auto decoded = ReadAudio(Path("listen/" + std::string(c.name) + ".wav"));
    EXPECT_EQ(decoded.rate, 8000);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_EQ(decoded.samples.size(), input.samples.size());
  }
}

TEST_F(Zvoice, HelpNamesCommandsAndCodecs) {
  const RunResult help = Run({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  for (const char *word : {"compare", "encode", "decode", "info"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  for (const CodecCase &c : kCodecs) EXPECT_NE(help.out.find(c.name), std::string::npos);
  for (const char *command : {"compare", "encode", "decode", "info", "convert"}) {
    const RunResult r = Run({command, "--help"});
    EXPECT_EQ(r.exit_status, 0) << command;
    EXPECT_EQ(r.out.rfind(std::string("Usage: zvoice ") + command, 0), 0u) << r.out;
  }
  EXPECT_EQ(Run({}).exit_status, 2);
}

}  // namespace
