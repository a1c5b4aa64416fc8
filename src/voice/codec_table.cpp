// One row of codec operations per codec type.
#include "voice/codec_table.h"

#include <array>

#include "adpcm/adpcm.h"
#include "g711/g711.h"
#include "g726/g726.h"

namespace zt {
namespace {

constexpr int kTypeSlots = 40;  // types 0..39; only twelve of them are codecs

// G.711 keeps no state: no reset, every block suits, the block is never touched.
template <int kLaw>
constexpr CodecOps G711Row() {
  return {nullptr, nullptr,
          [](ZT_VOICE_STATE &, const int16_t *pcm, uint8_t *frame, int n) noexcept {
            G711_EncodeFrame(pcm, frame, kLaw, n);
          },
          G711_DecodedSamples,
          [](ZT_VOICE_STATE &, const uint8_t *frame, int16_t *pcm) noexcept {
            G711_DecodeFrame(frame, pcm, kLaw);
          }};
}

// IMA ADPCM: every block suits (a step index out of range is read as the
// largest), and the decoder starts from the frame's own state words.
template <int kType>
constexpr CodecOps AdpcmRow() {
  return {ADPCM_Reset, nullptr,
          [](ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *frame, int n) noexcept {
            ADPCM_EncodeFrame(state, pcm, frame, kType, n);
          },
          [](int length) noexcept { return ADPCM_DecodedSamples(length, kType); },
          [](ZT_VOICE_STATE &state, const uint8_t *frame, int16_t *pcm) noexcept {
            ADPCM_DecodeFrame(state, frame, pcm, kType);
          }};
}

// G.726 keeps its channel state in the block, which suits a type only when
// it was reset for the type's code width.
template <int kBits, G726Order kOrder>
constexpr CodecOps G726Row() {
  return {[](ZT_VOICE_STATE &state) noexcept { G726_Reset(state, kBits); },
          [](const ZT_VOICE_STATE &state) noexcept { return G726_StateSuits(state, kBits); },
          [](ZT_VOICE_STATE &state, const int16_t *pcm, uint8_t *frame, int n) noexcept {
            G726_EncodeFrame(state, pcm, frame, n, kBits, kOrder);
          },
          [](int length) noexcept { return G726_DecodedSamples(length, kBits); },
          [](ZT_VOICE_STATE &state, const uint8_t *frame, int16_t *pcm) noexcept {
            G726_DecodeFrame(state, frame, pcm, kBits, kOrder);
          }};
}

constexpr std::array<CodecOps, kTypeSlots> MakeTable() {
  std::array<CodecOps, kTypeSlots> table{};
  table[ZT_VOICE_G711A] = G711Row<ZT_VOICE_G711A>();
  table[ZT_VOICE_G711U] = G711Row<ZT_VOICE_G711U>();
  table[ZT_VOICE_ADPCM] = AdpcmRow<ZT_VOICE_ADPCM>();
  table[ZT_VOICE_ADPCM_LEAD] = AdpcmRow<ZT_VOICE_ADPCM_LEAD>();
  table[ZT_VOICE_G726_16K] = G726Row<2, G726Order::kLsbFirst>();
  table[ZT_VOICE_G726_24K] = G726Row<3, G726Order::kLsbFirst>();
  table[ZT_VOICE_G726_32K] = G726Row<4, G726Order::kLsbFirst>();
  table[ZT_VOICE_G726_40K] = G726Row<5, G726Order::kLsbFirst>();
  table[ZT_VOICE_G726_16K_MSB] = G726Row<2, G726Order::kMsbFirst>();
  table[ZT_VOICE_G726_24K_MSB] = G726Row<3, G726Order::kMsbFirst>();
  table[ZT_VOICE_G726_32K_MSB] = G726Row<4, G726Order::kMsbFirst>();
  table[ZT_VOICE_G726_40K_MSB] = G726Row<5, G726Order::kMsbFirst>();
  return table;
}

constexpr std::array<CodecOps, kTypeSlots> kCodecs = MakeTable();

}  // namespace

const CodecOps *FindCodec(int t) noexcept {
  if (t < 0 || t >= kTypeSlots || kCodecs[t].encode_frame == nullptr) return nullptr;
  return &kCodecs[t];
}

}  // namespace zt
