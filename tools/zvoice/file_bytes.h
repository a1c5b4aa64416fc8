// Whole files as bytes: stream files are small (at most 64 kbit/s of audio).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvoice {

// Throws a failure naming `path` when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string &path);

}  // namespace zvoice
