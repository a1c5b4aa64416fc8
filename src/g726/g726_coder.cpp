// One sample at a time on the caller's block: load the channel, run the step
// of the block's code width, store the channel. The frame loops of the
// packing load and store once per frame instead.
#include "g726/g726_coder.h"

#include <cstdint>

#include "g726/g726.h"
#include "g726/g726_channel.h"
#include "zelt_voice_engine.h"

namespace zt {
namespace {

template <bool kEncode>
int CodeOne(ZT_VOICE_STATE &state, int value) noexcept {
  const int code_bits = G726_BlockCodeBits(state);
  int result = 0;
  G726_WithWidth(code_bits, [&](auto width) {
    constexpr int kBits = decltype(width)::value;
    G726Channel channel = G726_LoadChannel(state, kBits);
    result = G726_CodeSample<kBits, kEncode>(channel, value);
    G726_StoreChannel(channel, state);
  });
  return result;
}

}  // namespace

int G726_EncodeSample(ZT_VOICE_STATE &state, int16_t sample) noexcept {
  return CodeOne<true>(state, sample);
}

int G726_DecodeCode(ZT_VOICE_STATE &state, int code) noexcept {
  return CodeOne<false>(state, code);
}

int G726_CodeSample(ZT_VOICE_STATE &state, int value, int encode) noexcept {
  return encode != 0 ? CodeOne<true>(state, value) : CodeOne<false>(state, value);
}

}  // namespace zt
