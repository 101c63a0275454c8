#include "store/server_registry.h"

#include <unistd.h>

#include <array>
#include <exception>

#include "store/engine.h"
#include "store/server_table.h"

namespace orlentis {

ServerRegistry& ServerRegistry::Instance() {
  static ServerRegistry registry;
  return registry;
}

void ServerRegistry::Start(const DatabaseTarget& target, const std::string& name,
                           const std::string& address) {
  if (target.engine != DatabaseEngine::kPostgres) return;
  {
    const std::lock_guard lock(mutex_);
    target_ = target;
    name_ = name;
    address_ = address;
    stopping_ = false;
  }
  thread_ = std::thread([this] { Loop(); });
}

void ServerRegistry::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (!thread_.joinable()) return;
  thread_.join();
  // Best effort: a server that cannot say it stopped is seen as dead by its old heartbeat.
  try {
    if (session_) RemoveServer(*session_, name_);
  } catch (const std::exception&) {
  }
  session_.reset();
}

void ServerRegistry::Loop() {
  bool starting = true;
  std::unique_lock lock(mutex_);
  do {
    lock.unlock();
    try {
      Beat(starting);
      starting = false;
    } catch (const std::exception&) {
      session_.reset();
    }
    lock.lock();
  } while (!wake_.wait_for(lock, kHeartbeatPeriod, [this] { return stopping_; }));
}

void ServerRegistry::Beat(bool starting) {
  if (!session_) session_ = OpenSession(target_);
  RecordServer(*session_, name_, address_, starting);
}

std::string ThisServerName(std::int32_t port) {
  std::array<char, 256> host{};
  if (::gethostname(host.data(), host.size() - 1) != 0) host = {};
  return std::string(host.data()) + ":" + std::to_string(port);
}

}  // namespace orlentis
