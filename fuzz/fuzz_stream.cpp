// An encoder and a decoder of one type fed a stream of frames from the
// fuzzer's bytes.
//
// Input: the type, the old content of the blocks before their reset, then per
// frame a count selector, the samples (raw from the input, or generated from
// a seed and an amplitude) and, for G.726 and type 3, a piece size.
//
// Promises checked: encoder and decoder resets write the same block whatever
// it held; every frame's header is 00 01 L 00 with L the type's length for n;
// decode(encode(x)) succeeds with the carried count when that count is a
// whole number of the decoder's blocks, and is refused with
// ZT_ERR_VOICE_DEC_LENGTH otherwise; G.711 never touches either block and
// decoded G.711 samples code back to themselves; IMA ADPCM touches bytes 0-2
// only, and its decoder ends where the encoder is after a frame that carries
// every sample; a G.726 decoder fed frames of 80k or 80k + 1 samples holds
// the encoder's block word for word after every frame, and the types of the
// two bit orders, run side by side on the same samples, carry the same codes,
// decode to the same samples and keep equal blocks; a G.726 frame coded in
// pieces, or decoded in 80-sample blocks, and a type-3 frame coded in pieces,
// give the same codes, samples and blocks as the whole frame. A G.726 frame of
// another count ends the stream's step; the stream then starts over with a
// reset.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "zelt_voice_engine.h"

namespace {

using namespace zt_fuzz;

constexpr int kMaxFrames = 48;

// One direction pair of one stream: encoder and decoder block of a type.
struct Channel {
  int type;
  ZT_VOICE_STATE enc;
  ZT_VOICE_STATE dec;
};

bool SameBlock(const ZT_VOICE_STATE &a, const ZT_VOICE_STATE &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void Reset(Channel &ch) {
  ZT_FUZZ_CHECK(ZT_VOICE_EncReset(&ch.enc, ch.type) == ZT_SUCCESS, "encoder reset");
  ZT_FUZZ_CHECK(ZT_VOICE_DecReset(&ch.dec, ch.type) == ZT_SUCCESS, "decoder reset");
}

// The count of the next frame. G.711 and G.726 mostly take 80k or 80k + 1
// samples, which keep a G.726 decoder in step; IMA ADPCM takes any count.
int DrawCount(ByteReader &in, const CodecType &c, bool *in_step) {
  const uint8_t pick = in.Byte();
  *in_step = true;
  if (c.family == Family::kAdpcm) return 1 + (pick | in.Byte() << 8) % ZT_VOICE_MAX_SAMPLES;
  if (pick >= 0xF0) {
    *in_step = false;
    return 1 + in.U16() % ZT_VOICE_MAX_SAMPLES;
  }
  return ZT_VOICE_BLOCK_SAMPLES * (1 + pick % 6) + (pick >> 7);
}

void DrawSamples(ByteReader &in, std::vector<int16_t> &pcm) {
  const uint8_t how = in.Byte();
  if (how < 0x80) {
    in.Take(pcm.data(), pcm.size() * sizeof pcm[0]);
    return;
  }
  // Generated: noise of a chosen loudness around a square wave, cheap to
  // reach for the fuzzer and loud enough to drive the coders' adaptation.
  uint32_t seed = in.U32();
  const int shift = how & 15;
  const int square = (how >> 4 & 7) * 4096;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    const int noise = static_cast<int16_t>(seed >> 16) >> shift;
    int v = noise + ((i / 20) % 2 ? square : -square);
    v = v > INT16_MAX ? INT16_MAX : (v < INT16_MIN ? INT16_MIN : v);
    pcm[i] = static_cast<int16_t>(v);
  }
}

struct Frame {
  std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> bytes;
  int length;
};

Frame EncodeChecked(Channel &ch, const CodecType &c, const std::vector<int16_t> &pcm) {
  Frame f{};
  const int n = static_cast<int>(pcm.size());
  ZT_FUZZ_CHECK(ZT_VOICE_EncodeFrame(&ch.enc, pcm.data(), f.bytes.data(), n, ch.type) == ZT_SUCCESS,
                "a reset block encodes");
  f.length = zt_test::LengthFor(c, n);
  const uint8_t header[4] = {0x00, 0x01, static_cast<uint8_t>(f.length), 0x00};
  ZT_FUZZ_CHECK(std::memcmp(f.bytes.data(), header, 4) == 0, "the header is 00 01 L 00");
  return f;
}

// Decodes a frame of n samples: success with the carried count, or a length
// refusal when that count is not one the type decodes. Returns the samples.
std::vector<int16_t> DecodeChecked(Channel &ch, const CodecType &c, const Frame &f, int n,
                                   bool *decoded) {
  std::vector<int16_t> out(ZT_VOICE_MAX_SAMPLES, 0x5A5A);
  int16_t count = -1;
  const ZT_VOICE_STATE before = ch.dec;
  const ZT_VOICE_RESULT result =
      ZT_VOICE_DecodeFrame(&ch.dec, f.bytes.data(), out.data(), ch.type, &count);
  *decoded = DecodedCount(c, f.length) >= 0;
  if (!*decoded) {
    ZT_FUZZ_CHECK(result == ZT_ERR_VOICE_DEC_LENGTH && count == 0, "a short payload is refused");
    ZT_FUZZ_CHECK(SameBlock(before, ch.dec), "a refused frame keeps the block");
    return {};
  }
  ZT_FUZZ_CHECK(result == ZT_SUCCESS, "decode(encode(x)) succeeds");
  ZT_FUZZ_CHECK(count == zt_test::CarriedSamples(c, n), "the decoder reports the carried count");
  for (int i = count; i < ZT_VOICE_MAX_SAMPLES; ++i) {
    ZT_FUZZ_CHECK(out[i] == 0x5A5A, "no sample past the count is written");
  }
  out.resize(static_cast<std::size_t>(count));
  return out;
}

// G.711: decoded samples are fixed points of the coder, so coding them again
// gives themselves back.
void CheckG711FixedPoints(const CodecType &c, const std::vector<int16_t> &decoded) {
  if (decoded.empty()) return;
  ZT_VOICE_STATE unused{};
  Frame f{};
  const int n = static_cast<int>(decoded.size());
  ZT_FUZZ_CHECK(
      ZT_VOICE_EncodeFrame(&unused, decoded.data(), f.bytes.data(), n, c.type) == ZT_SUCCESS,
      "G.711 encodes");
  std::array<int16_t, ZT_VOICE_MAX_SAMPLES> again{};
  int16_t count = 0;
  ZT_FUZZ_CHECK(
      ZT_VOICE_DecodeFrame(&unused, f.bytes.data(), again.data(), c.type, &count) == ZT_SUCCESS,
      "G.711 decodes");
  ZT_FUZZ_CHECK(count == n && std::memcmp(again.data(), decoded.data(), 2 * decoded.size()) == 0,
                "decoded G.711 samples code back to themselves");
}

// The frames of the two bit orders carry code k at the positions each order
// gives it.
void CheckBitOrders(const Frame &lsb, const Frame &msb, int b) {
  ZT_FUZZ_CHECK(std::memcmp(lsb.bytes.data(), msb.bytes.data(), 4) == 0, "same header");
  const int codes = 16 * lsb.length / b;
  for (int k = 0; k < codes; ++k) {
    ZT_FUZZ_CHECK(
        ReadCode(lsb.bytes.data() + 4, k, b, false) == ReadCode(msb.bytes.data() + 4, k, b, true),
        "the two bit orders carry the same codes");
  }
}

// The same samples in pieces of a multiple of 16 samples (a whole number of
// bytes and codes at every width): the pieces carry the frame's codes and
// leave the encoder where the whole frame does. And the frame cut into frames
// of 80 samples decodes to the same samples and block. A coder that works on
// several samples at once must not depend on where a call starts.
void CheckPieces(ByteReader &in, const CodecType &c, const std::vector<int16_t> &pcm,
                 const Frame &whole, const std::vector<int16_t> &decoded, bool in_step,
                 const Channel &lsb, Channel &pieces) {
  const int n = static_cast<int>(pcm.size());
  const int piece = 16 * (1 + in.Byte() % 30);
  const int whole_codes = 16 * whole.length / c.bits;
  for (int at = 0; at < n; at += piece) {
    const int size = n - at < piece ? n - at : piece;
    const std::vector<int16_t> part(pcm.begin() + at, pcm.begin() + at + size);
    const Frame f = EncodeChecked(pieces, c, part);
    const int codes = 16 * f.length / c.bits;
    for (int k = 0; k < codes && at + k < whole_codes; ++k) {
      ZT_FUZZ_CHECK(ReadCode(f.bytes.data() + 4, k, c.bits, false) ==
                        ReadCode(whole.bytes.data() + 4, at + k, c.bits, false),
                    "a frame in pieces carries the same codes");
    }
  }
  ZT_FUZZ_CHECK(SameBlock(pieces.enc, lsb.enc), "a frame in pieces leaves the same encoder");
  if (!in_step) return;
  const int block_bytes = 10 * c.bits;  // 80 codes
  std::vector<int16_t> out;
  for (int k = 0; k < n / ZT_VOICE_BLOCK_SAMPLES; ++k) {
    Frame f{};
    f.length = block_bytes / 2;
    f.bytes[1] = 0x01;
    f.bytes[2] = static_cast<uint8_t>(f.length);
    std::memcpy(f.bytes.data() + 4, whole.bytes.data() + 4 + k * block_bytes,
                static_cast<std::size_t>(block_bytes));
    bool decoded_block = false;
    const std::vector<int16_t> part =
        DecodeChecked(pieces, c, f, ZT_VOICE_BLOCK_SAMPLES, &decoded_block);
    out.insert(out.end(), part.begin(), part.end());
  }
  ZT_FUZZ_CHECK(out == decoded, "a frame cut into blocks decodes to the same samples");
  ZT_FUZZ_CHECK(SameBlock(pieces.dec, lsb.dec), "a frame cut into blocks leaves the same decoder");
}

void RunG726(ByteReader &in, const CodecType &c, Channel &lsb, Channel &msb) {
  Channel pieces{lsb.type, {}, {}};
  Reset(pieces);
  for (int frame = 0; frame < kMaxFrames && !in.Empty(); ++frame) {
    bool in_step = true;
    const int n = DrawCount(in, c, &in_step);
    std::vector<int16_t> pcm(static_cast<std::size_t>(n));
    DrawSamples(in, pcm);

    const Frame fl = EncodeChecked(lsb, c, pcm);
    const Frame fm = EncodeChecked(msb, c, pcm);
    ZT_FUZZ_CHECK(SameBlock(lsb.enc, msb.enc), "the bit order does not change the coding");
    CheckBitOrders(fl, fm, c.bits);

    bool decoded_l = false;
    bool decoded_m = false;
    const std::vector<int16_t> out_l = DecodeChecked(lsb, c, fl, n, &decoded_l);
    const std::vector<int16_t> out_m = DecodeChecked(msb, c, fm, n, &decoded_m);
    ZT_FUZZ_CHECK(out_l == out_m, "both bit orders decode to the same samples");
    ZT_FUZZ_CHECK(SameBlock(lsb.dec, msb.dec), "both decoders keep the same block");
    CheckPieces(in, c, pcm, fl, out_l, in_step, lsb, pieces);
    if (in_step) {
      ZT_FUZZ_CHECK(decoded_l, "a frame of 80k or 80k + 1 samples decodes");
      ZT_FUZZ_CHECK(SameBlock(lsb.enc, lsb.dec), "the decoder stays in step with the encoder");
    } else {
      // The decoder may have lost step; start the stream over.
      Reset(lsb);
      Reset(msb);
      Reset(pieces);
      ZT_FUZZ_CHECK(SameBlock(lsb.enc, lsb.dec) && SameBlock(lsb.enc, msb.enc),
                    "every reset of a rate writes the same block");
    }
  }
}

// Type 3: the same samples in pieces of a multiple of 4 samples, from the
// same block, carry the frame's codes and leave the encoder where the whole
// frame does.
void CheckAdpcmPieces(ByteReader &in, const CodecType &c, const std::vector<int16_t> &pcm,
                      const Frame &whole, const ZT_VOICE_STATE &start, const ZT_VOICE_STATE &end) {
  const int n = static_cast<int>(pcm.size());
  const int piece = 4 * (1 + in.Byte() % 60);
  Channel pieces{c.type, start, {}};
  for (int at = 0; at < n; at += piece) {
    const int size = n - at < piece ? n - at : piece;
    const std::vector<int16_t> part(pcm.begin() + at, pcm.begin() + at + size);
    const Frame f = EncodeChecked(pieces, c, part);
    if (at == 0) {
      ZT_FUZZ_CHECK(std::memcmp(f.bytes.data() + 4, whole.bytes.data() + 4, 4) == 0,
                    "the first piece carries the frame's start state");
    }
    ZT_FUZZ_CHECK(std::memcmp(f.bytes.data() + 8, whole.bytes.data() + 8 + at / 2,
                              static_cast<std::size_t>(2 * (f.length - 2))) == 0,
                  "a frame in pieces carries the same codes");
  }
  ZT_FUZZ_CHECK(std::memcmp(&pieces.enc, &end, 3) == 0,
                "a frame in pieces leaves the same encoder");
}

void RunOther(ByteReader &in, const CodecType &c, Channel &ch, const ZT_VOICE_STATE &old_enc,
              const ZT_VOICE_STATE &old_dec) {
  const std::size_t written = WrittenStateBytes(c);
  for (int frame = 0; frame < kMaxFrames && !in.Empty(); ++frame) {
    bool in_step = true;
    const int n = DrawCount(in, c, &in_step);
    std::vector<int16_t> pcm(static_cast<std::size_t>(n));
    DrawSamples(in, pcm);

    const ZT_VOICE_STATE start = ch.enc;
    const Frame f = EncodeChecked(ch, c, pcm);
    if (c.type == ZT_VOICE_ADPCM) CheckAdpcmPieces(in, c, pcm, f, start, ch.enc);
    bool decoded = false;
    const std::vector<int16_t> out = DecodeChecked(ch, c, f, n, &decoded);
    const auto *enc = reinterpret_cast<const uint8_t *>(&ch.enc);
    const auto *dec = reinterpret_cast<const uint8_t *>(&ch.dec);
    ZT_FUZZ_CHECK(
        std::memcmp(enc + written, reinterpret_cast<const uint8_t *>(&old_enc) + written,
                    sizeof old_enc - written) == 0 &&
            std::memcmp(dec + written, reinterpret_cast<const uint8_t *>(&old_dec) + written,
                        sizeof old_dec - written) == 0,
        "the codec keeps to its own bytes of the block");
    if (c.family == Family::kG711) {
      ZT_FUZZ_CHECK(decoded || !in_step, "a frame of 80k or 80k + 1 samples decodes");
      CheckG711FixedPoints(c, out);
    } else if (zt_test::CarriedSamples(c, n) == n) {
      ZT_FUZZ_CHECK(std::memcmp(enc, dec, 3) == 0,
                    "an ADPCM decoder ends where the encoder is after a whole frame");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  ByteReader in(data, size);
  const CodecType &c = zt_test::kCodecTypes[in.Byte() % 12];
  Channel ch{c.type, {}, {}};
  // Whatever the blocks held before, the resets make them alike.
  in.Take(&ch.enc, sizeof ch.enc);
  std::memcpy(&ch.dec, &ch.enc, sizeof ch.dec);
  for (std::size_t i = 0; i < sizeof ch.dec; ++i) reinterpret_cast<uint8_t *>(&ch.dec)[i] ^= 0x5A;
  const ZT_VOICE_STATE old_enc = ch.enc;
  const ZT_VOICE_STATE old_dec = ch.dec;
  Reset(ch);
  const std::size_t written = WrittenStateBytes(c);
  ZT_FUZZ_CHECK(std::memcmp(&ch.enc, &ch.dec, written) == 0,
                "encoder and decoder resets write the same start state");

  if (c.family == Family::kG726) {
    Channel other{OtherOrder(c.type), {}, {}};
    Reset(other);
    ZT_FUZZ_CHECK(SameBlock(ch.enc, other.enc) && SameBlock(ch.dec, other.dec),
                  "a type and its variant reset alike, whatever the block held");
    const bool msb_first = (c.type & ZT_VOICE_VARIANT) != 0;
    RunG726(in, c, msb_first ? other : ch, msb_first ? ch : other);
  } else {
    RunOther(in, c, ch, old_enc, old_dec);
  }
  return 0;
}
