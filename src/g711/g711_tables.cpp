// Expansion tables of G.711, generated at compile time from the expansion rules.
#include <array>
#include <cstdint>

#include "g711/g711.h"

namespace zt {
namespace {

constexpr int16_t ExpandALaw(int code) {
  const int y = code ^ 0x55;
  const int seg = (y >> 4) & 7;
  int t = (y & 15) << 4;
  if (seg == 0) {
    t += 8;
  } else {
    t += 0x108;
    if (seg >= 2) t <<= seg - 1;
  }
  return static_cast<int16_t>((y & 0x80) ? t : -t);
}

constexpr int16_t ExpandULaw(int code) {
  const int y = ~code & 0xFF;
  const int t = (((y & 15) << 3) + 132) << ((y >> 4) & 7);
  return static_cast<int16_t>((y & 0x80) ? 132 - t : t - 132);
}

template <int16_t (*kExpand)(int)>
constexpr std::array<int16_t, 256> MakeTable() {
  std::array<int16_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = kExpand(c);
  return table;
}

constexpr auto kALaw = MakeTable<ExpandALaw>();
constexpr auto kULaw = MakeTable<ExpandULaw>();

static_assert(kALaw[0xD5] == 8 && kALaw[0x55] == -8);
static_assert(kALaw[0xAA] == 32256 && kALaw[0x2A] == -32256);
static_assert(kULaw[0xFF] == 0 && kULaw[0x7F] == 0);
static_assert(kULaw[0x80] == 32124 && kULaw[0x00] == -32124);

}  // namespace

constinit const std::array<int16_t, 256> G711_ALawToLinear = kALaw;
constinit const std::array<int16_t, 256> G711_ULawToLinear = kULaw;

}  // namespace zt
