#include "idle_peers.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>
#include <asio/redirect_error.hpp>
#include <asio/use_awaitable.hpp>
#include <cstdio>
#include <memory>
#include <ostream>
#include <vector>

#include "base/code_page_text.h"
#include "exchanges.h"

namespace orlentis::peer {
namespace {

using Clock = std::chrono::steady_clock;

struct IdleRun {
  explicit IdleRun(const IdleSettings& idleSettings)
      : settings(idleSettings),
        server(ResolveServer(idleSettings.connection.host, idleSettings.connection.port)),
        text(idleSettings.connection.codePage),
        end(io, idleSettings.duration) {}

  const IdleSettings& settings;
  const asio::ip::tcp::endpoint server;
  asio::io_context io;
  CodePageText text;
  asio::steady_timer end;  // the end of the duration closes every link
  std::vector<std::unique_ptr<PeerLink>> links;
};

asio::awaitable<void> Hold(IdleRun& run, PeerLink& link, HoldReport& report, int& settled,
                           std::ostream& status) {
  Peer peer{link, run.text, nullptr};
  bool opened = true;
  try {
    co_await link.Connect(run.server);
    co_await OpenAccountCheck(peer);
  } catch (const PeerFailure&) {
    opened = false;
  }
  ++(opened ? report.opened : report.refused);
  if (++settled == run.settings.connections) {
    status << "holding " << report.opened << " connections (" << report.refused << " refused)"
           << std::endl;
  }
  if (!opened) co_return;
  co_await link.WaitUntilClosed();
  if (run.end.expiry() > Clock::now()) ++report.closedByServer;
}

asio::awaitable<void> Stall(IdleRun& run, PeerLink& link, StallReport& report,
                            double& closingSeconds, int& closings) {
  Peer peer{link, run.text, nullptr};
  while (run.end.expiry() > Clock::now()) {
    bool stalled = true;
    try {
      co_await link.Connect(run.server);
      co_await BeginHostLogin(peer);
    } catch (const PeerFailure&) {
      stalled = false;
    }
    if (!stalled) {
      asio::steady_timer pause(run.io, std::chrono::milliseconds(100));
      std::error_code ignored;
      co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
      continue;
    }
    ++report.stalls;
    const auto stalledAt = Clock::now();
    co_await link.WaitUntilClosed();
    if (run.end.expiry() <= Clock::now()) break;
    closingSeconds += std::chrono::duration<double>(Clock::now() - stalledAt).count();
    ++closings;
  }
}

// Runs the idle peers until the duration is over, then closes them all.
void RunUntilEnd(IdleRun& run) {
  run.end.async_wait([&run](const std::error_code&) {
    for (auto& link : run.links) link->Close();
  });
  run.io.run();
}

}  // namespace

HoldReport HoldConnections(const IdleSettings& settings, std::ostream& status) {
  IdleRun run(settings);
  HoldReport report;
  int settled = 0;
  for (int i = 0; i < settings.connections; ++i) {
    run.links.push_back(
        std::make_unique<PeerLink>(run.io.get_executor(), settings.connection.timeout));
    asio::co_spawn(run.io, Hold(run, *run.links.back(), report, settled, status), asio::detached);
  }
  RunUntilEnd(run);
  return report;
}

StallReport StallHostLogins(const IdleSettings& settings, std::ostream& status) {
  IdleRun run(settings);
  StallReport report;
  double closingSeconds = 0;
  int closings = 0;
  for (int i = 0; i < settings.connections; ++i) {
    run.links.push_back(
        std::make_unique<PeerLink>(run.io.get_executor(), settings.connection.timeout));
    asio::co_spawn(run.io, Stall(run, *run.links.back(), report, closingSeconds, closings),
                   asio::detached);
  }
  status << "stalling " << settings.connections << " host logins" << std::endl;
  RunUntilEnd(run);
  report.closedByServer = closings;
  report.secondsUntilClosed = closings > 0 ? closingSeconds / closings : 0.0;
  return report;
}

std::string HoldReportText(const HoldReport& report) {
  return "held " + std::to_string(report.opened) + " connections (" +
         std::to_string(report.refused) + " refused); the server closed " +
         std::to_string(report.closedByServer) + " of them during the hold\n";
}

std::string StallReportText(const StallReport& report) {
  std::string text = std::to_string(report.stalls) + " host logins stalled; ";
  if (report.closedByServer == 0) return text + "the server closed none within the duration\n";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", report.secondsUntilClosed);
  return text + "the server closed " + std::to_string(report.closedByServer) + " after " + seconds +
         " s on average\n";
}

}  // namespace orlentis::peer
