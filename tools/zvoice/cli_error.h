// The one kind of failure zvoice reports: a message for one line of stderr
// and the exit status the program ends with.
#pragma once

#include <stdexcept>
#include <string>

namespace zvoice {

// Exit statuses: 1 for a file or data that cannot be used, 2 for a command
// line that cannot be run (unknown codec, bad frame size, bad option).
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

class CliError : public std::runtime_error {
 public:
  CliError(int exit_status, const std::string &message)
      : std::runtime_error(message), exit_status_(exit_status) {}
  int exit_status() const { return exit_status_; }

 private:
  int exit_status_;
};

inline CliError UsageError(const std::string &message) {
  return CliError(kExitUsage, message);
}
inline CliError Failure(const std::string &message) {
  return CliError(kExitFailure, message);
}

}  // namespace zvoice
