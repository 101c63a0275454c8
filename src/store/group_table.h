#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "store/keyset.h"

namespace orlentis {

// One user group (table "Group").
struct GroupRow {
  std::int32_t nID = 0;
  std::string strName;
  std::int32_t nLevel = 0;  // position in every group list
  std::int32_t bsAuthority = 0;
};

// The table "Group".
class GroupTable : public Keyset<GroupRow> {
 public:
  explicit GroupTable(soci::session& session) : session_(session) {}

  void OpenById(std::int32_t id);
  void OpenByName(const std::string& name);
  // Every group by nLevel (the order of every group list).
  void OpenByLevel();

 protected:
  void Insert(GroupRow& row) override;
  void Write(const GroupRow& original, const GroupRow& changed) override;
  void Erase(const GroupRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
