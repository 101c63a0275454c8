#include "support/net/net_test_server.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace orlentis::testing {

NetTestServer::NetTestServer(RequestHandlers* handlers, DatabaseEngine engine)
    : clock_(std::time(nullptr)),
      program_(engine),
      failures_(std::make_shared<std::atomic<int>>(0)) {
  SetCurrentClock(&clock_);

  WorkerOptions options;
  options.bindAddress = "127.0.0.1";
  options.settings = &program_.ProgramSettings();
  options.handlers = handlers;
  options.onRequestFailure = [failures = failures_] { failures->fetch_add(1); };
  worker_ = std::make_unique<NetworkWorker>(std::move(options));
  if (!worker_->Start()) throw std::runtime_error("the test worker cannot listen");
}

NetTestServer::~NetTestServer() {
  worker_->Stop();
  SetCurrentClock(nullptr);
}

void NetTestServer::SweepDeadConnections() {
  worker_->RunOnWorker([](Listener& listener) { listener.SweepDeadConnections(); });
}

void NetTestServer::SweepExpiredConnections() {
  worker_->RunOnWorker([](Listener& listener) { listener.SweepExpiredConnections(); });
}

std::size_t NetTestServer::ListedConnections() {
  std::size_t count = 0;
  worker_->RunOnWorker([&](Listener& listener) { count = listener.Connections().size(); });
  return count;
}

bool NetTestServer::PollUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool NetTestServer::WaitForListedConnections(std::size_t count, int timeoutMs) {
  return PollUntil([&] { return ListedConnections() == count; }, timeoutMs);
}

bool NetTestServer::SendAndWaitTaken(WireClient& client, std::span<const std::uint8_t> block) {
  // An exchange whose answer the test has just read renews its deadline a moment later; that
  // must not happen on the clock advanced below, or it would pass for the block sent here. A
  // connection still inside an exchange may also be waiting for this very block, hence the
  // short wait.
  PollUntil(
      [&] {
        bool inExchange = false;
        worker_->RunOnWorker([&](Listener& listener) {
          for (const auto& connection : listener.Connections()) {
            inExchange = inExchange || connection->InExchange();
          }
        });
        return !inExchange;
      },
      kSettleMs);
  clock_.AdvanceSeconds(1);
  const double renewed = NowOleDate() + RecorderConnection::kIdleDays;
  if (!client.Send(block)) return false;
  return PollUntil(
      [&] {
        bool found = false;
        worker_->RunOnWorker([&](Listener& listener) {
          for (const auto& connection : listener.Connections()) {
            found = found || connection->IdleDeadline() == renewed;
          }
        });
        return found;
      },
      WireClient::kDefaultTimeoutMs);
}

bool NetTestServer::WaitForFailures(int failures) {
  return PollUntil([&] { return failures_->load() >= failures; }, WireClient::kDefaultTimeoutMs) &&
         failures_->load() == failures;
}

}  // namespace orlentis::testing
