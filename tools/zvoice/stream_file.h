// The voice-frame stream file (.zvf) that `zvoice encode` writes.
//
//   bytes  0-3   magic "ZVFS"
//   bytes  4-5   format version, 1
//   bytes  6-7   codec type (the library's type number)
//   bytes  8-9   samples per frame
//   bytes 10-11  0, reserved
//   bytes 12-19  total sample count
//
// All fields are unsigned little-endian. The library's frames follow back to
// back, ceil(total / samples per frame) of them, each 4 + 2 * length bytes.
// The last frame is padded with silence; decoding trims it to the total.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cli_error.h"
#include "codec_catalog.h"

namespace zvoice {

inline constexpr size_t kStreamHeaderBytes = 20;
inline constexpr uint16_t kStreamVersion = 1;

struct StreamHeader {
  const Codec *codec;
  int frame_samples;
  uint64_t total_samples;
};

std::array<uint8_t, kStreamHeaderBytes> SerializeStreamHeader(const StreamHeader &header);

// Reads and checks the header at the start of a stream file's bytes; throws a
// failure naming `path` for a wrong magic or version, an unknown codec or a
// frame size that the codec does not decode.
StreamHeader ParseStreamHeader(std::span<const uint8_t> file, const std::string &path);

// Walks the frames after the header, checking that each is whole and that
// the file holds exactly the frames the header promises.
class FrameReader {
 public:
  FrameReader(std::span<const uint8_t> file, const StreamHeader &header, std::string path);

  // The next frame, or nothing after the last one. Throws a damage report
  // when the file ends early or goes on after the last frame.
  std::optional<std::span<const uint8_t>> Next();

  // "PATH: frame N at byte B: WHAT" for the frame Next() returned last.
  CliError Damage(const std::string &what) const;

  uint64_t frame_count() const { return frame_count_; }

 private:
  std::span<const uint8_t> file_;
  std::string path_;
  uint64_t total_samples_;
  uint64_t frame_count_;
  uint64_t index_ = 0;  // the frame being read, and where it starts
  size_t offset_ = 0;
  uint64_t next_index_ = 0;  // the frame after it
  size_t next_offset_;
};

}  // namespace zvoice
