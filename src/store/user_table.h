#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "store/keyset.h"

namespace orlentis {

// One account (table "User"). Names compare ignoring case; digests compare exactly.
struct UserRow {
  std::int32_t nID = 0;
  std::int32_t nGroupID = 0;
  std::string strName;
  std::string strDescription;
  std::string strPassword;  // 64 lowercase hex digits
  std::int32_t bsAuthority = 0;
};

// The table "User".
class UserTable : public Keyset<UserRow> {
 public:
  explicit UserTable(soci::session& session) : session_(session) {}

  void OpenByName(const std::string& name);
  void OpenByNameAndPassword(const std::string& name, const std::string& passwordDigest);
  void OpenByGroup(std::int32_t groupId);
  void OpenAll();

 protected:
  void Insert(UserRow& row) override;
  void Write(const UserRow& original, const UserRow& changed) override;
  void Erase(const UserRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
