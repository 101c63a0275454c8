#pragma once

#include "net/request_handlers.h"
#include "net/wire_text.h"

namespace orlentis {

class CSettings;
class DomainLogonRunner;

// The requests of the recorders that need the database: site and instance check-ins with
// their cameras, the logins, and the group count and lists. Runs on the worker thread, with
// the worker's own database session under the one guard; every exchange still sends its
// answers when the database is unavailable or fails, with failure values where due.
class RecorderServices final : public RequestHandlers {
 public:
  RecorderServices(const CSettings& settings, DomainLogonRunner& domainLogons);

  asio::awaitable<void> SiteCheckIn(CConnSocket& connection, bool isUpdate) override;
  asio::awaitable<void> SiteCheckOut(CConnSocket& connection) override;
  asio::awaitable<void> CameraInfo(CConnSocket& connection, const CameraRecord& camera) override;
  asio::awaitable<void> UserLogin(CConnSocket& connection, const UserRequest& request) override;
  asio::awaitable<void> AccountLogin(CConnSocket& connection, const UserRequest& request) override;
  asio::awaitable<void> GroupCount(CConnSocket& connection) override;
  asio::awaitable<void> GroupList(CConnSocket& connection) override;
  asio::awaitable<void> HostInstanceCheckIn(CConnSocket& connection,
                                            std::int32_t instance) override;
  asio::awaitable<void> HostInstanceCheckOut(CConnSocket& connection,
                                             std::int32_t instance) override;
  asio::awaitable<void> HostUserLogin(CConnSocket& connection) override;
  asio::awaitable<void> HostGroupList(CConnSocket& connection) override;
  asio::awaitable<void> HostCameraUpdate(CConnSocket& connection, std::int32_t instance) override;

 private:
  // The domain logon of a user that passed the table check; the administrator never needs it.
  asio::awaitable<bool> PassesDomainLogon(const std::string& name, const std::string& password);
  std::string StoredSiteName(const CConnSocket& connection) const;

  const CSettings& settings_;
  DomainLogonRunner& domainLogons_;
  WireTextCodec text_;
};

}  // namespace orlentis
