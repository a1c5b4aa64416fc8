#include "arg_parser.h"

#include <charconv>
#include <cstdio>

#include "cli_error.h"

namespace zvoice {

bool ParsedArgs::Has(std::string_view long_name) const {
  return options_.find(long_name) != options_.end();
}

std::optional<std::string> ParsedArgs::Value(std::string_view long_name) const {
  const auto it = options_.find(long_name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionSpec> known) {
  ParsedArgs parsed;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      parsed.positional_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    const OptionSpec *matched = nullptr;
    std::optional<std::string> inline_value;
    if (arg[1] == '-') {
      std::string_view name = std::string_view(arg).substr(2);
      if (const size_t eq = name.find('='); eq != std::string_view::npos) {
        inline_value = std::string(name.substr(eq + 1));
        name = name.substr(0, eq);
      }
      for (const OptionSpec &s : known) {
        if (s.long_name == name) matched = &s;
      }
    } else if (arg.size() == 2) {
      for (const OptionSpec &s : known) {
        if (s.short_name != 0 && s.short_name == arg[1]) matched = &s;
      }
    }
    if (matched == nullptr) throw UsageError("unknown option '" + arg + "'");
    const std::string name(matched->long_name);
    if (parsed.Has(name)) throw UsageError("option --" + name + " given twice");
    std::string value;
    if (matched->takes_value) {
      if (inline_value) {
        value = *inline_value;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("option --" + name + " needs a value");
      }
    } else if (inline_value) {
      throw UsageError("option --" + name + " takes no value");
    }
    parsed.options_[name] = value;
  }
  return parsed;
}

int ParseCount(const std::string &text, std::string_view what) {
  int value = 0;
  const char *end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) {
    throw UsageError(std::string(what) + " must be a whole number, not '" + text + "'");
  }
  return value;
}

}  // namespace zvoice

namespace zvoice {

bool PrintHelpIfAsked(const ParsedArgs &args, const char *help) {
  if (!args.Has("help")) return false;
  std::fputs(help, stdout);
  return true;
}

void RequirePositional(const ParsedArgs &args, size_t min, size_t max, const char *synopsis) {
  const size_t n = args.positional().size();
  if (n < min) throw UsageError(std::string("missing arguments; usage: ") + synopsis);
  if (n > max) {
    throw UsageError("unexpected argument '" + args.positional()[max] + "'; usage: " + synopsis);
  }
}

}  // namespace zvoice
