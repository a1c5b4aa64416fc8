// Calls on different state blocks may run on any threads at once: several
// threads code many independent streams of every type at the same time, each
// thread switching between its streams frame by frame, and every stream's
// frames, decoded samples and final blocks must equal those of the same
// stream coded alone. The threads also decode one shared set of frames at
// once, which the decoder only reads. The ThreadSanitizer build runs this
// (scripts/test.d/30-tsan.sh).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <latch>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/codec_types.h"
#include "zelt_voice_engine.h"

namespace {

using zt_test::CodecType;
using zt_test::Family;

constexpr int kThreads = 4;
constexpr int kStreamsPerType = 4;
constexpr int kFrames = 24;

uint32_t TestSeed() {
  const char *env = std::getenv("ZT_TEST_SEED");
  return env != nullptr && *env != '\0' ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0))
                                        : 0xC0C0A11Eu;
}

// One stream: a type, a frame size that loses no sample for it, and where in
// the shared signal its samples start.
struct StreamPlan {
  int type;
  int frame_samples;
  std::size_t offset;
};

// Everything a stream produces.
struct StreamOutput {
  std::vector<uint8_t> frames;
  std::vector<int16_t> decoded;
  std::vector<ZT_VOICE_RESULT> results;
  ZT_VOICE_STATE enc{};
  ZT_VOICE_STATE dec{};
};

bool operator==(const StreamOutput &a, const StreamOutput &b) {
  return a.frames == b.frames && a.decoded == b.decoded && a.results == b.results &&
         std::memcmp(&a.enc, &b.enc, sizeof a.enc) == 0 &&
         std::memcmp(&a.dec, &b.dec, sizeof a.dec) == 0;
}

// A stream in progress.
struct Stream {
  const StreamPlan *plan;
  StreamOutput out;

  void Start() {
    out.results.push_back(ZT_VOICE_EncReset(&out.enc, plan->type));
    out.results.push_back(ZT_VOICE_DecReset(&out.dec, plan->type));
  }
  void CodeFrame(const std::vector<int16_t> &signal, int k) {
    const int16_t *pcm =
        signal.data() + plan->offset + static_cast<std::size_t>(k * plan->frame_samples);
    std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
    out.results.push_back(
        ZT_VOICE_EncodeFrame(&out.enc, pcm, frame.data(), plan->frame_samples, plan->type));
    out.frames.insert(out.frames.end(), frame.begin(), frame.begin() + 4 + 2 * frame[2]);
    std::array<int16_t, ZT_VOICE_MAX_SAMPLES> samples{};
    int16_t count = -1;
    out.results.push_back(
        ZT_VOICE_DecodeFrame(&out.dec, frame.data(), samples.data(), plan->type, &count));
    out.decoded.insert(out.decoded.end(), samples.begin(),
                       samples.begin() + (count > 0 ? count : 0));
  }
};

// Speech-like test signal: noise bursts of changing loudness.
std::vector<int16_t> MakeSignal(uint32_t seed, std::size_t n) {
  std::mt19937 rng(seed);
  std::vector<int16_t> pcm(n);
  int shift = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i % 97 == 0) shift = static_cast<int>(rng() % 12);
    pcm[i] = static_cast<int16_t>(static_cast<int16_t>(rng()) >> shift);
  }
  return pcm;
}

std::vector<StreamPlan> MakePlans(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<StreamPlan> plans;
  for (const CodecType &c : zt_test::kCodecTypes) {
    for (int s = 0; s < kStreamsPerType; ++s) {
      // Frame sizes that carry every sample: 80k (G.711, G.726, type 3),
      // 80k + 1 (G.726, type 35).
      const int k = 1 + static_cast<int>(rng() % 3);
      const bool plus_one =
          c.type == ZT_VOICE_ADPCM_LEAD || (c.family == Family::kG726 && s % 2 == 1);
      plans.push_back({c.type, 80 * k + (plus_one ? 1 : 0), rng() % 4000});
    }
  }
  return plans;
}

constexpr std::size_t kSignalSamples = 4000 + kFrames * 241 + 1;

TEST(Concurrency, StreamsOnManyThreadsMatchStreamsCodedAlone) {
  const uint32_t seed = TestSeed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (ZT_TEST_SEED)");
  const std::vector<int16_t> signal = MakeSignal(seed, kSignalSamples);
  const std::vector<StreamPlan> plans = MakePlans(seed);

  std::vector<StreamOutput> alone;
  for (const StreamPlan &plan : plans) {
    Stream s{&plan, {}};
    s.Start();
    for (int k = 0; k < kFrames; ++k) s.CodeFrame(signal, k);
    alone.push_back(s.out);
  }

  std::vector<Stream> streams;
  for (const StreamPlan &plan : plans) streams.push_back({&plan, {}});
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      // Thread t owns streams t, t + kThreads, ... and moves them on in turn.
      for (std::size_t i = static_cast<std::size_t>(t); i < streams.size(); i += kThreads) {
        streams[i].Start();
      }
      for (int k = 0; k < kFrames; ++k) {
        for (std::size_t i = static_cast<std::size_t>(t); i < streams.size(); i += kThreads) {
          streams[i].CodeFrame(signal, k);
        }
      }
    });
  }
  for (std::thread &th : threads) th.join();

  for (std::size_t i = 0; i < plans.size(); ++i) {
    SCOPED_TRACE("stream " + std::to_string(i) + ", type " + std::to_string(plans[i].type));
    for (ZT_VOICE_RESULT r : alone[i].results) ASSERT_EQ(r, ZT_SUCCESS);
    EXPECT_TRUE(streams[i].out == alone[i]) << "the stream coded among others differs";
  }
}

TEST(Concurrency, ThreadsDecodeSharedFramesAtOnce) {
  const uint32_t seed = TestSeed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (ZT_TEST_SEED)");
  const std::vector<int16_t> signal = MakeSignal(seed + 1, kSignalSamples);

  // One stream of frames per type, coded once; every thread then decodes all
  // of them with decoder blocks of its own.
  struct Shared {
    int type;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<int16_t> decoded;  // decoded alone
  };
  std::vector<Shared> shared;
  for (const CodecType &c : zt_test::kCodecTypes) {
    const int n = c.type == ZT_VOICE_ADPCM_LEAD ? 161 : 160;
    Shared s{c.type, {}, {}};
    ZT_VOICE_STATE enc;
    ZT_VOICE_STATE dec;
    ASSERT_EQ(ZT_VOICE_EncReset(&enc, c.type), ZT_SUCCESS);
    ASSERT_EQ(ZT_VOICE_DecReset(&dec, c.type), ZT_SUCCESS);
    for (int k = 0; k < kFrames; ++k) {
      std::array<uint8_t, ZT_VOICE_MAX_FRAME_BYTES> frame{};
      ASSERT_EQ(ZT_VOICE_EncodeFrame(&enc, signal.data() + k * n, frame.data(), n, c.type),
                ZT_SUCCESS);
      s.frames.emplace_back(frame.begin(), frame.begin() + 4 + 2 * frame[2]);
      std::array<int16_t, ZT_VOICE_MAX_SAMPLES> out{};
      int16_t count = 0;
      ASSERT_EQ(ZT_VOICE_DecodeFrame(&dec, frame.data(), out.data(), c.type, &count), ZT_SUCCESS);
      s.decoded.insert(s.decoded.end(), out.begin(), out.begin() + count);
    }
    shared.push_back(std::move(s));
  }

  std::vector<std::vector<std::vector<int16_t>>> decoded(kThreads);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      std::vector<ZT_VOICE_STATE> blocks(shared.size());
      for (std::size_t i = 0; i < shared.size(); ++i) ZT_VOICE_DecReset(&blocks[i], shared[i].type);
      decoded[static_cast<std::size_t>(t)].resize(shared.size());
      for (int k = 0; k < kFrames; ++k) {
        // Each thread starts at another type, so that the same frame is
        // decoded by several threads at once.
        for (std::size_t j = 0; j < shared.size(); ++j) {
          const std::size_t i = (j + static_cast<std::size_t>(t)) % shared.size();
          std::array<int16_t, ZT_VOICE_MAX_SAMPLES> out{};
          int16_t count = 0;
          if (ZT_VOICE_DecodeFrame(&blocks[i], shared[i].frames[static_cast<std::size_t>(k)].data(),
                                   out.data(), shared[i].type, &count) != ZT_SUCCESS) {
            count = 0;
          }
          auto &mine = decoded[static_cast<std::size_t>(t)][i];
          mine.insert(mine.end(), out.begin(), out.begin() + count);
        }
      }
    });
  }
  for (std::thread &th : threads) th.join();

  for (int t = 0; t < kThreads; ++t) {
    for (std::size_t i = 0; i < shared.size(); ++i) {
      EXPECT_EQ(decoded[static_cast<std::size_t>(t)][i], shared[i].decoded)
          << "thread " << t << ", type " << shared[i].type;
    }
  }
}

}  // namespace
