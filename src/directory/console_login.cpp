#include "directory/console_login.h"

#include "access/domain_logon.h"
#include "access/password_digest.h"
#include "access/roles.h"
#include "base/language.h"
#include "base/settings.h"
#include "store/database_guard.h"
#include "store/event_log.h"
#include "store/group_table.h"
#include "store/user_table.h"

namespace orlentis {
namespace {

constexpr int kTextLoginAction = 195;
constexpr int kTextUserLogin = 197;
constexpr std::size_t kMaxGroupName = 63;

// The table check: the first user of that name, its digest compared exactly.
bool MatchesStoredPassword(std::string_view name, const std::string& digest, ConsoleUser& user) {
  bool matched = false;
  RunGuarded([&](soci::session& session) {
    UserTable users(session);
    users.OpenByName(std::string(name));
    if (users.IsEOF() || users.Current().strPassword != digest) return;
    GroupTable groups(session);
    groups.OpenById(users.Current().nGroupID);
    ConsoleUser found;
    if (!groups.IsEOF()) {
      found.groupName = groups.Current().strName.substr(0, kMaxGroupName);
      found.effectiveAuthority =
          EffectiveAuthority(static_cast<std::uint32_t>(users.Current().bsAuthority),
                             static_cast<std::uint32_t>(groups.Current().bsAuthority));
    }
    user = found;
    matched = true;
  });
  return matched;
}

}  // namespace

int ConsoleLogin(std::string_view name, std::string_view password, ConsoleUser& user) {
  const std::string digest = PasswordDigest(password, false);
  ConsoleUser found;
  if (!MatchesStoredPassword(name, digest, found)) return 0;
  if (Settings::Instance().IsDomainLogon() && !IsAdministratorName(name) &&
      !DomainLogon(name, password)) {
    return 0;
  }
  user = found;
  AppendLogEntry(GetLanguageText(kTextProgramName), GetLanguageText(kTextLoginAction),
                 std::string(name) + " " + GetLanguageText(kTextUserLogin), true);
  return 1;
}

}  // namespace orlentis
