#include "directory/console_login.h"

#include <cctype>
#include <mutex>

#include "access/domain_logon.h"
#include "access/login_throttle.h"
#include "access/roles.h"
#include "base/clock.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/text_ids.h"
#include "directory/account_log.h"
#include "directory/code_page_password.h"
#include "directory/shared_directory.h"
#include "directory/shared_login_failures.h"
#include "store/database_guard.h"
#include "store/event_log.h"
#include "store/group_table.h"
#include "store/user_table.h"

namespace orlentis {
namespace {

constexpr std::size_t kMaxGroupName = 63;

// The table check: the first user of that name, its digest compared exactly; done when the
// database could be read.
DbResult<std::optional<ConsoleUser>> MatchStoredPassword(std::string_view name,
                                                         const std::string& digest) {
  return RunGuardedFor([&](soci::session& session) -> std::optional<ConsoleUser> {
    UserTable users(session);
    users.OpenByName(std::string(name));
    if (users.IsEOF() || users.Current().strPassword != digest) return std::nullopt;
    GroupTable groups(session);
    groups.OpenById(users.Current().nGroupID);
    ConsoleUser user;
    if (!groups.IsEOF()) {
      user.groupName = groups.Current().strName.substr(0, kMaxGroupName);
      user.effectiveAuthority =
          EffectiveAuthority(static_cast<std::uint32_t>(users.Current().bsAuthority),
                             static_cast<std::uint32_t>(groups.Current().bsAuthority));
    }
    return user;
  });
}

// Guessing at the console is held back per user name (ignoring case, as names compare), the
// same way as the recorders' logins per address. The console logs in from one thread, but
// nothing here relies on it.
class ConsoleThrottle {
 public:
  bool IsCoolingDown(std::string_view name) {
    const std::lock_guard lock(mutex_);
    return Settings::Instance().GetLoginFailures() > 0 &&
           throttle_.IsCoolingDown(Key(name), CurrentClock().Now());
  }
  // The tries at other servers' consoles count too, where servers share the database.
  void CountFailure(std::string_view name) {
    const std::lock_guard lock(mutex_);
    const std::string key = Key(name);
    const std::time_t now = CurrentClock().Now();
    const LoginThrottleLimits limits = LoginThrottleLimitsFrom(Settings::Instance());
    bool started = throttle_.RecordFailure(key, now, limits);
    if (!started && limits.failures > 0 && DirectoryIsShared()) {
      const DbResult<std::int32_t> shared =
          CountSharedFailure(SharedKeyOfConsoleName(key), now, limits.windowSeconds);
      started = shared.value && *shared.value >= limits.failures &&
                throttle_.StartCoolDown(key, now, limits);
    }
    if (!started) return;
    Metrics().coolDownsStarted.Add();
    LogConsoleLoginsThrottled(std::string(name));
  }

 private:
  static std::string Key(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
  }

  std::mutex mutex_;
  LoginThrottle throttle_;
};

ConsoleThrottle& Throttle() {
  static ConsoleThrottle throttle;
  return throttle;
}

LoginVerdict DomainVerdictFor(std::string_view name, std::string_view password) {
  if (!Settings::Instance().IsDomainLogon() || IsAdministratorName(name)) {
    return LoginVerdict::kAccepted;
  }
  return DomainLogon(name, password);
}

struct ConsoleCheck {
  LoginVerdict verdict = LoginVerdict::kRefused;
  std::optional<ConsoleUser> user;  // when accepted
  bool domainLogonFailed = false;   // the password matched, the domain did not accept it
};

ConsoleCheck CheckConsoleLogin(std::string_view name, std::string_view password) {
  // Stored digests are taken over the code page's bytes, as a host takes them; a password the
  // code page cannot hold matches none.
  const std::optional<std::string> digest = CodePagePasswordDigest(password);
  if (!digest) return {};
  const DbResult<std::optional<ConsoleUser>> found = MatchStoredPassword(name, *digest);
  if (!found.Done()) return {LoginVerdict::kUnanswered, std::nullopt};
  if (!*found.value) return {};
  const LoginVerdict verdict = DomainVerdictFor(name, password);
  if (verdict != LoginVerdict::kAccepted) return {verdict, std::nullopt, true};
  return {verdict, *found.value};
}

}  // namespace

std::optional<ConsoleUser> ConsoleLogin(std::string_view name, std::string_view password) {
  if (Throttle().IsCoolingDown(name)) {
    Metrics().CountLogin(LoginPath::kConsole, LoginOutcome::kThrottled);
    return std::nullopt;
  }
  const ConsoleCheck check = CheckConsoleLogin(name, password);
  Metrics().CountLogin(LoginPath::kConsole, check.domainLogonFailed
                                                ? LoginOutcome::kDomainLogonFailed
                                                : LoginOutcomeOf(check.verdict));
  // Only a refusal of the credentials counts: a database or directory that could not answer
  // is no guess.
  if (check.verdict == LoginVerdict::kRefused) Throttle().CountFailure(name);
  std::optional<ConsoleUser> user = check.user;
  if (!user) return std::nullopt;
  AppendLogEntry(GetLanguageText(kTextProgramName), GetLanguageText(kTextLoginAction),
                 std::string(name) + " " + GetLanguageText(kTextUserLogin),
                 {"console.login", {}, name}, true);
  return user;
}

bool LogProgramClosed(std::string_view name) {
  const std::string closed = GetLanguageText(kTextProgramClosed);
  return AppendLogEntry(GetLanguageText(kTextProgramName), closed, std::string(name) + " " + closed,
                        {"console.closed", {}, name}, true);
}

}  // namespace orlentis
