// Throughput of every codec type through the four exported functions of the
// shared library, as a host calls them: one ZT_VOICE_EncodeFrame or
// ZT_VOICE_DecodeFrame call per frame, over four seconds of a speech-like
// signal that the benchmark steps through frame by frame.
//
// Reports samples per second and `rt_channels`, the number of 8000 Hz
// channels one core keeps up with in real time (samples per second / 8000).
// Types the library does not build yet are listed and skipped.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "codec_list.h"
#include "voice_signal.h"
#include "zelt_voice_engine.h"

namespace {

constexpr double kSeconds = 4.0;

const std::vector<int16_t> &Signal() {
  static const std::vector<int16_t> signal = zt_bench::VoiceSignal::Generate(kSeconds);
  return signal;
}

// CPU time of the calling thread, the clock the benchmark's rates use.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Samples per second, and the real-time channels one core carries: samples
// per CPU second / 8000 (a plain count, where a rate counter would print /s).
void Report(benchmark::State &state, int64_t samples, double seconds) {
  state.SetItemsProcessed(samples);
  if (seconds > 0) {
    state.counters["rt_channels"] =
        static_cast<double>(samples) / seconds / zt_bench::VoiceSignal::kRate;
  }
}

void Encode(benchmark::State &state, int type, int n) {
  const std::vector<int16_t> &pcm = Signal();
  ZT_VOICE_STATE block;
  ZT_VOICE_EncReset(&block, type);
  alignas(64) unsigned char frame[ZT_VOICE_MAX_FRAME_BYTES];
  std::size_t pos = 0;
  const double start = ThreadSeconds();
  for (auto _ : state) {
    if (ZT_VOICE_EncodeFrame(&block, pcm.data() + pos, frame, n, type) != ZT_SUCCESS) {
      state.SkipWithError("ZT_VOICE_EncodeFrame failed");
      break;
    }
    benchmark::DoNotOptimize(frame);
    benchmark::ClobberMemory();
    pos += n;
    if (pos + n > pcm.size()) pos = 0;
  }
  Report(state, static_cast<int64_t>(state.iterations()) * n, ThreadSeconds() - start);
}

// Decodes the frames of the whole signal in stream order, starting over at
// its end (a G.726 decoder then jumps, which costs no more than continuing).
void Decode(benchmark::State &state, int type, int n) {
  const std::vector<int16_t> &pcm = Signal();
  std::vector<std::vector<unsigned char>> frames;
  ZT_VOICE_STATE block;
  ZT_VOICE_EncReset(&block, type);
  for (std::size_t pos = 0; pos + n <= pcm.size(); pos += n) {
    std::vector<unsigned char> frame(ZT_VOICE_MAX_FRAME_BYTES);
    ZT_VOICE_EncodeFrame(&block, pcm.data() + pos, frame.data(), n, type);
    frames.push_back(std::move(frame));
  }
  ZT_VOICE_DecReset(&block, type);
  alignas(64) int16_t out[ZT_VOICE_MAX_SAMPLES];
  int16_t count = 0;
  int64_t decoded = 0;
  std::size_t next = 0;
  const double start = ThreadSeconds();
  for (auto _ : state) {
    if (ZT_VOICE_DecodeFrame(&block, frames[next].data(), out, type, &count) != ZT_SUCCESS) {
      state.SkipWithError("ZT_VOICE_DecodeFrame failed");
      break;
    }
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
    decoded += count;
    if (++next == frames.size()) next = 0;
  }
  // Counted as the decoder reports them (the same as n for every size measured).
  Report(state, decoded, ThreadSeconds() - start);
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::string skipped;
  for (const auto &codec : zt_bench::kCodecs) {
    if (!zt_bench::Built(codec.type)) {
      skipped += std::string(skipped.empty() ? "" : ", ") + codec.name;
      continue;
    }
    for (const int n : zt_bench::FrameSizes(codec.type)) {
      const std::string suffix = std::string(codec.name) + "/" + std::to_string(n);
      benchmark::RegisterBenchmark(("Encode/" + suffix).c_str(), Encode, codec.type, n);
      benchmark::RegisterBenchmark(("Decode/" + suffix).c_str(), Decode, codec.type, n);
    }
  }
  if (!skipped.empty()) std::fprintf(stderr, "not built yet, skipped: %s\n", skipped.c_str());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
