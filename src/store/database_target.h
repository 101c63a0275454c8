#pragma once

#include <filesystem>
#include <string>
#include <utility>

namespace orlentis {

enum class DatabaseEngine { kSqlite, kPostgres };

// Where the store keeps its data: a SQLite file, or a PostgreSQL database named by a libpq
// connection string (key=value pairs or a postgresql:// address).
struct DatabaseTarget {
  DatabaseEngine engine = DatabaseEngine::kSqlite;
  std::filesystem::path file;
  std::string connection;

  static DatabaseTarget SqliteFile(std::filesystem::path file) {
    return {DatabaseEngine::kSqlite, std::move(file), {}};
  }
  static DatabaseTarget Postgres(std::string connection) {
    return {DatabaseEngine::kPostgres, {}, std::move(connection)};
  }
};

// The database as the operator's log and messages name it: the file's path, or the PostgreSQL
// database's connection string without its password.
std::string DescribeDatabase(const DatabaseTarget& target);

}  // namespace orlentis
