#include "store/engine_dialect.h"

#include <cctype>

#include "store/bound_statement.h"

namespace orlentis {
namespace {

bool OnPostgres(const soci::session& session) {
  return SessionEngine(session) == DatabaseEngine::kPostgres;
}

}  // namespace

DatabaseEngine SessionEngine(const soci::session& session) {
  return session.get_backend_name() == "postgresql" ? DatabaseEngine::kPostgres
                                                    : DatabaseEngine::kSqlite;
}

const char* BeginWriteStatement(const soci::session& session) {
  return OnPostgres(session) ? "BEGIN" : "BEGIN IMMEDIATE";
}

const char* BeginSnapshotStatement(const soci::session& session) {
  return OnPostgres(session) ? "BEGIN ISOLATION LEVEL REPEATABLE READ" : "BEGIN";
}

const char* KeepGivenIdentityClause(const soci::session& session) {
  return OnPostgres(session) ? " OVERRIDING SYSTEM VALUE" : "";
}

void MoveIdentityPastLargestKey(soci::session& session, const std::string& table,
                                const std::string& column) {
  if (!OnPostgres(session)) return;
  // The function folds the table's name as SQL would, but takes the column's literally.
  std::string folded = column;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  long long next = 0;
  BoundStatement(session,
                 "SELECT setval(pg_get_serial_sequence(:table, :column), "
                 "GREATEST(COALESCE(MAX(" +
                     column + "), 0), 0) + 1, false) FROM " + table)
      .Use(table)
      .Use(folded)
      .Into(next)
      .Execute();
}

int StoredSchemaVersion(soci::session& session) {
  int version = 0;
  if (!OnPostgres(session)) {
    BoundStatement(session, "PRAGMA user_version").Into(version).Execute();
    return version;
  }
  int tables = 0;
  BoundStatement(session,
                 "SELECT CASE WHEN to_regclass('orlentis_schema') IS NULL THEN 0 ELSE 1 END")
      .Into(tables)
      .Execute();
  if (tables == 0) return 0;
  BoundStatement(session, "SELECT COALESCE(MAX(version), 0) FROM orlentis_schema")
      .Into(version)
      .Execute();
  return version;
}

void StoreSchemaVersion(soci::session& session, int version) {
  if (!OnPostgres(session)) {
    BoundStatement(session, "PRAGMA user_version = " + std::to_string(version)).Execute();
    return;
  }
  BoundStatement(session, "UPDATE orlentis_schema SET version = :version").Use(version).Execute();
}

std::int64_t LastInsertId(soci::session& session) {
  long long id = 0;
  if (OnPostgres(session)) {
    // The value the session's last insert drew from an identity column's sequence.
    BoundStatement(session, "SELECT lastval()").Into(id).Execute();
    return id;
  }
  if (!session.get_last_insert_id("", id)) throw soci::soci_error("no id of the inserted row");
  return id;
}

}  // namespace orlentis
