#include "app/metrics_families.h"

#include <deque>
#include <iterator>
#include <limits>
#include <string>
#include <utility>

namespace orlentis {
namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;
using Labels = std::vector<ClientMetric::Label>;

template <class Enum>
constexpr std::size_t CountOf() {
  return static_cast<std::size_t>(Enum::kCount);
}

template <class Enum>
Enum Nth(std::size_t at) {
  return static_cast<Enum>(at);
}

// A family is filled in after others were added, so what Add gives back must stay where it is:
// a deque never moves its elements as it grows at the end.
class FamilyList {
 public:
  MetricFamily& Add(std::string name, std::string help, MetricType type) {
    families_.push_back({"orlentis_" + std::move(name), std::move(help), type, {}});
    return families_.back();
  }

  std::vector<MetricFamily> Take() {
    return {std::make_move_iterator(families_.begin()), std::make_move_iterator(families_.end())};
  }

 private:
  std::deque<MetricFamily> families_;
};

ClientMetric CounterMetric(std::uint64_t value, Labels labels = {}) {
  ClientMetric metric;
  metric.label = std::move(labels);
  metric.counter.value = static_cast<double>(value);
  return metric;
}

ClientMetric GaugeMetric(std::int64_t value, Labels labels = {}) {
  ClientMetric metric;
  metric.label = std::move(labels);
  metric.gauge.value = static_cast<double>(value);
  return metric;
}

ClientMetric HistogramMetric(const MetricHistogram& histogram, Labels labels = {}) {
  ClientMetric metric;
  metric.label = std::move(labels);
  std::uint64_t cumulative = 0;
  const auto bounds = histogram.Bounds();
  for (std::size_t at = 0; at < bounds.size(); ++at) {
    cumulative += histogram.BucketCount(at);
    metric.histogram.bucket.push_back({cumulative, bounds[at]});
  }
  cumulative += histogram.BucketCount(bounds.size());
  metric.histogram.bucket.push_back({cumulative, std::numeric_limits<double>::infinity()});
  metric.histogram.sample_count = cumulative;
  metric.histogram.sample_sum = histogram.Sum();
  return metric;
}

void AddCounter(FamilyList& families, std::string name, std::string help,
                const MetricCounter& counter) {
  families.Add(std::move(name), std::move(help), MetricType::Counter)
      .metric.push_back(CounterMetric(counter.Value()));
}

void AddGauge(FamilyList& families, std::string name, std::string help, std::int64_t value) {
  families.Add(std::move(name), std::move(help), MetricType::Gauge)
      .metric.push_back(GaugeMetric(value));
}

void AddConnections(FamilyList& families, const ServerMetrics& metrics) {
  auto& open =
      families.Add("connections", "Recorder connections open now, by what they checked in as",
                   MetricType::Gauge);
  for (std::size_t at = 0; at < CountOf<ConnectionState>(); ++at) {
    const auto state = Nth<ConnectionState>(at);
    open.metric.push_back(GaugeMetric(metrics.connections[state].Value(),
                                      {{"state", std::string(ConnectionStateName(state))}}));
  }
  AddCounter(families, "connections_accepted_total", "Connections accepted on the recorders' port",
             metrics.connectionsAccepted);
  auto& refused = families.Add("admissions_refused_total", "Connections refused, by reason",
                               MetricType::Counter);
  for (std::size_t at = 0; at < CountOf<AdmissionRefusal>(); ++at) {
    const auto reason = Nth<AdmissionRefusal>(at);
    refused.metric.push_back(
        CounterMetric(metrics.admissionsRefused[reason].Value(),
                      {{"reason", std::string(AdmissionRefusalName(reason))}}));
  }
  AddCounter(families, "connections_evicted_total",
             "Silent connections closed to make room when every place was taken",
             metrics.connectionsEvicted);
  AddCounter(families, "connection_faults_total", "Connections that ended on an unexpected error",
             metrics.connectionFaults);
}

void AddRequests(FamilyList& families, const ServerMetrics& metrics) {
  auto& requests = families.Add("requests_total", "Exchanges served, by kind", MetricType::Counter);
  auto& failures =
      families.Add("request_failures_total",
                   "Exchanges answered with their failure values, by kind", MetricType::Counter);
  auto& seconds = families.Add("request_duration_seconds", "How long exchanges took, by kind",
                               MetricType::Histogram);
  for (std::size_t at = 0; at < CountOf<ExchangeKind>(); ++at) {
    const auto kind = Nth<ExchangeKind>(at);
    const Labels labels = {{"kind", std::string(ExchangeKindName(kind))}};
    requests.metric.push_back(CounterMetric(metrics.requests[kind].Value(), labels));
    failures.metric.push_back(CounterMetric(metrics.requestFailures[kind].Value(), labels));
    seconds.metric.push_back(HistogramMetric(metrics.requestSeconds[kind], labels));
  }
}

void AddLogins(FamilyList& families, const ServerMetrics& metrics) {
  auto& logins = families.Add("logins_total", "Logins, by where they came from and their outcome",
                              MetricType::Counter);
  for (std::size_t path = 0; path < CountOf<LoginPath>(); ++path) {
    for (std::size_t outcome = 0; outcome < CountOf<LoginOutcome>(); ++outcome) {
      const auto value = metrics.logins[Nth<LoginPath>(path)][Nth<LoginOutcome>(outcome)].Value();
      logins.metric.push_back(CounterMetric(
          value, {{"path", std::string(LoginPathName(Nth<LoginPath>(path)))},
                  {"outcome", std::string(LoginOutcomeName(Nth<LoginOutcome>(outcome)))}}));
    }
  }
  AddCounter(families, "login_cooldowns_total",
             "Cool-downs started: an address or a console name failed too often",
             metrics.coolDownsStarted);
  AddCounter(families, "domain_logon_errors_total",
             "Domain logons the directory server refused or could not answer",
             metrics.domainLogonErrors);
}

void AddDatabase(FamilyList& families, const ServerMetrics& metrics) {
  auto& queued = families.Add("database_jobs_queued", "Database jobs waiting for their thread",
                              MetricType::Gauge);
  auto& wait = families.Add("database_job_wait_seconds",
                            "How long database jobs waited before they ran", MetricType::Histogram);
  auto& run = families.Add("database_job_run_seconds",
                           "How long database jobs ran (a group of writes with its commit)",
                           MetricType::Histogram);
  for (std::size_t at = 0; at < CountOf<DatabaseLane>(); ++at) {
    const auto lane = Nth<DatabaseLane>(at);
    const Labels labels = {{"lane", std::string(DatabaseLaneName(lane))}};
    queued.metric.push_back(GaugeMetric(metrics.databaseJobsQueued[lane].Value(), labels));
    wait.metric.push_back(HistogramMetric(metrics.databaseWaitSeconds[lane], labels));
    run.metric.push_back(HistogramMetric(metrics.databaseRunSeconds[lane], labels));
  }
  families.Add("database_group_commit_size", "Writes committed together", MetricType::Histogram)
      .metric.push_back(HistogramMetric(metrics.groupCommitSize));
  AddCounter(families, "database_errors_total", "Database operations that failed",
             metrics.databaseErrors);
  AddCounter(families, "database_busy_total",
             "Database operations given up waiting for the write lock", metrics.databaseBusy);
  auto& repairs =
      families.Add("database_repairs_total", "Database repairs, by result", MetricType::Counter);
  repairs.metric.push_back(CounterMetric(metrics.repairsDone.Value(), {{"result", "done"}}));
  repairs.metric.push_back(CounterMetric(metrics.repairsFailed.Value(), {{"result", "failed"}}));
  auto& runs = families.Add("maintenance_runs_total", "Scheduled maintenance runs, by result",
                            MetricType::Counter);
  runs.metric.push_back(CounterMetric(metrics.maintenanceRuns.Value(), {{"result", "done"}}));
  runs.metric.push_back(CounterMetric(metrics.maintenanceFailures.Value(), {{"result", "failed"}}));
}

void AddDirectory(FamilyList& families, const ServerMetrics& metrics) {
  AddCounter(families, "login_cache_hits_total", "Logins answered from the reading threads' cache",
             metrics.cacheHits);
  AddCounter(families, "login_cache_misses_total", "Logins the cache did not hold",
             metrics.cacheMisses);
  AddCounter(families, "login_cache_reloads_total", "Caches emptied because the directory changed",
             metrics.cacheReloads);
  AddGauge(families, "directory_users", "Users in the directory (sampled)",
           metrics.directoryUsers.Value());
  AddGauge(families, "sites_online", "Sites marked on line (sampled)", metrics.sitesOnline.Value());
  AddGauge(families, "log_entries", "Entries in the event log (sampled)",
           metrics.logEntries.Value());
  AddCounter(families, "audit_records_dropped_total",
             "Audit records not sent to the journal because it fell behind",
             metrics.auditRecordsDropped);
}

}  // namespace

std::vector<MetricFamily> CollectMetricFamilies(const ServerMetrics& metrics,
                                                const ServerState& state) {
  FamilyList families;
  AddGauge(families, "database_usable", "1 while the database can be used", state.databaseUsable);
  AddGauge(families, "maintenance_leader",
           "1 while this server leads the scheduled maintenance of a shared database",
           state.maintenanceLeader);
  AddGauge(families, "start_time_seconds", "When the server started, in seconds since 1970",
           state.startTime);
  AddConnections(families, metrics);
  AddRequests(families, metrics);
  AddLogins(families, metrics);
  AddDatabase(families, metrics);
  AddDirectory(families, metrics);
  return families.Take();
}

}  // namespace orlentis
