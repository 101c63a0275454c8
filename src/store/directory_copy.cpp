#include "store/directory_copy.h"

#include "store/directory_rows.h"
#include "store/engine.h"
#include "store/engine_dialect.h"
#include "store/schema_version.h"
#include "store/transaction.h"

namespace orlentis {
namespace {

int NewestVersion(const soci::session& session) {
  return SchemaScripts(SessionEngine(session)).back().version;
}

// The rows are copied as the newest schema has them, and only from that.
void RequireCurrentSource(soci::session& source) {
  const int version = SchemaVersion(source);
  if (version == NewestVersion(source)) return;
  throw DirectoryCopyRefused(
      version == 0 ? std::string("the source holds no directory")
                   : "the source has schema version " + std::to_string(version) +
                         ", this program copies version " + std::to_string(NewestVersion(source)) +
                         ": let the server of its version upgrade it first");
}

// Inside the target's transaction, so that a refused or failed copy leaves no schema behind
// either.
void PrepareTarget(soci::session& target) {
  const int version = SchemaVersion(target);
  if (version > NewestVersion(target)) {
    throw DirectoryCopyRefused("the target has schema version " + std::to_string(version) +
                               ", newer than this program's");
  }
  // As an upgrade would: the first script, which only creates what is missing, also runs on
  // a database of its own version.
  const auto scripts = SchemaScripts(SessionEngine(target));
  for (const SchemaScript& script : scripts) {
    if (script.version > version || (&script == &scripts.front() && script.version == version)) {
      ExecuteScript(target, script.sql);
    }
  }
  if (version != NewestVersion(target)) StoreSchemaVersion(target, NewestVersion(target));
  for (const DirectoryTable& table : DirectoryTables()) {
    if (const std::int64_t rows = CountDirectoryRows(target, table); rows > 0) {
      throw DirectoryCopyRefused("the target is not empty: its table " + std::string(table.name) +
                                 " has " + std::to_string(rows) + " rows");
    }
  }
}

// Gives back the rows copied.
std::int64_t CopyTable(soci::session& source, soci::session& target, const DirectoryTable& table,
                       const CopyProgressCallback& progress) {
  const std::int64_t total = CountDirectoryRows(source, table);
  const auto report = [&](std::int64_t done) {
    if (progress) progress({table.name, done, total});
  };
  if (total > 0) report(0);
  DirectoryRowReader reader(source, table);
  DirectoryRowWriter writer(target, table);
  std::int64_t done = 0;
  while (const DirectoryRow* row = reader.Next()) {
    writer.Add(*row);
    if (++done % kCopyProgressRows == 0 && done < total) report(done);
  }
  writer.Finish();
  MoveIdentityPastLargestKey(target, table.sql, table.key);
  report(done);
  return done;
}

}  // namespace

std::vector<TableRowCount> CopyDirectory(const DatabaseTarget& from, const DatabaseTarget& to,
                                         const CopyProgressCallback& progress) {
  const auto source = OpenDirectoryReader(from);
  const ReadSnapshot snapshot(*source);
  RequireCurrentSource(*source);
  const auto target = OpenSession(to);
  Transaction transaction(*target);
  PrepareTarget(*target);
  std::vector<TableRowCount> copied;
  for (const DirectoryTable& table : DirectoryTables()) {
    copied.push_back({table.name, CopyTable(*source, *target, table, progress)});
  }
  transaction.Commit();
  return copied;
}

}  // namespace orlentis
