#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "commands.h"

namespace orlentis::peer {

// Recorders that behave as their firmware does: each stays connected as a checked-in site,
// sends a keep-alive every interval, and when its connection is lost (a keep-alive or a
// check-in not answered, the connection closed) connects again after a pause that doubles up
// to a limit, with a random share off it so that a fleet does not come back in step, and
// checks in again with its cameras.
struct FleetSettings {
  ConnectionSettings connection;
  int recorders = 1;
  // Recorder i checks in as "name i"; a fleet of one as name itself.
  std::string name = "Peer site";
  std::int32_t cameras = 4;
  std::chrono::milliseconds keepAliveInterval{5000};
  std::chrono::milliseconds firstRetry{1000};
  std::chrono::milliseconds longestRetry{8000};
  // Zero: until stopped (a signal, or the observer).
  std::chrono::milliseconds duration{0};
  std::chrono::milliseconds tallyInterval{1000};
  // SIGINT and SIGTERM end the run (the command line tool; not a test in process).
  bool stopOnSignals = false;
};

struct FleetTally {
  double seconds = 0;
  int recorders = 0;
  int checkedIn = 0;      // checked in now
  int everCheckedIn = 0;  // recorders that checked in at least once
  int lost = 0;           // connections lost after their check-in
  int back = 0;           // check-ins again after such a loss
  // The longest time from the first try after a loss until checked in again.
  double longestBackSeconds = 0;
};

// Called with the tally every tallyInterval on the fleet's thread; returning false ends the
// run.
using FleetObserver = std::function<bool(const FleetTally&)>;

// Runs the fleet until its duration is over or it is stopped; a progress line for each tally
// goes to progress when given. Returns the last tally.
FleetTally RunFleet(const FleetSettings& settings, std::ostream* progress,
                    const FleetObserver& observer = {});

std::string FleetTallyLine(const FleetTally& tally);
std::string FleetReportText(const FleetTally& tally);
std::string FleetReportJson(const FleetTally& tally);

}  // namespace orlentis::peer
