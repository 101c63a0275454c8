#pragma once

#include <stdexcept>
#include <string>

namespace orlentis::peer {

// The exit status of orlentis-peer, one per way an exchange can end. A refusal is the
// server's own verdict; the others say the exchange could not be judged.
enum class PeerStatus : int {
  kOk = 0,
  kRefused = 1,    // RSP_FAIL, a host status other than 1, or the connection closed unanswered
  kUsage = 2,      // unknown subcommand or option, a missing or bad value
  kTransport = 3,  // cannot connect, or the connection broke in the middle of an exchange
  kTimeout = 4,    // no answer within the time limit
  kMalformed = 5,  // an answer of the wrong size or kind
  kLocal = 6,      // a local step failed (seed: the database could not be written)
};

int ExitCode(PeerStatus status);
// "ok", "refused", "usage", "transport", "timeout", "malformed", "local".
const char* StatusName(PeerStatus status);

// Ends an exchange; what is carries the status the tool exits with.
class PeerFailure : public std::runtime_error {
 public:
  PeerFailure(PeerStatus status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  PeerStatus Status() const { return status_; }

 private:
  PeerStatus status_;
};

}  // namespace orlentis::peer
