// Headerless payload streams for exchange with other programs: plain A-law or
// mu-law bytes for G.711, and for G.726 the packed code words in the type's
// bit order, continuing from one byte to the next. Such a stream has no
// sample count; it holds as many samples as whole codes fit in its bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec_catalog.h"

namespace zvoice {

// Bytes that carry `samples` codes: the last byte may be part-filled.
inline size_t RawStreamBytes(const Codec &codec, uint64_t samples) {
  return static_cast<size_t>((samples * static_cast<uint64_t>(codec.bits_per_code) + 7) / 8);
}

// Decodes a raw stream of a codec that HasRawForm(); `path` names it in errors.
std::vector<int16_t> DecodeRawStream(const Codec &codec, std::span<const uint8_t> stream,
                                     const std::string &path);

}  // namespace zvoice
