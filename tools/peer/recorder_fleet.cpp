#include "recorder_fleet.h"

#include <algorithm>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>
#include <asio/redirect_error.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>
#include <csignal>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <vector>

#include "base/code_page_text.h"
#include "exchanges.h"
#include "fixed_text.h"

namespace orlentis::peer {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Recorder {
  Recorder(asio::io_context& io, const FleetSettings& settings, std::string siteName, unsigned seed)
      : link(io.get_executor(), settings.connection.timeout),
        pause(io),
        site{std::move(siteName), "", 80},
        random(seed) {}

  PeerLink link;
  asio::steady_timer pause;
  SiteSpec site;
  std::mt19937 random;
  std::chrono::milliseconds nextRetry{0};
  std::int32_t sequence = 0;
  bool checkedIn = false;
  bool everCheckedIn = false;
  // After a loss: set at the first try to connect again, cleared once checked in.
  bool lostSinceCheckIn = false;
  std::optional<Clock::time_point> firstRetry;
};

class FleetRun {
 public:
  explicit FleetRun(const FleetSettings& settings)
      : settings_(settings),
        server_(ResolveServer(settings.connection.host, settings.connection.port)),
        text_(settings.connection.codePage),
        tick_(io_),
        signals_(io_),
        start_(Clock::now()) {
    std::random_device seeds;
    for (int i = 0; i < settings.recorders; ++i) {
      const std::string name =
          settings.recorders == 1 ? settings.name : settings.name + " " + std::to_string(i);
      recorders_.push_back(std::make_unique<Recorder>(io_, settings, name, seeds()));
    }
  }

  FleetTally Run(std::ostream* progress, const FleetObserver& observer) {
    for (auto& recorder : recorders_) {
      asio::co_spawn(io_, Keep(*recorder), asio::detached);
    }
    asio::co_spawn(io_, Tally(progress, observer), asio::detached);
    if (settings_.stopOnSignals) {
      signals_.add(SIGINT);
      signals_.add(SIGTERM);
      signals_.async_wait([this](const std::error_code& error, int) {
        if (!error) Finish();
      });
    }
    io_.run();
    return Count();
  }

 private:
  // One recorder for the whole run: check in, keep alive, and again after every loss.
  asio::awaitable<void> Keep(Recorder& recorder) {
    while (!ending_) {
      if (recorder.lostSinceCheckIn && !recorder.firstRetry) recorder.firstRetry = Clock::now();
      const bool checkedIn = co_await CheckIn(recorder);
      if (!checkedIn) {
        co_await Pause(recorder, NextRetry(recorder));
        continue;
      }
      Arrived(recorder);
      co_await KeepAliveUntilLost(recorder);
      if (ending_) break;
      recorder.checkedIn = false;
      recorder.lostSinceCheckIn = true;
      recorder.firstRetry.reset();
      ++lost_;
      co_await Pause(recorder, NextRetry(recorder));
    }
    recorder.link.Close();
  }

  asio::awaitable<bool> CheckIn(Recorder& recorder) {
    Peer peer{recorder.link, text_, nullptr};
    try {
      co_await recorder.link.Connect(server_);
      co_await CheckInSite(peer, CMD_SITE_CHECKIN, recorder.site);
      co_await SendCameras(peer, settings_.cameras);
      co_return true;
    } catch (const PeerFailure&) {
      recorder.link.Close();
      co_return false;
    }
  }

  void Arrived(Recorder& recorder) {
    recorder.checkedIn = true;
    recorder.everCheckedIn = true;
    recorder.nextRetry = std::chrono::milliseconds(0);
    if (!recorder.lostSinceCheckIn) return;
    recorder.lostSinceCheckIn = false;
    ++back_;
    longestBack_ = std::max(
        longestBack_, std::chrono::duration<double>(Clock::now() - *recorder.firstRetry).count());
  }

  // Until a keep-alive goes unanswered or the run ends.
  asio::awaitable<void> KeepAliveUntilLost(Recorder& recorder) {
    Peer peer{recorder.link, text_, nullptr};
    while (!ending_) {
      co_await Pause(recorder, settings_.keepAliveInterval);
      if (ending_) co_return;
      try {
        co_await KeepAlive(peer, ++recorder.sequence);
      } catch (const PeerFailure&) {
        recorder.link.Close();
        co_return;
      }
    }
  }

  // The first retry waits firstRetry, each next one twice as long up to longestRetry; each
  // pause is drawn between half and all of that.
  std::chrono::milliseconds NextRetry(Recorder& recorder) {
    recorder.nextRetry = recorder.nextRetry.count() == 0
                             ? settings_.firstRetry
                             : std::min(recorder.nextRetry * 2, settings_.longestRetry);
    std::uniform_int_distribution<long long> share(recorder.nextRetry.count() / 2,
                                                   recorder.nextRetry.count());
    return std::chrono::milliseconds(share(recorder.random));
  }

  asio::awaitable<void> Pause(Recorder& recorder, std::chrono::milliseconds length) {
    recorder.pause.expires_after(length);
    std::error_code ignored;
    co_await recorder.pause.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
  }

  asio::awaitable<void> Tally(std::ostream* progress, const FleetObserver& observer) {
    while (!ending_) {
      tick_.expires_after(settings_.tallyInterval);
      std::error_code ignored;
      co_await tick_.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
      if (ending_) break;
      const FleetTally tally = Count();
      if (progress) *progress << FleetTallyLine(tally) << std::endl;
      const bool over =
          settings_.duration.count() > 0 && Clock::now() - start_ >= settings_.duration;
      if (over || (observer && !observer(tally))) Finish();
    }
  }

  void Finish() {
    if (ending_) return;
    ending_ = true;
    tick_.cancel();
    signals_.cancel();
    for (auto& recorder : recorders_) {
      recorder->pause.cancel();
      recorder->link.Close();
    }
  }

  FleetTally Count() const {
    FleetTally tally;
    tally.seconds = SecondsSince(start_);
    tally.recorders = static_cast<int>(recorders_.size());
    for (const auto& recorder : recorders_) {
      tally.checkedIn += recorder->checkedIn ? 1 : 0;
      tally.everCheckedIn += recorder->everCheckedIn ? 1 : 0;
    }
    tally.lost = lost_;
    tally.back = back_;
    tally.longestBackSeconds = longestBack_;
    return tally;
  }

  const FleetSettings& settings_;
  asio::io_context io_;
  const asio::ip::tcp::endpoint server_;
  CodePageText text_;
  asio::steady_timer tick_;
  asio::signal_set signals_;
  const Clock::time_point start_;
  std::vector<std::unique_ptr<Recorder>> recorders_;
  bool ending_ = false;
  int lost_ = 0;
  int back_ = 0;
  double longestBack_ = 0;
};

}  // namespace

FleetTally RunFleet(const FleetSettings& settings, std::ostream* progress,
                    const FleetObserver& observer) {
  FleetRun run(settings);
  return run.Run(progress, observer);
}

std::string FleetTallyLine(const FleetTally& tally) {
  return "[" + Fixed(tally.seconds, 1) + " s] " + std::to_string(tally.checkedIn) + " of " +
         std::to_string(tally.recorders) + " checked in, " + std::to_string(tally.lost) +
         " lost, " + std::to_string(tally.back) + " back";
}

std::string FleetReportText(const FleetTally& tally) {
  return std::to_string(tally.recorders) + " recorders for " + Fixed(tally.seconds, 1) +
         " s: " + std::to_string(tally.checkedIn) + " checked in at the end, " +
         std::to_string(tally.recorders - tally.everCheckedIn) + " never; " +
         std::to_string(tally.lost) + " connections lost, " + std::to_string(tally.back) +
         " checked in again, the slowest " + Fixed(tally.longestBackSeconds, 3) +
         " s after its first retry\n";
}

std::string FleetReportJson(const FleetTally& tally) {
  return "{\"recorders\":" + std::to_string(tally.recorders) +
         ",\"seconds\":" + Fixed(tally.seconds, 1) +
         ",\"checked_in\":" + std::to_string(tally.checkedIn) +
         ",\"never_checked_in\":" + std::to_string(tally.recorders - tally.everCheckedIn) +
         ",\"lost\":" + std::to_string(tally.lost) + ",\"back\":" + std::to_string(tally.back) +
         ",\"longest_back_seconds\":" + Fixed(tally.longestBackSeconds, 3) + "}\n";
}

}  // namespace orlentis::peer
