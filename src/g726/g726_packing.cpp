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

template <int kBits, G726Order kOrder>
void EncodeRun(G726Channel &channel, const int16_t *pcm, uint8_t *payload, int count) noexcept {
  int k = 0;
  for (; k + 8 <= count; k += 8, pcm += 8, payload += kBits) {
    uint64_t acc = 0;
    for (int j = 0; j < 8; ++j) {
      const auto code = static_cast<uint64_t>(G726_CodeSample<kBits, true>(channel, pcm[j]));
      acc |= code << CodeShift<kOrder>(j, kBits, 8 * kBits);
    }
    StoreGroup<kOrder>(payload, acc, kBits);
  }
  const int rest = count - k;
  if (rest == 0) return;
  // The last byte's bits above the last code stay 0.
  const int nbytes = (rest * kBits + 7) / 8;
  uint64_t acc = 0;
  for (int j = 0; j < rest; ++j) {
    const auto code = static_cast<uint64_t>(G726_CodeSample<kBits, true>(channel, pcm[j]));
    acc |= code << CodeShift<kOrder>(j, kBits, 8 * nbytes);
  }
  StoreGroup<kOrder>(payload, acc, nbytes);
}

template <int kBits, G726Order kOrder>
void DecodeRun(G726Channel &channel, const uint8_t *payload, int16_t *pcm, int nbytes) noexcept {
  constexpr uint64_t kMask = kG726CodeMask<kBits>;
  for (; nbytes >= kBits; nbytes -= kBits, payload += kBits, pcm += 8) {
    const uint64_t acc = LoadGroup<kOrder>(payload, kBits);
    for (int j = 0; j < 8; ++j) {
      const auto code =
          static_cast<int32_t>((acc >> CodeShift<kOrder>(j, kBits, 8 * kBits)) & kMask);
      pcm[j] = static_cast<int16_t>(G726_CodeSample<kBits, false>(channel, code));
    }
  }
  // Fewer than kBits bytes remain: their whole codes, then a tail under kBits bits.
  const int codes = 8 * nbytes / kBits;
  if (codes == 0) return;
  const uint64_t acc = LoadGroup<kOrder>(payload, nbytes);
  for (int j = 0; j < codes; ++j) {
    const auto code =
        static_cast<int32_t>((acc >> CodeShift<kOrder>(j, kBits, 8 * nbytes)) & kMask);
    pcm[j] = static_cast<int16_t>(G726_CodeSample<kBits, false>(channel, code));
  }
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

}  // namespace

void G726_EncodeBlockAt(ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *payload, int n, int b,
                        G726Order order) noexcept {
  const int count = static_cast<int16_t>(n) & ~1;  // an odd last sample is not coded
  if (count <= 0) return;
  G726_WithWidth(b, [&](auto width) {
    constexpr int kBits = decltype(width)::value;
    G726Channel channel = G726_LoadChannel(state, kBits);
    if (order == G726Order::kMsbFirst) {
      EncodeRun<kBits, G726Order::kMsbFirst>(channel, pcm, payload, count);
    } else {
      EncodeRun<kBits, G726Order::kLsbFirst>(channel, pcm, payload, count);
    }
    G726_StoreChannel(channel, state);
  });
}

void G726_DecodeBlockAt(ZT_VOICE_STATE &state, const uint8_t *payload, int16_t *pcm, int nbytes,
                        int b, G726Order order) noexcept {
  nbytes = static_cast<int16_t>(nbytes);
  if (nbytes <= 0) return;
  G726_WithWidth(b, [&](auto width) {
    constexpr int kBits = decltype(width)::value;
    G726Channel channel = G726_LoadChannel(state, kBits);
    if (order == G726Order::kMsbFirst) {
      DecodeRun<kBits, G726Order::kMsbFirst>(channel, payload, pcm, nbytes);
    } else {
      DecodeRun<kBits, G726Order::kLsbFirst>(channel, payload, pcm, nbytes);
    }
    G726_StoreChannel(channel, state);
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
