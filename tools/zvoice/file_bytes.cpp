#include "file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli_error.h"

namespace zvoice {

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
  const auto fail = [&path](int error) {
    return Failure("cannot read '" + path + "': " + std::strerror(error));
  };
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"),
                                                        std::fclose);
  if (!file) throw fail(errno);
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  // Reading a directory fails here with EISDIR.
  if (std::ferror(file.get())) throw fail(errno);
  return bytes;
}

}  // namespace zvoice
