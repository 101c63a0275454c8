#pragma once

#include <span>
#include <string_view>

#include "store/database_target.h"

namespace orlentis {

// The schema's SQL, compiled in from resources/sql/sqlite/: the script that creates version 1, and
// one script per later version that upgrades a database from the version before it.
extern const std::string_view kSchemaScript1;
// The same for PostgreSQL, from resources/sql/postgresql/.
extern const std::string_view kPostgresSchemaScript1;

// One step of the schema: the script that takes a database to version.
struct SchemaScript {
  int version;
  std::string_view sql;
};

// The program's steps in order: resources/sql/sqlite/schema-1.sql creates version 1, and each
// resources/sql/sqlite/upgrade-N.sql after it takes a database from version N - 1 to N; for
// PostgreSQL those of resources/sql/postgresql/.
std::span<const SchemaScript> SchemaScripts(DatabaseEngine engine = DatabaseEngine::kSqlite);

}  // namespace orlentis
