// The frame payload coders, which work 16 samples at a time, against the
// per-sample formulas: every sample value and every code, and every run
// length up to a few blocks (the short-run path and the overlapping last
// block), with nothing written outside the run.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "g711/g711.h"

namespace {

struct Law {
  const char *name;
  void (*compress_bytes)(const int16_t *, uint8_t *, int) noexcept;
  uint8_t (*compress)(int16_t) noexcept;
  const std::array<int16_t, 256> *table;
};

const Law kLaws[] = {
    {"ALaw", zt::G711_ALawCompressBytes, zt::G711_ALawCompressSample, &zt::G711_ALawToLinear},
    {"ULaw", zt::G711_ULawCompressBytes, zt::G711_ULawCompressSample, &zt::G711_ULawToLinear},
};

void PrintTo(const Law &law, std::ostream *os) {
  *os << law.name;
}

class G711Payload : public testing::TestWithParam<Law> {};

TEST_P(G711Payload, CompressesEverySampleAsTheFormulaDoes) {
  const Law law = GetParam();
  std::vector<int16_t> pcm(65536);
  for (int i = 0; i < 65536; ++i) pcm[i] = static_cast<int16_t>(i - 32768);
  std::vector<uint8_t> codes(pcm.size());
  law.compress_bytes(pcm.data(), codes.data(), static_cast<int>(pcm.size()));
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    ASSERT_EQ(codes[i], law.compress(pcm[i])) << "sample " << pcm[i];
  }
}

TEST_P(G711Payload, ExpandsEveryCodeByTheTable) {
  const Law law = GetParam();
  std::array<uint8_t, 256> codes;
  for (int c = 0; c < 256; ++c) codes[c] = static_cast<uint8_t>(255 - c);  // not in order
  std::array<int16_t, 256> pcm{};
  zt::G711_ExpandBytes(codes.data(), pcm.data(), 256, law.table->data());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(pcm[i], (*law.table)[codes[i]]) << "code " << +codes[i];
}

// Runs of 0 to 70 samples starting at every offset 0..3: each output as the
// formula gives it, and the canaries around the run untouched.
TEST_P(G711Payload, EveryRunLengthStaysWithinItsRun) {
  const Law law = GetParam();
  constexpr int kMax = 70, kPad = 20;
  std::array<int16_t, kMax + 3> pcm;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    pcm[i] = static_cast<int16_t>(static_cast<int>(i * 7919 % 65536) - 32768);
  }
  for (int offset = 0; offset < 4 && offset + kMax <= static_cast<int>(pcm.size()); ++offset) {
    for (int n = 0; n <= kMax; ++n) {
      std::array<uint8_t, kMax + 2 * kPad> codes;
      codes.fill(0xEE);
      law.compress_bytes(pcm.data() + offset, codes.data() + kPad, n);
      std::array<int16_t, kMax + 2 * kPad> out;
      out.fill(0x7777);
      zt::G711_ExpandBytes(codes.data() + kPad, out.data() + kPad, n, law.table->data());
      for (int i = 0; i < static_cast<int>(codes.size()); ++i) {
        const bool inside = i >= kPad && i < kPad + n;
        const uint8_t code = inside ? law.compress(pcm[offset + i - kPad]) : 0xEE;
        ASSERT_EQ(codes[i], code) << "n " << n << " offset " << offset << " at " << i - kPad;
        ASSERT_EQ(out[i], inside ? (*law.table)[code] : 0x7777)
            << "n " << n << " offset " << offset << " at " << i - kPad;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Laws, G711Payload, testing::ValuesIn(kLaws),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
