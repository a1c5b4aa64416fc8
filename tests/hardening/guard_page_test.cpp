// Buffers that end where a page the process may not touch begins, so that in
// every build, sanitized or not, a read or write past what a call may use
// stops the test with a fault: the decoder reads only 4 + 2 * (length byte)
// frame bytes from a read-only page and writes only the samples it reports;
// the encoder reads only n samples and writes only 4 + 2 * length bytes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "support/codec_types.h"
#include "zelt_voice_engine.h"

namespace {

using zt_test::CodecType;
using zt_test::Family;

// One page the test may use, followed by one it may not.
class GuardedPage {
 public:
  GuardedPage() {
    void *p = mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    base_ = static_cast<uint8_t *>(p);
    if (mprotect(base_ + size_, size_, PROT_NONE) != 0) {
      munmap(base_, 2 * size_);
      base_ = nullptr;
    }
  }
  ~GuardedPage() {
    if (base_ != nullptr) munmap(base_, 2 * size_);
  }
  GuardedPage(const GuardedPage &) = delete;
  GuardedPage &operator=(const GuardedPage &) = delete;

  bool ok() const { return base_ != nullptr; }
  // The last `bytes` bytes before the guard.
  uint8_t *EndingAt(std::size_t bytes) { return base_ + size_ - bytes; }
  void SetReadOnly(bool read_only) {
    ASSERT_EQ(mprotect(base_, size_, read_only ? PROT_READ : PROT_READ | PROT_WRITE), 0);
  }

 private:
  std::size_t size_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  uint8_t *base_ = nullptr;
};

// The count a payload of L words decodes to, or -1 when the type refuses L.
int DecodedCount(const CodecType &c, int length) {
  if (length == 0) return -1;
  if (c.family == Family::kAdpcm) {
    return length < 2 || length > 122 ? -1 : 4 * (length - 2) + (c.type == ZT_VOICE_ADPCM_LEAD);
  }
  const int n = 16 * length / c.bits;
  return n <= ZT_VOICE_MAX_SAMPLES && n % ZT_VOICE_BLOCK_SAMPLES == 0 ? n : -1;
}

class GuardPages : public testing::TestWithParam<CodecType> {};

TEST_P(GuardPages, DecoderKeepsToTheDeclaredLengthAndTheReportedCount) {
  const CodecType &c = GetParam();
  GuardedPage frame_page;
  GuardedPage pcm_page;
  ASSERT_TRUE(frame_page.ok() && pcm_page.ok());
  std::mt19937 rng(0x6A4Du + static_cast<uint32_t>(c.type));
  for (int length = 0; length < 256; ++length) {
    SCOPED_TRACE("length byte " + std::to_string(length));
    const std::size_t bytes = 4 + 2 * static_cast<std::size_t>(length);
    frame_page.SetReadOnly(false);
    uint8_t *frame = frame_page.EndingAt(bytes);
    for (std::size_t i = 0; i < bytes; ++i) frame[i] = static_cast<uint8_t>(rng());
    frame[1] = 0x01;
    frame[2] = static_cast<uint8_t>(length);
    frame_page.SetReadOnly(true);  // a write to the frame faults

    const int expected = DecodedCount(c, length);
    int16_t *pcm = reinterpret_cast<int16_t *>(
        pcm_page.EndingAt(2 * static_cast<std::size_t>(expected > 0 ? expected : 1)));
    ZT_VOICE_STATE state;
    ASSERT_EQ(ZT_VOICE_DecReset(&state, c.type), ZT_SUCCESS);
    int16_t count = -1;
    const ZT_VOICE_RESULT result = ZT_VOICE_DecodeFrame(&state, frame, pcm, c.type, &count);
    if (expected < 0) {
      EXPECT_EQ(result, ZT_ERR_VOICE_DEC_LENGTH);
      EXPECT_EQ(count, 0);
    } else {
      EXPECT_EQ(result, ZT_SUCCESS);
      EXPECT_EQ(count, expected);
    }
  }
}

TEST_P(GuardPages, EncoderKeepsToTheCountAndTheFrame) {
  const CodecType &c = GetParam();
  GuardedPage pcm_page;
  GuardedPage frame_page;
  ASSERT_TRUE(pcm_page.ok() && frame_page.ok());
  std::mt19937 rng(0xE2C0u + static_cast<uint32_t>(c.type));
  ZT_VOICE_STATE state;
  ASSERT_EQ(ZT_VOICE_EncReset(&state, c.type), ZT_SUCCESS);
  for (int n = 1; n <= ZT_VOICE_MAX_SAMPLES; ++n) {
    SCOPED_TRACE("n " + std::to_string(n));
    pcm_page.SetReadOnly(false);
    int16_t *pcm = reinterpret_cast<int16_t *>(pcm_page.EndingAt(2 * static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) pcm[i] = static_cast<int16_t>(rng());
    pcm_page.SetReadOnly(true);  // a write to the samples faults
    const int length = zt_test::LengthFor(c, n);
    uint8_t *frame = frame_page.EndingAt(4 + 2 * static_cast<std::size_t>(length));
    ASSERT_EQ(ZT_VOICE_EncodeFrame(&state, pcm, frame, n, c.type), ZT_SUCCESS);
    EXPECT_EQ(frame[2], length);
  }
}

INSTANTIATE_TEST_SUITE_P(Types, GuardPages, testing::ValuesIn(zt_test::kCodecTypes),
                         zt_test::CodecTypeName());

}  // namespace
