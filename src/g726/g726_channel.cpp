// G.726 channel state: the reset, the check that a block suits a width, and
// the load and store of the 26 words around each call.
#include "g726/g726_channel.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "g726/g726.h"
#include "zelt_voice_engine.h"

namespace zt {
namespace {

// Zero coefficients and zero history: the predictor starts silent, the scale
// factors at their minimum (yl 34816 = 544 << 6, yu 544 = 1.0625) and the
// speed control in slow mode (ap 0).
constexpr G726Channel ResetChannel(int code_bits) noexcept {
  G726Channel c{};
  c.coding = kG726Linear;
  c.code_bits = code_bits;
  c.dq.fill(kG726FloatZero);
  c.sr1 = kG726FloatZero;
  c.sr2 = kG726FloatZero;
  c.yl = 34816;
  c.yu = 544;
  return c;
}

constexpr int32_t Clamp(int32_t v, int32_t lo, int32_t hi) noexcept {
  return std::clamp(v, lo, hi);
}

}  // namespace

void G726_Reset(ZT_VOICE_STATE &state, int code_bits) noexcept {
  state = std::bit_cast<ZT_VOICE_STATE>(ResetChannel(code_bits));
}

bool G726_StateSuits(const ZT_VOICE_STATE &state, int code_bits) noexcept {
  const auto c = std::bit_cast<G726Channel>(state);
  return c.coding == kG726Linear && c.code_bits == code_bits;
}

G726Channel G726_LoadChannel(const ZT_VOICE_STATE &state, int code_bits) noexcept {
  G726Channel c = std::bit_cast<G726Channel>(state);
  c.a2 = Clamp(c.a2, -12288, 12288);
  c.a1 = Clamp(c.a1, c.a2 - 15360, 15360 - c.a2);
  c.ap = Clamp(c.ap, 0, 512);
  for (int32_t &bn : c.b) bn = Clamp(bn, G726_ZeroCoefMin(code_bits), G726_ZeroCoefMax(code_bits));
  c.dml = Clamp(c.dml, 0, 14336);
  c.dms = Clamp(c.dms, 0, 3584);
  for (int32_t &dqn : c.dq) dqn = Clamp(dqn, 0, 2047);
  c.pk1 = c.pk1 < 0 ? -1 : 0;
  c.pk2 = c.pk2 < 0 ? -1 : 0;
  c.sr1 = Clamp(c.sr1, 0, 2047);
  c.sr2 = Clamp(c.sr2, 0, 2047);
  c.td = c.td != 0 ? 1 : 0;
  c.yl = Clamp(c.yl, 34816, 327680);
  c.yu = Clamp(c.yu, 544, 5120);
  return c;
}

void G726_StoreChannel(const G726Channel &channel, ZT_VOICE_STATE &state) noexcept {
  state = std::bit_cast<ZT_VOICE_STATE>(channel);
}

}  // namespace zt
