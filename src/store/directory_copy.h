#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/database_target.h"

namespace orlentis {

// How far a copy is: called as each table with rows begins, every kCopyProgressRows rows, and
// as each table ends.
struct CopyProgress {
  const char* table;
  std::int64_t done;
  std::int64_t total;
};
using CopyProgressCallback = std::function<void(const CopyProgress&)>;
inline constexpr std::int64_t kCopyProgressRows = 100000;

struct TableRowCount {
  std::string table;
  std::int64_t rows = 0;
};

// A copy that may not be made: nothing was written. what() says why.
class DirectoryCopyRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Copies the directory of from into to, every row and column of its seven tables with their
// keys and row ids, so that the copy is the same directory: permissions still name their
// users, cameras their sites, and the log keeps its order. The source is read as one
// snapshot, so a server working on it meanwhile does not tear the copy; the target is written
// in one transaction, which also creates its engine's newest schema where it has none. A
// target with any row in those tables is refused (DirectoryCopyRefused), and so is a source
// or target of a schema version this program does not write. Any other failure throws the
// engine's error and leaves the target as it was. Gives back the rows copied per table.
std::vector<TableRowCount> CopyDirectory(const DatabaseTarget& from, const DatabaseTarget& to,
                                         const CopyProgressCallback& progress = {});

}  // namespace orlentis
