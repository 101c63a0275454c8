#include "access/domain_logon.h"

#include <ldap.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>

#include "access/directory_connection.h"
#include "base/settings.h"

namespace orlentis {
namespace {

constexpr std::string_view kDnSpecials = ",+\"\\<>;=";

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

bool HasControl(std::string_view name) {
  return std::ranges::any_of(name, IsControl);
}

// A bind format with an attribute=value pair builds a DN; anything else is an identity of the
// user@domain or DOMAIN\user kind that the directory resolves itself.
bool BuildsDn(std::string_view format) {
  return format.find('=') != std::string_view::npos;
}

// RFC 4514: the specials anywhere, a space or '#' in front and a space at the end are
// backslash-escaped, so the name stays one attribute value of one RDN.
std::string EscapedDnValue(std::string_view value) {
  std::string escaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const bool leading = i == 0 && (c == ' ' || c == '#');
    const bool trailing = i + 1 == value.size() && c == ' ';
    if (leading || trailing || kDnSpecials.find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// Without these the name can neither read as a DN nor reach into another domain; an account
// name of a domain never contains them.
bool IsPlainAccountName(std::string_view name) {
  return name.find_first_of(kDnSpecials) == std::string_view::npos &&
         name.find('@') == std::string_view::npos;
}

// Puts value in place of the one %s of format ("%%" stands for '%'). Nothing when the format
// has no %s, more than one, or another conversion: it comes from a settings file, so it is
// never handed to printf.
std::optional<std::string> Substituted(std::string_view format, std::string_view value) {
  std::string result;
  int placeholders = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      result += format[i];
      continue;
    }
    const char next = i + 1 < format.size() ? format[i + 1] : '\0';
    if (next == 's') {
      result += value;
      ++placeholders;
    } else if (next == '%') {
      result += '%';
    } else {
      return std::nullopt;
    }
    ++i;
  }
  if (placeholders != 1) return std::nullopt;
  return result;
}

// libldap writes to its socket with plain write(): a directory that drops the connection would
// raise SIGPIPE and end the whole server. The signal is blocked on this thread during the
// bind, and one raised meanwhile is taken off again.
class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    alreadyPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  ~SigpipeBlocked() {
    if (!alreadyPending_) {
      const timespec noWait{};
      while (sigtimedwait(&pipe_, nullptr, &noWait) == SIGPIPE) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SigpipeBlocked(const SigpipeBlocked&) = delete;
  SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

 private:
  sigset_t pipe_;
  sigset_t previous_;
  bool alreadyPending_ = false;
};

LoginVerdict Bound(LDAP* ld, const std::string& uri, const std::string& identity,
                   std::string_view password) {
  std::string secret(password);
  berval credentials{static_cast<ber_len_t>(secret.size()), secret.data()};
  const int result = ldap_sasl_bind_s(ld, identity.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr,
                                      nullptr, nullptr);
  if (result == LDAP_SUCCESS) return LoginVerdict::kAccepted;
  if (result == LDAP_INVALID_CREDENTIALS) return LoginVerdict::kRefused;
  LogDirectoryFault(uri, result, ld);
  return LoginVerdict::kUnanswered;
}

LoginVerdict SimpleBind(const DomainLogonSettings& settings, const std::string& uri,
                        const std::string& identity, std::string_view password) {
  SigpipeBlocked sigpipeBlocked;
  ConnectionWatch watch;
  LDAP* ld = nullptr;
  const int initialized = ldap_initialize(&ld, uri.c_str());
  if (initialized != LDAP_SUCCESS || ld == nullptr) {
    LogDirectoryFault(uri, initialized, nullptr);
    return LoginVerdict::kUnanswered;
  }
  const LoginVerdict verdict = ConnectDirectory(ld, settings, uri, watch)
                                   ? Bound(ld, uri, identity, password)
                                   : LoginVerdict::kUnanswered;
  ldap_unbind_ext_s(ld, nullptr, nullptr);
  return verdict;
}

}  // namespace

DomainLogonSettings DomainLogonSettingsFrom(const Settings& settings) {
  DomainLogonSettings result;
  result.uri = settings.GetDirectoryUri();
  result.bindFormat = settings.GetBindFormat();
  result.domain = settings.GetDomain();
  result.tls = settings.GetDirectoryTls();
  result.caFile = settings.GetDirectoryCaFile();
  return result;
}

DomainLogonSettings CurrentDomainLogonSettings() {
  return DomainLogonSettingsFrom(Settings::Instance());
}

std::string DirectoryUri(const DomainLogonSettings& settings) {
  if (!settings.uri.empty()) return settings.uri;
  if (settings.domain.empty()) return {};
  return "ldap://" + settings.domain;
}

std::optional<std::string> BindIdentity(const DomainLogonSettings& settings,
                                        std::string_view name) {
  if (name.empty() || HasControl(name)) return std::nullopt;
  if (settings.bindFormat.empty()) {
    if (!IsPlainAccountName(name)) return std::nullopt;
    return std::string(name) + "@" + settings.domain;
  }
  if (BuildsDn(settings.bindFormat)) {
    return Substituted(settings.bindFormat, EscapedDnValue(name));
  }
  if (!IsPlainAccountName(name)) return std::nullopt;
  return Substituted(settings.bindFormat, name);
}

LoginVerdict DomainLogon(const DomainLogonSettings& settings, std::string_view name,
                         std::string_view password) {
  if (password.empty()) return LoginVerdict::kRefused;
  const std::string uri = DirectoryUri(settings);
  if (uri.empty()) return LoginVerdict::kUnanswered;
  const auto identity = BindIdentity(settings, name);
  if (!identity) return LoginVerdict::kRefused;
  return SimpleBind(settings, uri, *identity, password);
}

LoginVerdict DomainLogon(std::string_view name, std::string_view password) {
  return DomainLogon(CurrentDomainLogonSettings(), name, password);
}

}  // namespace orlentis
