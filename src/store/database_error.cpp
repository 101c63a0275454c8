#include "store/database_error.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <sqlite3.h>

namespace orlentis {
namespace {

using Kind = DatabaseError::Kind;

// SQLite says busy when another connection holds the lock, locked when a statement of the
// same connection does; both pass once the holder lets go.
Kind SqliteKind(int result) {
  const int primary = result & 0xFF;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return Kind::kBusy;
  return primary == SQLITE_CONSTRAINT ? Kind::kConstraint : Kind::kOther;
}

// PostgreSQL gives up on a lock after the session's lock timeout (55P03), and on a
// serialization failure or deadlock (class 40) undoes the transaction. A server shutting down
// ends its sessions with 57P01 to 57P03; class 08 is a connection failure; and an error libpq
// found itself, a connection closed under it, has no state at all.
Kind PostgresKind(const std::string& state) {
  if (state == "55P03") return Kind::kBusy;
  if (state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03" ||
      state.find_first_not_of(' ') == std::string::npos) {
    return Kind::kConnectionLost;
  }
  if (state == "40001" || state == "40P01") return Kind::kConflict;
  return state.starts_with("23") ? Kind::kConstraint : Kind::kOther;
}

}  // namespace

void RethrowAsDatabaseError(const std::string& sql) {
  try {
    throw;
  } catch (const DatabaseError&) {
    throw;
  } catch (const soci::sqlite3_soci_error& error) {
    // SOCI's what() adds the bound values to the message; its error message alone has none.
    throw DatabaseError(error.get_error_message() + " [" + sql + "]", SqliteKind(error.result()));
  } catch (const soci::postgresql_soci_error& error) {
    throw DatabaseError(error.get_error_message() + " [" + sql + "]",
                        PostgresKind(error.sqlstate()));
  } catch (const soci::soci_error& error) {
    throw DatabaseError(error.get_error_message() + " [" + sql + "]", Kind::kOther);
  }
}

std::string DescribeDatabaseError(const std::exception& error) {
  if (const auto* engine = dynamic_cast<const soci::soci_error*>(&error)) {
    return engine->get_error_message();
  }
  return error.what();
}

bool IsBusyError(const std::exception& error) {
  if (const auto* statement = dynamic_cast<const DatabaseError*>(&error)) {
    return statement->Busy();
  }
  return false;
}

DatabaseError::Kind DatabaseErrorKind(const std::exception& error) {
  if (const auto* statement = dynamic_cast<const DatabaseError*>(&error)) {
    return statement->ErrorKind();
  }
  return Kind::kOther;
}

}  // namespace orlentis
