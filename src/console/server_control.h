#pragma once

#include <functional>

namespace orlentis {

// The server beneath the main window: the worker it starts and stops, and the housekeeping
// its timers drive. The program's start-up provides it; the console knows no more of the
// network than this.
class ServerControl {
 public:
  virtual ~ServerControl() = default;

  // Starts the worker. onRequestFailure is called on the worker's thread whenever a request
  // takes the failure path.
  virtual void StartWorker(std::function<void()> onRequestFailure) = 0;
  // Stops the worker; nothing when none runs.
  virtual void StopWorker() = 0;
  // The 30-second sweep timer and the hourly maintenance timer. Both return at once: a
  // maintenance runs beside the window, never on its thread.
  virtual void OnSweepTimer() = 0;
  virtual void OnMaintenanceTimer() = 0;
};

}  // namespace orlentis
