#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "access/login_verdict.h"
#include "base/settings.h"

namespace orlentis {

// How long a domain logon may wait for the directory, once to connect and once for the answer.
inline constexpr std::chrono::milliseconds kDomainLogonTimeout{3000};

// Where and as whom a domain logon binds.
struct DomainLogonSettings {
  std::string uri;         // ADSERVER/URI; empty: ldap://<domain>
  std::string bindFormat;  // ADSERVER/BINDFORMAT, one %s for the name; empty: %s@<domain>
  std::string domain;      // ADSERVER/DOMAIN
  DirectoryTls tls = DirectoryTls::kNone;  // ADSERVER/TLS
  std::string caFile;                      // ADSERVER/CACERT; empty: the system's CAs
  std::chrono::milliseconds timeout = kDomainLogonTimeout;
};

DomainLogonSettings DomainLogonSettingsFrom(const Settings& settings);
// From the process's settings, read afresh so that a domain changed in the console counts.
DomainLogonSettings CurrentDomainLogonSettings();

// The directory to ask: the URI setting, else ldap://<domain>; empty when neither is set.
std::string DirectoryUri(const DomainLogonSettings& settings);

// The identity that name binds as, or nothing when the name cannot be let near the directory
// (empty, control characters, or characters that would make it name someone else), or the
// bind format is not usable. A bind format that builds a DN gets the name escaped as a DN
// attribute value; an identity of the user@domain kind refuses the characters that could
// turn it into a DN or another domain, none of which a domain account name may contain.
std::optional<std::string> BindIdentity(const DomainLogonSettings& settings, std::string_view name);

// Accepted only when the directory accepts a simple bind of name with password; unanswered when
// no directory is set, none is reached or answers in time, TLS cannot be had, or the directory
// fails. An empty
// password is refused without asking: the directory would take it for an anonymous bind and
// succeed; so is a name that cannot be let near the directory. Where TLS is asked for
// (StartTLS, or an ldaps:// URI) and cannot be had, or the directory's certificate is not
// trusted or does not name the host of the URI, the password is not sent. Blocks the calling
// thread for up to about twice the timeout, four times with TLS; the network side uses
// DomainLogonRunner instead.
LoginVerdict DomainLogon(const DomainLogonSettings& settings, std::string_view name,
                         std::string_view password);
// The same with the process's settings.
LoginVerdict DomainLogon(std::string_view name, std::string_view password);

}  // namespace orlentis
