#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/store_test.h"
#include "store/user_table.h"

namespace orlentis::testing {

// The account operations on a fresh database: the four default groups at levels 0 to 3
// (Administrator 0x1FF, Manager 0x0FF, Operator 0x047, Remote User 0x005) and the user
// Administrator, with an empty log.
class AccountTest : public StoreTest {
 protected:
  explicit AccountTest(DatabaseEngine engine = DatabaseEngine::kSqlite) : StoreTest(engine) {}

  std::optional<UserRow> StoredUser(const std::string& name);
  // The stored camera-authority text of a user on a site, if there is one.
  std::optional<std::string> StoredRight(std::int32_t userId, std::int32_t siteId);
  // Every log entry, oldest first, as "source|action|detail".
  std::vector<std::string> LogLines();
};

}  // namespace orlentis::testing
