#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands.h"
#include "transcript.h"

namespace orlentis::testing {

// One orlentis-peer exchange subcommand, in process, against the server on port. The time
// limit is generous: a loaded machine must not turn a slow answer into a failure.
inline peer::CommandOutcome RunPeerCommand(const std::string& name, std::uint16_t port,
                                           std::vector<std::string> arguments = {}) {
  arguments.insert(arguments.end(), {"--port", std::to_string(port), "--timeout", "20000"});
  return peer::RunExchangeCommand(name, arguments);
}

inline std::string TextOf(const peer::ReplyEntry& entry, const std::string& key) {
  return std::get<std::string>(entry.Field(key).value);
}

inline std::int64_t NumberOf(const peer::ReplyEntry& entry, const std::string& key) {
  return std::get<std::int64_t>(entry.Field(key).value);
}

}  // namespace orlentis::testing
