#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/keyset.h"

namespace orlentis {

// One range of the IP filter; a range has no key of its own, rowId names its row.
struct MaskIPRow {
  std::string strDescription;
  std::string strIPFrom;  // dotted decimal
  std::string strIPTo;
  std::int64_t rowId = 0;
};

// The table MaskIP.
class MaskIpTable : public Keyset<MaskIPRow> {
 public:
  explicit MaskIpTable(soci::session& session) : session_(session) {}

  // Every range, first to last in the order they were added.
  void OpenAll();

  // Deletes the rows with these row ids as one unit, loaded or not (the loaded rows stay as
  // they are); gives back how many were still there.
  std::size_t DeleteByRowIds(const std::vector<std::int64_t>& rowIds);

 protected:
  void Insert(MaskIPRow& row) override;
  void Write(const MaskIPRow& original, const MaskIPRow& changed) override;
  void Erase(const MaskIPRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
