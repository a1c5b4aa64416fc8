#include "stream_file.h"

#include <algorithm>

#include "voice_coding.h"

namespace zvoice {
namespace {

constexpr std::array<uint8_t, 4> kMagic{'Z', 'V', 'F', 'S'};

uint64_t ReadLittleEndian(std::span<const uint8_t> bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

void WriteLittleEndian(std::span<uint8_t> bytes, uint64_t value) {
  for (uint8_t &b : bytes) {
    b = static_cast<uint8_t>(value);
    value >>= 8;
  }
}

}  // namespace

std::array<uint8_t, kStreamHeaderBytes> SerializeStreamHeader(const StreamHeader &header) {
  std::array<uint8_t, kStreamHeaderBytes> bytes{};
  const std::span<uint8_t> out(bytes);
  std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
  WriteLittleEndian(out.subspan(4, 2), kStreamVersion);
  WriteLittleEndian(out.subspan(6, 2), static_cast<uint64_t>(header.codec->type));
  WriteLittleEndian(out.subspan(8, 2), static_cast<uint64_t>(header.frame_samples));
  WriteLittleEndian(out.subspan(12, 8), header.total_samples);
  return bytes;
}

StreamHeader ParseStreamHeader(std::span<const uint8_t> file, const std::string &path) {
  const std::string where = path + ": ";
  if (file.size() < kStreamHeaderBytes || !std::equal(kMagic.begin(), kMagic.end(), file.begin())) {
    throw Failure(where + "not a zvoice stream file (no \"ZVFS\" magic at byte 0)");
  }
  const uint64_t version = ReadLittleEndian(file.subspan(4, 2));
  if (version != kStreamVersion) {
    throw Failure(where + "stream format version " + std::to_string(version) +
                  " is not one this zvoice reads (version 1)");
  }
  const auto type = static_cast<int>(ReadLittleEndian(file.subspan(6, 2)));
  const Codec *codec = CodecOfType(type);
  if (codec == nullptr) throw Failure(where + "unknown codec type " + std::to_string(type));
  const auto frame_samples = static_cast<int>(ReadLittleEndian(file.subspan(8, 2)));
  if (!FrameSizeWorks(*codec, frame_samples)) {
    throw Failure(where + "frames of " + std::to_string(frame_samples) + " samples do not suit " +
                  codec->name + ", which takes " + FrameSizeRule(*codec));
  }
  return {codec, frame_samples, ReadLittleEndian(file.subspan(12, 8))};
}

FrameReader::FrameReader(std::span<const uint8_t> file, const StreamHeader &header,
                         std::string path)
    : file_(file),
      path_(std::move(path)),
      total_samples_(header.total_samples),
      frame_count_(FramesFor(header.total_samples, header.frame_samples)),
      next_offset_(kStreamHeaderBytes) {}

std::optional<std::span<const uint8_t>> FrameReader::Next() {
  index_ = next_index_;
  offset_ = next_offset_;
  const size_t left = file_.size() - offset_;
  if (index_ == frame_count_) {
    if (left == 0) return std::nullopt;
    throw Failure(path_ + ": byte " + std::to_string(offset_) + ": " + std::to_string(left) +
                  " bytes after the last frame; the header's " + std::to_string(total_samples_) +
                  " samples fill " + std::to_string(frame_count_) + " frames");
  }
  if (left == 0) {
    throw Damage("missing: the file ends after " + std::to_string(index_) + " of " +
                 std::to_string(frame_count_) + " frames");
  }
  if (left < 4) {
    throw Damage("truncated: the file ends inside the frame header");
  }
  const std::span<const uint8_t> frame = file_.subspan(offset_);
  const size_t size = FrameBytes(frame);
  if (left < size) {
    throw Damage("truncated: the frame needs " + std::to_string(size) + " bytes, the file has " +
                 std::to_string(left) + " left");
  }
  next_index_ = index_ + 1;
  next_offset_ = offset_ + size;
  return frame.first(size);
}

CliError FrameReader::Damage(const std::string &what) const {
  return Failure(path_ + ": frame " + std::to_string(index_) + " at byte " +
                 std::to_string(offset_) + ": " + what);
}

}  // namespace zvoice
