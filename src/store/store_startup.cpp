#include "store/store_startup.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "base/audit_trail.h"
#include "base/language.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "base/text_ids.h"
#include "store/advisory_lock.h"
#include "store/database_maintenance.h"
#include "store/directory_version.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/maintenance_leader.h"
#include "store/postgres_maintenance.h"
#include "store/postgres_session.h"
#include "store/schema.h"
#include "store/schema_version.h"
#include "store/server_registry.h"
#include "store/transaction.h"

namespace orlentis {
namespace {

std::string NewerDatabaseLine(const std::string& database, int version, int newest) {
  return "the database " + database + " has schema version " + std::to_string(version) +
         ", newer than this program's " + std::to_string(newest) +
         "; refusing to start: run the newer program that upgraded it, or put back a copy of "
         "the database saved before that";
}

std::string FailedUpgradeLine(const std::string& database, const SchemaUpgrade& upgrade) {
  return "cannot upgrade the database " + database + " from schema version " +
         std::to_string(upgrade.version) + " to " + std::to_string(upgrade.failedVersion) + " (" +
         upgrade.error + "); it was left at version " + std::to_string(upgrade.version) +
         "; refusing to start: run the program that last used it, or put back a backup";
}

// Where the first-start password file goes: beside the SQLite file, or in the program folder.
std::filesystem::path SeedFolder(const DatabaseTarget& target) {
  return target.engine == DatabaseEngine::kSqlite ? target.file.parent_path() : ProgramFolder();
}

DatabasePreparation Refuse(const std::string& line) {
  CloseThreadSession();
  LogToOperator(kLogStoreDatabaseRefused, line);
  return DatabasePreparation::kRefused;
}

// Brings the schema to the newest version and writes the first-start accounts; throws when the
// database cannot be prepared.
DatabasePreparation UpgradeAndSeed(soci::session& session, const DatabaseTarget& target,
                                   std::span<const SchemaScript> scripts) {
  const std::string database = DescribeDatabase(target);
  const AdvisoryLock schemaLock(session, kSchemaLockKey);
  const SchemaUpgrade upgrade = UpgradeSchema(session, scripts);
  if (upgrade.outcome == SchemaUpgrade::Outcome::kNewerThanProgram) {
    return Refuse(NewerDatabaseLine(database, upgrade.version, upgrade.newest));
  }
  if (upgrade.outcome == SchemaUpgrade::Outcome::kStepFailed) {
    // The first version only creates what is missing; when even that fails, the file is
    // damaged, and the start-up maintenance repairs it as it did before versions existed.
    if (upgrade.failedVersion == scripts.front().version) {
      throw std::runtime_error(upgrade.error);
    }
    return Refuse(FailedUpgradeLine(database, upgrade));
  }
  SeedNewDatabase(session, SeedFolder(target));
  return DatabasePreparation::kReady;
}

}  // namespace

DatabasePreparation PrepareDatabase(const DatabaseTarget& target,
                                    std::span<const SchemaScript> scripts) {
  SetDatabaseTarget(target);
  const std::string database = DescribeDatabase(target);
  // Read before any session opens it: switching the file to write-ahead logging alone would
  // change the bytes of a database that must be left as it is.
  if (target.engine == DatabaseEngine::kSqlite) {
    const int newest = scripts.back().version;
    const std::optional<int> found = ReadSchemaVersion(target.file);
    if (found && *found > newest) return Refuse(NewerDatabaseLine(database, *found, newest));
  }
  // A database already known to be unusable is being checked again: only its coming back is
  // news, and that is said once it is marked usable.
  const bool quiet = DatabaseMaintenance::Instance().IsUnusable();
  try {
    const DatabasePreparation preparation = UpgradeAndSeed(ThreadSession(), target, scripts);
    if (preparation == DatabasePreparation::kReady && !quiet) {
      LogToOperator(
          kLogStoreDatabase,
          (target.engine == DatabaseEngine::kSqlite ? "database file " : "database ") + database);
    }
    return preparation;
  } catch (const std::exception& error) {
    CloseThreadSession();
    if (!quiet) {
      LogToOperator(kLogStoreDatabaseUnusable,
                    "cannot prepare the database " + database + ": " + error.what());
    }
    return DatabasePreparation::kFailed;
  }
}

DatabasePreparation PrepareDatabase(const DatabaseTarget& target) {
  return PrepareDatabase(target, SchemaScripts(target.engine));
}

DatabasePreparation PrepareDatabase(const std::filesystem::path& databaseFile,
                                    std::span<const SchemaScript> scripts) {
  return PrepareDatabase(DatabaseTarget::SqliteFile(databaseFile), scripts);
}

DatabaseTarget ConfiguredDatabaseTarget(const std::filesystem::path& programFolder) {
  const std::string connection = Settings::Instance().GetDatabaseConnection();
  if (connection.empty()) return DatabaseTarget::SqliteFile(programFolder / kDatabaseFileName);
  return DatabaseTarget::Postgres(connection);
}

constexpr std::chrono::seconds kFirstVersionWait{2};

bool RunStoreStartup(const std::filesystem::path& programFolder) {
  const DatabaseTarget target = ConfiguredDatabaseTarget(programFolder);
  const Settings& settings = Settings::Instance();
  const std::string serverName = ThisServerName(settings.GetPort());
  // Before the first session: each one carries the name, for the rows it writes.
  SetSessionName(serverName);
  SetAuditServerName(serverName);
  const DatabasePreparation preparation = PrepareDatabase(target);
  if (preparation == DatabasePreparation::kRefused) return false;
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  DirectoryVersionWatch::Instance().Start(target);
  // So that the first logins are kept, for their next time and for a time without the
  // database; a database that cannot be reached now is not waited for.
  if (preparation == DatabasePreparation::kReady) {
    DirectoryVersionWatch::Instance().WaitUntilKnown(kFirstVersionWait);
  }
  const std::string listenAddress = settings.GetListenAddress();
  ServerRegistry::Instance().Start(target, serverName,
                                   (listenAddress.empty() ? "0.0.0.0" : listenAddress) + ":" +
                                       std::to_string(settings.GetPort()));
  // A database that could not be prepared is not waited for a second time here: the lead is
  // tried from the leader's own thread.
  MaintenanceLeader::Instance().Start(
      target,
      [] {
        DatabaseMaintenance::Instance().AdoptLastMaintenance();
        CloseThreadSession();
      },
      preparation == DatabasePreparation::kReady);
  if (preparation == DatabasePreparation::kFailed) {
    maintenance.SetPrepared(false);
    maintenance.MarkUnusable("it could not be prepared");
  }
  maintenance.RunMaintenance();
  AppendLogEntryById(kTextProgramName, kTextStart, kTextStarted, "server.started", true);
  maintenance.SetStartupFinished();
  return true;
}

void RecheckUnusableDatabase() {
  DatabaseMaintenance::Instance().RecheckUnusableDatabase([] {
    const DatabaseTarget target = CurrentDatabaseTarget();
    // Preparing says why it failed in the operator's log: not again at every try while the
    // server cannot even be reached.
    if (target.engine == DatabaseEngine::kPostgres && !CanReachPostgres(target)) return false;
    if (PrepareDatabase(target) != DatabasePreparation::kReady) return false;
    try {
      // Another process may hold the write lock, or the disk be full: reading is not enough.
      GroupTransaction probe(ThreadSession());
      return true;
    } catch (const std::exception&) {
      CloseThreadSession();
      return false;
    }
  });
}

}  // namespace orlentis
