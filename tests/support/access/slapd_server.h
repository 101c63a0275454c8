#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/access/certificate_authority.h"
#include "support/base/child_process.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {

// A real OpenLDAP server on 127.0.0.1 with its own configuration and database in a temporary
// folder, stopped when the object goes away. Meant to be shared by one test suite.
class SlapdServer {
 public:
  static constexpr std::string_view kSuffix = "dc=orlentis,dc=test";
  static constexpr std::string_view kPeople = "ou=people,dc=orlentis,dc=test";

  // Loads the suffix and ou=people entries plus `entries` (LDIF, see PersonEntry), starts the
  // server on a free port and waits until it answers a bind. Throws std::runtime_error with
  // slapd's own words when it cannot be set up or does not come up. With a certificate it
  // also offers StartTLS on that port and ldaps on a second one.
  explicit SlapdServer(const std::string& entries,
                       std::optional<CertificateFiles> certificate = std::nullopt);
  ~SlapdServer();
  SlapdServer(const SlapdServer&) = delete;
  SlapdServer& operator=(const SlapdServer&) = delete;

  int Port() const { return port_; }
  std::string Uri() const;
  // The ldaps:// address, for a server started with a certificate.
  std::string LdapsUri() const;

 private:
  void WriteConfiguration(const std::string& entries) const;
  void LoadDatabase() const;
  bool TryStart();
  bool Answers() const;

  TempFolder folder_;
  std::optional<CertificateFiles> certificate_;
  int port_ = 0;
  int ldapsPort_ = 0;
  std::unique_ptr<ChildProcess> slapd_;
};

// An LDIF entry of a person that can bind with password. dn is written as LDIF takes it
// (escaped as a DN); uid is the plain attribute value.
std::string PersonEntry(std::string_view dn, std::string_view uid, std::string_view password);

}  // namespace orlentis::testing
