#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli_error.h"

namespace zvoice {
namespace {

CliError WriteFailure(const std::string &path, int error) {
  return Failure("cannot write '" + path + "': " + std::strerror(error));
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  // A hidden name beside the target keeps the final rename on one file system.
  const size_t slash = path_.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  std::string pattern = dir + "." + base + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkstemp(name.data());
  if (fd_ < 0) throw WriteFailure(path_, errno);
  temp_path_ = name.data();
  // mkstemp creates 0600; give the file the mode a plain open() would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) close(fd_);
  if (!temp_path_.empty()) unlink(temp_path_.c_str());
}

void OutputFile::Write(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw WriteFailure(path_, errno);
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
}

void OutputFile::Commit() {
  // No fsync: the rename alone makes the file appear whole to other
  // programs, which is the promise; surviving a power cut is not.
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) throw WriteFailure(path_, errno);
  if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) throw WriteFailure(path_, errno);
  temp_path_.clear();
}

}  // namespace zvoice
