#include "admin_context.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <ostream>

#include "admin_status.h"
#include "base/program_folder.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/engine_dialect.h"
#include "store/schema_scripts.h"
#include "store/schema_version.h"
#include "store/store_startup.h"

namespace orlentis::admin {
namespace {

std::filesystem::path ChosenFolder(const std::string& home) {
  if (!home.empty()) return std::filesystem::absolute(home);
  const char* environment = std::getenv("ORLENTIS_HOME");
  if (environment != nullptr && *environment != '\0') {
    return std::filesystem::absolute(environment);
  }
  return ExecutableFolder();
}

std::string SystemUserName() {
  const uid_t uid = ::getuid();
  if (const passwd* entry = ::getpwuid(uid); entry != nullptr) return entry->pw_name;
  return std::to_string(uid);
}

std::string GenericReason(const AccountVerdict& verdict) {
  switch (verdict.refusal) {
    case AccountRefusal::kNothingSelected:
      return "no name was given";
    case AccountRefusal::kProtected:
      return "the administrator account and the default groups are protected";
    case AccountRefusal::kNotFound:
      return "it does not exist";
    case AccountRefusal::kCannotMove:
      return "the group is already at that end of the list";
    case AccountRefusal::kDefaultGroupsKeepOrder:
      return "two default groups never change places";
    case AccountRefusal::kSiteOnline:
      return "the site is on line: only off-line sites can be removed";
    case AccountRefusal::kBlankAddress:
      return "the address is blank";
    case AccountRefusal::kInstanceCountOutOfRange:
      return "1 to 4 instances can be added at a time";
    default:
      return "refused";
  }
}

// The SQLite file's version is read without writing to it; a PostgreSQL database's through a
// session of its own (nothing there when it cannot be reached or holds no schema).
std::optional<int> StoredVersion(const DatabaseTarget& target) {
  if (target.engine == DatabaseEngine::kSqlite) return ReadSchemaVersion(target.file);
  try {
    const int version = StoredSchemaVersion(*OpenSession(target));
    return version > 0 ? std::optional(version) : std::nullopt;
  } catch (const std::exception& error) {
    throw AdminFailure(AdminStatus::kDatabase,
                       "cannot reach " + DescribeDatabase(target) + ": " + error.what());
  }
}

}  // namespace

void AdminContext::UseFolder() {
  SetProgramFolder(ChosenFolder(home));
}

std::filesystem::path AdminContext::DatabasePath() const {
  return ProgramFolder() / kDatabaseFileName;
}

DatabaseTarget AdminContext::Target() const {
  return ConfiguredDatabaseTarget(ProgramFolder());
}

void AdminContext::UseDatabase() {
  const DatabaseTarget target = Target();
  const std::string name = DescribeDatabase(target);
  if (target.engine == DatabaseEngine::kSqlite && !std::filesystem::is_regular_file(target.file)) {
    throw AdminFailure(
        AdminStatus::kDatabase,
        "no database " + name + ": start the server once on this folder to create it");
  }
  const int newest = SchemaScripts(target.engine).back().version;
  const auto version = StoredVersion(target);
  if (!version) {
    throw AdminFailure(AdminStatus::kDatabase, name + " cannot be read as a database");
  }
  if (*version != newest) {
    throw AdminFailure(AdminStatus::kDatabase,
                       name + " has schema version " + std::to_string(*version) +
                           ", this tool works on version " + std::to_string(newest) +
                           ": use the orlentis-admin of the server that runs on it");
  }
  DatabaseMaintenance::Instance().SetRepairsAllowed(false);
  SetDatabaseTarget(target);
}

std::string AdminContext::LogSource() const {
  return "orlentis-admin (" + SystemUserName() + ")";
}

void AdminContext::Require(const AccountVerdict& verdict, const Reasons& reasons) const {
  if (verdict.IsDone()) return;
  if (verdict.kind == AccountVerdict::Kind::kDatabaseFailed) RequireDone(verdict.database);
  std::string reason = verdict.Message();
  for (const auto& [refusal, text] : reasons) {
    if (reason.empty() && refusal == verdict.refusal) reason = text;
  }
  if (reason.empty()) reason = GenericReason(verdict);
  throw Refusal(reason);
}

void AdminContext::RequireDone(DbOutcome outcome) const {
  if (outcome == DbOutcome::kDone) return;
  // Another program held the write lock past the busy timeout: nothing was written, and the
  // same command succeeds once it lets go.
  if (outcome == DbOutcome::kBusy) {
    throw AdminFailure(AdminStatus::kRefused, "the database is busy, try again");
  }
  throw AdminFailure(AdminStatus::kDatabase,
                     outcome == DbOutcome::kSkipped
                         ? "the database is unavailable"
                         : "the database cannot be used: " + DatabaseName() +
                               " (the reason is on the line above)");
}

void AdminContext::PrintList(const std::vector<Record>& rows) const {
  if (json) {
    WriteJson(out_, rows);
  } else {
    PrintTable(out_, rows);
  }
}

void AdminContext::PrintOne(const Record& record) const {
  if (json) {
    WriteJson(out_, record);
  } else {
    PrintRecord(out_, record);
  }
}

void AdminContext::PrintDone(const std::string& message) const {
  if (json) {
    WriteJson(out_, Record().Add("status", "done").Add("message", message));
  } else {
    out_ << message << "\n";
  }
}

}  // namespace orlentis::admin
