// Runs the zvoice binary and reads and writes the audio files it works on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zvoice_test {

struct RunResult {
  int exit_status;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs zvoice with `args`, capturing stdout and stderr through files in `dir`.
RunResult RunZvoice(const std::vector<std::string> &args, const std::filesystem::path &dir);

struct Audio {
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
};

// Writes `samples` (interleaved, full scale 1.0) in a libsndfile format such
// as SF_FORMAT_WAV | SF_FORMAT_PCM_16.
void WriteAudio(const std::filesystem::path &path, int format, int rate, int channels,
                const std::vector<float> &samples);
void WriteWav8k(const std::filesystem::path &path, const std::vector<int16_t> &samples);

// Reads an audio file as 16-bit samples; rate 0 when it cannot be opened.
Audio ReadAudio(const std::filesystem::path &path);

std::vector<uint8_t> ReadBytes(const std::filesystem::path &path);
void WriteBytes(const std::filesystem::path &path, const std::vector<uint8_t> &bytes);

}  // namespace zvoice_test
