#include "store/directory_rows.h"

#include <algorithm>

#include "store/engine.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

constexpr std::size_t kPageRows = 10000;
// The values one insert binds: far below what either engine allows a statement, and enough
// rows that a PostgreSQL server is asked once for hundreds of them.
constexpr std::size_t kValuesPerInsert = 1000;

std::string ColumnList(const DirectoryTable& table) {
  std::string list = table.key;
  for (const DirectoryColumn& column : table.columns) list += std::string(", ") + column.name;
  return list;
}

// The fetch buffers of one row, one per column of the column's kind.
struct FetchBuffers {
  explicit FetchBuffers(std::size_t columns) : integers(columns), reals(columns), texts(columns) {}

  void Bind(BoundStatement& query, const DirectoryTable& table) {
    query.Into(key);
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
      switch (table.columns[i].kind) {
        case ColumnKind::kInteger:
          query.Into(integers[i]);
          break;
        case ColumnKind::kReal:
          query.Into(reals[i]);
          break;
        case ColumnKind::kText:
          query.Into(texts[i]);
          break;
      }
    }
  }

  DirectoryRow Row(const BoundStatement& query, const DirectoryTable& table) const {
    DirectoryRow row{key, std::vector<DirectoryCell>(table.columns.size())};
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
      if (query.IsNull(i + 1)) continue;
      DirectoryCell& cell = row.cells[i];
      switch (table.columns[i].kind) {
        case ColumnKind::kInteger:
          cell.integer = integers[i];
          break;
        case ColumnKind::kReal:
          cell.real = reals[i];
          break;
        case ColumnKind::kText:
          cell.text = texts[i];
          break;
      }
    }
    return row;
  }

  long long key = 0;
  std::vector<long long> integers;
  std::vector<double> reals;
  std::vector<std::string> texts;
};

void BindCell(BoundStatement& statement, const DirectoryCell& cell, ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kInteger:
      statement.Use(cell.integer);
      break;
    case ColumnKind::kReal:
      statement.Use(cell.real);
      break;
    case ColumnKind::kText:
      statement.Use(cell.text);
      break;
  }
}

}  // namespace

std::unique_ptr<soci::session> OpenDirectoryReader(const DatabaseTarget& target) {
  if (target.engine == DatabaseEngine::kSqlite) return OpenReadOnlySession(target.file);
  return OpenSession(target);
}

std::int64_t CountDirectoryRows(soci::session& session, const DirectoryTable& table) {
  long long count = 0;
  BoundStatement(session, std::string("SELECT COUNT(*) FROM ") + table.sql).Into(count).Execute();
  return count;
}

DirectoryRowReader::DirectoryRowReader(soci::session& session, const DirectoryTable& table)
    : session_(session), table_(table) {}

const DirectoryRow* DirectoryRowReader::Next() {
  if (next_ == page_.size()) {
    if (lastPage_) return nullptr;
    ReadPage();
    if (page_.empty()) return nullptr;
  }
  return &page_[next_++];
}

void DirectoryRowReader::ReadPage() {
  const std::string key = table_.key;
  std::string sql = "SELECT " + ColumnList(table_) + " FROM " + table_.sql;
  if (lastKey_) sql += " WHERE " + key + " > :after";
  sql += " ORDER BY " + key + " LIMIT " + std::to_string(kPageRows);

  FetchBuffers buffers(table_.columns.size());
  BoundStatement query(session_, sql);
  buffers.Bind(query, table_);
  const long long after = lastKey_.value_or(0);
  if (lastKey_) query.Use(after);
  page_.clear();
  next_ = 0;
  while (query.Fetch()) page_.push_back(buffers.Row(query, table_));
  lastPage_ = page_.size() < kPageRows;
  if (!page_.empty()) lastKey_ = page_.back().key;
}

DirectoryRowWriter::DirectoryRowWriter(soci::session& session, const DirectoryTable& table)
    : session_(session),
      table_(table),
      batch_(std::max<std::size_t>(1, kValuesPerInsert / (table.columns.size() + 1)),
             DirectoryRow{0, std::vector<DirectoryCell>(table.columns.size())}) {}

void DirectoryRowWriter::Add(const DirectoryRow& row) {
  DirectoryRow& slot = batch_[filled_];
  slot.key = row.key;
  std::copy(row.cells.begin(), row.cells.end(), slot.cells.begin());
  if (++filled_ < batch_.size()) return;
  if (!fullBatch_) fullBatch_ = InsertStatement(batch_.size());
  fullBatch_->Execute();
  filled_ = 0;
}

void DirectoryRowWriter::Finish() {
  if (filled_ == 0) return;
  InsertStatement(filled_)->Execute();
  filled_ = 0;
}

std::unique_ptr<BoundStatement> DirectoryRowWriter::InsertStatement(std::size_t rows) {
  std::string sql = std::string("INSERT INTO ") + table_.sql + " (" + ColumnList(table_) + ")" +
                    KeepGivenIdentityClause(session_) + " VALUES ";
  std::size_t value = 0;
  for (std::size_t row = 0; row < rows; ++row) {
    sql += row == 0 ? "(" : ", (";
    for (std::size_t column = 0; column <= table_.columns.size(); ++column) {
      sql += (column == 0 ? ":v" : ", :v") + std::to_string(value++);
    }
    sql += ")";
  }
  auto statement = std::make_unique<BoundStatement>(session_, std::move(sql));
  for (std::size_t row = 0; row < rows; ++row) {
    statement->Use(batch_[row].key);
    for (std::size_t column = 0; column < table_.columns.size(); ++column) {
      BindCell(*statement, batch_[row].cells[column], table_.columns[column].kind);
    }
  }
  return statement;
}

}  // namespace orlentis
