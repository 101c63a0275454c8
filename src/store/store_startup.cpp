#include "store/store_startup.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "base/language.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/text_ids.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/schema.h"
#include "store/schema_version.h"
#include "store/transaction.h"

namespace orlentis {
namespace {

std::string NewerDatabaseLine(const std::filesystem::path& file, int version, int newest) {
  return "the database " + file.string() + " has schema version " + std::to_string(version) +
         ", newer than this program's " + std::to_string(newest) +
         "; refusing to start: run the newer program that upgraded it, or put back a copy of "
         "the database saved before that";
}

std::string FailedUpgradeLine(const std::filesystem::path& file, const SchemaUpgrade& upgrade) {
  return "cannot upgrade the database " + file.string() + " from schema version " +
         std::to_string(upgrade.version) + " to " + std::to_string(upgrade.failedVersion) + " (" +
         upgrade.error + "); it was left at version " + std::to_string(upgrade.version) +
         "; refusing to start: run the program that last used it, or put back a backup";
}

DatabasePreparation Refuse(const std::string& line) {
  CloseThreadSession();
  LogToOperator(kLogStoreDatabaseRefused, line);
  return DatabasePreparation::kRefused;
}

// Brings the schema to the newest version and writes the first-start accounts; throws when the
// database cannot be prepared.
DatabasePreparation UpgradeAndSeed(soci::session& session, const std::filesystem::path& file,
                                   std::span<const SchemaScript> scripts) {
  const SchemaUpgrade upgrade = UpgradeSchema(session, scripts);
  if (upgrade.outcome == SchemaUpgrade::Outcome::kNewerThanProgram) {
    return Refuse(NewerDatabaseLine(file, upgrade.version, upgrade.newest));
  }
  if (upgrade.outcome == SchemaUpgrade::Outcome::kStepFailed) {
    // The first version only creates what is missing; when even that fails, the file is
    // damaged, and the start-up maintenance repairs it as it did before versions existed.
    if (upgrade.failedVersion == scripts.front().version) {
      throw std::runtime_error(upgrade.error);
    }
    return Refuse(FailedUpgradeLine(file, upgrade));
  }
  SeedNewDatabase(session, file.parent_path());
  return DatabasePreparation::kReady;
}

}  // namespace

DatabasePreparation PrepareDatabase(const std::filesystem::path& databaseFile,
                                    std::span<const SchemaScript> scripts) {
  SetDatabaseFile(databaseFile);
  // Read before any session opens it: switching the file to write-ahead logging alone would
  // change the bytes of a database that must be left as it is.
  const int newest = scripts.back().version;
  const std::optional<int> found = ReadSchemaVersion(databaseFile);
  if (found && *found > newest) return Refuse(NewerDatabaseLine(databaseFile, *found, newest));
  try {
    const DatabasePreparation preparation = UpgradeAndSeed(ThreadSession(), databaseFile, scripts);
    if (preparation == DatabasePreparation::kReady) {
      LogToOperator(kLogStoreDatabase, "database file " + databaseFile.string());
    }
    return preparation;
  } catch (const std::exception& error) {
    CloseThreadSession();
    LogToOperator(kLogStoreDatabaseUnusable,
                  "cannot prepare the database " + databaseFile.string() + ": " + error.what());
    return DatabasePreparation::kFailed;
  }
}

bool RunStoreStartup(const std::filesystem::path& programFolder) {
  const DatabasePreparation preparation = PrepareDatabase(programFolder / kDatabaseFileName);
  if (preparation == DatabasePreparation::kRefused) return false;
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  if (preparation == DatabasePreparation::kFailed) {
    maintenance.SetPrepared(false);
    maintenance.MarkUnusable("it could not be prepared");
  }
  maintenance.RunMaintenance();
  AppendLogEntryById(kTextProgramName, kTextStart, kTextStarted, true);
  maintenance.SetStartupFinished();
  return true;
}

void RecheckUnusableDatabase() {
  DatabaseMaintenance::Instance().RecheckUnusableDatabase([] {
    if (PrepareDatabase(DatabaseFile()) != DatabasePreparation::kReady) return false;
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
