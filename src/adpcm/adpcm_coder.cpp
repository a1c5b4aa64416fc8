// The IMA ADPCM sample coder: each sample is predicted by the last
// reconstructed one and the difference is coded as a sign and three bits of
// magnitude in units of an adaptive step size.
//
// Both run coders keep the coder state in registers for the whole run, with
// the step index held as a position in a compile-time table
// (adpcm_tables.h), and do no per-sample branching on the data except on
// rare clamps.
#include <emmintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "adpcm/adpcm.h"
#include "adpcm/adpcm_run.h"
#include "adpcm/adpcm_state.h"
#include "adpcm/adpcm_tables.h"

namespace zt {
namespace {

alignas(64) constexpr AdpcmEncodeTable kEncodeTable = ADPCM_MakeEncodeTable();
alignas(64) constexpr AdpcmDecodeRows kDecodeRows = ADPCM_MakeDecodeRows();

// ---- Encoder ---------------------------------------------------------------

// The encoder inside a run: the byte offset of its entry of kEncodeTable,
// which stands for the step index, and the predictor.
struct EncoderRegs {
  int64_t entry;
  int32_t predictor;
};

template <typename T>
inline T TableAt(const void *table, std::size_t offset) noexcept {
  T value;
  std::memcpy(&value, static_cast<const uint8_t *>(table) + offset, sizeof value);
  return value;
}

// One field of the encoder entry at byte offset `entry`, read on its own so
// that the field loads fold into the instructions that use them.
template <typename T>
inline T EntryField(int64_t entry, std::size_t field_offset) noexcept {
  return TableAt<T>(kEncodeTable.data(), static_cast<std::size_t>(entry) + field_offset);
}

// One successive-approximation stage on r = |d| << 15 (see AdpcmEncodeEntry):
// subtracts the stage's weight, and with it adds the code bit, when r holds
// the weight.
inline int32_t Stage(int32_t r, int32_t weight) noexcept {
  const int32_t t = r - weight;
  return t >= 0 ? t : r;
}

// Codes sample x and appends its code to codes (shifted up by 4 bits).
//
// The reconstruction is computed from x rather than from the predictor: with
// s the sign of d = x - predictor and residual the part of |d| the three
// stages left, predictor + s * (step / 8 + |d| - residual) is
// x + s * (step / 8 - residual). Working on x ^ s (x, or -x - 1 when d < 0)
// turns s * y into an addition, and the clamp of the new predictor into a
// single upper bound: it can only leave the 16-bit range in the direction of
// the sign. kMayClip = false drops that bound for runs whose samples are all
// within 28672 of 0, which step / 8 <= 4095 cannot push past 32767.
template <bool kMayClip>
inline uint32_t EncodeSample(EncoderRegs &regs, int32_t x, uint32_t codes) noexcept {
  const int64_t entry = regs.entry;
  const int32_t d = x - regs.predictor;  // -65535..65535
  const int32_t sign = d >> 31;          // 0, or -1 when d < 0
  int32_t r = std::abs(d) << 15;
  r = Stage(r, EntryField<int32_t>(entry, offsetof(AdpcmEncodeEntry, step_weight)));
  r = Stage(r, EntryField<int32_t>(entry, offsetof(AdpcmEncodeEntry, half_weight)));
  r = Stage(r, EntryField<int32_t>(entry, offsetof(AdpcmEncodeEntry, quarter_weight)));
  // Bits 3..14 of r are 0, so its low byte is the magnitude.
  const auto magnitude = static_cast<uint32_t>(r & 0xFF);
  const int32_t eighth = EntryField<int32_t>(entry, offsetof(AdpcmEncodeEntry, eighth));
  int32_t folded = (x ^ sign) + eighth - (r >> 15);
  if constexpr (kMayClip) folded = folded > INT16_MAX ? INT16_MAX : folded;
  regs.predictor = folded ^ sign;
  regs.entry = int64_t{magnitude} * int64_t{sizeof(AdpcmEncodeEntry)} +
               EntryField<int64_t>(entry, offsetof(AdpcmEncodeEntry, next_entries));
  // Sign bit, then the magnitude.
  return (codes * 2 - static_cast<uint32_t>(sign)) * 8 + magnitude;
}

// True when one of the n samples at pcm (a multiple of 8) is beyond +-28672,
// where the predictor may need clamping.
inline bool MayClip(const int16_t *pcm, int n) noexcept {
  __m128i high = _mm_setzero_si128();
  __m128i low = _mm_setzero_si128();
  for (int i = 0; i < n; i += 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pcm + i));
    high = _mm_max_epi16(high, x);
    low = _mm_min_epi16(low, x);
  }
  const __m128i above = _mm_cmpgt_epi16(high, _mm_set1_epi16(28672));
  const __m128i below = _mm_cmplt_epi16(low, _mm_set1_epi16(-28672));
  return _mm_movemask_epi8(_mm_or_si128(above, below)) != 0;
}

// The eight samples at pcm, their codes in the order of the samples from
// the top nibble down. Written out for the eight so that the per-sample
// state stays in registers.
template <bool kMayClip>
inline uint32_t EncodeGroup(EncoderRegs &regs, const int16_t *pcm) noexcept {
  uint32_t codes = 0;
  [&]<std::size_t... J>(std::index_sequence<J...>) {
    ((codes = EncodeSample<kMayClip>(regs, pcm[J], codes)), ...);
  }
  (std::make_index_sequence<8>{});
  return codes;
}

// codes holds n codes, the first in the top nibble of its low 4n bits; writes
// them two to a byte in the given order, the unused nibble of an odd count 0.
inline void PutCodes(uint8_t *out, uint32_t codes, int n, AdpcmNibbles order) noexcept {
  uint32_t bytes = __builtin_bswap32(codes << (32 - 4 * n));  // high nibble first
  if (order == AdpcmNibbles::kLowFirst) {
    bytes = ((bytes >> 4) & 0x0F0F0F0Fu) | ((bytes << 4) & 0xF0F0F0F0u);
  }
  std::memcpy(out, &bytes, static_cast<std::size_t>(n + 1) / 2);
}

// The groups of eight samples of a run, with or without the clamp.
template <bool kMayClip, AdpcmNibbles kOrder>
void EncodeGroups(EncoderRegs &regs, const int16_t *pcm, uint8_t *out, int groups) noexcept {
  for (int g = 0; g < groups; ++g, pcm += 8, out += 4) {
    PutCodes(out, EncodeGroup<kMayClip>(regs, pcm), 8, kOrder);
  }
}

template <AdpcmNibbles kOrder>
void EncodeRunIn(AdpcmState &s, const int16_t *pcm, uint8_t *out, int count) noexcept {
  EncoderRegs regs{ADPCM_StartEntry(s.step_index), s.predictor};
  const int groups = count / 8;
  if (MayClip(pcm, 8 * groups)) {
    EncodeGroups<true, kOrder>(regs, pcm, out, groups);
  } else {
    EncodeGroups<false, kOrder>(regs, pcm, out, groups);
  }
  const int done = 8 * groups;
  if (done < count) {
    uint32_t codes = 0;
    for (int j = done; j < count; ++j) codes = EncodeSample<true>(regs, pcm[j], codes);
    PutCodes(out + 4 * groups, codes, count - done, kOrder);
  }
  s = {regs.predictor, EntryField<int32_t>(regs.entry, offsetof(AdpcmEncodeEntry, step_index))};
}

// ---- Decoder ---------------------------------------------------------------

constexpr std::array<int64_t, 16> kRowStep = ADPCM_MakeRowSteps();

// The decoder inside a run: the byte offset of its row in kDecodeRows (the
// step index times kAdpcmRowBytes) and the predictor.
struct DecoderRegs {
  int64_t row;
  int32_t predictor;
};

// Decodes the code whose byte offset is code_offset (4 * code).
inline int16_t DecodeSample(DecoderRegs &regs, uint32_t code_offset) noexcept {
  const auto diff =
      TableAt<int32_t>(kDecodeRows.data(), static_cast<std::size_t>(regs.row) + code_offset);
  // The predictor leaves the 16-bit range only on full-scale signals: one
  // unsigned comparison catches both ends, and the branch keeps the clamp
  // off the sample-to-sample dependency chain.
  int32_t p = regs.predictor + diff;
  if (static_cast<uint32_t>(p - INT16_MIN) > 0xFFFFu) [[unlikely]] {
    p = p < 0 ? INT16_MIN : INT16_MAX;
  }
  regs.predictor = p;
  // The row moves down by at most one row, so only row -1 needs the lower
  // clamp, which holds through every pause in the signal (no branch); the
  // upper one is rare.
  int64_t row = regs.row + TableAt<int64_t>(kRowStep.data(), 2 * std::size_t{code_offset});
  row = row < 0 ? 0 : row;
  if (row > kAdpcmLastRow) [[unlikely]] {
    row = kAdpcmLastRow;
  }
  regs.row = row;
  return static_cast<int16_t>(regs.predictor);
}

// The decoder spreads the packed codes of up to this many bytes at a time.
constexpr int kSpreadBytes = 128;

// Spreads 16 packed bytes into the byte offsets (4 * code) of their 32 codes.
template <AdpcmNibbles kOrder>
inline void SpreadChunk(const uint8_t *packed, uint8_t *offsets) noexcept {
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(packed));
  const __m128i mask = _mm_set1_epi8(0x3C);
  // 4 * nibble of each byte; the 16-bit shifts move bits across bytes only
  // into positions the mask clears.
  const __m128i high = _mm_and_si128(_mm_srli_epi16(b, 2), mask);
  const __m128i low = _mm_and_si128(_mm_slli_epi16(b, 2), mask);
  const __m128i first = kOrder == AdpcmNibbles::kHighFirst ? high : low;
  const __m128i second = kOrder == AdpcmNibbles::kHighFirst ? low : high;
  _mm_storeu_si128(reinterpret_cast<__m128i *>(offsets), _mm_unpacklo_epi8(first, second));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(offsets + 16), _mm_unpackhi_epi8(first, second));
}

// Spreads nbytes (1..kSpreadBytes) packed bytes into the byte offsets of
// their 2 * nbytes codes, in code order.
template <AdpcmNibbles kOrder>
void SpreadCodes(const uint8_t *packed, int nbytes, uint8_t *offsets) noexcept {
  if (nbytes < 16) {
    constexpr int kFirstShift = kOrder == AdpcmNibbles::kHighFirst ? 4 : 0;
    for (int k = 0; k < nbytes; ++k) {
      offsets[2 * k] = static_cast<uint8_t>(((packed[k] >> kFirstShift) & 15) * 4);
      offsets[2 * k + 1] = static_cast<uint8_t>(((packed[k] >> (4 - kFirstShift)) & 15) * 4);
    }
    return;
  }
  // 16 bytes at a time, the last 16 overlapping the ones before when nbytes
  // is not a multiple of 16, so that nothing past the codes is read.
  for (int k = 0;; k += 16) {
    if (k > nbytes - 16) k = nbytes - 16;
    SpreadChunk<kOrder>(packed + k, offsets + 2 * k);
    if (k == nbytes - 16) break;
  }
}

template <AdpcmNibbles kOrder>
void DecodeRunIn(AdpcmState &s, const uint8_t *codes, int16_t *pcm, int count) noexcept {
  DecoderRegs regs{s.step_index * kAdpcmRowBytes, s.predictor};
  alignas(16) uint8_t offsets[2 * kSpreadBytes];
  while (count > 0) {
    const int n = count < 2 * kSpreadBytes ? count : 2 * kSpreadBytes;
    const int nbytes = (n + 1) / 2;
    SpreadCodes<kOrder>(codes, nbytes, offsets);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
      [&]<std::size_t... J>(std::index_sequence<J...>) {
        ((pcm[i + J] = DecodeSample(regs, offsets[i + J])), ...);
      }
      (std::make_index_sequence<8>{});
    }
    for (; i < n; ++i) pcm[i] = DecodeSample(regs, offsets[i]);
    codes += nbytes;
    pcm += n;
    count -= n;
  }
  s = {regs.predictor, static_cast<int>(regs.row / kAdpcmRowBytes)};
}

}  // namespace

void ADPCM_EncodeRun(AdpcmState &s, const int16_t *pcm, uint8_t *codes, int count,
                     AdpcmNibbles order) noexcept {
  if (order == AdpcmNibbles::kHighFirst) {
    EncodeRunIn<AdpcmNibbles::kHighFirst>(s, pcm, codes, count);
  } else {
    EncodeRunIn<AdpcmNibbles::kLowFirst>(s, pcm, codes, count);
  }
}

void ADPCM_DecodeRun(AdpcmState &s, const uint8_t *codes, int16_t *pcm, int count,
                     AdpcmNibbles order) noexcept {
  if (order == AdpcmNibbles::kHighFirst) {
    DecodeRunIn<AdpcmNibbles::kHighFirst>(s, codes, pcm, count);
  } else {
    DecodeRunIn<AdpcmNibbles::kLowFirst>(s, codes, pcm, count);
  }
}

void ADPCM_Reset(ZT_VOICE_STATE &state) noexcept {
  ADPCM_StoreState(state, {0, 0});
}

void ADPCM_EncodeBlock(const int16_t *pcm, uint8_t *codes, int count,
                       ZT_VOICE_STATE &state) noexcept {
  if (count <= 0) return;
  AdpcmState s = ADPCM_LoadState(state);
  ADPCM_EncodeRun(s, pcm, codes, count, AdpcmNibbles::kHighFirst);
  ADPCM_StoreState(state, s);
}

void ADPCM_DecodeBlock(const uint8_t *codes, int16_t *pcm, int count,
                       ZT_VOICE_STATE &state) noexcept {
  if (count <= 0) return;
  AdpcmState s = ADPCM_LoadState(state);
  ADPCM_DecodeRun(s, codes, pcm, count, AdpcmNibbles::kHighFirst);
  ADPCM_StoreState(state, s);
}

}  // namespace zt
