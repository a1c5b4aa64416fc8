// ZT_VOICE_DecodeFrame on hostile frames, types and state blocks.
//
// Input: type, state block, null-pointer choice, then the frame bytes. The
// frame sits in a heap buffer of exactly 4 + 2 * (length byte) bytes (missing
// bytes are 0), so a read past the declared length is a heap overflow; the
// sample buffer holds exactly 481 samples.
//
// Promises checked: the result is the first failed check of the documented
// order; the count is 0 after any later failure and untouched after a pointer
// failure; a failure writes no sample and no byte of the block; a success
// writes exactly the reported count of samples and the count is the type's
// length rule; the frame is never written; G.711 leaves the block alone and
// IMA ADPCM touches bytes 0-2 only, ending on the last sample and a step index
// of at most 88; IMA ADPCM and G.711 give the same samples whatever the block
// held, and G.711 sample i is the value of code i alone; a G.726 block keeps words 0 and 1; an
// MSB-first G.726 frame decodes like the LSB-first frame of the same codes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "zelt_voice_engine.h"

namespace {

using namespace zt_fuzz;

constexpr int16_t kSampleCanary = static_cast<int16_t>(0xA5A5);
constexpr int16_t kCountCanary = 0x7E7E;

struct Decoded {
  ZT_VOICE_RESULT result;
  int16_t count;
  ZT_VOICE_STATE state;
  std::vector<int16_t> pcm;  // exactly 481 samples
};

Decoded Decode(const ZT_VOICE_STATE &start, const std::vector<uint8_t> &frame, int type) {
  Decoded d{0, kCountCanary, start, std::vector<int16_t>(ZT_VOICE_MAX_SAMPLES, kSampleCanary)};
  d.result = ZT_VOICE_DecodeFrame(&d.state, frame.data(), d.pcm.data(), type, &d.count);
  return d;
}

// The result the documented check order gives once the pointers are good.
ZT_VOICE_RESULT Expected(const std::vector<uint8_t> &frame, int type, const ZT_VOICE_STATE &state) {
  if ((frame[1] & 3) != 1) return ZT_ERR_VOICE_DEC_HEADER;
  if (frame[2] == 0) return ZT_ERR_VOICE_DEC_LENGTH;
  const CodecType *c = FindType(type);
  if (c == nullptr) return ZT_ERR_VOICE_DEC_TYPE;
  if (DecodedCount(*c, frame[2]) < 0) return ZT_ERR_VOICE_DEC_LENGTH;
  if (!BlockSuits(*c, state)) return ZT_ERR_VOICE_DEC_TYPE;
  return ZT_SUCCESS;
}

void CheckNullPointers(const std::vector<uint8_t> &frame, int type, const ZT_VOICE_STATE &start,
                       unsigned nulls) {
  ZT_VOICE_STATE state = start;
  std::vector<int16_t> pcm(ZT_VOICE_MAX_SAMPLES, kSampleCanary);
  int16_t count = kCountCanary;
  ZT_VOICE_STATE *state_arg = nulls & 1 ? nullptr : &state;
  const void *frame_arg = nulls & 2 ? nullptr : frame.data();
  int16_t *pcm_arg = nulls & 4 ? nullptr : pcm.data();
  int16_t *count_arg = nulls & 8 ? nullptr : &count;
  const ZT_VOICE_RESULT expected = nulls & 1   ? ZT_ERR_VOICE_NULL_STATE
                                   : nulls & 2 ? ZT_ERR_VOICE_NULL_INPUT
                                               : ZT_ERR_VOICE_NULL_OUTPUT;
  const ZT_VOICE_RESULT result =
      ZT_VOICE_DecodeFrame(state_arg, frame_arg, pcm_arg, type, count_arg);
  ZT_FUZZ_CHECK(result == expected, "null pointers are reported in order");
  ZT_FUZZ_CHECK(count == kCountCanary, "a pointer failure leaves the count alone");
  ZT_FUZZ_CHECK(std::memcmp(&state, &start, sizeof state) == 0, "a failure keeps the block");
  for (int16_t s : pcm) ZT_FUZZ_CHECK(s == kSampleCanary, "a failure writes no sample");
}

// The same codes as an LSB-first payload.
std::vector<uint8_t> ToLsbFirst(const std::vector<uint8_t> &msb_frame, int b) {
  std::vector<uint8_t> lsb(msb_frame.size(), 0);
  std::memcpy(lsb.data(), msb_frame.data(), 4);
  const int codes = 16 * msb_frame[2] / b;
  for (int k = 0; k < codes; ++k) {
    WriteCode(lsb.data() + 4, k, b, false, ReadCode(msb_frame.data() + 4, k, b, true));
  }
  return lsb;
}

void CheckSuccess(const CodecType &c, const std::vector<uint8_t> &frame, int type,
                  const ZT_VOICE_STATE &start, const Decoded &d) {
  const int count = d.count;
  ZT_FUZZ_CHECK(count == DecodedCount(c, frame[2]), "the count follows the length rule");
  for (int i = count; i < ZT_VOICE_MAX_SAMPLES; ++i) {
    ZT_FUZZ_CHECK(d.pcm[i] == kSampleCanary, "no sample past the count is written");
  }
  const std::size_t written = WrittenStateBytes(c);
  const auto *before = reinterpret_cast<const uint8_t *>(&start);
  const auto *after = reinterpret_cast<const uint8_t *>(&d.state);
  ZT_FUZZ_CHECK(std::memcmp(before + written, after + written, sizeof start - written) == 0,
                "the block changes only where the codec keeps its state");

  switch (c.family) {
    case Family::kG711:
    case Family::kAdpcm: {
      // These frames decode on their own: any other block gives the same samples.
      ZT_VOICE_STATE other;
      for (std::size_t i = 0; i < sizeof other; ++i) {
        reinterpret_cast<uint8_t *>(&other)[i] = static_cast<uint8_t>(~before[i]);
      }
      const Decoded again = Decode(other, frame, type);
      ZT_FUZZ_CHECK(again.result == ZT_SUCCESS && again.count == d.count, "decodes again");
      ZT_FUZZ_CHECK(again.pcm == d.pcm, "the samples do not depend on the block");
      if (c.family == Family::kG711) {
        for (int i = 0; i < count; ++i) {
          ZT_FUZZ_CHECK(d.pcm[i] == G711SampleOf(c.type, frame[4 + i]),
                        "sample i is the value of code i");
        }
      }
      if (c.family == Family::kAdpcm) {
        // The block ends on the last sample and a usable step index; with no
        // sample it holds the frame's own state words.
        const int16_t predictor = static_cast<int16_t>(after[0] | after[1] << 8);
        const int16_t expected =
            count > 0 ? d.pcm[count - 1] : static_cast<int16_t>(frame[4] | frame[5] << 8);
        ZT_FUZZ_CHECK(predictor == expected, "the decoder ends on the last sample");
        ZT_FUZZ_CHECK(after[2] <= 88, "the step index stays within the table");
        if (count <= 1) {
          ZT_FUZZ_CHECK(after[2] == (frame[6] > 88 ? 88 : frame[6]),
                        "a step index above 88 is read as 88");
        }
        if (c.type == ZT_VOICE_ADPCM_LEAD) {
          ZT_FUZZ_CHECK(d.pcm[0] == static_cast<int16_t>(frame[4] | frame[5] << 8),
                        "type 35 sends its first sample as it is");
        }
      }
      break;
    }
    case Family::kG726: {
      ZT_FUZZ_CHECK(d.state.opaque[0] == 2 && d.state.opaque[1] == static_cast<uint32_t>(c.bits),
                    "coding and code_bits never change");
      if (c.type & ZT_VOICE_VARIANT) {
        const Decoded lsb = Decode(start, ToLsbFirst(frame, c.bits), OtherOrder(type));
        ZT_FUZZ_CHECK(lsb.result == ZT_SUCCESS && lsb.count == d.count, "the LSB twin decodes");
        ZT_FUZZ_CHECK(lsb.pcm == d.pcm, "both bit orders give the same samples");
        ZT_FUZZ_CHECK(std::memcmp(&lsb.state, &d.state, sizeof d.state) == 0,
                      "both bit orders leave the same block");
      }
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  ByteReader in(data, size);
  const int type = DrawType(in);
  ZT_VOICE_STATE start;
  DrawState(in, type, &start);
  const uint8_t nulls = in.Byte();

  std::size_t rest_size = 0;
  const uint8_t *rest = in.Rest(&rest_size);
  const int length_byte = rest_size > 2 ? rest[2] : 0;
  std::vector<uint8_t> frame(4 + 2 * static_cast<std::size_t>(length_byte), 0);
  std::memcpy(frame.data(), rest, rest_size < frame.size() ? rest_size : frame.size());
  const std::vector<uint8_t> frame_before = frame;

  if ((nulls & 0xF0) == 0xF0 && (nulls & 0x0F) != 0) {
    CheckNullPointers(frame, type, start, nulls & 0x0F);
    ZT_FUZZ_CHECK(frame == frame_before, "the frame is never written");
    return 0;
  }

  const Decoded d = Decode(start, frame, type);
  ZT_FUZZ_CHECK(frame == frame_before, "the frame is never written");
  ZT_FUZZ_CHECK(d.result == Expected(frame, type, start), "the result follows the check order");
  if (d.result != ZT_SUCCESS) {
    ZT_FUZZ_CHECK(d.count == 0, "a failure after the pointer checks reports 0 samples");
    ZT_FUZZ_CHECK(std::memcmp(&d.state, &start, sizeof start) == 0, "a failure keeps the block");
    for (int16_t s : d.pcm) ZT_FUZZ_CHECK(s == kSampleCanary, "a failure writes no sample");
    return 0;
  }
  CheckSuccess(*FindType(type), frame, type, start, d);
  return 0;
}
