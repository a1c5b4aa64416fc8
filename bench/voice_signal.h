// A deterministic speech-like test signal for the benchmarks: voiced
// syllables separated by pauses, at 8000 samples per second.
//
// Each syllable is a glottal pulse train (a Rosenberg-style opening and
// closing flow pulse per pitch period, differentiated for lip radiation) at a
// slowly gliding pitch of 95 to 230 Hz, shaped by three two-pole formant
// resonators whose frequencies follow one of five vowels, under an
// attack / sustain / decay envelope. Pauses of 80 to 400 ms carry only a low
// noise floor (about -70 dBFS), which also runs under the syllables. Peaks
// reach about -3 dBFS. The same seed gives the same samples on a given build.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zt_bench {

class VoiceSignal {
 public:
  static constexpr int kRate = 8000;

  // `seconds` of signal; `seed` picks the syllables, pauses and noise.
  static std::vector<int16_t> Generate(double seconds, uint32_t seed = 20240601u) {
    VoiceSignal gen(seed);
    const auto total = static_cast<std::size_t>(seconds * kRate);
    std::vector<double> out;
    out.reserve(total + kRate);
    while (out.size() < total) {
      gen.Syllable(out);
      gen.Pause(out);
    }
    out.resize(total);
    // Normalise the peak to about -3 dBFS and round to 16 bits.
    double peak = 1e-9;
    for (const double v : out) peak = std::max(peak, std::fabs(v));
    const double gain = 0.7 * 32767.0 / peak;
    std::vector<int16_t> pcm(total);
    for (std::size_t i = 0; i < total; ++i) {
      const double v = std::nearbyint(out[i] * gain + gen.Noise() * 8.0);
      pcm[i] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    return pcm;
  }

 private:
  // A two-pole resonator at `freq` Hz with bandwidth `bw` Hz, unit gain at DC.
  struct Resonator {
    double a1 = 0, a2 = 0, gain = 1, y1 = 0, y2 = 0;
    void Tune(double freq, double bw) {
      constexpr double kPi = 3.14159265358979323846;
      const double r = std::exp(-kPi * bw / kRate);
      a1 = 2 * r * std::cos(2 * kPi * freq / kRate);
      a2 = -r * r;
      gain = 1 - a1 - a2;
    }
    double Step(double x) {
      const double y = gain * x + a1 * y1 + a2 * y2;
      y2 = y1;
      y1 = y;
      return y;
    }
  };

  explicit VoiceSignal(uint32_t seed) : rng_(seed) {}

  // Uniform in [0, 1) from a 32-bit linear congruential generator.
  double Uniform() {
    rng_ = rng_ * 1664525u + 1013904223u;
    return (rng_ >> 8) * (1.0 / 16777216.0);
  }
  // Roughly Gaussian, unit variance (sum of four uniforms).
  double Noise() { return (Uniform() + Uniform() + Uniform() + Uniform() - 2.0) * 1.732; }

  // Glottal flow over one period, phase in [0, 1): opens over 40 %, closes
  // over 16 %, then stays closed.
  static double GlottalFlow(double phase) {
    constexpr double kPi = 3.14159265358979323846;
    constexpr double kOpen = 0.40, kClose = 0.16;
    if (phase < kOpen) return 0.5 * (1 - std::cos(kPi * phase / kOpen));
    if (phase < kOpen + kClose) return std::cos(0.5 * kPi * (phase - kOpen) / kClose);
    return 0.0;
  }

  void Syllable(std::vector<double> &out) {
    // First three formants (Hz) of five vowels.
    static constexpr double kVowels[5][3] = {{730, 1090, 2440},
                                             {270, 2290, 3010},
                                             {530, 1840, 2480},
                                             {570, 840, 2410},
                                             {300, 870, 2240}};
    const auto &from = kVowels[static_cast<int>(Uniform() * 5) % 5];
    const auto &to = kVowels[static_cast<int>(Uniform() * 5) % 5];
    const int length = static_cast<int>((0.12 + 0.23 * Uniform()) * kRate);
    const double f0_start = 95 + 135 * Uniform();
    const double f0_end = std::clamp(f0_start * (0.75 + 0.5 * Uniform()), 95.0, 230.0);
    const double loudness = 0.25 + 0.75 * Uniform();
    const int attack = kRate / 50, decay = kRate / 25;
    for (int i = 0; i < length; ++i) {
      const double t = static_cast<double>(i) / length;
      if (i % 80 == 0) {  // retune the formants every 10 ms
        for (int k = 0; k < 3; ++k) {
          formant_[k].Tune(from[k] + (to[k] - from[k]) * t, 60.0 + 40.0 * k);
        }
      }
      phase_ += (f0_start + (f0_end - f0_start) * t) / kRate;
      if (phase_ >= 1.0) phase_ -= 1.0;
      const double flow = GlottalFlow(phase_);
      const double excitation = flow - last_flow_;  // lip radiation: first difference
      last_flow_ = flow;
      double y = excitation + 0.02 * Noise();  // a little aspiration
      for (auto &f : formant_) y = f.Step(y);
      double env = 1.0;
      if (i < attack) env = static_cast<double>(i) / attack;
      if (length - i < decay) env = std::min(env, static_cast<double>(length - i) / decay);
      out.push_back(loudness * env * y);
    }
  }

  void Pause(std::vector<double> &out) {
    const int length = static_cast<int>((0.08 + 0.32 * Uniform()) * kRate);
    for (int i = 0; i < length; ++i) {
      for (auto &f : formant_) f.Step(0.0);  // let the resonators ring out
      out.push_back(formant_[2].y1);
    }
  }

  uint32_t rng_;
  double phase_ = 0, last_flow_ = 0;
  Resonator formant_[3];
};

}  // namespace zt_bench
