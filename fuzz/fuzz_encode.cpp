// ZT_VOICE_EncodeFrame on arbitrary samples, counts, types and state blocks.
//
// Input: type, count, state block, null-pointer choice, canary byte, then the
// samples. The samples sit in a heap buffer of exactly n samples (one when the
// count is refused), so reading sample n + 1 is a heap overflow; the frame
// buffer is exactly ZT_VOICE_MAX_FRAME_BYTES, filled with the canary.
//
// Promises checked: the result is the first failed check of the documented
// order (a bad count before a bad type, a G.726 block not reset for the rate
// as a bad type); a failure writes no frame byte and no block byte; a success
// writes the header 00 01 L 00 with L the type's length for n and exactly
// 4 + 2 * L bytes; the samples are only read; G.711 code i is the code of
// sample i alone, and G.711 leaves the block alone; IMA ADPCM touches bytes
// 0-2 only, carrying the state it started from (a step index above 88 as 88);
// a G.726 block keeps words 0 and 1, the payload bits past the coded samples
// are 0, and the type of the other bit order, from the same block, codes the
// same samples to the same codes and the same block.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "zelt_voice_engine.h"

namespace {

using namespace zt_fuzz;

// Counts at and around the edges of 1..481 and of the 16-bit narrowing.
constexpr int kEdgeCounts[] = {0,      1,       2,       3,       4,       5,       79,
                               80,     81,      160,     161,     479,     480,     481,
                               482,    -1,      0x7FFF,  0x8000,  0xFFFF,  0x10000, 0x10050,
                               -65456, INT_MIN, INT_MAX, 0x101E1, 0x101E2, -0x10000};

int DrawCount(ByteReader &in) {
  const uint8_t pick = in.Byte();
  if (pick < 160) return 1 + in.U16() % ZT_VOICE_MAX_SAMPLES;
  if (pick < 200) {
    // A good count with junk in the high 16 bits, which must not matter.
    const uint32_t n = 1 + in.U16() % ZT_VOICE_MAX_SAMPLES;
    return static_cast<int>(n | uint32_t{in.U16()} << 16);
  }
  if (pick < 232) return kEdgeCounts[in.Byte() % (sizeof kEdgeCounts / sizeof kEdgeCounts[0])];
  return static_cast<int>(in.U32());
}

struct Encoded {
  ZT_VOICE_RESULT result;
  ZT_VOICE_STATE state;
  std::vector<uint8_t> frame;  // exactly ZT_VOICE_MAX_FRAME_BYTES
};

Encoded Encode(const ZT_VOICE_STATE &start, const std::vector<int16_t> &pcm, int count, int type,
               uint8_t canary) {
  Encoded e{0, start, std::vector<uint8_t>(ZT_VOICE_MAX_FRAME_BYTES, canary)};
  e.result = ZT_VOICE_EncodeFrame(&e.state, pcm.data(), e.frame.data(), count, type);
  return e;
}

ZT_VOICE_RESULT Expected(int count, int type, const ZT_VOICE_STATE &state) {
  const int n = Low16(count);
  if (n < 1 || n > ZT_VOICE_MAX_SAMPLES) return ZT_ERR_VOICE_ENC_LENGTH;
  const CodecType *c = FindType(type);
  if (c == nullptr || !BlockSuits(*c, state)) return ZT_ERR_VOICE_ENC_TYPE;
  return ZT_SUCCESS;
}

void CheckNullPointers(const ZT_VOICE_STATE &start, const std::vector<int16_t> &pcm, int count,
                       int type, uint8_t canary, unsigned nulls) {
  ZT_VOICE_STATE state = start;
  std::vector<uint8_t> frame(ZT_VOICE_MAX_FRAME_BYTES, canary);
  const ZT_VOICE_RESULT expected = nulls & 1   ? ZT_ERR_VOICE_NULL_STATE
                                   : nulls & 2 ? ZT_ERR_VOICE_NULL_INPUT
                                               : ZT_ERR_VOICE_NULL_OUTPUT;
  const ZT_VOICE_RESULT result =
      ZT_VOICE_EncodeFrame(nulls & 1 ? nullptr : &state, nulls & 2 ? nullptr : pcm.data(),
                           nulls & 4 ? nullptr : frame.data(), count, type);
  ZT_FUZZ_CHECK(result == expected, "null pointers are reported in order");
  ZT_FUZZ_CHECK(std::memcmp(&state, &start, sizeof state) == 0, "a failure keeps the block");
  for (uint8_t b : frame) ZT_FUZZ_CHECK(b == canary, "a failure writes no frame byte");
}

// The type of the other bit order, from the same block and samples: the same
// block after the call, the same header, and code k of the 16 * L / b whole
// codes at the positions each order gives it.
void CheckOtherOrder(const CodecType &c, const ZT_VOICE_STATE &start,
                     const std::vector<int16_t> &pcm, int count, int type, uint8_t canary,
                     const Encoded &e) {
  const Encoded twin = Encode(start, pcm, count, OtherOrder(type), canary);
  ZT_FUZZ_CHECK(twin.result == ZT_SUCCESS, "the other bit order encodes too");
  ZT_FUZZ_CHECK(std::memcmp(&twin.state, &e.state, sizeof e.state) == 0,
                "both bit orders advance the block alike");
  ZT_FUZZ_CHECK(std::memcmp(twin.frame.data(), e.frame.data(), 4) == 0, "same header");
  const bool msb_first = (c.type & ZT_VOICE_VARIANT) != 0;
  const uint8_t *lsb = (msb_first ? twin.frame : e.frame).data() + 4;
  const uint8_t *msb = (msb_first ? e.frame : twin.frame).data() + 4;
  const int codes = 16 * e.frame[2] / c.bits;
  for (int k = 0; k < codes; ++k) {
    ZT_FUZZ_CHECK(ReadCode(lsb, k, c.bits, false) == ReadCode(msb, k, c.bits, true),
                  "the two bit orders carry the same codes");
  }
}

void CheckSuccess(const CodecType &c, const ZT_VOICE_STATE &start, const std::vector<int16_t> &pcm,
                  int count, int type, uint8_t canary, const Encoded &e) {
  const int n = Low16(count);
  const int length = zt_test::LengthFor(c, n);
  const uint8_t header[4] = {0x00, 0x01, static_cast<uint8_t>(length), 0x00};
  ZT_FUZZ_CHECK(std::memcmp(e.frame.data(), header, 4) == 0, "the header is 00 01 L 00");
  const std::size_t frame_bytes = 4 + 2 * static_cast<std::size_t>(length);
  for (std::size_t i = frame_bytes; i < e.frame.size(); ++i) {
    ZT_FUZZ_CHECK(e.frame[i] == canary, "exactly 4 + 2 * L bytes are written");
  }
  const std::size_t written = WrittenStateBytes(c);
  const auto *before = reinterpret_cast<const uint8_t *>(&start);
  const auto *after = reinterpret_cast<const uint8_t *>(&e.state);
  ZT_FUZZ_CHECK(std::memcmp(before + written, after + written, sizeof start - written) == 0,
                "the block changes only where the codec keeps its state");

  switch (c.family) {
    case Family::kG711:
      for (int i = 0; i < 2 * length; ++i) {
        ZT_FUZZ_CHECK(e.frame[4 + i] == G711CodeOf(c.type, pcm[i]),
                      "code i is the code of sample i");
      }
      break;
    case Family::kAdpcm: {
      // The frame carries the state the encoder started from: the predictor
      // (type 3) or the first sample (type 35), and the step index, read as
      // 88 when the block held more.
      const int16_t first =
          c.type == ZT_VOICE_ADPCM ? static_cast<int16_t>(before[0] | before[1] << 8) : pcm[0];
      ZT_FUZZ_CHECK(static_cast<int16_t>(e.frame[4] | e.frame[5] << 8) == first,
                    "the first state word");
      ZT_FUZZ_CHECK(e.frame[6] == (before[2] > 88 ? 88 : before[2]), "the step index word");
      ZT_FUZZ_CHECK(e.frame[7] == 0, "the step index word's high byte is 0");
      ZT_FUZZ_CHECK(after[2] <= 88, "the step index stays within the table");
      break;
    }
    case Family::kG726: {
      ZT_FUZZ_CHECK(e.state.opaque[0] == 2 && e.state.opaque[1] == static_cast<uint32_t>(c.bits),
                    "coding and code_bits never change");
      // An odd last sample is not coded; the bits of the payload past the
      // coded samples' codes are 0.
      const bool msb_first = (c.type & ZT_VOICE_VARIANT) != 0;
      for (int p = (n & ~1) * c.bits; p < 16 * length; ++p) {
        const int bit = e.frame[4 + p / 8] >> (msb_first ? 7 - p % 8 : p % 8) & 1;
        ZT_FUZZ_CHECK(bit == 0, "a payload bit that holds no code is 0");
      }
      CheckOtherOrder(c, start, pcm, count, type, canary, e);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  ByteReader in(data, size);
  const int type = DrawType(in);
  const int count = DrawCount(in);
  ZT_VOICE_STATE start;
  DrawState(in, type, &start);
  const uint8_t nulls = in.Byte();
  const uint8_t canary = in.Byte();

  const int n = Low16(count);
  const bool count_ok = n >= 1 && n <= ZT_VOICE_MAX_SAMPLES;
  std::vector<int16_t> pcm(count_ok ? static_cast<std::size_t>(n) : 1);
  in.Take(pcm.data(), pcm.size() * sizeof pcm[0]);
  const std::vector<int16_t> pcm_before = pcm;

  if ((nulls & 0xF0) == 0xF0 && (nulls & 0x07) != 0) {
    CheckNullPointers(start, pcm, count, type, canary, nulls & 0x07);
    ZT_FUZZ_CHECK(pcm == pcm_before, "the samples are only read");
    return 0;
  }

  const Encoded e = Encode(start, pcm, count, type, canary);
  ZT_FUZZ_CHECK(pcm == pcm_before, "the samples are only read");
  ZT_FUZZ_CHECK(e.result == Expected(count, type, start), "the result follows the check order");
  if (e.result != ZT_SUCCESS) {
    ZT_FUZZ_CHECK(std::memcmp(&e.state, &start, sizeof start) == 0, "a failure keeps the block");
    for (uint8_t b : e.frame) ZT_FUZZ_CHECK(b == canary, "a failure writes no frame byte");
    return 0;
  }
  CheckSuccess(*FindType(type), start, pcm, count, type, canary, e);
  return 0;
}
