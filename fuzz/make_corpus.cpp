// Writes the seed corpus of the three fuzz targets: for every type a few
// valid frames and streams made with the library itself, and the edge cases
// of the argument checks. Run by fuzz/make_corpus.sh; the seeds are starting
// points for the fuzzer, not expected outputs.
//
// The byte layouts are the ones the targets read (fuzz_decode.cpp,
// fuzz_encode.cpp, fuzz_stream.cpp): a type pick below 12 selects
// kCodecTypes[pick] and is followed by a byte of high bits (0 here); state
// mode 0 resets the block for the call's type.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/codec_types.h"
#include "zelt_voice_engine.h"

namespace {

using Bytes = std::vector<uint8_t>;
using zt_test::CodecType;
using zt_test::Family;

std::filesystem::path g_root;

void Write(const char *target, const std::string &name, const Bytes &bytes) {
  const std::filesystem::path dir = g_root / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / ("seed-" + name), std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void Append(Bytes &to, const void *data, std::size_t size) {
  const auto *p = static_cast<const uint8_t *>(data);
  to.insert(to.end(), p, p + size);
}

void AppendU16(Bytes &to, unsigned v) {
  to.push_back(static_cast<uint8_t>(v));
  to.push_back(static_cast<uint8_t>(v >> 8));
}

// Speech-like enough to move the adaptive coders: a triangle wave of period
// 40 under pseudo-random noise, amplitude chosen by the caller.
std::vector<int16_t> Signal(int n, int amplitude, uint32_t seed) {
  std::vector<int16_t> pcm(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const int phase = i % 40;
    const int tri = (phase < 20 ? phase : 40 - phase) - 10;
    const int noise = static_cast<int16_t>(seed >> 16) / 8;
    long v = static_cast<long>(amplitude) * tri / 10 + noise * amplitude / 32768;
    if (v > INT16_MAX) v = INT16_MAX;
    if (v < INT16_MIN) v = INT16_MIN;
    pcm[static_cast<std::size_t>(i)] = static_cast<int16_t>(v);
  }
  return pcm;
}

Bytes EncodeOne(int type, const std::vector<int16_t> &pcm) {
  ZT_VOICE_STATE state;
  ZT_VOICE_EncReset(&state, type);
  uint8_t frame[ZT_VOICE_MAX_FRAME_BYTES];
  if (ZT_VOICE_EncodeFrame(&state, pcm.data(), frame, static_cast<int>(pcm.size()), type) !=
      ZT_SUCCESS) {
    return {0x00, 0x01, 0x00, 0x00};
  }
  return Bytes(frame, frame + 4 + 2 * frame[2]);
}

std::vector<int> CountsFor(const CodecType &c) {
  if (c.family == Family::kAdpcm) return {1, 5, 160, 161, 481};
  return {80, 160, 481};
}

// ---- fuzz_decode: type, state mode, nulls, frame ----

Bytes DecodeInput(int pick, const Bytes &state_part, const Bytes &frame) {
  Bytes b{static_cast<uint8_t>(pick), 0};
  b.insert(b.end(), state_part.begin(), state_part.end());
  b.push_back(0);  // no null pointer
  b.insert(b.end(), frame.begin(), frame.end());
  return b;
}

void DecodeSeeds() {
  for (int i = 0; i < 12; ++i) {
    const CodecType &c = zt_test::kCodecTypes[static_cast<std::size_t>(i)];
    for (int n : CountsFor(c)) {
      const Bytes frame = EncodeOne(c.type, Signal(n, 12000, 7u + static_cast<uint32_t>(n)));
      Write("decode", std::string(c.name) + "-n" + std::to_string(n), DecodeInput(i, {0}, frame));
    }
    // The largest payload the type accepts, of noise, on a block reset for
    // the type; and the same frame on a block reset for another type.
    const int length = c.family == Family::kAdpcm ? 122 : 480 * c.bits / 16;
    Bytes big{0x00, 0x01, static_cast<uint8_t>(length), 0};
    for (int k = 0; k < 2 * big[2]; ++k) big.push_back(static_cast<uint8_t>(k * 151 + 17));
    Write("decode", std::string(c.name) + "-noise", DecodeInput(i, {0}, big));
    Write("decode", std::string(c.name) + "-other-block",
          DecodeInput(i, {1, static_cast<uint8_t>(i + 1)}, big));
  }
  // Header and length edges on type 6 (32 kbit/s).
  const int g726_32 = 6;
  Write("decode", "kind0", DecodeInput(g726_32, {0}, {0x00, 0x00, 20, 0}));
  Write("decode", "kind3-fd00", DecodeInput(g726_32, {0}, {0x00, 0xFF, 20, 0}));
  Write("decode", "length0", DecodeInput(g726_32, {0}, {0x00, 0x01, 0, 0}));
  Write("decode", "length-high-byte", DecodeInput(g726_32, {0}, {0x00, 0x01, 20, 0xFF}));
  Write("decode", "length255", DecodeInput(g726_32, {0}, {0x00, 0x01, 255, 0}));
  // Type 3 with L = 1 and a step index above 88.
  Write("decode", "adpcm-length1", DecodeInput(2, {0}, {0x00, 0x01, 1, 0, 0x34, 0x12}));
  Write("decode", "adpcm-step200",
        DecodeInput(2, {0}, {0x00, 0x01, 3, 0, 0xFF, 0x7F, 200, 0xFF, 0x77, 0x77}));
  // Not codec types: 33 (small pick 0xC0 then the value) and a raw 0x8001.
  Write("decode", "type33", Bytes{0xC0, 33, 0, 0, 0x00, 0x01, 40, 0});
  Write("decode", "type8001", Bytes{0xE0, 0x01, 0x80, 0x00, 0x00, 0, 0, 0x00, 0x01, 40, 0});
  // A raw state block of 0xFF bytes under type 7.
  Bytes raw{2};
  raw.insert(raw.end(), sizeof(ZT_VOICE_STATE), 0xFF);
  Write("decode", "G726_40K-raw-block",
        DecodeInput(7, raw, EncodeOne(ZT_VOICE_G726_40K, Signal(80, 9000, 1))));
}

// ---- fuzz_encode: type, count, state mode, nulls, canary, samples ----

Bytes EncodeInput(int pick, int n, const Bytes &state_part, const std::vector<int16_t> &pcm) {
  Bytes b{static_cast<uint8_t>(pick), 0, 0};  // count pick 0: 1 + U16 % 481
  AppendU16(b, static_cast<unsigned>(n - 1));
  b.insert(b.end(), state_part.begin(), state_part.end());
  b.push_back(0);     // no null pointer
  b.push_back(0xC3);  // canary
  Append(b, pcm.data(), 2 * pcm.size());
  return b;
}

void EncodeSeeds() {
  for (int i = 0; i < 12; ++i) {
    const CodecType &c = zt_test::kCodecTypes[static_cast<std::size_t>(i)];
    for (int n : {1, 7, 11, 80, 161, 481}) {
      Write("encode", std::string(c.name) + "-n" + std::to_string(n),
            EncodeInput(i, n, {0}, Signal(n, 16000, 3u + static_cast<uint32_t>(n))));
    }
    Write("encode", std::string(c.name) + "-other-block",
          EncodeInput(i, 160, {1, static_cast<uint8_t>(i + 5)}, Signal(160, 20000, 9)));
    Bytes raw{2};
    raw.insert(raw.end(), sizeof(ZT_VOICE_STATE), 0xA7);
    Write("encode", std::string(c.name) + "-raw-block",
          EncodeInput(i, 160, raw, Signal(160, 30000, 5)));
  }
  // Edge counts (pick 200: kEdgeCounts[byte]) and full-scale samples.
  const std::vector<int16_t> loud(481, INT16_MIN);
  for (int edge = 0; edge < 27; edge += 4) {
    Bytes b{4, 0, 200, static_cast<uint8_t>(edge), 0, 0, 0xC3};
    Append(b, loud.data(), 2 * loud.size());
    Write("encode", "edge-count" + std::to_string(edge), b);
  }
  Write("encode", "null-frame", Bytes{6, 0, 0, 79, 0, 0, 0xF4, 0xC3});
  Write("encode", "type34", Bytes{0xC0, 34, 0, 79, 0, 0, 0, 0xC3});
}

// ---- fuzz_stream: type, old block, frames ----

void StreamSeeds() {
  for (int i = 0; i < 12; ++i) {
    const CodecType &c = zt_test::kCodecTypes[static_cast<std::size_t>(i)];
    Bytes b{static_cast<uint8_t>(i)};
    b.insert(b.end(), sizeof(ZT_VOICE_STATE), 0x3C);
    const int frames[] = {1, 2, 5, 0};
    for (int k = 0; k < 8; ++k) {
      if (c.family == Family::kAdpcm) {
        AppendU16(b, static_cast<unsigned>(40 * k + 1 + (k % 4)));
      } else {
        // 80 (k + 1) samples, plus one on odd frames.
        b.push_back(static_cast<uint8_t>(k % 6 | (k % 2 ? 0x80 : 0)));
      }
      // Generated samples: loudness and square wave from k, seed from k.
      b.push_back(static_cast<uint8_t>(0x80 | ((k % 8) << 4) | (frames[k % 4] + k % 3)));
      b.push_back(static_cast<uint8_t>(k + 1));
      b.insert(b.end(), 3, static_cast<uint8_t>(k * 37));
      if (c.family == Family::kG726 || c.type == ZT_VOICE_ADPCM)
        b.push_back(static_cast<uint8_t>(k * 7));
    }
    Write("stream", c.name, b);
    // A stream with a frame off the 80-sample grid, which resets the G.726 pair.
    Bytes odd{static_cast<uint8_t>(i)};
    odd.insert(odd.end(), sizeof(ZT_VOICE_STATE), 0);
    for (unsigned n : {10u, 163u, 2u}) {
      odd.push_back(0xF0);
      AppendU16(odd, n);
      odd.push_back(0x93);
      odd.insert(odd.end(), 4, static_cast<uint8_t>(n));
      if (c.family == Family::kG726 || c.type == ZT_VOICE_ADPCM) odd.push_back(3);
    }
    Write("stream", std::string(c.name) + "-offgrid", odd);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus root>\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  DecodeSeeds();
  EncodeSeeds();
  StreamSeeds();
  return 0;
}
