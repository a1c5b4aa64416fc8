// Command-line options in the usual style: "--name value", "--name=value",
// "-c value", flags, positional arguments anywhere, "--" ends the options.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zvoice {

struct OptionSpec {
  std::string_view long_name;  // without the leading "--"
  char short_name;             // 0 when the option has no short form
  bool takes_value;
};

class ParsedArgs {
 public:
  bool Has(std::string_view long_name) const;
  std::optional<std::string> Value(std::string_view long_name) const;
  const std::vector<std::string> &positional() const { return positional_; }

 private:
  friend ParsedArgs ParseArgs(std::span<const std::string>, std::span<const OptionSpec>);
  std::map<std::string, std::string, std::less<>> options_;  // flags map to ""
  std::vector<std::string> positional_;
};

// Throws a usage error for an unknown option, a missing value or a repeated
// option.
ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionSpec> known);

// Parses a whole decimal number for an option; throws a usage error that
// names `what` otherwise.
int ParseCount(const std::string &text, std::string_view what);

}  // namespace zvoice

namespace zvoice {

// Prints `help` to stdout and returns true when the command line holds --help.
bool PrintHelpIfAsked(const ParsedArgs &args, const char *help);

// Throws a usage error that shows `synopsis` unless there are `min` to `max`
// positional arguments.
void RequirePositional(const ParsedArgs &args, size_t min, size_t max, const char *synopsis);

}  // namespace zvoice
