#pragma once

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "net/listener.h"
#include "net/recorder_connection.h"
#include "net/request_handlers.h"
#include "store/database_thread.h"

namespace orlentis {

class Settings;

struct WorkerOptions {
  std::string bindAddress;  // empty: every local address
  std::uint16_t port = 0;   // 0: a port the system chooses
  // The IP filter's switch and mode; the bind address and port above are taken from it only
  // by FromSettings.
  const Settings* settings = nullptr;
  // The request handlers of the database requests; null: none (those requests go unanswered).
  RequestHandlers* handlers = nullptr;
  // Called on the worker thread whenever a request takes the failure path; the tray window
  // marshals it to its own thread for the activity animation.
  std::function<void()> onRequestFailure;

  // Address (its first 127 characters) and port of the process's settings.
  static WorkerOptions FromSettings(const Settings& settings);
};

// The worker thread: one io_context on its own thread, owning the listener and every
// connection. Other threads reach it only through the Post and Run functions below.
class NetworkWorker {
 public:
  explicit NetworkWorker(WorkerOptions options);
  ~NetworkWorker();
  NetworkWorker(const NetworkWorker&) = delete;
  NetworkWorker& operator=(const NetworkWorker&) = delete;

  // Starts listening and the thread. A listener that cannot be set up (the port is in use,
  // the address is not the machine's) is reported in one line on standard error; the worker
  // then runs without one. Returns whether it listens.
  bool Start();
  // Closes the listener and every connection and joins the thread.
  void Stop();

  // The port listened on; 0 without a listener.
  std::uint16_t Port() const { return port_; }

  // The sweeps, queued onto the worker.
  void PostDeadConnectionSweep();
  void PostExpirySweep();

  // Runs task on the worker and waits until it has run; only between Start and Stop.
  void RunOnWorker(const std::function<void(Listener&)>& task);

 private:
  WorkerOptions options_;
  RequestHandlers defaultHandlers_;
  ConnectionServices services_;
  asio::io_context io_;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work_;
  // The IP filter's reads have a thread of their own: a new peer is not kept behind the logins.
  DatabaseThread rangeReads_{DatabaseThread::Kind::kReads};
  Listener listener_;
  std::thread thread_;
  std::uint16_t port_ = 0;
};

}  // namespace orlentis
