#include "store/prepared_statement.h"

#include <soci/sqlite3/soci-sqlite3.h>

#include "store/engine_dialect.h"

namespace orlentis {
namespace {

// The SOCI library does not export the type information of its SQLite statement class, which
// the sanitizer's check of this downcast would need; the statement was made by that backend.
__attribute__((no_sanitize("vptr"))) sqlite_api::sqlite3_stmt* BackendHandle(
    soci::statement& statement) {
  return static_cast<soci::sqlite3_statement_backend*>(statement.get_backend())->stmt_;
}

}  // namespace

PreparedStatement::PreparedStatement(soci::session& session, const std::string& sql,
                                     const std::vector<StatementBinding>& bindings)
    : statement_(session), onSqlite_(SessionEngine(session) == DatabaseEngine::kSqlite) {
  slots_.reserve(bindings.size());
  for (const auto& binding : bindings) slots_.push_back(binding.makeSlot(statement_));
  statement_.alloc();
  statement_.prepare(sql);
  statement_.define_and_bind();
}

sqlite3_stmt* PreparedStatement::Native() {
  // The SOCI header declares SQLite's types in a namespace of its own; the handle is the same.
  return reinterpret_cast<sqlite3_stmt*>(BackendHandle(statement_));
}

void PreparedStatement::Release() {
  // A query left before its last row would otherwise keep its read transaction open: later
  // statements of the session would not see other sessions' commits, and its writes would
  // fail on the stale snapshot. The result of the reset repeats the last error, already seen.
  // PostgreSQL's statements hand over all their rows at once and hold nothing afterwards.
  if (onSqlite_) sqlite_api::sqlite3_reset(BackendHandle(statement_));
  inUse_ = false;
}

}  // namespace orlentis
