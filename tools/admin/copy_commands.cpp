#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <ostream>

#include "admin_commands.h"
#include "admin_status.h"
#include "base/program_folder.h"
#include "base/single_instance.h"
#include "store/database_error.h"
#include "store/directory_compare.h"
#include "store/directory_copy.h"

namespace orlentis::admin {
namespace {

constexpr std::size_t kShownDifferences = 20;

struct CopyOptions {
  std::string to;
  std::string from;
};

// A libpq connection string (key=value pairs or an address), or else a SQLite file.
DatabaseTarget ParseTarget(const std::string& text) {
  if (text.find('=') != std::string::npos || text.starts_with("postgres://") ||
      text.starts_with("postgresql://")) {
    return DatabaseTarget::Postgres(text);
  }
  return DatabaseTarget::SqliteFile(std::filesystem::absolute(text));
}

// Never the connection string itself, which may hold a password.
std::string TargetName(const DatabaseTarget& target) {
  return target.engine == DatabaseEngine::kSqlite ? target.file.string()
                                                  : "the PostgreSQL database";
}

// The server writes its folder's file while it runs, and would start on a half-made one.
std::unique_ptr<SingleInstanceLock> LockIfFolderFile(const DatabaseTarget& target) {
  if (target.engine != DatabaseEngine::kSqlite) return nullptr;
  auto lock = std::make_unique<SingleInstanceLock>(ProgramFolder());
  if (!lock->Acquired()) {
    throw Refusal("the server is running on " + ProgramFolder().string() +
                  " (it holds Orlentis.lock): stop it before copying a database into its folder");
  }
  return lock;
}

void PrintCopied(const AdminContext& context, const std::vector<TableRowCount>& copied,
                 const std::string& message) {
  std::vector<Record> tables;
  for (const TableRowCount& table : copied) {
    tables.push_back(Record().Add("table", table.table).Add("rows", table.rows));
  }
  if (context.json) {
    WriteJson(context.Out(),
              Record().Add("status", "done").Add("message", message).Add("tables", tables));
    return;
  }
  PrintTable(context.Out(), tables);
  context.Out() << message << "\n";
}

void CopyDatabase(AdminContext& context, const CopyOptions& options) {
  const bool intoFolder = !options.from.empty();
  if (!intoFolder) context.UseDatabase();
  const DatabaseTarget folder = context.Target();
  const DatabaseTarget other = ParseTarget(intoFolder ? options.from : options.to);
  const DatabaseTarget& from = intoFolder ? other : folder;
  const DatabaseTarget& to = intoFolder ? folder : other;
  const auto lock = intoFolder ? LockIfFolderFile(folder) : nullptr;
  const auto progress = [&context](const CopyProgress& at) {
    context.Err() << "copying " << at.table << ": " << at.done << " of " << at.total << " rows"
                  << std::endl;
  };
  try {
    const auto copied = CopyDirectory(from, to, progress);
    PrintCopied(context, copied, "copied " + TargetName(from) + " to " + TargetName(to));
  } catch (const DirectoryCopyRefused& refusal) {
    throw Refusal("cannot copy to " + TargetName(to) + ": " + refusal.what() +
                  "; nothing was written");
  } catch (const std::exception& error) {
    // As every other command: another program held a lock past the wait; nothing was written.
    if (IsBusyError(error)) throw Refusal("the database is busy, try again");
    throw AdminFailure(AdminStatus::kDatabase,
                       "cannot copy " + TargetName(from) + " to " + TargetName(to) +
                           " (the target is left as it was): " + DescribeDatabaseError(error));
  }
}

// What differs in a row, after its table and key.
std::string DifferenceText(const RowDifference& difference) {
  switch (difference.kind) {
    case RowDifference::Kind::kOnlyInFirst:
      return "only in the folder's database";
    case RowDifference::Kind::kOnlyInSecond:
      return "only in the other database";
    case RowDifference::Kind::kCellsDiffer:
      break;
  }
  std::string text;
  for (const std::string& column : difference.columns) {
    text += (text.empty() ? "" : ", ") + column;
  }
  return text + " differ";
}

void PrintComparison(const AdminContext& context, const DirectoryComparison& comparison) {
  std::vector<Record> tables;
  for (const TableRowCounts& counts : comparison.counts) {
    tables.push_back(
        Record().Add("table", counts.table).Add("rows", counts.first).Add("other", counts.second));
  }
  if (context.json) {
    std::vector<Record> differences;
    for (const RowDifference& difference : comparison.differences) {
      differences.push_back(Record()
                                .Add("table", difference.table)
                                .Add("key", static_cast<std::int64_t>(difference.key))
                                .Add("difference", DifferenceText(difference)));
    }
    WriteJson(context.Out(), Record()
                                 .Add("identical", comparison.Identical())
                                 .Add("tables", tables)
                                 .Add("differences", differences)
                                 .Add("difference_count", comparison.differenceCount));
    return;
  }
  PrintTable(context.Out(), tables);
  for (const RowDifference& difference : comparison.differences) {
    context.Out() << difference.table << " " << difference.key << ": " << DifferenceText(difference)
                  << "\n";
  }
  const auto shown = static_cast<std::int64_t>(comparison.differences.size());
  if (comparison.differenceCount > shown) {
    context.Out() << "and " << comparison.differenceCount - shown << " more differences\n";
  }
  if (comparison.Identical()) context.Out() << "identical\n";
}

}  // namespace

void CompareWithDatabase(AdminContext& context, const std::string& against) {
  context.UseDatabase();
  const DatabaseTarget other = ParseTarget(against);
  DirectoryComparison comparison;
  try {
    comparison = CompareDirectories(context.Target(), other, kShownDifferences);
  } catch (const std::exception& error) {
    throw AdminFailure(AdminStatus::kDatabase, "cannot compare with " + TargetName(other) + ": " +
                                                   DescribeDatabaseError(error));
  }
  PrintComparison(context, comparison);
  if (!comparison.Identical()) {
    throw Refusal("the databases differ in " + std::to_string(comparison.differenceCount) +
                  " rows");
  }
}

void AddCopyCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<CopyOptions>();
  CLI::App* database = app.add_subcommand("database", "the database as a whole");
  database->require_subcommand(1);
  CLI::App* copy = database->add_subcommand(
      "copy", "copy every row of the folder's database into an empty one, or back");
  CLI::Option* to = copy->add_option(
      "--to", options->to, "copy into TARGET: a PostgreSQL connection string or a SQLite file");
  CLI::Option* from = copy->add_option(
      "--from", options->from, "copy TARGET into the folder's database (the server stopped)");
  to->excludes(from);
  copy->require_option(1);
  copy->callback([&context, options] { CopyDatabase(context, *options); });
}

}  // namespace orlentis::admin
