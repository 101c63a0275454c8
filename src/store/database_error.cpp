#include "store/database_error.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <sqlite3.h>

namespace orlentis {
namespace {

// SQLite says busy when another connection holds the lock, locked when a statement of the
// same connection does; both pass once the holder lets go.
bool IsBusyCode(int result) {
  const int primary = result & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// PostgreSQL gives up on a lock after the session's lock timeout, and on a serialization
// failure or deadlock undoes the transaction; each passes when tried again.
bool IsBusyState(const std::string& state) {
  return state == "55P03" || state == "40001" || state == "40P01";
}

}  // namespace

void RethrowAsDatabaseError(const std::string& sql) {
  try {
    throw;
  } catch (const DatabaseError&) {
    throw;
  } catch (const soci::sqlite3_soci_error& error) {
    // SOCI's what() adds the bound values to the message; its error message alone has none.
    throw DatabaseError(error.get_error_message() + " [" + sql + "]", IsBusyCode(error.result()));
  } catch (const soci::postgresql_soci_error& error) {
    throw DatabaseError(error.get_error_message() + " [" + sql + "]",
                        IsBusyState(error.sqlstate()));
  } catch (const soci::soci_error& error) {
    throw DatabaseError(error.get_error_message() + " [" + sql + "]", false);
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

}  // namespace orlentis
