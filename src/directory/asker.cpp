#include "directory/asker.h"

#include "directory/account_log.h"

namespace orlentis {
namespace {

constexpr const char* kAdministratorGroup = "Administrator";

}  // namespace

Asker Asker::Console(const ConsoleUser& user) {
  return Asker(ConsoleLogSource(), user.groupName == kAdministratorGroup);
}

Asker Asker::MachineAdministrator(std::string logSource) {
  return Asker(std::move(logSource), true);
}

}  // namespace orlentis
