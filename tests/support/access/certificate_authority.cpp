#include "support/access/certificate_authority.h"

#include <stdexcept>
#include <vector>

#include "support/base/child_process.h"

namespace orlentis::testing {
namespace {

constexpr const char* kOpenssl = "/usr/bin/openssl";
constexpr int kOpensslTimeoutMs = 30000;
// Elliptic-curve keys are made in no time, unlike RSA ones.
const std::vector<std::string> kNewKey = {"-newkey", "ec", "-pkeyopt",
                                          "ec_paramgen_curve:prime256v1", "-nodes"};

void RunOpenssl(std::vector<std::string> arguments) {
  ChildProcess::Launch openssl;
  openssl.program = kOpenssl;
  openssl.arguments = std::move(arguments);
  std::string errors;
  const int status = RunToEnd(openssl, kOpensslTimeoutMs, &errors);
  if (status != 0) {
    throw std::runtime_error("openssl " + openssl.arguments.front() + " failed with status " +
                             std::to_string(status) + ": " + errors);
  }
}

std::vector<std::string> Joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

}  // namespace

CertificateAuthority::CertificateAuthority(std::string_view name)
    : ca_{folder_ / "ca.pem", folder_ / "ca.key"} {
  RunOpenssl(Joined({"req", "-x509", "-days", "2", "-subj", "/CN=" + std::string(name), "-keyout",
                     ca_.key.string(), "-out", ca_.certificate.string()},
                    kNewKey));
}

CertificateFiles CertificateAuthority::Issue(std::string_view commonName,
                                             std::string_view altNames) {
  const std::string stem = "server" + std::to_string(++issued_);
  const CertificateFiles server{folder_ / (stem + ".pem"), folder_ / (stem + ".key")};
  const auto request = folder_ / (stem + ".csr");
  const auto extensions = folder_ / (stem + ".ext");
  WriteWholeFile(extensions,
                 "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                 "subjectAltName=" +
                     std::string(altNames) + "\n");
  RunOpenssl(Joined({"req", "-new", "-subj", "/CN=" + std::string(commonName), "-keyout",
                     server.key.string(), "-out", request.string()},
                    kNewKey));
  RunOpenssl({"x509", "-req", "-days", "2", "-in", request.string(), "-CA",
              ca_.certificate.string(), "-CAkey", ca_.key.string(), "-set_serial",
              std::to_string(issued_), "-extfile", extensions.string(), "-out",
              server.certificate.string()});
  return server;
}

}  // namespace orlentis::testing
