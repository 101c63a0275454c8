#pragma once

#include <asio/any_io_executor.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/login_throttle.h"
#include "base/code_page_text.h"
#include "base/server_metrics.h"
#include "directory/account_lookup.h"
#include "directory/unwritten_site_writes.h"
#include "net/awaitable_database.h"
#include "net/request_handlers.h"

namespace orlentis {

class Settings;
class DomainLogonRunner;

// The requests of the recorders that need the database: site and instance check-ins with
// their cameras, the logins, and the group count and lists. Runs on the worker thread and
// hands every database operation to the database threads, so that a slow or locked database
// holds up only the exchanges that need it; every exchange still sends its answers when the
// database is unavailable, fails or does not answer in time, with failure values where due.
class RecorderServices final : public RequestHandlers {
 public:
  static constexpr std::chrono::seconds kUnwrittenRetryPeriod{1};

  RecorderServices(const Settings& settings, DomainLogonRunner& domainLogons,
                   DatabaseThreads database);

  // The recorders' code page from now on (the settings were read again); on the worker thread.
  void UseCodePage(const std::string& codePage);

  asio::awaitable<void> SiteCheckIn(RecorderConnection& connection, bool isUpdate) override;
  asio::awaitable<void> SiteCheckOut(RecorderConnection& connection) override;
  asio::awaitable<void> CameraInfo(RecorderConnection& connection,
                                   const CameraRecord& camera) override;
  asio::awaitable<void> UserLogin(RecorderConnection& connection,
                                  const UserRequest& request) override;
  asio::awaitable<void> AccountLogin(RecorderConnection& connection,
                                     const UserRequest& request) override;
  asio::awaitable<void> GroupCount(RecorderConnection& connection) override;
  asio::awaitable<void> GroupList(RecorderConnection& connection) override;
  asio::awaitable<void> HostInstanceCheckIn(RecorderConnection& connection,
                                            std::int32_t instance) override;
  asio::awaitable<void> HostInstanceCheckOut(RecorderConnection& connection,
                                             std::int32_t instance) override;
  asio::awaitable<void> HostUserLogin(RecorderConnection& connection) override;
  asio::awaitable<void> HostGroupList(RecorderConnection& connection) override;
  asio::awaitable<void> HostCameraUpdate(RecorderConnection& connection,
                                         std::int32_t instance) override;

 private:
  // The domain logon of a user that passed the table check; the administrator never needs it,
  // nor anyone while domain logon is off.
  asio::awaitable<LoginVerdict> DomainVerdictFor(const std::string& name,
                                                 const std::string& password);
  // Counts a refused login towards the throttle and the login's outcome in the metrics; gives
  // whether the login was accepted. An unanswered login fails its exchange.
  asio::awaitable<bool> Settle(RecorderConnection& connection, LoginPath path,
                               LoginVerdict verdict);
  // The same after the domain logon (if any) has had its say on a login that the directory
  // accepted.
  asio::awaitable<bool> SettleWithDomainLogon(RecorderConnection& connection, LoginPath path,
                                              LoginVerdict directoryVerdict,
                                              const std::string& name, const std::string& password);
  std::string StoredSiteName(const RecorderConnection& connection) const;
  // The writing thread of the site a connection speaks for: its writes keep their order.
  DatabaseThread& SiteWrites(const RecorderConnection& connection);
  // Keeps connection among those whose unwritten writes are written once the database can be
  // used, every kUnwrittenRetryPeriod, for as long as the connection stands for its site.
  void KeepForWriting(RecorderConnection& connection, const asio::any_io_executor& executor);
  asio::awaitable<void> WriteUnwrittenWhenPossible();
  // Writes what connection holds unwritten; false when something remains.
  asio::awaitable<bool> WriteUnwritten(RecorderConnection& connection);
  // A host instance's write: written at once, after what the connection holds unwritten; kept
  // with that instead (keep) when it cannot be written first, or when the write fails. Gives
  // back the write's value for the host's verdict, false when it was not written.
  using KeepInstanceWrite = std::function<void(UnwrittenInstanceWrites&)>;
  asio::awaitable<bool> WriteOrKeep(RecorderConnection& connection,
                                    std::shared_ptr<DatabaseWork<DbResult<bool>>> work,
                                    const KeepInstanceWrite& keep);
  // Whether logins from the connection's address are refused at once for now; such a login
  // is counted as throttled.
  bool LoginsThrottled(const RecorderConnection& connection, LoginPath path);
  // Counts a failed login of the connection's address; the first of an episode is logged.
  asio::awaitable<void> CountFailedLogin(const RecorderConnection& connection);
  asio::awaitable<std::int32_t> CountSharedFailedLogin(const std::string& address, std::time_t now,
                                                       const LoginThrottleLimits& limits);
  // The groups by level, or none when the database did not give them.
  asio::awaitable<DbResult<std::vector<GroupSummary>>> GroupsByLevel();

  const Settings& settings_;
  DomainLogonRunner& domainLogons_;
  DatabaseThreads database_;
  std::optional<CodePageText> text_;
  LoginThrottle loginThrottle_;
  std::vector<std::weak_ptr<RecorderConnection>> holdingUnwritten_;
  bool writingUnwritten_ = false;
};

}  // namespace orlentis
