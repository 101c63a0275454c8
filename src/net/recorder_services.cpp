#include "net/recorder_services.h"

#include <iostream>

#include "access/domain_logon_runner.h"
#include "access/roles.h"
#include "base/settings.h"
#include "net/awaitable_domain_logon.h"
#include "net/recorder_connection.h"

namespace orlentis {
namespace {

// An unknown code page in the settings must not keep the server from serving.
std::string UsableCodePage(const Settings& settings) {
  const std::string codePage = settings.GetCodePage();
  try {
    WireTextCodec probe(codePage);
    return codePage;
  } catch (const std::exception& error) {
    std::cerr << "orlentis: " << error.what() << "; using WINDOWS-1252\n";
    return "WINDOWS-1252";
  }
}

}  // namespace

RecorderServices::RecorderServices(const Settings& settings, DomainLogonRunner& domainLogons)
    : settings_(settings), domainLogons_(domainLogons), text_(UsableCodePage(settings)) {}

asio::awaitable<bool> RecorderServices::PassesDomainLogon(const std::string& name,
                                                          const std::string& password) {
  if (!settings_.IsDomainLogon() || IsAdministratorName(name)) co_return true;
  co_return co_await AwaitDomainLogon(domainLogons_, name, password);
}

std::string RecorderServices::StoredSiteName(const RecorderConnection& connection) const {
  return text_.SiteNameToUtf8(connection.StoredCheckIn().SiteName());
}

}  // namespace orlentis
