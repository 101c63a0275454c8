#include <soci/soci.h>

#include <CLI/CLI.hpp>
#include <memory>

#include "admin_commands.h"
#include "admin_status.h"
#include "base/language.h"
#include "base/program_folder.h"
#include "base/single_instance.h"
#include "base/text_ids.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/postgres_maintenance.h"

namespace orlentis::admin {
namespace {

// SQLite's integrity check on a read-only session: nothing is written, not even the journal
// mode, so it is safe beside a running server. A PostgreSQL database has no file to check;
// its tables are read through instead.
std::vector<std::string> FindProblems(const DatabaseTarget& target) {
  if (target.engine == DatabaseEngine::kPostgres) return CheckPostgresTables(target);
  std::vector<std::string> problems;
  const auto session = OpenReadOnlySession(target.file);
  const soci::rowset<std::string> rows = (session->prepare << "PRAGMA integrity_check");
  for (const std::string& row : rows) {
    if (row != "ok") problems.push_back(row);
  }
  return problems;
}

void CheckDatabase(const AdminContext& context) {
  const std::string name = context.DatabaseName();
  std::vector<std::string> problems;
  try {
    problems = FindProblems(context.Target());
  } catch (const std::exception& error) {
    throw AdminFailure(AdminStatus::kDatabase, "cannot check " + name + ": " + error.what());
  }
  if (context.json) {
    std::vector<Record> found;
    for (const std::string& problem : problems) found.push_back(Record().Add("problem", problem));
    WriteJson(context.Out(), Record().Add("intact", problems.empty()).Add("problems", found));
  } else if (problems.empty()) {
    context.Out() << name << ": intact\n";
  }
  if (problems.empty()) return;
  std::string message = name + " is damaged:";
  for (const std::string& problem : problems) message += "\n  " + problem;
  throw AdminFailure(AdminStatus::kDatabase, message);
}

// Only with the server stopped: the lock it holds while it runs keeps it from starting
// meanwhile, too.
void CompactDatabase(const AdminContext& context) {
  if (context.Target().engine == DatabaseEngine::kPostgres) {
    throw Refusal("a PostgreSQL database is not compacted: the server's maintenance vacuums it");
  }
  const SingleInstanceLock lock(ProgramFolder());
  if (!lock.Acquired()) {
    throw Refusal("the server is running on " + ProgramFolder().string() +
                  " (it holds Orlentis.lock): stop it first; its own maintenance also "
                  "compacts the database");
  }
  if (!DatabaseMaintenance::Instance().CompactDatabase(context.DatabasePath())) {
    throw AdminFailure(AdminStatus::kDatabase,
                       "cannot compact " + context.DatabasePath().string() +
                           "; it is left as it was (the reason is on the line above)");
  }
  AppendLogEntry(context.LogSource(), GetLanguageText(kTextMaintenance),
                 GetLanguageText(kTextCompacted), {"database.maintenance"}, true);
  context.PrintDone(context.DatabasePath().string() + " compacted");
}

}  // namespace

void AddDatabaseCommands(CLI::App& app, AdminContext& context) {
  auto against = std::make_shared<std::string>();
  CLI::App* check =
      app.add_subcommand("check", "check the database's integrity, without writing to it");
  check->add_option("--against", *against,
                    "instead, compare it row by row with TARGET: a PostgreSQL connection "
                    "string or a SQLite file");
  check->callback([&context, against] {
    if (against->empty()) {
      CheckDatabase(context);
    } else {
      CompareWithDatabase(context, *against);
    }
  });
  app.add_subcommand("compact", "compact the database while the server is stopped")
      ->callback([&context] { CompactDatabase(context); });
}

}  // namespace orlentis::admin
