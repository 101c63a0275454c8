#include "base/server_metrics.h"

#include <algorithm>
#include <cmath>

namespace orlentis {
namespace {

template <class Enum, std::size_t N>
std::string_view NameIn(const std::array<std::string_view, N>& names, Enum key) {
  static_assert(N == static_cast<std::size_t>(Enum::kCount), "one name for each");
  return names[static_cast<std::size_t>(key)];
}

constexpr std::array<std::string_view, 17> kExchangeKindNames = {"keepalive",
                                                                 "site_checkin",
                                                                 "site_checkout",
                                                                 "camera_info",
                                                                 "camera_reset",
                                                                 "user_login",
                                                                 "user_logout",
                                                                 "user_status",
                                                                 "account_login",
                                                                 "group_count",
                                                                 "user_list",
                                                                 "group_list",
                                                                 "host_instance_checkin",
                                                                 "host_instance_checkout",
                                                                 "host_user_login",
                                                                 "host_group_list",
                                                                 "host_camera_update"};
constexpr std::array<std::string_view, 5> kAdmissionRefusalNames = {
    "connection_limit", "address_limit", "ip_filter", "maintenance", "database_unusable"};
constexpr std::array<std::string_view, 4> kLoginPathNames = {"user", "account", "host", "console"};
constexpr std::array<std::string_view, 5> kLoginOutcomeNames = {
    "accepted", "refused", "throttled", "domain_logon_failed", "unanswered"};
constexpr std::array<std::string_view, 4> kConnectionStateNames = {"connected", "site",
                                                                   "host_check", "account_check"};
constexpr std::array<std::string_view, 2> kDatabaseLaneNames = {"reads", "writes"};

constexpr double kMillionths = 1e6;

}  // namespace

MetricHistogram::MetricHistogram(std::span<const double> bounds)
    : bounds_(bounds.subspan(0, std::min(bounds.size(), kMaxBuckets))) {}

void MetricHistogram::Observe(double value) {
  const auto bucket = std::lower_bound(bounds_.begin(), bounds_.end(), value) - bounds_.begin();
  buckets_[static_cast<std::size_t>(bucket)].fetch_add(1, std::memory_order_relaxed);
  const double millionths = std::max(0.0, std::round(value * kMillionths));
  sumMillionths_.fetch_add(static_cast<std::uint64_t>(millionths), std::memory_order_relaxed);
}

void MetricHistogram::ObserveDuration(std::chrono::steady_clock::duration duration) {
  Observe(std::chrono::duration<double>(duration).count());
}

std::uint64_t MetricHistogram::BucketCount(std::size_t at) const {
  return at <= bounds_.size() ? buckets_[at].load(std::memory_order_relaxed) : 0;
}

double MetricHistogram::Sum() const {
  return static_cast<double>(sumMillionths_.load(std::memory_order_relaxed)) / kMillionths;
}

std::string_view ExchangeKindName(ExchangeKind kind) {
  return NameIn(kExchangeKindNames, kind);
}

std::string_view AdmissionRefusalName(AdmissionRefusal reason) {
  return NameIn(kAdmissionRefusalNames, reason);
}

std::string_view LoginPathName(LoginPath path) {
  return NameIn(kLoginPathNames, path);
}

std::string_view LoginOutcomeName(LoginOutcome outcome) {
  return NameIn(kLoginOutcomeNames, outcome);
}

std::string_view ConnectionStateName(ConnectionState state) {
  return NameIn(kConnectionStateNames, state);
}

std::string_view DatabaseLaneName(DatabaseLane lane) {
  return NameIn(kDatabaseLaneNames, lane);
}

ServerMetrics& Metrics() {
  static ServerMetrics metrics;
  return metrics;
}

}  // namespace orlentis
