#include "signal_quality.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zvoice {
namespace {

constexpr size_t kSegmentSamples = 160;  // 20 ms at 8000 Hz
constexpr double kMinSegmentDb = -10.0;
constexpr double kMaxSegmentDb = 60.0;
// -50 dBFS: mean square of a full-scale sample times 10^-5.
constexpr double kQuietMeanSquare = 32768.0 * 32768.0 * 1e-5;

struct Energies {
  double signal = 0.0;
  double noise = 0.0;
};

Energies Measure(std::span<const int16_t> reference, std::span<const int16_t> decoded) {
  Energies e;
  for (size_t i = 0; i < reference.size(); ++i) {
    const double x = reference[i];
    const double d = x - decoded[i];
    e.signal += x * x;
    e.noise += d * d;
  }
  return e;
}

double RatioDb(const Energies &e) {
  if (e.noise == 0.0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(e.signal / e.noise);
}

}  // namespace

SignalQuality MeasureQuality(std::span<const int16_t> reference, std::span<const int16_t> decoded) {
  SignalQuality q{RatioDb(Measure(reference, decoded)), std::numeric_limits<double>::quiet_NaN()};
  double sum = 0.0;
  size_t segments = 0;
  for (size_t start = 0; start + kSegmentSamples <= reference.size(); start += kSegmentSamples) {
    const Energies e =
        Measure(reference.subspan(start, kSegmentSamples), decoded.subspan(start, kSegmentSamples));
    if (e.signal < kQuietMeanSquare * kSegmentSamples) continue;
    sum += std::clamp(RatioDb(e), kMinSegmentDb, kMaxSegmentDb);
    ++segments;
  }
  if (segments > 0) q.segmental_snr_db = sum / static_cast<double>(segments);
  return q;
}

}  // namespace zvoice
