// Audio files in and out. Input is anything libsndfile opens (WAV, FLAC,
// AIFF, ...) at any rate and channel count, delivered as the codecs take it:
// 16-bit samples, 8000 Hz, mono. Output is 16-bit PCM WAV, 8000 Hz, mono.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zvoice {

inline constexpr int kCodecRate = 8000;

// Reads `path`, averaging the channels to mono and resampling to 8000 Hz
// (libsoxr, high quality) as needed, and says on stderr what it converted.
// Throws a failure naming the file when it cannot be read.
std::vector<int16_t> ReadAudio(const std::string &path);

// The same for an audio file held in memory; `label` names it in messages.
std::vector<int16_t> ReadAudio(std::span<const unsigned char> file_bytes, const std::string &label);

// Writes a 16-bit PCM WAV file of 8000 Hz mono, whole or not at all.
void WriteWav(const std::string &path, std::span<const int16_t> samples);

}  // namespace zvoice
