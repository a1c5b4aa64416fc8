// Shared pieces of the fuzz targets: a reader that turns the fuzzer's bytes
// into arguments, the documented argument checks written out as a model of the
// expected result, and the check that aborts (and so reports) a broken promise.
//
// Everything here uses only the public header: the targets see the library as
// a host does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/codec_types.h"
#include "zelt_voice_engine.h"

// Aborts with the broken promise; libFuzzer and the replay programs report it.
#define ZT_FUZZ_CHECK(cond, what)                                                                  \
  do {                                                                                             \
    if (!(cond)) {                                                                                 \
      std::fprintf(stderr, "broken promise: %s (%s) at %s:%d\n", what, #cond, __FILE__, __LINE__); \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

namespace zt_fuzz {

using zt_test::CodecType;
using zt_test::Family;

// Reads the fuzzer's bytes front to back; past the end every read gives 0.
class ByteReader {
 public:
  ByteReader(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

  std::size_t Remaining() const { return size_ - pos_; }
  bool Empty() const { return pos_ == size_; }

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t U16() {
    const unsigned lo = Byte();
    return static_cast<uint16_t>(lo | unsigned{Byte()} << 8);
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | uint32_t{U16()} << 16;
  }

  // Copies up to n bytes to out and zero-fills the rest; returns the bytes taken.
  std::size_t Take(void *out, std::size_t n) {
    const std::size_t got = n < Remaining() ? n : Remaining();
    if (got > 0) std::memcpy(out, data_ + pos_, got);
    std::memset(static_cast<uint8_t *>(out) + got, 0, n - got);
    pos_ += got;
    return got;
  }

  // The unread bytes; the reader is empty afterwards.
  const uint8_t *Rest(std::size_t *size) {
    const uint8_t *at = data_ + pos_;
    *size = Remaining();
    pos_ = size_;
    return at;
  }

 private:
  const uint8_t *data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

inline int Low16(int value) {
  return static_cast<int16_t>(value);
}

// The codec type row of a type argument (low 16 bits, signed), or null.
inline const CodecType *FindType(int type) {
  for (const CodecType &c : zt_test::kCodecTypes) {
    if (c.type == Low16(type)) return &c;
  }
  return nullptr;
}

// A type argument: mostly one of the twelve, often with junk in the high 16
// bits (which must not matter), sometimes a small or a raw 32-bit value.
inline int DrawType(ByteReader &in) {
  const uint8_t pick = in.Byte();
  if (pick < 192) {
    const uint32_t high = in.Byte();
    const auto low = static_cast<uint32_t>(zt_test::kCodecTypes[pick % 12].type);
    return static_cast<int>(low | (pick & 0x80 ? high << 24 | high << 16 : 0));
  }
  if (pick < 224) return static_cast<int8_t>(in.Byte());  // 0, 8, 33, 34, 40, -1, ...
  return static_cast<int>(in.U32());
}

// The sample count the decoder reports for payload length L (0..255), or -1
// when the type's length rule refuses L.
inline int DecodedCount(const CodecType &c, int length) {
  if (length < 1) return -1;  // an empty payload is refused before the type
  switch (c.family) {
    case Family::kG711:
    case Family::kG726: {
      const int n = 16 * length / c.bits;
      return n <= ZT_VOICE_MAX_SAMPLES && n % ZT_VOICE_BLOCK_SAMPLES == 0 ? n : -1;
    }
    case Family::kAdpcm:
      // Both state words are needed; 122 words carry 481 samples of type 35.
      if (length < 2 || length > 122) return -1;
      return 4 * (length - 2) + (c.type == ZT_VOICE_ADPCM_LEAD ? 1 : 0);
  }
  return -1;
}

// A G.726 type refuses a block unless word 0 (coding) is 2 and word 1
// (code_bits) is the type's code width; the other types take any block.
inline bool BlockSuits(const CodecType &c, const ZT_VOICE_STATE &state) {
  if (c.family != Family::kG726) return true;
  return state.opaque[0] == 2 && state.opaque[1] == static_cast<uint32_t>(c.bits);
}

// Bytes of the block that a frame call of this type may change: none for
// G.711, the predictor and step index (bytes 0-2) for IMA ADPCM, all of it for
// G.726.
inline std::size_t WrittenStateBytes(const CodecType &c) {
  switch (c.family) {
    case Family::kG711:
      return 0;
    case Family::kAdpcm:
      return 3;
    case Family::kG726:
      return sizeof(ZT_VOICE_STATE);
  }
  return 0;
}

// The block drawn for a call: reset for the call's type, reset for another
// type, raw bytes, or reset and then partly overwritten with raw words.
inline void DrawState(ByteReader &in, int type, ZT_VOICE_STATE *state) {
  const uint8_t mode = in.Byte();
  std::memset(state, 0, sizeof *state);
  switch (mode % 4) {
    case 0:
      ZT_VOICE_DecReset(state, type);  // a non-codec type leaves the zeros
      break;
    case 1:
      ZT_VOICE_EncReset(state, zt_test::kCodecTypes[in.Byte() % 12].type);
      break;
    case 2:
      in.Take(state, sizeof *state);
      break;
    default: {
      ZT_VOICE_EncReset(state, type);
      const int words = 1 + in.Byte() % 8;
      for (int k = 0; k < words; ++k) state->opaque[in.Byte() % 26] = in.U32();
      break;
    }
  }
}

// Code k of a G.726 payload, read bit by bit as the two orders define it.
// LSB-first: bit position p is bit p % 8 of byte p / 8, and a code's least
// significant bit takes its lowest position. MSB-first: position p is bit
// 7 - p % 8 of byte p / 8, and a code's most significant bit comes first.
// Code k of width b takes positions k * b .. k * b + b - 1.
inline unsigned ReadCode(const uint8_t *payload, int k, int b, bool msb_first) {
  unsigned code = 0;
  for (int j = 0; j < b; ++j) {
    const int p = k * b + j;
    const unsigned bit = (payload[p / 8] >> (msb_first ? 7 - p % 8 : p % 8)) & 1u;
    code |= bit << (msb_first ? b - 1 - j : j);
  }
  return code;
}

// Writes code k into a zeroed payload in the given order.
inline void WriteCode(uint8_t *payload, int k, int b, bool msb_first, unsigned code) {
  for (int j = 0; j < b; ++j) {
    const int p = k * b + j;
    const unsigned bit = (code >> (msb_first ? b - 1 - j : j)) & 1u;
    payload[p / 8] = static_cast<uint8_t>(payload[p / 8] | bit << (msb_first ? 7 - p % 8 : p % 8));
  }
}

// G.711 code and sample of one value through the library itself, one value
// at a time: the code of x as the encoder writes it in a frame of two
// samples x, and the sample of code as the decoder writes it from a frame of
// 80 codes. The targets compare every sample of a frame with these, so that a
// frame coder that works on several samples at once must agree, lane by lane
// and in its tail, with the value-by-value result.
inline uint8_t G711CodeOf(int type, int16_t x) {
  const int16_t pcm[2] = {x, x};
  uint8_t frame[8] = {};
  ZT_VOICE_STATE unused{};
  ZT_FUZZ_CHECK(ZT_VOICE_EncodeFrame(&unused, pcm, frame, 2, type) == ZT_SUCCESS, "G.711 encodes");
  ZT_FUZZ_CHECK(frame[4] == frame[5], "one value, one code");
  return frame[4];
}

inline int16_t G711SampleOf(int type, uint8_t code) {
  static int16_t table[2][256];
  static bool filled[2][256];
  const int law = type == ZT_VOICE_G711A ? 0 : 1;
  if (!filled[law][code]) {
    uint8_t frame[4 + 80] = {0x00, 0x01, 40, 0x00};
    std::memset(frame + 4, code, 80);
    int16_t pcm[ZT_VOICE_MAX_SAMPLES];
    int16_t count = 0;
    ZT_VOICE_STATE unused{};
    ZT_FUZZ_CHECK(
        ZT_VOICE_DecodeFrame(&unused, frame, pcm, type, &count) == ZT_SUCCESS && count == 80,
        "G.711 decodes");
    for (int i = 1; i < 80; ++i) ZT_FUZZ_CHECK(pcm[i] == pcm[0], "one code, one sample");
    table[law][code] = pcm[0];
    filled[law][code] = true;
  }
  return table[law][code];
}

// The partner of a G.726 type in the other bit order (4 <-> 36, ...).
inline int OtherOrder(int type) {
  return Low16(type) ^ ZT_VOICE_VARIANT;
}

}  // namespace zt_fuzz
