// Names and meanings of the library's result codes, for error messages.
#pragma once

#include <string>

#include "zelt_voice_engine.h"

namespace zvoice {

// "ZT_ERR_VOICE_DEC_LENGTH (the payload length is 0 or not one the codec
// decodes)"; an unknown code shows as its hexadecimal value.
std::string DescribeResult(ZT_VOICE_RESULT result);

}  // namespace zvoice
