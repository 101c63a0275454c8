#include "net/recorder_services.h"

#include "access/domain_logon_runner.h"
#include "access/roles.h"
#include "base/settings.h"
#include "net/awaitable_domain_logon.h"
#include "net/recorder_connection.h"

namespace orlentis {

RecorderServices::RecorderServices(const Settings& settings, DomainLogonRunner& domainLogons,
                                   DatabaseThreads database)
    : settings_(settings), domainLogons_(domainLogons), database_(database) {
  UseCodePage(settings.GetCodePage());
}

void RecorderServices::UseCodePage(const std::string& codePage) {
  text_.emplace(UsableCodePage(codePage));
}

asio::awaitable<LoginVerdict> RecorderServices::DomainVerdictFor(const std::string& name,
                                                                 const std::string& password) {
  if (!settings_.IsDomainLogon() || IsAdministratorName(name)) co_return LoginVerdict::kAccepted;
  co_return co_await AwaitDomainLogon(domainLogons_, name, password);
}

DatabaseThread& RecorderServices::SiteWrites(const RecorderConnection& connection) {
  return database_.writes.For(connection.PeerAddress() + '\n' + StoredSiteName(connection));
}

std::string RecorderServices::StoredSiteName(const RecorderConnection& connection) const {
  return text_->SiteNameToUtf8(connection.StoredCheckIn().SiteName());
}

}  // namespace orlentis
