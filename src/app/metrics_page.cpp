#include "app/metrics_page.h"

#include <CivetServer.h>
#include <prometheus/collectable.h>
#include <prometheus/exposer.h>

#include <atomic>
#include <exception>
#include <string_view>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "store/database_guard.h"
#include "store/directory_sizes.h"
#include "store/engine.h"

namespace orlentis {

class MetricsPage::Collector final : public prometheus::Collectable {
 public:
  explicit Collector(StateReader state) : state_(std::move(state)) {}
  std::vector<prometheus::MetricFamily> Collect() const override {
    return CollectMetricFamilies(Metrics(), state_());
  }

 private:
  StateReader state_;
};

namespace {

// civetweb's request hook takes no context of its own; a process serves one page.
std::atomic<const MetricsPage::Readiness*> pageReadiness{nullptr};

int Answer(mg_connection* connection, int status, std::string_view body) {
  mg_printf(connection,
            "HTTP/1.1 %d %s\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
            "%zu\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n",
            status, status == 200 ? "OK" : "Service Unavailable", body.size() + 1);
  mg_write(connection, body.data(), body.size());
  mg_write(connection, "\n", 1);
  return status;
}

// The health checks; everything else is left to the metrics' own handler.
int AnswerHealthCheck(mg_connection* connection) {
  const mg_request_info* request = mg_get_request_info(connection);
  const std::string_view uri = request->local_uri != nullptr ? request->local_uri : "";
  if (uri == "/health/live") return Answer(connection, 200, "live");
  if (uri != "/health/ready") return 0;
  const MetricsPage::Readiness* readiness = pageReadiness.load();
  const std::string notReady = readiness != nullptr ? (*readiness)() : "stopping";
  return notReady.empty() ? Answer(connection, 200, "ready")
                          : Answer(connection, 503, "not ready: " + notReady);
}

void SampleDirectorySizes() {
  const DbResult<DirectorySizes> sizes = RunGuardedFor(CountDirectorySizes);
  CloseThreadSession();
  if (!sizes.Done()) return;
  ServerMetrics& metrics = Metrics();
  metrics.directoryUsers.Set(sizes.value->users);
  metrics.sitesOnline.Set(sizes.value->sitesOnline);
  metrics.logEntries.Set(sizes.value->logEntries);
}

std::string Where(const std::string& address, std::int32_t port) {
  return (address.empty() ? "0.0.0.0" : address) + ":" + std::to_string(port);
}

}  // namespace

MetricsPage::MetricsPage(const std::string& address, std::int32_t port, std::int32_t recordersPort,
                         Readiness readiness, StateReader state)
    : readiness_(std::move(readiness)), collector_(std::make_shared<Collector>(std::move(state))) {
  const std::string where = Where(address, port);
  // Taken first, the page would keep the recorders out of their own port.
  if (port == recordersPort) {
    LogToOperator(kLogMetricsListenFailed, "cannot serve metrics on " + where +
                                               " (the recorders' port); running without them");
    return;
  }
  static const CivetCallbacks callbacks = [] {
    CivetCallbacks hooks;
    hooks.begin_request = AnswerHealthCheck;
    return hooks;
  }();
  pageReadiness.store(&readiness_);
  try {
    exposer_ = std::make_unique<prometheus::Exposer>(address.empty() ? std::to_string(port) : where,
                                                     2, &callbacks);
  } catch (const std::exception& error) {
    LogToOperator(kLogMetricsListenFailed, "cannot serve metrics on " + where + " (" +
                                               error.what() + "); running without them");
    return;
  }
  exposer_->RegisterCollectable(collector_);
  LogToOperator(kLogMetricsListen, "serving metrics and health checks on http://" + where);
  sampler_.Start(kSamplePeriod, SampleDirectorySizes, true);
}

MetricsPage::~MetricsPage() {
  sampler_.Stop();
  exposer_.reset();
  pageReadiness.store(nullptr);
}

}  // namespace orlentis
