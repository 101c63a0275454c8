#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/metrics_families.h"
#include "store/periodic_thread.h"

namespace prometheus {
class Exposer;
}

namespace orlentis {

// The page a monitoring system scrapes, on a port of its own ([METRICS] PORT and ADDRESS),
// never the recorders': /metrics in the Prometheus text format, /health/live (the process
// serves) and /health/ready (it can do its work). Served by threads of its own, which only
// read: counters, a few atomic flags, and the directory's sizes that it samples every
// kSamplePeriod on a thread and database session of its own.
class MetricsPage {
 public:
  static constexpr std::chrono::seconds kSamplePeriod{15};

  // Why the server is not ready to serve, or empty when it is; called on the page's threads.
  using Readiness = std::function<std::string()>;
  using StateReader = std::function<ServerState()>;

  // Serves on address:port (every address when empty), never on the recorders' port; the
  // operator's log says where, or why not, in which case the page is simply not there.
  MetricsPage(const std::string& address, std::int32_t port, std::int32_t recordersPort,
              Readiness readiness, StateReader state);
  ~MetricsPage();
  MetricsPage(const MetricsPage&) = delete;
  MetricsPage& operator=(const MetricsPage&) = delete;

 private:
  class Collector;

  Readiness readiness_;
  std::shared_ptr<Collector> collector_;
  std::unique_ptr<prometheus::Exposer> exposer_;
  PeriodicThread sampler_;
};

}  // namespace orlentis
