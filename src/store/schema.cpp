#include "store/schema.h"

#include <openssl/rand.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "access/password_digest.h"
#include "base/profile_file.h"
#include "base/settings.h"
#include "store/bound_statement.h"

namespace orlentis {
namespace {

struct DefaultGroup {
  const char* name;
  std::int32_t authority;
};
constexpr DefaultGroup kDefaultGroups[] = {
    {"Administrator", 0x1FF}, {"Manager", 0x0FF}, {"Operator", 0x047}, {"Remote User", 0x005}};
constexpr const char* kAdministratorName = "Administrator";
constexpr std::int32_t kAdministratorAuthority = 0x1FF;

// Letters and digits that cannot be mistaken for one another when read off a screen.
constexpr std::string_view kPasswordAlphabet =
    "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
constexpr std::size_t kGeneratedPasswordLength = 16;

std::string GeneratePassword() {
  std::string password;
  // Bytes beyond the largest multiple of the alphabet size are dropped, so every character
  // is equally likely.
  const unsigned limit = 256 - 256 % kPasswordAlphabet.size();
  while (password.size() < kGeneratedPasswordLength) {
    unsigned char bytes[32];
    if (RAND_bytes(bytes, sizeof bytes) != 1) throw std::runtime_error("no random bytes");
    for (const unsigned char byte : bytes) {
      if (byte < limit && password.size() < kGeneratedPasswordLength) {
        password += kPasswordAlphabet[byte % kPasswordAlphabet.size()];
      }
    }
  }
  return password;
}

std::string InitialAdministratorPassword(const std::filesystem::path& folder) {
  const char* given = std::getenv(kAdminPasswordVariable);
  if (given != nullptr && *given != '\0') return given;
  const std::string password = GeneratePassword();
  const auto file = folder / kInitialPasswordFileName;
  if (!WriteFileAtomically(file, password + "\n")) {
    throw std::runtime_error("cannot write " + file.string());
  }
  std::cerr << "orlentis: the initial password of the Administrator account is " << password
            << " (also in " << file.string() << ")\n";
  return password;
}

// Hosts hash the password's bytes in their code page, so the stored digest must be of those.
std::string AdministratorDigest(const std::string& password) {
  const std::string codePage = Settings::Instance().GetCodePage();
  const std::optional<std::string> digest = CodePagePasswordDigest(password, codePage);
  if (!digest) {
    throw std::runtime_error(std::string(kAdminPasswordVariable) +
                             " holds characters that the code page " + codePage +
                             " of the recorders cannot hold");
  }
  return *digest;
}

bool IsNewDatabase(soci::session& session) {
  int groups = 0;
  int users = 0;
  BoundStatement(session, "SELECT COUNT(*) FROM \"Group\"").Into(groups).Execute();
  BoundStatement(session, "SELECT COUNT(*) FROM \"User\"").Into(users).Execute();
  return groups == 0 && users == 0;
}

}  // namespace

bool SeedNewDatabase(soci::session& session, const std::filesystem::path& folder) {
  soci::transaction transaction(session);
  if (!IsNewDatabase(session)) return false;
  std::int32_t level = 0;
  for (const auto& group : kDefaultGroups) {
    const std::string name = group.name;
    BoundStatement(session,
                   "INSERT INTO \"Group\" (strName, nLevel, bsAuthority) VALUES (:name, :level, "
                   ":authority)")
        .Use(name)
        .Use(level)
        .Use(group.authority)
        .Execute();
    ++level;
  }
  std::int32_t groupId = 0;
  const std::string administrator = kAdministratorName;
  BoundStatement(session, "SELECT nID FROM \"Group\" WHERE strName = :name")
      .Use(administrator)
      .Into(groupId)
      .Execute();
  const std::string digest = AdministratorDigest(InitialAdministratorPassword(folder));
  const std::string description;
  BoundStatement(
      session,
      "INSERT INTO \"User\" (nGroupID, strName, strDescription, strPassword, bsAuthority) "
      "VALUES (:group, :name, :description, :password, :authority)")
      .Use(groupId)
      .Use(administrator)
      .Use(description)
      .Use(digest)
      .Use(kAdministratorAuthority)
      .Execute();
  transaction.commit();
  return true;
}

}  // namespace orlentis
