// Fixed workload for instruction counting under callgrind (see
// instructions.sh): codes FRAMES frames of N samples of the benchmark signal
// through the shared library's exported functions.
//
//   zt_instr_driver TYPE enc|dec N FRAMES
//
// Everything but the frame calls (signal generation, resets, encoding the
// frames that the decoder is given, and one warm-up pass that resolves the
// library's lazy bindings) runs outside zt_measured_encode and
// zt_measured_decode, the two functions on which callgrind's
// --toggle-collect is set. Their count thus holds the exported call with all
// it runs and the call itself, plus a few loop instructions per frame.
//
// Exit status: 0 done, 2 usage, 3 the library has no codec for TYPE, 4 a call
// failed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec_list.h"
#include "voice_signal.h"
#include "zelt_voice_engine.h"

namespace {

constexpr std::size_t kFrameBytes = ZT_VOICE_MAX_FRAME_BYTES;

}  // namespace

// Not static and never inlined, so that callgrind can find them by name.
extern "C" __attribute__((noinline)) int zt_measured_encode(ZT_VOICE_STATE *block,
                                                            const int16_t *pcm, int n, int type,
                                                            unsigned char *frames, int count) {
  int failures = 0;
  for (int f = 0; f < count; ++f) {
    failures += ZT_VOICE_EncodeFrame(block, pcm + static_cast<std::size_t>(f) * n,
                                     frames + f * kFrameBytes, n, type) != ZT_SUCCESS;
  }
  return failures;
}

extern "C" __attribute__((noinline)) int zt_measured_decode(ZT_VOICE_STATE *block,
                                                            const unsigned char *frames,
                                                            int16_t *pcm, int type, int count,
                                                            int16_t *samples) {
  int failures = 0;
  for (int f = 0; f < count; ++f) {
    failures +=
        ZT_VOICE_DecodeFrame(block, frames + f * kFrameBytes, pcm + f * ZT_VOICE_MAX_SAMPLES, type,
                             samples + f) != ZT_SUCCESS;
  }
  return failures;
}

int main(int argc, char **argv) {
  if (argc != 5 || (std::strcmp(argv[2], "enc") != 0 && std::strcmp(argv[2], "dec") != 0)) {
    std::fprintf(stderr, "usage: %s TYPE enc|dec N FRAMES\n", argv[0]);
    return 2;
  }
  const int type = std::atoi(argv[1]);
  const bool encode = std::strcmp(argv[2], "enc") == 0;
  const int n = std::atoi(argv[3]);
  const int count = std::atoi(argv[4]);
  if (n < 1 || n > ZT_VOICE_MAX_SAMPLES || count < 1) {
    std::fprintf(stderr, "N must be 1..481 and FRAMES positive\n");
    return 2;
  }
  if (!zt_bench::Built(type)) return 3;

  // Each frame codes samples of its own, as in a stream.
  const auto total = static_cast<std::size_t>(n) * count;
  const std::vector<int16_t> pcm = zt_bench::VoiceSignal::Generate(
      static_cast<double>(total) / zt_bench::VoiceSignal::kRate + 0.1);
  std::vector<unsigned char> frames(kFrameBytes * count);
  std::vector<int16_t> decoded(static_cast<std::size_t>(ZT_VOICE_MAX_SAMPLES) * count);
  ZT_VOICE_STATE block;
  int failures = 0;

  // Warm-up, which also builds the frames to decode: every exported function
  // runs once before the measured pass.
  ZT_VOICE_EncReset(&block, type);
  for (int f = 0; f < count; ++f) {
    failures += ZT_VOICE_EncodeFrame(&block, pcm.data() + static_cast<std::size_t>(f) * n,
                                     frames.data() + f * kFrameBytes, n, type) != ZT_SUCCESS;
  }
  ZT_VOICE_DecReset(&block, type);
  int16_t first_count = 0;
  ZT_VOICE_DecodeFrame(&block, frames.data(), decoded.data(), type, &first_count);

  // The samples coded in the measured pass: those given to the encoder, or
  // those the decoder reports (type 35 decodes 157 of a 160-sample frame).
  long coded = 0;
  if (encode) {
    ZT_VOICE_EncReset(&block, type);
    failures += zt_measured_encode(&block, pcm.data(), n, type, frames.data(), count);
    coded = static_cast<long>(total);
  } else {
    std::vector<int16_t> counts(count);
    ZT_VOICE_DecReset(&block, type);
    failures +=
        zt_measured_decode(&block, frames.data(), decoded.data(), type, count, counts.data());
    for (const int16_t c : counts) coded += c;
  }
  // Using the output keeps any work from being dropped.
  unsigned checksum = 0;
  for (const int16_t s : decoded) checksum += static_cast<uint16_t>(s);
  for (const unsigned char b : frames) checksum += b;
  std::printf("samples %ld checksum %u\n", coded, checksum);
  return failures == 0 ? 0 : 4;
}
