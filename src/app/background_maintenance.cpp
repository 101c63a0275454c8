#include "app/background_maintenance.h"

#include "app/housekeeping.h"

namespace orlentis {

bool BackgroundMaintenance::Start() {
  bool idle = false;
  if (!running_.compare_exchange_strong(idle, true)) return false;
  // The thread before has ended: clearing the mark was its last step.
  Wait();
  thread_ = std::thread([this] {
    RunDueMaintenance();
    running_.store(false);
  });
  return true;
}

void BackgroundMaintenance::Wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace orlentis
