#pragma once

#include <ldap.h>

#include <string>

#include "access/connection_watch.h"
#include "access/domain_logon.h"

namespace orlentis {

// Anything but a verdict on the password (the directory down or unreachable, a timeout, a
// protocol error) is for the operator to hear of; a wrong password is the user's business.
void LogDirectoryFault(const std::string& uri, int result, LDAP* ld);

// Sets the settings' limits on ld and connects it, with TLS where the settings or the URI ask
// for it. False, with the reason in the operator's log, when the directory cannot be reached
// or the password must not be sent to it. watch must outlive ld.
bool ConnectDirectory(LDAP* ld, const DomainLogonSettings& settings, const std::string& uri,
                      ConnectionWatch& watch);

}  // namespace orlentis
