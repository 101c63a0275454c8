#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "commands.h"
#include "latency_stats.h"

namespace orlentis::peer {

// What each connection of a load run repeats.
enum class LoadExchange {
  kKeepAlive,     // one keep-alive on a connection registered by an account check
  kHostLogin,     // one host login of a seeded user
  kAccountLogin,  // one account login on a checked-in site connection
  kSiteCheckIn,   // one site check-in followed by its cameras
  kMix,           // of every 20: 14 keep-alives, 3 host logins, 2 account logins, 1 check-in
};
std::optional<LoadExchange> ParseLoadExchange(std::string_view name);
const char* LoadExchangeName(LoadExchange exchange);

struct LoadSettings {
  ConnectionSettings connection;
  LoadExchange exchange = LoadExchange::kKeepAlive;
  int connections = 1;
  std::chrono::milliseconds duration{5000};
  std::uint64_t requestLimit = 0;  // 0: as many as the duration allows
  int threads = 1;
  // Accounts made by `seed`; connection i logs in as userPrefix + (i % users).
  int users = 64;
  std::string userPrefix = "bench-user-";
  std::string password = "bench-password";
  int cameras = 16;
  std::string sitePrefix = "bench-site-";
  // Keep-alives to a bare echo server: no registration, and each comes back unchanged.
  bool echo = false;
  // A guesser's load: a refused login is an answer like any other, and its connection stays.
  bool refusalsAnswer = false;
};

struct LoadReport {
  std::string exchange;
  int connections = 0;
  int connectionsFailed = 0;  // could not connect or be prepared before the start
  double seconds = 0;
  std::uint64_t requests = 0;  // answered correctly within the measured time
  FailureCounts failures;
  std::chrono::nanoseconds p50{0};
  std::chrono::nanoseconds p99{0};
  std::chrono::nanoseconds max{0};

  double RequestsPerSecond() const { return seconds > 0 ? double(requests) / seconds : 0.0; }
};

// Where the live progress goes: one line per second, rewritten in place on a terminal.
struct ProgressSink {
  std::ostream* out = nullptr;
  bool inPlace = false;
};

// A closed-loop run: every connection sends its next request as soon as the last one is
// answered. Connections are opened and prepared (registered) first; the clock starts when all
// are ready. The connections share one or two threads, each an event loop over non-blocking
// sockets.
LoadReport RunLoad(const LoadSettings& settings, ProgressSink progress = {});

std::string LoadReportText(const LoadReport& report);
std::string LoadReportJson(const LoadReport& report);

}  // namespace orlentis::peer
