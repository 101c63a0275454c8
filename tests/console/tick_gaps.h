#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace orlentis::testing {

// A timer of the window under test, ticking every few milliseconds: the longest time between
// two of its ticks is the longest the window's thread was kept from its event loop.
class TickGaps {
 public:
  static constexpr int kPeriodMs = 10;

  explicit TickGaps(QObject* window) : timer_(new QTimer(window)) {
    QObject::connect(timer_, &QTimer::timeout,
                     [this] { longestMs_ = std::max(longestMs_, sinceLastTick_.restart()); });
    sinceLastTick_.start();
    timer_->start(kPeriodMs);
  }
  ~TickGaps() { delete timer_; }
  TickGaps(const TickGaps&) = delete;
  TickGaps& operator=(const TickGaps&) = delete;

  qint64 LongestMs() const { return longestMs_; }

 private:
  QTimer* timer_;
  QElapsedTimer sinceLastTick_;
  qint64 longestMs_ = 0;
};

}  // namespace orlentis::testing
