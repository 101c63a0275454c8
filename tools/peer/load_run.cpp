#include "load_run.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/redirect_error.hpp>
#include <asio/use_awaitable.hpp>
#include <atomic>
#include <memory>
#include <ostream>
#include <thread>

#include "base/code_page_text.h"
#include "exchanges.h"
#include "fixed_text.h"

namespace orlentis::peer {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPauseAfterFailure{50};

// The mix: what position i of every 20 requests of a connection is.
constexpr std::array<LoadExchange, 20> kMixSequence = [] {
  std::array<LoadExchange, 20> sequence{};
  sequence.fill(LoadExchange::kKeepAlive);
  sequence[0] = LoadExchange::kSiteCheckIn;
  sequence[3] = sequence[10] = sequence[17] = LoadExchange::kHostLogin;
  sequence[6] = sequence[14] = LoadExchange::kAccountLogin;
  return sequence;
}();

// What all threads of one run share.
struct SharedRun {
  explicit SharedRun(const LoadSettings& loadSettings)
      : settings(loadSettings),
        server(ResolveServer(loadSettings.connection.host, loadSettings.connection.port)) {}

  bool TakeTicket() {
    return settings.requestLimit == 0 || issued.fetch_add(1) < settings.requestLimit;
  }
  Clock::time_point StopAt() const { return Clock::time_point(Clock::duration(stopAt.load())); }

  const LoadSettings& settings;
  const asio::ip::tcp::endpoint server;
  std::atomic<int> settled{0};  // connections ready or given up before the start
  std::atomic<int> notStarted{0};
  std::atomic<std::uint64_t> answered{0};
  std::atomic<std::uint64_t> failed{0};
  std::atomic<std::uint64_t> issued{0};
  std::atomic<Clock::rep> stopAt{Clock::time_point::max().time_since_epoch().count()};
};

// One event loop and what its connections collect.
struct LoopRun {
  explicit LoopRun(const LoadSettings& settings)
      : gate(io, Clock::time_point::max()), text(settings.connection.codePage) {}

  asio::io_context io;
  asio::steady_timer gate;  // cancelled at the start
  bool gateOpen = false;
  CodePageText text;
  LatencySamples samples;
  FailureCounts failures;
};

class LoadConnection {
 public:
  LoadConnection(SharedRun& shared, LoopRun& loop, int index)
      : shared_(shared),
        loop_(loop),
        settings_(shared.settings),
        link_(loop.io.get_executor(), settings_.connection.timeout),
        peer_{link_, loop.text, nullptr},
        site_{settings_.sitePrefix + std::to_string(index), "", 8000 + index % 1000},
        credentials_{settings_.userPrefix + std::to_string(index % std::max(settings_.users, 1)),
                     settings_.password},
        mixPosition_(static_cast<std::size_t>(index) % kMixSequence.size()) {}

  LoopRun& Loop() const { return loop_; }
  // At the end of the measured time: whatever is still under way would not be counted.
  void Stop() { link_.Close(); }

  asio::awaitable<void> Run() {
    const bool started = co_await Open();
    if (!started) shared_.notStarted.fetch_add(1);
    shared_.settled.fetch_add(1);
    if (!started) co_return;
    if (!loop_.gateOpen) {
      std::error_code ignored;
      co_await loop_.gate.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
    }
    while (shared_.TakeTicket()) {
      const auto begin = Clock::now();
      if (begin >= shared_.StopAt()) break;
      const PeerStatus outcome = co_await Attempt();
      const auto end = Clock::now();
      if (end > shared_.StopAt()) break;
      if (outcome == PeerStatus::kOk ||
          (outcome == PeerStatus::kRefused && settings_.refusalsAnswer)) {
        loop_.samples.Add(end - begin);
        shared_.answered.fetch_add(1, std::memory_order_relaxed);
        continue;
      }
      loop_.failures.Add(outcome);
      shared_.failed.fetch_add(1, std::memory_order_relaxed);
      link_.Close();
      asio::steady_timer pause(loop_.io, kPauseAfterFailure);
      std::error_code ignored;
      co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
    }
    link_.Close();
  }

 private:
  asio::awaitable<bool> Open() {
    try {
      co_await Connect();
      co_return true;
    } catch (const PeerFailure&) {
      co_return false;
    }
  }

  // One request, after reopening the connection when an earlier failure closed it.
  asio::awaitable<PeerStatus> Attempt() {
    try {
      if (!link_.IsOpen()) co_await Connect();
      co_await RequestOnce();
      co_return PeerStatus::kOk;
    } catch (const PeerFailure& failure) {
      co_return failure.Status();
    } catch (const std::exception&) {
      co_return PeerStatus::kTransport;
    }
  }

  asio::awaitable<void> Connect() {
    co_await link_.Connect(shared_.server);
    switch (settings_.exchange) {
      case LoadExchange::kKeepAlive:
        if (!settings_.echo) co_await OpenAccountCheck(peer_);
        break;
      case LoadExchange::kAccountLogin:
      case LoadExchange::kMix:
        co_await CheckInSite(peer_, CMD_SITE_CHECKIN, site_);
        break;
      case LoadExchange::kHostLogin:
      case LoadExchange::kSiteCheckIn:
        break;
    }
  }

  asio::awaitable<void> RequestOnce() {
    LoadExchange exchange = settings_.exchange;
    if (exchange == LoadExchange::kMix) {
      exchange = kMixSequence[mixPosition_];
      mixPosition_ = (mixPosition_ + 1) % kMixSequence.size();
    }
    switch (exchange) {
      case LoadExchange::kKeepAlive:
        co_await KeepAlive(peer_, ++sequence_, settings_.echo ? CMD_KEEPALIVE : CMD_KEEPALIVE_ECHO);
        break;
      case LoadExchange::kHostLogin:
        co_await HostLogin(peer_, credentials_);
        break;
      case LoadExchange::kAccountLogin:
        co_await AccountLogin(peer_, credentials_);
        break;
      case LoadExchange::kSiteCheckIn:
      case LoadExchange::kMix:
        co_await CheckInSite(peer_, CMD_SITE_CHECKIN, site_);
        co_await SendCameras(peer_, settings_.cameras);
        break;
    }
  }

  SharedRun& shared_;
  LoopRun& loop_;
  const LoadSettings& settings_;
  PeerLink link_;
  Peer peer_;
  SiteSpec site_;
  Credentials credentials_;
  std::size_t mixPosition_;
  std::int32_t sequence_ = 0;
};

double Milliseconds(std::chrono::nanoseconds duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

void ShowProgress(const ProgressSink& progress, const SharedRun& shared, double seconds,
                  std::uint64_t answeredBefore, double secondsBefore) {
  if (!progress.out) return;
  const std::uint64_t answered = shared.answered.load();
  const double rate =
      seconds > secondsBefore ? double(answered - answeredBefore) / (seconds - secondsBefore) : 0.0;
  *progress.out << (progress.inPlace ? "\r" : "") << "[" << Fixed(seconds, 0) << " s] " << answered
                << " answered, " << Fixed(rate, 0) << "/s, " << shared.failed.load() << " failed"
                << (progress.inPlace ? "\x1b[K" : "\n") << std::flush;
}

}  // namespace

std::optional<LoadExchange> ParseLoadExchange(std::string_view name) {
  for (const auto exchange :
       {LoadExchange::kKeepAlive, LoadExchange::kHostLogin, LoadExchange::kAccountLogin,
        LoadExchange::kSiteCheckIn, LoadExchange::kMix}) {
    if (name == LoadExchangeName(exchange)) return exchange;
  }
  return std::nullopt;
}

const char* LoadExchangeName(LoadExchange exchange) {
  switch (exchange) {
    case LoadExchange::kKeepAlive:
      return "keepalive";
    case LoadExchange::kHostLogin:
      return "host-login";
    case LoadExchange::kAccountLogin:
      return "account-login";
    case LoadExchange::kSiteCheckIn:
      return "site-checkin";
    case LoadExchange::kMix:
      return "mix";
  }
  return "unknown";
}

LoadReport RunLoad(const LoadSettings& settings, ProgressSink progress) {
  SharedRun shared(settings);
  const int loopCount = std::clamp(settings.threads, 1, std::max(settings.connections, 1));
  std::vector<std::unique_ptr<LoopRun>> loops;
  for (int i = 0; i < loopCount; ++i) loops.push_back(std::make_unique<LoopRun>(settings));
  std::vector<std::unique_ptr<LoadConnection>> connections;
  for (int i = 0; i < settings.connections; ++i) {
    LoopRun& loop = *loops[static_cast<std::size_t>(i % loopCount)];
    connections.push_back(std::make_unique<LoadConnection>(shared, loop, i));
    asio::co_spawn(loop.io, connections.back()->Run(), asio::detached);
  }
  std::atomic<int> loopsRunning{loopCount};
  std::vector<std::thread> threads;
  for (auto& loop : loops) {
    threads.emplace_back([&loop, &loopsRunning] {
      loop->io.run();
      loopsRunning.fetch_sub(1);
    });
  }
  while (shared.settled.load() < settings.connections) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  const auto start = Clock::now();
  shared.stopAt = (start + settings.duration).time_since_epoch().count();
  for (auto& loop : loops) {
    asio::post(loop->io, [&loop] {
      loop->gateOpen = true;
      loop->gate.cancel();
    });
  }
  auto nextLine = start + std::chrono::seconds(1);
  std::uint64_t answeredBefore = 0;
  double secondsBefore = 0;
  bool stopped = false;
  while (loopsRunning.load() > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!stopped && Clock::now() >= shared.StopAt()) {
      stopped = true;
      for (const auto& connection : connections) {
        asio::post(connection->Loop().io, [&connection] { connection->Stop(); });
      }
    }
    if (Clock::now() < nextLine) continue;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ShowProgress(progress, shared, seconds, answeredBefore, secondsBefore);
    answeredBefore = shared.answered.load();
    secondsBefore = seconds;
    nextLine += std::chrono::seconds(1);
  }
  for (auto& thread : threads) thread.join();
  const auto end = std::min(Clock::now(), shared.StopAt());
  if (progress.out && progress.inPlace) *progress.out << "\n";

  LoadReport report;
  report.exchange = LoadExchangeName(settings.exchange);
  report.connections = settings.connections;
  report.connectionsFailed = shared.notStarted.load();
  report.seconds = std::chrono::duration<double>(end - start).count();
  LatencySamples samples;
  for (const auto& loop : loops) {
    samples.Merge(loop->samples);
    report.failures.Merge(loop->failures);
  }
  report.requests = samples.Count();
  report.p50 = samples.Percentile(0.50);
  report.p99 = samples.Percentile(0.99);
  report.max = samples.Max();
  return report;
}

std::string LoadReportText(const LoadReport& report) {
  std::string text =
      report.exchange + " with " + std::to_string(report.connections) + " connections for " +
      Fixed(report.seconds, 2) + " s: " + std::to_string(report.requests) + " requests, " +
      Fixed(report.RequestsPerSecond(), 0) + " per second; latency p50 " +
      Fixed(Milliseconds(report.p50), 3) + " ms, p99 " + Fixed(Milliseconds(report.p99), 3) +
      " ms, max " + Fixed(Milliseconds(report.max), 3) + " ms; " +
      std::to_string(report.failures.Total()) + " failed";
  if (report.connectionsFailed > 0) {
    text += "; " + std::to_string(report.connectionsFailed) + " connections never started";
  }
  return text + "\n";
}

std::string LoadReportJson(const LoadReport& report) {
  std::string json = "{\"exchange\":" + JsonString(report.exchange) +
                     ",\"connections\":" + std::to_string(report.connections) +
                     ",\"connections_failed\":" + std::to_string(report.connectionsFailed) +
                     ",\"seconds\":" + Fixed(report.seconds, 3) +
                     ",\"requests\":" + std::to_string(report.requests) +
                     ",\"requests_per_second\":" + Fixed(report.RequestsPerSecond(), 1) +
                     ",\"p50_ms\":" + Fixed(Milliseconds(report.p50), 3) +
                     ",\"p99_ms\":" + Fixed(Milliseconds(report.p99), 3) +
                     ",\"max_ms\":" + Fixed(Milliseconds(report.max), 3) + ",\"failures\":{";
  const PeerStatus kinds[] = {PeerStatus::kRefused, PeerStatus::kTimeout, PeerStatus::kMalformed,
                              PeerStatus::kTransport};
  for (const auto kind : kinds) {
    if (kind != kinds[0]) json += ",";
    json += JsonString(StatusName(kind)) + ":" + std::to_string(report.failures.Of(kind));
  }
  return json + "}}\n";
}

}  // namespace orlentis::peer
