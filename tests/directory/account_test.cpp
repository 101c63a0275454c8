#include "directory/account_test.h"

#include "store/user_site_table.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {

std::optional<UserRow> AccountTest::StoredUser(const std::string& name) {
  UserTable users(Session());
  users.OpenByName(name);
  if (users.IsEOF()) return std::nullopt;
  return users.Current();
}

std::optional<std::string> AccountTest::StoredRight(std::int32_t userId, std::int32_t siteId) {
  UserSiteTable rights(Session());
  rights.OpenByUserAndSite(userId, siteId);
  if (rights.IsEOF()) return std::nullopt;
  return rights.Current().strCameraAuthority;
}

std::vector<std::string> AccountTest::LogLines() {
  std::vector<std::string> lines;
  for (const LogRow& row : LogOldestFirst()) {
    lines.push_back(row.strSource + "|" + row.strAction + "|" + row.strDetail);
  }
  return lines;
}

}  // namespace orlentis::testing
