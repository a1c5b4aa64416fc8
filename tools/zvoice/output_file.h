// An output file that appears whole or not at all: the data goes to a
// temporary file in the target's directory, which Commit() renames over the
// target. Without Commit() the temporary file is removed.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zvoice {

class OutputFile {
 public:
  // Creates the temporary file; throws a failure naming `path`.
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  int fd() const { return fd_; }
  const std::string &path() const { return path_; }

  // Writes all of `bytes`; throws a failure naming the target.
  void Write(std::span<const uint8_t> bytes);

  // Flushes, closes and renames the temporary file over the target.
  void Commit();

 private:
  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
};

}  // namespace zvoice
