// How close decoded audio is to its input.
#pragma once

#include <cstdint>
#include <span>

namespace zvoice {

struct SignalQuality {
  // Signal-to-noise ratio over the whole signal, in dB; +inf when identical.
  double snr_db;
  // Mean SNR of the 20 ms segments whose input is louder than -50 dBFS, each
  // held within -10..60 dB so that near-silent or perfect segments do not
  // swamp the mean; NaN when no segment is that loud.
  double segmental_snr_db;
};

// `reference` and `decoded` have the same length.
SignalQuality MeasureQuality(std::span<const int16_t> reference, std::span<const int16_t> decoded);

}  // namespace zvoice
