#include "support/access/slapd_server.h"

#include <arpa/inet.h>
#include <ldap.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orlentis::testing {
namespace {

constexpr const char* kSlapd = "/usr/sbin/slapd";
constexpr const char* kSlapadd = "/usr/sbin/slapadd";
constexpr const char* kRootDn = "cn=admin,dc=orlentis,dc=test";
constexpr const char* kRootPassword = "orlentis-root";
constexpr int kStartAttempts = 5;
constexpr auto kStartDeadline = std::chrono::seconds(20);

// Asks the system for a free port. slapd cannot report the port it was given, so the port is
// picked here and handed to it; a clash with another process is retried by the caller.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  ::close(fd);
  if (!bound) throw std::runtime_error("no free port on 127.0.0.1");
  return ntohs(address.sin_port);
}

std::string Base64(std::string_view text) {
  std::string encoded(4 * ((text.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     reinterpret_cast<const unsigned char*>(text.data()),
                                     static_cast<int>(text.size()));
  encoded.resize(static_cast<std::size_t>(length));
  return encoded;
}

std::string BaseEntries() {
  return std::string("dn: ") + std::string(SlapdServer::kSuffix) +
         "\nobjectClass: dcObject\nobjectClass: organization\ndc: orlentis\no: Orlentis\n\n"
         "dn: " +
         std::string(SlapdServer::kPeople) + "\nobjectClass: organizationalUnit\nou: people\n\n";
}

}  // namespace

std::string PersonEntry(std::string_view dn, std::string_view uid, std::string_view password) {
  return "dn: " + std::string(dn) + "\nobjectClass: inetOrgPerson\nuid:: " + Base64(uid) +
         "\ncn:: " + Base64(uid) + "\nsn: person\nuserPassword:: " + Base64(password) + "\n\n";
}

SlapdServer::SlapdServer(const std::string& entries, std::optional<CertificateFiles> certificate)
    : certificate_(std::move(certificate)) {
  WriteConfiguration(entries);
  LoadDatabase();
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    if (TryStart()) return;
  }
  throw std::runtime_error("slapd kept finding its port taken");
}

SlapdServer::~SlapdServer() {
  if (!slapd_) return;
  slapd_->Signal(SIGTERM);
  slapd_->Wait(10000);
}

std::string SlapdServer::Uri() const {
  return "ldap://127.0.0.1:" + std::to_string(port_);
}

std::string SlapdServer::LdapsUri() const {
  return "ldaps://127.0.0.1:" + std::to_string(ldapsPort_);
}

void SlapdServer::WriteConfiguration(const std::string& entries) const {
  const std::string folder = folder_.Path().string();
  std::filesystem::create_directory(folder_ / "db");
  std::string conf =
      "include /etc/ldap/schema/core.schema\n"
      "include /etc/ldap/schema/cosine.schema\n"
      "include /etc/ldap/schema/inetorgperson.schema\n"
      "modulepath /usr/lib/ldap\n"
      "moduleload back_mdb\n";
  conf += "pidfile " + folder + "/slapd.pid\n";
  conf += "argsfile " + folder + "/slapd.args\n";
  if (certificate_) {
    conf += "TLSCertificateFile " + certificate_->certificate.string() + "\n";
    conf += "TLSCertificateKeyFile " + certificate_->key.string() + "\n";
  }
  conf += "database mdb\nmaxsize 10485760\n";
  conf += "suffix \"" + std::string(kSuffix) + "\"\n";
  conf += "rootdn \"" + std::string(kRootDn) + "\"\n";
  conf += "rootpw " + std::string(kRootPassword) + "\n";
  conf += "directory " + folder + "/db\n";
  // A server with a certificate takes no password in the clear, as directories do nowadays.
  if (certificate_) conf += "security simple_bind=1\n";
  WriteWholeFile(folder_ / "slapd.conf", conf);
  WriteWholeFile(folder_ / "entries.ldif", BaseEntries() + entries);
}

void SlapdServer::LoadDatabase() const {
  ChildProcess::Launch slapadd;
  slapadd.program = kSlapadd;
  slapadd.arguments = {"-f", (folder_ / "slapd.conf").string(), "-l",
                       (folder_ / "entries.ldif").string()};
  std::string errors;
  const int status = RunToEnd(slapadd, 30000, &errors);
  if (status != 0) {
    throw std::runtime_error("slapadd failed with status " + std::to_string(status) + ": " +
                             errors);
  }
}

// Starts slapd on a fresh port; false when the port was taken meanwhile. "-d none" keeps it in
// the foreground and prints nothing but its errors.
bool SlapdServer::TryStart() {
  port_ = FreePort();
  std::string listeners = Uri() + "/";
  if (certificate_) {
    do {
      ldapsPort_ = FreePort();
    } while (ldapsPort_ == port_);
    listeners += " " + LdapsUri() + "/";
  }
  ChildProcess::Launch slapd;
  slapd.program = kSlapd;
  slapd.arguments = {"-f", (folder_ / "slapd.conf").string(), "-h", listeners, "-d", "none"};
  slapd_ = std::make_unique<ChildProcess>(slapd);
  const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const auto status = slapd_->Wait(0)) {
      const std::string errors = slapd_->ErrorOutput();
      slapd_.reset();
      if (errors.find("Address already in use") != std::string::npos) return false;
      throw std::runtime_error("slapd ended with status " + std::to_string(*status) + ": " +
                               errors);
    }
    if (Answers()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw std::runtime_error("slapd did not answer within 20 s: " + slapd_->ErrorOutput());
}

bool SlapdServer::Answers() const {
  LDAP* ld = nullptr;
  if (ldap_initialize(&ld, Uri().c_str()) != LDAP_SUCCESS) return false;
  const int version = LDAP_VERSION3;
  const timeval limit{1, 0};
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &limit);
  ldap_set_option(ld, LDAP_OPT_TIMEOUT, &limit);
  std::string password = kRootPassword;
  berval credentials{static_cast<ber_len_t>(password.size()), password.data()};
  const int result =
      ldap_sasl_bind_s(ld, kRootDn, LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr);
  ldap_unbind_ext_s(ld, nullptr, nullptr);
  return result == LDAP_SUCCESS || (certificate_ && result == LDAP_CONFIDENTIALITY_REQUIRED);
}

}  // namespace orlentis::testing
