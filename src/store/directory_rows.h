#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/bound_statement.h"
#include "store/database_target.h"
#include "store/directory_tables.h"

namespace orlentis {

// A session that reads the directory of target: on a SQLite file one that writes nothing and
// creates no file (the file must exist), on PostgreSQL an ordinary one.
std::unique_ptr<soci::session> OpenDirectoryReader(const DatabaseTarget& target);

std::int64_t CountDirectoryRows(soci::session& session, const DirectoryTable& table);

// The rows of one table in the order of their keys, read a page at a time by key rather than
// in one result: a PostgreSQL query hands over its whole result at once, and a log of a
// million entries should not have to fit in memory.
class DirectoryRowReader {
 public:
  DirectoryRowReader(soci::session& session, const DirectoryTable& table);

  // The next row; null after the last. It stays valid until the next call.
  const DirectoryRow* Next();

 private:
  void ReadPage();

  soci::session& session_;
  const DirectoryTable& table_;
  std::vector<DirectoryRow> page_;
  std::size_t next_ = 0;
  std::optional<long long> lastKey_;
  bool lastPage_ = false;
};

// Inserts rows into one table with their keys, many rows per statement. The statement for a
// full batch is prepared once and run again for each one; Finish() writes what is left.
class DirectoryRowWriter {
 public:
  DirectoryRowWriter(soci::session& session, const DirectoryTable& table);

  void Add(const DirectoryRow& row);
  void Finish();

 private:
  std::unique_ptr<BoundStatement> InsertStatement(std::size_t rows);

  soci::session& session_;
  const DirectoryTable& table_;
  // The statements are bound to these rows; they never move.
  std::vector<DirectoryRow> batch_;
  std::size_t filled_ = 0;
  std::unique_ptr<BoundStatement> fullBatch_;
};

}  // namespace orlentis
