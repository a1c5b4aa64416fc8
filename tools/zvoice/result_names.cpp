#include "result_names.h"

#include <array>
#include <cstdio>

namespace zvoice {
namespace {

struct ResultText {
  ZT_VOICE_RESULT code;
  const char *name;
  const char *meaning;
};

constexpr std::array<ResultText, 9> kResults{{
    {ZT_SUCCESS, "ZT_SUCCESS", "success"},
    {ZT_ERR_VOICE_NULL_STATE, "ZT_ERR_VOICE_NULL_STATE", "null state block"},
    {ZT_ERR_VOICE_NULL_INPUT, "ZT_ERR_VOICE_NULL_INPUT", "null input"},
    {ZT_ERR_VOICE_NULL_OUTPUT, "ZT_ERR_VOICE_NULL_OUTPUT", "null output"},
    {ZT_ERR_VOICE_ENC_TYPE, "ZT_ERR_VOICE_ENC_TYPE",
     "the encoder does not support this codec type"},
    {ZT_ERR_VOICE_ENC_LENGTH, "ZT_ERR_VOICE_ENC_LENGTH", "sample count outside 1..481"},
    {ZT_ERR_VOICE_DEC_TYPE, "ZT_ERR_VOICE_DEC_TYPE",
     "the decoder does not support this codec type"},
    {ZT_ERR_VOICE_DEC_LENGTH, "ZT_ERR_VOICE_DEC_LENGTH",
     "the payload length is 0 or not one the codec decodes"},
    {ZT_ERR_VOICE_DEC_HEADER, "ZT_ERR_VOICE_DEC_HEADER", "the frame kind in the header is not 1"},
}};

}  // namespace

std::string DescribeResult(ZT_VOICE_RESULT result) {
  for (const ResultText &r : kResults) {
    if (r.code == result) return std::string(r.name) + " (" + r.meaning + ")";
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(result));
  return std::string("result ") + hex;
}

}  // namespace zvoice
