#include "audio_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli_error.h"
#include "output_file.h"

namespace zvoice {
namespace {

struct SndfileCloser {
  void operator()(SNDFILE *file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile's virtual I/O over a byte span.
struct MemoryReader {
  std::span<const unsigned char> bytes;
  sf_count_t position = 0;

  static MemoryReader &Of(void *user) { return *static_cast<MemoryReader *>(user); }
  static sf_count_t Length(void *user) { return static_cast<sf_count_t>(Of(user).bytes.size()); }
  static sf_count_t Seek(sf_count_t offset, int whence, void *user) {
    MemoryReader &r = Of(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r.position : Length(user);
    r.position = std::clamp<sf_count_t>(base + offset, 0, Length(user));
    return r.position;
  }
  static sf_count_t Read(void *out, sf_count_t count, void *user) {
    MemoryReader &r = Of(user);
    const sf_count_t n = std::min(count, Length(user) - r.position);
    std::memcpy(out, r.bytes.data() + r.position, static_cast<size_t>(n));
    r.position += n;
    return n;
  }
  static sf_count_t Write(const void *, sf_count_t, void *) { return 0; }
  static sf_count_t Tell(void *user) { return Of(user).position; }
};

CliError ReadFailure(const std::string &label, std::string why) {
  while (!why.empty() && (why.back() == '.' || why.back() == ' ')) why.pop_back();
  return Failure("cannot read audio file '" + label + "': " + why);
}

// Floats in [-1, 1] (libsndfile's scale: a 16-bit sample divided by 32768)
// to 16-bit samples, rounded and clipped.
int16_t ToSample(float value) {
  const float scaled = std::nearbyint(value * 32768.0f);
  return static_cast<int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

std::vector<float> ReadMono(SNDFILE *file, const SF_INFO &info, const std::string &label) {
  const size_t channels = static_cast<size_t>(info.channels);
  constexpr sf_count_t kChunkFrames = 4096;
  std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * channels);
  std::vector<float> mono;
  for (;;) {
    const sf_count_t got = sf_readf_float(file, chunk.data(), kChunkFrames);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f) {
      const float *frame = chunk.data() + static_cast<size_t>(f) * channels;
      float sum = 0.0f;
      for (size_t c = 0; c < channels; ++c) sum += frame[c];
      mono.push_back(sum / static_cast<float>(channels));
    }
  }
  if (sf_error(file) != SF_ERR_NO_ERROR) throw ReadFailure(label, sf_strerror(file));
  return mono;
}

std::vector<int16_t> ReadSamples(SNDFILE *file, const std::string &label) {
  constexpr sf_count_t kChunkFrames = 4096;
  std::vector<int16_t> samples;
  for (;;) {
    const size_t have = samples.size();
    samples.resize(have + kChunkFrames);
    const sf_count_t got = sf_readf_short(file, samples.data() + have, kChunkFrames);
    samples.resize(have + static_cast<size_t>(std::max<sf_count_t>(got, 0)));
    if (got <= 0) break;
  }
  if (sf_error(file) != SF_ERR_NO_ERROR) throw ReadFailure(label, sf_strerror(file));
  return samples;
}

// Resamples to 8000 Hz; the result has the input's duration rounded to the
// nearest output sample.
std::vector<float> Resample(const std::vector<float> &in, int rate, const std::string &label) {
  if (in.empty()) return {};
  const auto out_length =
      static_cast<size_t>(std::llround(static_cast<double>(in.size()) * kCodecRate / rate));
  std::vector<float> out(out_length, 0.0f);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  size_t produced = 0;
  const soxr_error_t error =
      soxr_oneshot(rate, kCodecRate, 1, in.data(), in.size(), nullptr, out.data(), out.size(),
                   &produced, &io, &quality, nullptr);
  if (error != nullptr) throw ReadFailure(label, std::string("resampling failed: ") + error);
  return out;
}

std::vector<int16_t> Convert(SNDFILE *file, const SF_INFO &info, const std::string &label) {
  if (info.samplerate <= 0 || info.channels <= 0) throw ReadFailure(label, "no audio in it");
  const bool is_codec_format = info.samplerate == kCodecRate && info.channels == 1 &&
                               (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
  if (is_codec_format) return ReadSamples(file, label);  // already as the codecs take it
  std::vector<float> mono = ReadMono(file, info, label);
  std::string what;
  if (info.channels > 1) what = "mixed " + std::to_string(info.channels) + " channels to mono";
  if (info.samplerate != kCodecRate) {
    mono = Resample(mono, info.samplerate, label);
    what += (what.empty() ? "" : ", ") + std::string("resampled ") +
            std::to_string(info.samplerate) + " Hz to 8000 Hz";
  }
  if (!what.empty()) std::fprintf(stderr, "zvoice: %s: %s\n", label.c_str(), what.c_str());
  std::vector<int16_t> samples(mono.size());
  std::transform(mono.begin(), mono.end(), samples.begin(), ToSample);
  return samples;
}

}  // namespace

std::vector<int16_t> ReadAudio(const std::string &path) {
  // Opening the file here gives a plain system message for a missing or
  // unreadable file; libsndfile then judges the content.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw ReadFailure(path, std::strerror(errno));
  SF_INFO info{};
  SndfileHandle file(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
  if (!file) throw ReadFailure(path, sf_strerror(nullptr));
  return Convert(file.get(), info, path);
}

std::vector<int16_t> ReadAudio(std::span<const unsigned char> file_bytes,
                               const std::string &label) {
  SF_VIRTUAL_IO io{MemoryReader::Length, MemoryReader::Seek, MemoryReader::Read,
                   MemoryReader::Write, MemoryReader::Tell};
  MemoryReader reader{file_bytes};
  SF_INFO info{};
  SndfileHandle file(sf_open_virtual(&io, SFM_READ, &info, &reader));
  if (!file) throw ReadFailure(label, sf_strerror(nullptr));
  return Convert(file.get(), info, label);
}

void WriteWav(const std::string &path, std::span<const int16_t> samples) {
  OutputFile out(path);
  SF_INFO info{};
  info.samplerate = kCodecRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE *file = sf_open_fd(out.fd(), SFM_WRITE, &info, SF_FALSE);
  if (file == nullptr) throw Failure("cannot write '" + path + "': " + sf_strerror(nullptr));
  const auto count = static_cast<sf_count_t>(samples.size());
  const bool written = sf_writef_short(file, samples.data(), count) == count;
  const std::string error = sf_strerror(file);
  if (sf_close(file) != 0 || !written) throw Failure("cannot write '" + path + "': " + error);
  out.Commit();
}

}  // namespace zvoice
