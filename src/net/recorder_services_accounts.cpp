#include <array>

#include "access/password_digest.h"
#include "access/roles.h"
#include "base/clock.h"
#include "base/settings.h"
#include "directory/account_log.h"
#include "directory/account_lookup.h"
#include "directory/shared_directory.h"
#include "directory/shared_login_failures.h"
#include "net/recorder_connection.h"
#include "net/recorder_services.h"

namespace orlentis {
namespace {

// A record of a host's answer that another one follows at once, and the answer's last one.
constexpr auto kMore = RecorderConnection::RecordsAfter::kMore;
constexpr auto kLast = RecorderConnection::RecordsAfter::kNone;

// The password form a host is told to use: its digest while the domain logon is off, the
// plain text (which the directory needs) while it is on.
std::int32_t PasswordForm(bool domainLogon) {
  return domainLogon ? 0 : 1;
}

// How a login's facts are found, one function per place they may come from.
template <class Facts>
struct LoginSources {
  using Find = std::optional<Facts> (*)(const std::string&, const std::string&, const std::string&);
  Find current;
  Facts (*read)(const std::string&, const std::string&, const std::string&);
  Find remembered;
};

// From what every thread knows, else from a reading thread's turn, else, when the database did
// not answer, from what was remembered of it. The texts are the awaiting caller's: strings
// passed by value to an awaited call are temporaries that GCC 12 destroys twice.
template <class Facts>
asio::awaitable<Facts> FindLoginFacts(DatabaseThread& reads, LoginSources<Facts> sources,
                                      const std::string& name, const std::string& digest,
                                      const std::string& address) {
  if (auto current = sources.current(name, digest, address)) co_return *current;
  const auto work = MakeDatabaseWork<Facts>(
      [read = sources.read, name, digest, address] { return read(name, digest, address); });
  const DbOutcome waited = co_await AwaitDatabase(reads, work);
  Facts facts = work->ValueOr(waited, {});
  if (facts.answered) co_return facts;
  co_return sources.remembered(name, digest, address).value_or(facts);
}

}  // namespace

bool RecorderServices::LoginsThrottled(const RecorderConnection& connection, LoginPath path) {
  const bool throttled =
      settings_.GetLoginFailures() > 0 &&
      loginThrottle_.IsCoolingDown(connection.PeerAddress(), CurrentClock().Now());
  if (throttled) Metrics().CountLogin(path, LoginOutcome::kThrottled);
  return throttled;
}

asio::awaitable<void> RecorderServices::CountFailedLogin(const RecorderConnection& connection) {
  const LoginThrottleLimits limits{settings_.GetLoginFailures(), settings_.GetLoginWindowSeconds(),
                                   settings_.GetLoginCooldownSeconds()};
  const std::string& address = connection.PeerAddress();
  const std::time_t now = CurrentClock().Now();
  bool started = loginThrottle_.RecordFailure(address, now, limits);
  if (!started && limits.failures > 0 && DirectoryIsShared()) {
    const std::int32_t shared = co_await CountSharedFailedLogin(address, now, limits);
    started = shared >= limits.failures && loginThrottle_.StartCoolDown(address, now, limits);
  }
  if (started) {
    Metrics().coolDownsStarted.Add();
    const auto work = MakeDatabaseWork<bool>([address] {
      LogAddressLoginsThrottled(address);
      return true;
    });
    co_await AwaitDatabase(database_.writes.For(address), work);
  }
}

// A database that is slow to answer is not waited for: the failed login's answer would be
// late, and this server's own count holds meanwhile. 0 when it did not answer in time.
asio::awaitable<std::int32_t> RecorderServices::CountSharedFailedLogin(
    const std::string& address, std::time_t now, const LoginThrottleLimits& limits) {
  const auto work = MakeDatabaseWork<DbResult<std::int32_t>>(
      [key = SharedKeyOfAddress(address), now, window = limits.windowSeconds] {
        return CountSharedFailure(key, now, window);
      });
  const DbOutcome waited =
      co_await AwaitDatabase(database_.writes.For(address), work, kSharedCountWaitLimit);
  co_return Flattened(waited, *work).ValueOr(0);
}

asio::awaitable<bool> RecorderServices::Settle(RecorderConnection& connection, LoginPath path,
                                               LoginVerdict verdict) {
  Metrics().CountLogin(path, LoginOutcomeOf(verdict));
  if (verdict == LoginVerdict::kUnanswered) connection.MarkExchangeFailed();
  if (verdict == LoginVerdict::kRefused) co_await CountFailedLogin(connection);
  co_return verdict == LoginVerdict::kAccepted;
}

asio::awaitable<bool> RecorderServices::SettleWithDomainLogon(RecorderConnection& connection,
                                                              LoginPath path,
                                                              LoginVerdict directoryVerdict,
                                                              const std::string& name,
                                                              const std::string& password) {
  if (directoryVerdict != LoginVerdict::kAccepted) {
    co_return co_await Settle(connection, path, directoryVerdict);
  }
  const LoginVerdict verdict = co_await DomainVerdictFor(name, password);
  if (verdict == LoginVerdict::kAccepted) co_return co_await Settle(connection, path, verdict);
  // Not a guess at a password the directory knows: the domain's own answer, counted apart.
  Metrics().CountLogin(path, LoginOutcome::kDomainLogonFailed);
  if (verdict == LoginVerdict::kUnanswered) connection.MarkExchangeFailed();
  if (verdict == LoginVerdict::kRefused) co_await CountFailedLogin(connection);
  co_return false;
}

asio::awaitable<DbResult<std::vector<GroupSummary>>> RecorderServices::GroupsByLevel() {
  const auto work = MakeDatabaseWork<DbResult<std::vector<GroupSummary>>>(ListGroupsByLevel);
  co_return Flattened(co_await AwaitDatabase(database_.reads, work), *work);
}

asio::awaitable<void> RecorderServices::UserLogin(RecorderConnection& connection,
                                                  const UserRequest& request) {
  const std::string name = text_->ToUtf8(request.name);
  const std::string digest = PasswordDigest(request.password, false);
  std::optional<std::int32_t> groupId;
  if (!LoginsThrottled(connection, LoginPath::kUser)) {
    const auto work = MakeDatabaseWork<DbResult<std::optional<std::int32_t>>>(
        [name, digest] { return LookUpUserGroupId(name, digest); });
    const auto found = Flattened(co_await AwaitDatabase(database_.reads, work), *work);
    groupId = found.ValueOr(std::nullopt);
    co_await Settle(connection, LoginPath::kUser,
                    !found.Done() ? LoginVerdict::kUnanswered
                    : groupId     ? LoginVerdict::kAccepted
                                  : LoginVerdict::kRefused);
  }
  co_await connection.Send(groupId ? EncodeStatus(RSP_OK, *groupId) : EncodeStatus(RSP_FAIL, 0));
}

asio::awaitable<void> RecorderServices::AccountLogin(RecorderConnection& connection,
                                                     const UserRequest& request) {
  const std::string name = text_->ToUtf8(request.name);
  // Digests are taken over the code page's bytes as they came; the directory server gets
  // the password in UTF-8.
  const std::string digest = PasswordDigest(request.password, false);
  const std::string password = text_->ToUtf8(request.password);
  AccountLoginFacts facts;
  bool succeeded = false;
  if (!LoginsThrottled(connection, LoginPath::kAccount)) {
    facts = co_await FindLoginFacts(
        database_.reads,
        LoginSources<AccountLoginFacts>{CurrentAccountLogin, LookUpAccountLogin,
                                        RememberedAccountLogin},
        name, digest, connection.PeerAddress());
    // A login that had succeeded before a database error stays one.
    const LoginVerdict verdict = facts.userFound && facts.groupFound ? LoginVerdict::kAccepted
                                 : facts.answered                    ? LoginVerdict::kRefused
                                                                     : LoginVerdict::kUnanswered;
    succeeded =
        co_await SettleWithDomainLogon(connection, LoginPath::kAccount, verdict, name, password);
  }

  UserReply reply;
  reply.word = succeeded ? RSP_OK : RSP_FAIL;
  reply.level = facts.level;
  reply.groupName = text_->FromUtf8(facts.groupName);
  reply.cameraMask = facts.cameraMask;
  reply.authority = facts.authority;
  co_await connection.Send(EncodeUserReply(reply));
}

asio::awaitable<void> RecorderServices::HostUserLogin(RecorderConnection& connection) {
  const std::int32_t form = PasswordForm(settings_.IsDomainLogon());
  co_await connection.Send(EncodeHostFrame({1, 1, form}));
  std::array<std::uint8_t, host_credentials_layout::kSize> block{};
  if (!co_await connection.ReceiveExactly(block)) co_return;

  const HostCredentials credentials = DecodeHostCredentials(block);
  const std::string name = text_->ToUtf8(credentials.userName);
  const std::string password = text_->ToUtf8(credentials.PasswordText());
  // The administrator's password always comes as a digest.
  const bool digestForm = form == 1 || IsAdministratorName(name);
  const std::string digest =
      digestForm ? PasswordDigest(
                       std::string_view(reinterpret_cast<const char*>(credentials.password.data()),
                                        credentials.password.size()),
                       true)
                 : PasswordDigest(credentials.PasswordText(), false);
  HostLoginFacts facts;
  bool succeeded = false;
  if (!LoginsThrottled(connection, LoginPath::kHost)) {
    facts = co_await FindLoginFacts(
        database_.reads,
        LoginSources<HostLoginFacts>{CurrentHostLogin, LookUpHostLogin, RememberedHostLogin}, name,
        digest, connection.PeerAddress());
    const LoginVerdict verdict = facts.succeeded  ? LoginVerdict::kAccepted
                                 : facts.answered ? LoginVerdict::kRefused
                                                  : LoginVerdict::kUnanswered;
    succeeded =
        co_await SettleWithDomainLogon(connection, LoginPath::kHost, verdict, name, password);
  }

  co_await connection.Send(EncodeHostFrame({succeeded ? 1 : 0, 1, form}),
                           succeeded ? kMore : kLast);
  if (!succeeded) co_return;
  // Records are built before each co_await: GCC 12 destroys a temporary with a destructor
  // that lives across a suspension twice.
  const auto userInfo = EncodeHostUserInfo(
      {text_->FromUtf8(facts.userName), text_->FromUtf8(facts.groupName), facts.authority});
  co_await connection.Send(userInfo, kMore);
  for (const auto& permitted : facts.instances) {
    co_await connection.Send(EncodeHostSiteEntry(permitted.instance, permitted.cameraAuthority),
                             kMore);
  }
  co_await connection.Send(EncodeHostSiteEntry(-1, {}));
}

asio::awaitable<void> RecorderServices::GroupCount(RecorderConnection& connection) {
  const auto groups = co_await GroupsByLevel();
  if (!groups.Done()) connection.MarkExchangeFailed();
  co_await connection.Send(
      groups.Done() ? EncodeStatus(RSP_OK, static_cast<std::int32_t>(groups.value->size()))
                    : EncodeStatus(RSP_FAIL, 0));
}

asio::awaitable<void> RecorderServices::GroupList(RecorderConnection& connection) {
  const DbResult<std::vector<GroupSummary>> found = co_await GroupsByLevel();
  if (!found.Done()) connection.MarkExchangeFailed();
  const std::vector<GroupSummary> groups = found.ValueOr({});
  for (const GroupSummary& group : groups) {
    if (!connection.Alive()) break;  // an acknowledgement did not come: the rest would be lost
    const auto record =
        EncodeGroupRecord({text_->FromUtf8(group.name), group.level, group.authority});
    co_await connection.Send(record);
    co_await connection.ReceiveAndDiscard();
  }
}

asio::awaitable<void> RecorderServices::HostGroupList(RecorderConnection& connection) {
  const DbResult<std::vector<GroupSummary>> found = co_await GroupsByLevel();
  if (!found.Done()) connection.MarkExchangeFailed();
  const std::vector<GroupSummary> groups = found.ValueOr({});
  if (groups.empty()) {
    co_await connection.Send(EncodeHostFrame({0, 0, 0}));
    co_return;
  }
  co_await connection.Send(EncodeHostFrame({1, 0, 0}), kMore);
  for (const GroupSummary& group : groups) {
    const auto entry =
        EncodeHostGroupEntry(group.level, text_->FromUtf8(group.name), group.authority);
    co_await connection.Send(entry, kMore);
  }
  // The end marker repeats the last group; receivers read only its level.
  const GroupSummary& last = groups.back();
  const auto endMarker = EncodeHostGroupEntry(-1, text_->FromUtf8(last.name), last.authority);
  co_await connection.Send(endMarker);
}

}  // namespace orlentis
