// G.726 code-word packing in both bit orders, and the in-place conversions
// between them.
//
// Eight code words of b bits fill exactly b bytes, so both directions work in
// groups of eight codes held in a 64-bit accumulator: the group's bytes read
// as one integer, first byte least significant (LSB-first) or most
// significant (MSB-first). A shorter group at the end of a run is handled
// the same way with fewer codes and bytes.
#include "g726/g726_packing.h"

#include <algorithm>
#include <cstdint>

#include "g726/g726.h"
#include "g726/g726_channel.h"
#include "g726/g726_coder.h"
#include "g726/g726_lanes.h"
#include "zelt_voice_engine.h"

namespace zt {
namespace {

// The nbytes (1..8) bytes at p as one integer in the order's byte significance.
template <G726Order kOrder>
inline uint64_t LoadGroup(const uint8_t *p, int nbytes) noexcept {
  uint64_t acc = 0;
  for (int i = 0; i < nbytes; ++i) {
    if constexpr (kOrder == G726Order::kMsbFirst) {
      acc = (acc << 8) | p[i];
    } else {
      acc |= uint64_t{p[i]} << (8 * i);
    }
  }
  return acc;
}

template <G726Order kOrder>
inline void StoreGroup(uint8_t *p, uint64_t acc, int nbytes) noexcept {
  for (int i = 0; i < nbytes; ++i) {
    const int shift = kOrder == G726Order::kMsbFirst ? 8 * (nbytes - 1 - i) : 8 * i;
    p[i] = static_cast<uint8_t>(acc >> shift);
  }
}

// Where code j of a group of nbits bits starts, counted from the group
// integer's least significant bit.
template <G726Order kOrder>
constexpr int CodeShift(int j, int b, int nbits) noexcept {
  return kOrder == G726Order::kMsbFirst ? nbits - (j + 1) * b : j * b;
}

// The frame loops run the step inline on a local copy of the lanes, which
// keeps the whole state in registers (and are functions of their own, so
// that the rare paths around them do not take registers from the loop); each loop has the step
// once, with the code words gathered in a group integer that is written out whenever it holds eight
// (b bytes) and at the end.

template <int kBits, G726Order kOrder>
[[gnu::noinline]] G726Lanes EncodeRun(G726Lanes s, const int16_t *pcm, uint8_t *payload,
                                      int count) noexcept {
  uint64_t acc = 0;  // LSB-first: code j at bit j * b; MSB-first: the latest code lowest
  int held = 0;
  for (int i = 0; i < count; ++i) {
    const auto code = static_cast<uint64_t>(G726_CodeSample<kBits, true>(s, pcm[i]));
    acc = kOrder == G726Order::kMsbFirst ? (acc << kBits) | code : acc | code << (held * kBits);
    if (++held == 8) {
      StoreGroup<kOrder>(payload, acc, kBits);
      payload += kBits;
      acc = 0;
      held = 0;
    }
  }
  if (held != 0) {
    // The last byte's bits above the last code stay 0.
    const int nbytes = (held * kBits + 7) / 8;
    if constexpr (kOrder == G726Order::kMsbFirst) acc <<= 8 * nbytes - held * kBits;
    StoreGroup<kOrder>(payload, acc, nbytes);
  }
  return s;
}

template <int kBits, G726Order kOrder>
[[gnu::noinline]] G726Lanes DecodeRun(G726Lanes s, const uint8_t *payload, int16_t *pcm,
                                      int nbytes) noexcept {
  constexpr uint64_t kMask = kG726CodeMask<kBits>;
  // Whole codes only: a tail under b bits is ignored.
  const int codes = 8 * nbytes / kBits;
  uint64_t acc = 0;  // LSB-first: the next code lowest; MSB-first: the next code at the top
  int held = 0;
  for (int i = 0; i < codes; ++i) {
    if (held == 0) {
      const int group = nbytes < kBits ? nbytes : kBits;
      acc = LoadGroup<kOrder>(payload, group);
      if constexpr (kOrder == G726Order::kMsbFirst) acc <<= 64 - 8 * group;
      payload += group;
      nbytes -= group;
      held = 8;
    }
    uint64_t code;
    if constexpr (kOrder == G726Order::kMsbFirst) {
      code = acc >> (64 - kBits);
      acc <<= kBits;
    } else {
      code = acc & kMask;
      acc >>= kBits;
    }
    --held;
    pcm[i] = static_cast<int16_t>(G726_CodeSample<kBits, false>(s, static_cast<int32_t>(code)));
  }
  return s;
}

// Rewrites nbytes bytes from order kFrom to order kTo, one group of (at most)
// b bytes at a time: each group is read whole before it is written.
template <G726Order kFrom, G726Order kTo>
int Convert(uint8_t *payload, int b, int nbytes) noexcept {
  nbytes = static_cast<int16_t>(nbytes);
  if (b < 2 || b > 5 || nbytes < 0 || (8 * nbytes) % b != 0) return -1;
  const uint64_t mask = (uint64_t{1} << b) - 1;
  while (nbytes > 0) {
    const int group = std::min(b, nbytes);
    const int nbits = 8 * group;
    const uint64_t in = LoadGroup<kFrom>(payload, group);
    uint64_t out = 0;
    for (int j = 0; j < nbits / b; ++j) {
      out |= ((in >> CodeShift<kFrom>(j, b, nbits)) & mask) << CodeShift<kTo>(j, b, nbits);
    }
    StoreGroup<kTo>(payload, out, group);
    payload += group;
    nbytes -= group;
  }
  return 0;
}

// A block whose history holds words the lanes cannot (G726_HistoryFitsLanes)
// codes its first eight samples, a whole group, with the scalar step: after
// six, every history word is one FLOATA or FLOATB made. This happens only for
// a corrupt block, so the scalar step is a call, shared by both orders,
// rather than a second copy inlined into every frame loop.
constexpr int kScalarSamples = 8;

template <int kBits, bool kEncode>
[[gnu::noinline]] int32_t ScalarStep(G726Channel &channel, int32_t value) noexcept {
  return G726_CodeSample<kBits, kEncode>(channel, value);
}

template <int kBits, G726Order kOrder>
void EncodeWithWidth(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *payload,
                     int count) noexcept {
  G726Channel channel = G726_LoadChannel(state, kBits);
  int done = 0;
  if (!G726_HistoryFitsLanes(channel)) [[unlikely]] {
    done = std::min(count, kScalarSamples);
    const int nbytes = (done * kBits + 7) / 8;
    uint64_t acc = 0;
    for (int j = 0; j < done; ++j) {
      const auto code = static_cast<uint64_t>(ScalarStep<kBits, true>(channel, pcm[j]));
      acc |= code << CodeShift<kOrder>(j, kBits, 8 * nbytes);
    }
    StoreGroup<kOrder>(payload, acc, nbytes);
  }
  if (done < count) {
    channel = G726_FromLanes(EncodeRun<kBits, kOrder>(G726_ToLanes(channel), pcm + done,
                                                      payload + done / 8 * kBits, count - done));
  }
  G726_StoreChannel(channel, state);
}

template <int kBits, G726Order kOrder>
void DecodeWithWidth(ZT_VOICE_STATE &state, const uint8_t *payload, int16_t *pcm,
                     int nbytes) noexcept {
  G726Channel channel = G726_LoadChannel(state, kBits);
  if (!G726_HistoryFitsLanes(channel)) [[unlikely]] {
    // The first group of kBits bytes, eight codes (fewer bytes: their codes).
    const int group = std::min(nbytes, kBits);
    const uint64_t acc = LoadGroup<kOrder>(payload, group);
    const int codes = 8 * group / kBits;
    for (int j = 0; j < codes; ++j) {
      const auto code = static_cast<int32_t>((acc >> CodeShift<kOrder>(j, kBits, 8 * group)) &
                                             kG726CodeMask<kBits>);
      pcm[j] = static_cast<int16_t>(ScalarStep<kBits, false>(channel, code));
    }
    payload += group;
    pcm += codes;
    nbytes -= group;
  }
  if (nbytes > 0) {
    channel = G726_FromLanes(DecodeRun<kBits, kOrder>(G726_ToLanes(channel), payload, pcm, nbytes));
  }
  G726_StoreChannel(channel, state);
}

}  // namespace

void G726_EncodeBlockAt(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *payload, int n, int b,
                        G726Order order) noexcept {
  const int count = static_cast<int16_t>(n) & ~1;  // an odd last sample is not coded
  if (count <= 0) return;
  G726_WithWidth(b, [&](auto width) {
    constexpr int kBits = decltype(width)::value;
    if (order == G726Order::kMsbFirst) {
      EncodeWithWidth<kBits, G726Order::kMsbFirst>(state, pcm, payload, count);
    } else {
      EncodeWithWidth<kBits, G726Order::kLsbFirst>(state, pcm, payload, count);
    }
  });
}

void G726_DecodeBlockAt(ZT_VOICE_STATE &state, const uint8_t *payload, int16_t *pcm, int nbytes,
                        int b, G726Order order) noexcept {
  nbytes = static_cast<int16_t>(nbytes);
  if (nbytes <= 0) return;
  G726_WithWidth(b, [&](auto width) {
    constexpr int kBits = decltype(width)::value;
    if (order == G726Order::kMsbFirst) {
      DecodeWithWidth<kBits, G726Order::kMsbFirst>(state, payload, pcm, nbytes);
    } else {
      DecodeWithWidth<kBits, G726Order::kLsbFirst>(state, payload, pcm, nbytes);
    }
  });
}

void G726_EncodeBlock(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *payload, int n,
                      G726Order order) noexcept {
  G726_EncodeBlockAt(state, pcm, payload, n, G726_BlockCodeBits(state), order);
}

void G726_DecodeBlock(ZT_VOICE_STATE &state, const uint8_t *payload, int16_t *pcm, int nbytes,
                      G726Order order) noexcept {
  G726_DecodeBlockAt(state, payload, pcm, nbytes, G726_BlockCodeBits(state), order);
}

int G726_LsbToMsb(uint8_t *payload, int b, int nbytes) noexcept {
  return Convert<G726Order::kLsbFirst, G726Order::kMsbFirst>(payload, b, nbytes);
}

int G726_MsbToLsb(uint8_t *payload, int b, int nbytes) noexcept {
  return Convert<G726Order::kMsbFirst, G726Order::kLsbFirst>(payload, b, nbytes);
}

}  // namespace zt
