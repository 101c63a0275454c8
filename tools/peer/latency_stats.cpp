#include "latency_stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orlentis::peer {

void LatencySamples::Merge(const LatencySamples& other) {
  samples_.insert(samples_.end(), other.samples_.begin(), other.samples_.end());
  sorted_ = false;
}

std::chrono::nanoseconds LatencySamples::Percentile(double fraction) {
  if (samples_.empty()) return std::chrono::nanoseconds(0);
  if (!sorted_) {
    std::sort(samples_.begin(), samples_.end());
    sorted_ = true;
  }
  // The small allowance keeps a product such as 0.07 * 100 = 7.000000000000001 at rank 7.
  const double rank = std::ceil(fraction * static_cast<double>(samples_.size()) - 1e-9);
  const auto index = static_cast<std::size_t>(std::clamp(rank, 1.0, double(samples_.size()))) - 1;
  return std::chrono::nanoseconds(samples_[index]);
}

std::chrono::nanoseconds LatencySamples::Max() const {
  if (samples_.empty()) return std::chrono::nanoseconds(0);
  return std::chrono::nanoseconds(*std::max_element(samples_.begin(), samples_.end()));
}

void FailureCounts::Merge(const FailureCounts& other) {
  for (std::size_t i = 0; i < counts_.size(); ++i) counts_[i] += other.counts_[i];
}

std::uint64_t FailureCounts::Total() const {
  return std::accumulate(counts_.begin(), counts_.end(), std::uint64_t{0});
}

}  // namespace orlentis::peer
