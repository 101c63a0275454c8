#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "support/base/temp_folder.h"

namespace orlentis::testing {

// A certificate and its private key, as PEM files.
struct CertificateFiles {
  std::filesystem::path certificate;
  std::filesystem::path key;
};

// A self-made CA in a temporary folder, made and used through the openssl command, for
// servers that tests reach over TLS. Throws std::runtime_error with openssl's own words when
// a step fails.
class CertificateAuthority {
 public:
  explicit CertificateAuthority(std::string_view name);

  // The CA's certificate, what a client is told to trust.
  const std::filesystem::path& Certificate() const { return ca_.certificate; }

  // A server certificate for commonName with altNames as subjectAltName takes them
  // ("IP:127.0.0.1,DNS:localhost"). Each call makes a new one.
  CertificateFiles Issue(std::string_view commonName, std::string_view altNames);

 private:
  TempFolder folder_;
  CertificateFiles ca_;
  int issued_ = 0;
};

}  // namespace orlentis::testing
