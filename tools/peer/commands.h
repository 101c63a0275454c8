#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "command_line.h"
#include "transcript.h"

namespace orlentis::peer {

// Options every networked subcommand takes.
inline const std::set<std::string> kConnectionOptions = {"host", "port", "timeout", "codepage"};

struct ConnectionSettings {
  std::string host = "127.0.0.1";
  std::uint16_t port = 10240;
  std::chrono::milliseconds timeout{5000};
  std::string codePage = "WINDOWS-1252";
};
ConnectionSettings ReadConnectionSettings(const CommandLine& commandLine);

struct CommandOutcome {
  PeerStatus status = PeerStatus::kOk;
  std::string message;  // why the command failed; empty on success
  Transcript transcript;
};

// One exchange subcommand on one connection. arguments are those after the subcommand's
// name. Never throws: every failure is in the outcome.
CommandOutcome RunExchangeCommand(const std::string& name,
                                  const std::vector<std::string>& arguments);
bool IsExchangeCommand(const std::string& name);

// The whole tool: arguments without the program name; prints to out and err; returns the
// exit status.
int RunPeer(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string HelpText();

}  // namespace orlentis::peer
