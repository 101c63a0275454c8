#include "store/database_target.h"

#include <exception>

#include "store/postgres_session.h"

namespace orlentis {

std::string DescribeDatabase(const DatabaseTarget& target) {
  if (target.engine == DatabaseEngine::kSqlite) return target.file.string();
  try {
    return "PostgreSQL (" + ConnectionWithoutPassword(target.connection) + ")";
  } catch (const std::exception&) {
    return "PostgreSQL (an unreadable connection string)";
  }
}

}  // namespace orlentis
