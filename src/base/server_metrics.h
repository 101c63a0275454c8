#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace orlentis {

// The numbers an operator's monitoring reads off a running server. Every layer adds to them
// where the thing happens; the metrics page only reads. Each is a relaxed atomic, so that
// counting never takes a lock or orders anything on the path of a request; a reader may see
// one counter a little ahead of another, never a lost increment.

// A count of events.
class MetricCounter {
 public:
  void Add(std::uint64_t amount = 1) { value_.fetch_add(amount, std::memory_order_relaxed); }
  std::uint64_t Value() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> value_{0};
};

// A value that goes up and down: how many of something there are now.
class MetricGauge {
 public:
  void Add(std::int64_t amount) { value_.fetch_add(amount, std::memory_order_relaxed); }
  void Set(std::int64_t value) { value_.store(value, std::memory_order_relaxed); }
  std::int64_t Value() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::int64_t> value_{0};
};

// Seconds, from a tenth of a millisecond (a login answered from memory) to five (the step
// limit of an exchange).
inline constexpr std::array<double, 14> kSecondsBuckets = {
    0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 5};
// The jobs one commit takes, up to the largest group a writer gathers.
inline constexpr std::array<double, 9> kGroupSizeBuckets = {1, 2, 4, 8, 16, 32, 64, 128, 256};

// Observations sorted into fixed buckets. A bucket's count is of the observations at most its
// bound and above the bound before it; the metrics page makes them cumulative.
class MetricHistogram {
 public:
  static constexpr std::size_t kMaxBuckets = 16;

  explicit MetricHistogram(std::span<const double> bounds = kSecondsBuckets);
  void Observe(double value);
  void ObserveDuration(std::chrono::steady_clock::duration duration);

  std::span<const double> Bounds() const { return bounds_; }
  // The count of bucket at (Bounds().size() is the one above every bound).
  std::uint64_t BucketCount(std::size_t at) const;
  double Sum() const;

 private:
  std::span<const double> bounds_;
  std::array<std::atomic<std::uint64_t>, kMaxBuckets + 1> buckets_{};
  // In millionths, so that the sum is an integer that atomics add without a loop.
  std::atomic<std::uint64_t> sumMillionths_{0};
};

// The kinds of exchange a recorder asks for, as the metrics name them.
enum class ExchangeKind {
  kKeepAlive,
  kSiteCheckIn,
  kSiteCheckOut,
  kCameraInfo,
  kCameraReset,
  kUserLogin,
  kUserLogout,
  kUserStatus,
  kAccountLogin,
  kGroupCount,
  kUserList,
  kGroupList,
  kHostInstanceCheckIn,
  kHostInstanceCheckOut,
  kHostUserLogin,
  kHostGroupList,
  kHostCameraUpdate,
  kCount
};
std::string_view ExchangeKindName(ExchangeKind kind);

// Why a connection was not admitted.
enum class AdmissionRefusal {
  kConnectionLimit,
  kAddressLimit,
  kIpFilter,
  kMaintenance,
  kDatabaseUnusable,
  kCount
};
std::string_view AdmissionRefusalName(AdmissionRefusal reason);

// Where a login came from, and what became of it.
enum class LoginPath { kUser, kAccount, kHost, kConsole, kCount };
enum class LoginOutcome {
  kAccepted,
  kRefused,
  kThrottled,
  kDomainLogonFailed,
  kUnanswered,
  kCount
};
std::string_view LoginPathName(LoginPath path);
std::string_view LoginOutcomeName(LoginOutcome outcome);

// What a connection is at the moment, as the metrics name them.
enum class ConnectionState { kConnected, kSite, kHostCheck, kAccountCheck, kCount };
std::string_view ConnectionStateName(ConnectionState state);

// The database threads: reads beside each other, and the writers' group commits.
enum class DatabaseLane { kReads, kWrites, kCount };
std::string_view DatabaseLaneName(DatabaseLane lane);

template <class Metric, class Enum>
class MetricsBy {
 public:
  Metric& operator[](Enum key) { return metrics_[static_cast<std::size_t>(key)]; }
  const Metric& operator[](Enum key) const { return metrics_[static_cast<std::size_t>(key)]; }

 private:
  std::array<Metric, static_cast<std::size_t>(Enum::kCount)> metrics_;
};

struct ServerMetrics {
  MetricsBy<MetricGauge, ConnectionState> connections;
  MetricCounter connectionsAccepted;
  MetricsBy<MetricCounter, AdmissionRefusal> admissionsRefused;

  MetricsBy<MetricCounter, ExchangeKind> requests;
  MetricsBy<MetricCounter, ExchangeKind> requestFailures;
  MetricsBy<MetricHistogram, ExchangeKind> requestSeconds;

  MetricsBy<MetricsBy<MetricCounter, LoginOutcome>, LoginPath> logins;
  MetricCounter coolDownsStarted;
  MetricCounter connectionsEvicted;
  MetricCounter connectionFaults;
  MetricCounter domainLogonErrors;

  MetricsBy<MetricGauge, DatabaseLane> databaseJobsQueued;
  MetricsBy<MetricHistogram, DatabaseLane> databaseWaitSeconds;
  MetricsBy<MetricHistogram, DatabaseLane> databaseRunSeconds;
  MetricHistogram groupCommitSize{kGroupSizeBuckets};
  MetricCounter databaseErrors;
  MetricCounter databaseBusy;
  MetricCounter repairsDone;
  MetricCounter repairsFailed;
  MetricCounter maintenanceRuns;
  MetricCounter maintenanceFailures;

  MetricCounter cacheHits;
  MetricCounter cacheMisses;
  MetricCounter cacheReloads;

  MetricCounter auditRecordsDropped;

  // Sampled now and then by the server, not counted per request.
  MetricGauge directoryUsers;
  MetricGauge sitesOnline;
  MetricGauge logEntries;

  void CountLogin(LoginPath path, LoginOutcome outcome) { logins[path][outcome].Add(); }
};

// The process's one set: a server is one per process, and the tests that run several read
// differences rather than totals.
ServerMetrics& Metrics();

}  // namespace orlentis
