// The four exported functions: argument checks in a fixed order, all before
// any work, then the hand-over to the codec row of the type.
#include <cstdint>
#include <cstring>

#include "voice/codec_table.h"
#include "zelt_voice_engine.h"

namespace zt {
namespace {

// Copies a finished frame, size = 4 + 2 * length bytes (4..484), with
// 16-byte moves, the last one overlapping the one before it, so that no byte
// beyond the frame is written. Frames are short, and a string-move
// instruction costs more to start than moving them this way.
inline void CopyFrame(uint8_t *out, const uint8_t *frame, std::size_t size) noexcept {
  if (size < 16) {
    const std::size_t part = size < 8 ? 4 : 8;  // two moves that cover 4..15 bytes
    std::memcpy(out, frame, part);
    std::memcpy(out + size - part, frame + size - part, part);
    return;
  }
  std::size_t i = 0;
  for (; i + 64 <= size; i += 64) std::memcpy(out + i, frame + i, 64);
  for (; i + 16 <= size; i += 16) std::memcpy(out + i, frame + i, 16);
  std::memcpy(out + size - 16, frame + size - 16, 16);
}

ZT_VOICE_RESULT Reset(ZT_VOICE_STATE *state, int type, ZT_VOICE_RESULT bad_type) noexcept {
  if (state == nullptr) return ZT_ERR_VOICE_NULL_STATE;
  const CodecOps *codec = FindCodec(Low16(type));
  if (codec == nullptr) return bad_type;
  if (codec->reset != nullptr) codec->reset(*state);
  return ZT_SUCCESS;
}

}  // namespace
}  // namespace zt

extern "C" {

ZT_VOICE_RESULT ZT_VOICE_EncReset(ZT_VOICE_STATE *state, int type) {
  return zt::Reset(state, type, ZT_ERR_VOICE_ENC_TYPE);
}

ZT_VOICE_RESULT ZT_VOICE_DecReset(ZT_VOICE_STATE *state, int type) {
  return zt::Reset(state, type, ZT_ERR_VOICE_DEC_TYPE);
}

ZT_VOICE_RESULT ZT_VOICE_EncodeFrame(ZT_VOICE_STATE *state, const int16_t *pcm_in, void *frame_out,
                                     int nsamples, int type) {
  if (state == nullptr) return ZT_ERR_VOICE_NULL_STATE;
  if (pcm_in == nullptr) return ZT_ERR_VOICE_NULL_INPUT;
  if (frame_out == nullptr) return ZT_ERR_VOICE_NULL_OUTPUT;
  const int n = zt::Low16(nsamples);
  if (n < 1 || n > ZT_VOICE_MAX_SAMPLES) return ZT_ERR_VOICE_ENC_LENGTH;
  const zt::CodecOps *codec = zt::FindCodec(zt::Low16(type));
  if (codec == nullptr) return ZT_ERR_VOICE_ENC_TYPE;
  if (codec->state_suits != nullptr && !codec->state_suits(*state)) return ZT_ERR_VOICE_ENC_TYPE;

  // The codec builds the frame privately; the caller receives exactly the frame.
  alignas(16) uint8_t frame[zt::kPrivateFrameBytes];
  codec->encode_frame(*state, pcm_in, frame, n);
  zt::CopyFrame(static_cast<uint8_t *>(frame_out), frame, 4 + 2 * std::size_t{frame[2]});
  return ZT_SUCCESS;
}

ZT_VOICE_RESULT ZT_VOICE_DecodeFrame(ZT_VOICE_STATE *state, const void *frame_in, int16_t *pcm_out,
                                     int type, int16_t *nsamples_out) {
  if (state == nullptr) return ZT_ERR_VOICE_NULL_STATE;
  if (frame_in == nullptr) return ZT_ERR_VOICE_NULL_INPUT;
  if (pcm_out == nullptr || nsamples_out == nullptr) return ZT_ERR_VOICE_NULL_OUTPUT;
  *nsamples_out = 0;

  const auto *frame = static_cast<const uint8_t *>(frame_in);
  if (((frame[1]) & 3) != 1) return ZT_ERR_VOICE_DEC_HEADER;  // kind: bits 8-9 of control
  const int length = frame[2];  // the low byte of the length word; byte 3 is ignored
  if (length == 0) return ZT_ERR_VOICE_DEC_LENGTH;
  const zt::CodecOps *codec = zt::FindCodec(zt::Low16(type));
  if (codec == nullptr) return ZT_ERR_VOICE_DEC_TYPE;
  const int samples = codec->decoded_samples(length);
  if (samples < 0) return ZT_ERR_VOICE_DEC_LENGTH;
  if (codec->state_suits != nullptr && !codec->state_suits(*state)) return ZT_ERR_VOICE_DEC_TYPE;

  codec->decode_frame(*state, frame, pcm_out);
  *nsamples_out = static_cast<int16_t>(samples);
  return ZT_SUCCESS;
}

}  // extern "C"
