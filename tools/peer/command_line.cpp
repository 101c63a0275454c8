#include "command_line.h"

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

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments,
                         const std::set<std::string>& valueOptions,
                         const std::set<std::string>& flags) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0) throw UsageError("unexpected argument " + argument);
    const auto equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? equals : equals - 2);
    if (flags.count(name) > 0 && equals == std::string::npos) {
      flags_.insert(name);
      continue;
    }
    if (valueOptions.count(name) == 0) throw UsageError("unknown option --" + name);
    if (equals != std::string::npos) {
      values_[name] = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      values_[name] = arguments[++i];
    } else {
      throw UsageError("option --" + name + " needs a value");
    }
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
