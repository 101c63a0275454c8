#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "peer_status.h"

namespace orlentis::peer {

// The latencies of one load run, kept whole so that percentiles are exact.
class LatencySamples {
 public:
  void Add(std::chrono::nanoseconds latency) { samples_.push_back(latency.count()); }
  void Merge(const LatencySamples& other);
  std::size_t Count() const { return samples_.size(); }
  // The nearest-rank percentile: the smallest sample that at least fraction (0 < fraction <= 1)
  // of all samples do not exceed. Zero when there are no samples.
  std::chrono::nanoseconds Percentile(double fraction);
  std::chrono::nanoseconds Max() const;

 private:
  std::vector<std::int64_t> samples_;
  bool sorted_ = false;
};

// Failed requests by how they failed.
class FailureCounts {
 public:
  void Add(PeerStatus status) { ++counts_[static_cast<std::size_t>(status)]; }
  void Merge(const FailureCounts& other);
  std::uint64_t Of(PeerStatus status) const { return counts_[static_cast<std::size_t>(status)]; }
  std::uint64_t Total() const;

 private:
  std::array<std::uint64_t, 7> counts_{};
};

}  // namespace orlentis::peer
