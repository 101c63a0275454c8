#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "base/clock.h"
#include "base/settings.h"
#include "net/network_worker.h"
#include "support/net/wire_client.h"
#include "support/store/test_program_folder.h"

namespace orlentis::testing {

// A server as start-up leaves it, in a fresh temporary program folder on a fresh database of
// engine, with its worker
// listening on 127.0.0.1 on a port the system chose. The process clock is a ManualClock
// while it exists. One per test process at a time.
class NetTestServer {
 public:
  explicit NetTestServer(RequestHandlers* handlers = nullptr,
                         DatabaseEngine engine = DatabaseEngine::kSqlite);
  ~NetTestServer();

  // The settings the worker's IP filter reads; changes apply to the next connection.
  orlentis::Settings& ProgramSettings() { return program_.ProgramSettings(); }
  TestProgramFolder& Program() { return program_; }
  NetworkWorker& Worker() { return *worker_; }
  std::uint16_t Port() const { return worker_->Port(); }

  WireClient Connect() const { return WireClient(Port()); }
  ManualClock& Clock() { return clock_; }

  // Sends block and waits until the worker has taken it and renewed the connection's idle
  // deadline (served or dropped), so that the next record is not merged with it. The clock
  // moves a second first, so that the renewal can be told apart. False on a timeout.
  bool SendAndWaitTaken(WireClient& client, std::span<const std::uint8_t> block);
  static constexpr int kSettleMs = 250;
  // Waits until the worker has taken failures requests down the failure path.
  bool WaitForFailures(int failures);

  // The sweeps, run on the worker; they return once the sweep has run.
  void SweepDeadConnections();
  void SweepExpiredConnections();
  // Connections in the worker's list (alive or awaiting the dead-connection sweep).
  std::size_t ListedConnections();
  // Waits (polling, at most timeoutMs) until the list holds count connections.
  bool WaitForListedConnections(std::size_t count, int timeoutMs = WireClient::kDefaultTimeoutMs);

  // Requests that took the failure path so far.
  int FailureCount() const { return failures_->load(); }

 private:
  bool PollUntil(const std::function<bool()>& condition, int timeoutMs);

  ManualClock clock_;
  TestProgramFolder program_;
  std::shared_ptr<std::atomic<int>> failures_;
  std::unique_ptr<NetworkWorker> worker_;
};

}  // namespace orlentis::testing
