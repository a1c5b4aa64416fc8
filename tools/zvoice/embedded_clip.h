// The speech clip that `zvoice compare` codes when given no input: a few
// seconds of 16-bit 8000 Hz mono WAV made by tools/clip/make_clip.sh and
// compiled into the program, so the comparison needs no file at hand.
#pragma once

#include <span>

namespace zvoice {

std::span<const unsigned char> EmbeddedClipWav();

}  // namespace zvoice
