#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orlentis {

// The seven tables of the directory as a whole, column by column, for what moves or compares
// every row of them whatever the engine: copying a directory, comparing two.

enum class ColumnKind { kInteger, kReal, kText };

struct DirectoryColumn {
  const char* name;
  ColumnKind kind;
};

struct DirectoryTable {
  const char* name;  // as people read it
  const char* sql;   // as statements write it ("User" and "Group" are reserved words)
  // The column a row is known by: the key of User, Group and Site, the row id of the others.
  const char* key;
  std::span<const DirectoryColumn> columns;  // every other column
};

// In an order that puts the rows another table refers to first.
std::span<const DirectoryTable> DirectoryTables();

// One value; only the member of the column's kind is used, and empty means NULL.
struct DirectoryCell {
  std::optional<long long> integer;
  std::optional<double> real;
  std::optional<std::string> text;

  bool operator==(const DirectoryCell&) const = default;
};

// Whole numbers are long long, the type the store binds to statements.
struct DirectoryRow {
  long long key = 0;
  std::vector<DirectoryCell> cells;  // in the order of the table's columns
};

}  // namespace orlentis
