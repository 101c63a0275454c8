#pragma once

#include <prometheus/metric_family.h>

#include <cstdint>
#include <vector>

#include "base/server_metrics.h"

namespace orlentis {

// What the metrics page reads off the server itself as it is scraped, beside the counters.
struct ServerState {
  bool databaseUsable = false;
  bool maintenanceLeader = false;
  std::int64_t startTime = 0;
};

// Every metric of the server, named orlentis_*, in the form the text format is written from.
std::vector<prometheus::MetricFamily> CollectMetricFamilies(const ServerMetrics& metrics,
                                                            const ServerState& state);

}  // namespace orlentis
