#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace orlentis::admin {

struct Record;

// One value of a record: a text, a whole number, a yes/no or a list of records.
struct Value {
  enum class Kind { kText, kNumber, kFlag, kList };

  Kind kind = Kind::kText;
  std::string text;
  std::int64_t number = 0;
  bool flag = false;
  std::vector<Record> list;

  Value(std::string value) : text(std::move(value)) {}
  Value(const char* value) : text(value) {}
  Value(std::int64_t value) : kind(Kind::kNumber), number(value) {}
  Value(std::int32_t value) : kind(Kind::kNumber), number(value) {}
  Value(bool value) : kind(Kind::kFlag), flag(value) {}
  Value(std::vector<Record> value) : kind(Kind::kList), list(std::move(value)) {}
};

// What a command prints: named values in their order. The same record is a table row or a
// block of "name: value" lines for people, and a JSON object for scripts.
struct Record {
  std::vector<std::pair<std::string, Value>> fields;

  Record& Add(std::string name, Value value) {
    fields.emplace_back(std::move(name), std::move(value));
    return *this;
  }
};

// Rows under a header of their field names (nested lists are left out), columns aligned.
void PrintTable(std::ostream& out, const std::vector<Record>& rows);
// One "name: value" line per field; a nested list follows as an indented table.
void PrintRecord(std::ostream& out, const Record& record);

void WriteJson(std::ostream& out, const Record& record);
void WriteJson(std::ostream& out, const std::vector<Record>& records);

}  // namespace orlentis::admin
