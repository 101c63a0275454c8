#include "net/network_worker.h"

#include <signal.h>

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/post.hpp>
#include <future>
#include <string>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/settings.h"

namespace orlentis {
namespace {

constexpr std::size_t kMaxBindAddress = 127;

const Settings& SettingsOf(const WorkerOptions& options) {
  return options.settings != nullptr ? *options.settings : Settings::Instance();
}

}  // namespace

WorkerOptions WorkerOptions::FromSettings(const Settings& settings) {
  WorkerOptions options;
  options.bindAddress = settings.GetListenAddress().substr(0, kMaxBindAddress);
  options.port = static_cast<std::uint16_t>(settings.GetPort());
  options.settings = &settings;
  return options;
}

NetworkWorker::NetworkWorker(WorkerOptions options)
    : options_(std::move(options)),
      services_{options_.handlers != nullptr ? options_.handlers : &defaultHandlers_,
                options_.onRequestFailure},
      listener_(io_, SettingsOf(options_), rangeReads_, services_) {}

NetworkWorker::~NetworkWorker() {
  Stop();
}

bool NetworkWorker::Start() {
  std::error_code error;
  const bool listening = listener_.Listen(options_.bindAddress, options_.port, error);
  const std::string address = options_.bindAddress.empty() ? "*" : options_.bindAddress;
  if (listening) {
    port_ = listener_.Port();
    asio::co_spawn(io_, listener_.AcceptLoop(), asio::detached);
    LogToOperator(kLogNetListen, "listening on " + address + ':' + std::to_string(port_));
  } else {
    LogToOperator(kLogNetListenFailed, "cannot listen on " + address + ':' +
                                           std::to_string(options_.port) + " (" + error.message() +
                                           "); running without a listener");
  }
  work_.emplace(io_.get_executor());
  thread_ = std::thread([this] { io_.run(); });
  return listening;
}

void NetworkWorker::Stop() {
  if (!thread_.joinable()) return;
  asio::post(io_, [this] { listener_.Close(); });
  work_.reset();
  thread_.join();
  port_ = 0;
}

void NetworkWorker::PostDeadConnectionSweep() {
  asio::post(io_, [this] { listener_.SweepDeadConnections(); });
}

void NetworkWorker::PostExpirySweep() {
  asio::post(io_, [this] { listener_.SweepExpiredConnections(); });
}

void NetworkWorker::RunOnWorker(const std::function<void(Listener&)>& task) {
  std::promise<void> done;
  asio::post(io_, [&] {
    task(listener_);
    done.set_value();
  });
  done.get_future().wait();
}

}  // namespace orlentis
