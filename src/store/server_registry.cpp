#include "store/server_registry.h"

#include <unistd.h>

#include <array>
#include <exception>
#include <utility>

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
  target_ = target;
  name_ = name;
  address_ = address;
  starting_ = true;
  started_ = true;
  heartbeat_.Start(
      kHeartbeatPeriod, [this] { Beat(); }, true);
}

void ServerRegistry::Stop() {
  heartbeat_.Stop();
  registered_.store(false);
  if (!std::exchange(started_, false)) return;
  // Best effort: a server that cannot say it stopped is seen as dead by its old heartbeat.
  try {
    if (session_) RemoveServer(*session_, name_);
  } catch (const std::exception&) {
  }
  session_.reset();
}

// A row that cannot be written now is written at a later beat, on a new session.
void ServerRegistry::Beat() {
  try {
    if (!session_) session_ = OpenSession(target_);
    RecordServer(*session_, name_, address_, starting_);
    starting_ = false;
    registered_.store(true);
  } catch (const std::exception&) {
    registered_.store(false);
    session_.reset();
  }
}

std::string ThisServerName(std::int32_t port) {
  std::array<char, 256> host{};
  if (::gethostname(host.data(), host.size() - 1) != 0) host = {};
  return std::string(host.data()) + ":" + std::to_string(port);
}

}  // namespace orlentis
