#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "commands.h"

namespace orlentis::peer {

// Peers that load the server without asking anything of it, beside a measuring run.
struct IdleSettings {
  ConnectionSettings connection;
  int connections = 1;
  std::chrono::milliseconds duration{10000};
};

struct HoldReport {
  int opened = 0;
  int refused = 0;         // closed by the server before the hold began, or never connected
  int closedByServer = 0;  // closed by the server during the hold
};

// Opens the connections, registers each by an account check, reports "holding N connections"
// on status once all are settled, and keeps them open without a word for the duration.
HoldReport HoldConnections(const IdleSettings& settings, std::ostream& status);

struct StallReport {
  int stalls = 0;  // host logins begun and never finished
  int closedByServer = 0;
  // How long the server took to close a stalled connection, on average.
  double secondsUntilClosed = 0;
};

// Each connection begins a host login (its first frame, answered) and then sends nothing, so
// that the server waits for credentials that never come; when the server gives up and closes
// the connection, the peer stalls again on a new one, until the duration is over.
StallReport StallHostLogins(const IdleSettings& settings, std::ostream& status);

std::string HoldReportText(const HoldReport& report);
std::string StallReportText(const StallReport& report);

}  // namespace orlentis::peer
