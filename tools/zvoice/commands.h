// The subcommands of zvoice. Each takes the arguments after its name,
// returns the exit status and throws a CliError for what it cannot do.
#pragma once

#include <span>
#include <string>

namespace zvoice {

int RunCompare(std::span<const std::string> args);
int RunEncode(std::span<const std::string> args);
int RunDecode(std::span<const std::string> args);
int RunInfo(std::span<const std::string> args);
int RunConvert(std::span<const std::string> args);

}  // namespace zvoice
