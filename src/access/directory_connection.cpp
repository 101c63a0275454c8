#include "access/directory_connection.h"

#include <sys/time.h>

#include <algorithm>
#include <cctype>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/server_metrics.h"

namespace orlentis {
namespace {

timeval ToTimeval(std::chrono::milliseconds duration) {
  const auto count = std::max<std::chrono::milliseconds::rep>(duration.count(), 1);
  return {static_cast<time_t>(count / 1000), static_cast<suseconds_t>(count % 1000 * 1000)};
}

std::string Diagnostic(LDAP* ld) {
  std::string text;
  char* diagnostic = nullptr;
  if (ld != nullptr && ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &diagnostic) == 0 &&
      diagnostic != nullptr) {
    text = diagnostic;
    ldap_memfree(diagnostic);
  }
  return text;
}

std::string ErrorText(int result, LDAP* ld) {
  std::string text = std::string(ldap_err2string(result)) + " (" + std::to_string(result) + ")";
  const std::string diagnostic = Diagnostic(ld);
  if (!diagnostic.empty()) text += "; " + diagnostic;
  return text;
}

// libldap's own words for a refused certificate are seldom more than "Connect error", so the
// line also says what the directory has to offer.
void LogTlsFault(const std::string& uri, const std::string& caFile, const std::string& what) {
  Metrics().domainLogonErrors.Add();
  const std::string cas = caFile.empty() ? "the system's trusted CAs" : "the CAs of " + caFile;
  LogToOperatorPerReason(kLogAccessDomainTlsFailed, uri + " " + what,
                         "domain logon at " + uri + " refused without sending the password: " +
                             what + " (the directory must offer TLS with a certificate issued by " +
                             cas + " that names the host of the URI)");
}

bool IsLdapsUri(std::string_view uri) {
  constexpr std::string_view kScheme = "ldaps://";
  const auto it =
      std::search(uri.begin(), uri.end(), kScheme.begin(), kScheme.end(),
                  [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
  return it != uri.end();
}

// A context of this handle's own: the CA file is the settings' and not the process's, and a
// certificate that is not trusted or names another host ends the connection.
bool PrepareTls(LDAP* ld, const DomainLogonSettings& settings) {
  const int demand = LDAP_OPT_X_TLS_DEMAND;
  const int client = 0;
  return ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand) == LDAP_OPT_SUCCESS &&
         (settings.caFile.empty() ||
          ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, settings.caFile.c_str()) ==
              LDAP_OPT_SUCCESS) &&
         ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &client) == LDAP_OPT_SUCCESS;
}

bool SetLimits(LDAP* ld, std::chrono::milliseconds timeout) {
  const int version = LDAP_VERSION3;
  const timeval limit = ToTimeval(timeout);
  return ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version) == LDAP_OPT_SUCCESS &&
         ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &limit) == LDAP_OPT_SUCCESS &&
         ldap_set_option(ld, LDAP_OPT_TIMEOUT, &limit) == LDAP_OPT_SUCCESS;
}

// Once connected, a failure of an ldaps:// connection is one of its TLS.
bool Secured(LDAP* ld, const DomainLogonSettings& settings, const std::string& uri,
             const ConnectionWatch& watch) {
  const int connected = ldap_connect(ld);
  if (connected != LDAP_SUCCESS) {
    if (watch.Reached() && IsLdapsUri(uri)) {
      LogTlsFault(uri, settings.caFile, "TLS failed: " + ErrorText(connected, ld));
    } else {
      LogDirectoryFault(uri, connected, ld);
    }
    return false;
  }
  // An ldaps:// connection is encrypted already; StartTLS on it would be refused.
  if (settings.tls != DirectoryTls::kStartTls || ldap_tls_inplace(ld) != 0) return true;
  const int started = ldap_start_tls_s(ld, nullptr, nullptr);
  if (started == LDAP_SUCCESS) return true;
  LogTlsFault(uri, settings.caFile, "StartTLS failed: " + ErrorText(started, ld));
  return false;
}

}  // namespace

void LogDirectoryFault(const std::string& uri, int result, LDAP* ld) {
  Metrics().domainLogonErrors.Add();
  LogToOperatorPerReason(kLogAccessDomainLogonFailed, std::to_string(result),
                         "domain logon at " + uri + " failed: " + ErrorText(result, ld));
}

bool ConnectDirectory(LDAP* ld, const DomainLogonSettings& settings, const std::string& uri,
                      ConnectionWatch& watch) {
  if (!SetLimits(ld, settings.timeout) || !watch.Attach(ld)) {
    LogDirectoryFault(uri, LDAP_OTHER, ld);
    return false;
  }
  const bool startTls = settings.tls == DirectoryTls::kStartTls;
  const bool ldaps = IsLdapsUri(uri);
  if ((startTls || ldaps) && !PrepareTls(ld, settings)) {
    LogTlsFault(uri, settings.caFile, "TLS cannot be set up with these CAs");
    return false;
  }
  // Connecting, StartTLS and the handshake each wait for up to the timeout.
  if (startTls || ldaps) watch.Arm(3 * settings.timeout);
  const bool secure = Secured(ld, settings, uri, watch);
  watch.Disarm();
  return secure;
}

}  // namespace orlentis
