#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdint>

#include "peer_status.h"

namespace orlentis::peer {
namespace {

// The options whose value is a whole number, whatever the subcommand.
const std::set<std::string> kNumberOptions = {
    "port",   "timeout",     "cameras",  "web-port", "index",    "width",
    "height", "state-a",     "state-b",  "count",    "instance", "existence",
    "state",  "connections", "duration", "requests", "threads",  "users"};

PeerFailure UsageError(const std::string& message) {
  return PeerFailure(PeerStatus::kUsage, message);
}

// A value may begin with a dash (a negative number, a password): the word after a value
// option is always its value, so it is joined to it before CLI11 sees it.
std::vector<std::string> JoinValues(const std::vector<std::string>& arguments,
                                    const std::set<std::string>& valueOptions) {
  std::vector<std::string> joined;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool takesNext = argument.rfind("--", 0) == 0 &&
                           argument.find('=') == std::string::npos &&
                           valueOptions.count(argument.substr(2)) > 0 && i + 1 < arguments.size();
    joined.push_back(takesNext ? argument + "=" + arguments[++i] : argument);
  }
  return joined;
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments,
                         const std::set<std::string>& valueOptions,
                         const std::set<std::string>& flags) {
  CLI::App app("", "orlentis-peer");
  app.set_help_flag();  // --help is answered before any subcommand's options are read
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  std::map<std::string, std::string> texts;
  std::map<std::string, CLI::Option*> options;
  for (const std::string& name : valueOptions) {
    options[name] = app.add_option("--" + name, texts[name]);
  }
  std::map<std::string, CLI::Option*> flagOptions;
  for (const std::string& name : flags) flagOptions[name] = app.add_flag("--" + name);
  try {
    std::vector<std::string> reversed = JoinValues(arguments, valueOptions);
    std::reverse(reversed.begin(), reversed.end());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    throw UsageError(error.what());
  }
  for (const auto& [name, option] : options) {
    if (option->count() > 0) values_[name] = texts[name];
  }
  for (const auto& [name, option] : flagOptions) {
    if (option->count() > 0) flags_.insert(name);
  }
  // Values are checked before anything is sent, so that a typo never half-does an exchange.
  for (const auto& [name, text] : values_) {
    if (kNumberOptions.count(name) > 0) Number(name, 0, INT64_MIN, INT64_MAX);
  }
}

std::string CommandLine::Text(const std::string& option, const std::string& fallback) const {
  const auto found = values_.find(option);
  return found == values_.end() ? fallback : found->second;
}

std::int64_t CommandLine::Number(const std::string& option, std::int64_t fallback, std::int64_t min,
                                 std::int64_t max) const {
  const auto found = values_.find(option);
  if (found == values_.end()) return fallback;
  const std::string& text = found->second;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    throw UsageError("--" + option + " must be a whole number from " + std::to_string(min) +
                     " to " + std::to_string(max) + ", not \"" + text + "\"");
  }
  return value;
}

std::string CommandLine::Required(const std::string& option) const {
  const auto found = values_.find(option);
  if (found == values_.end()) throw UsageError("--" + option + " is required");
  return found->second;
}

}  // namespace orlentis::peer
