#pragma once

#include <soci/soci.h>

#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "store/schema_scripts.h"

namespace orlentis {

// What became of bringing a database to the newest version of its scripts.
struct SchemaUpgrade {
  enum class Outcome {
    kCurrent,           // the database is at the newest version
    kNewerThanProgram,  // its version is beyond the scripts; nothing was written
    kStepFailed,        // a step failed, and was undone; the steps before it stay
  };
  Outcome outcome = Outcome::kCurrent;
  int version = 0;        // the database's version afterwards
  int newest = 0;         // the last script's version
  int failedVersion = 0;  // with kStepFailed: the version whose script failed
  std::string error;      // with kStepFailed: the engine's message
};

// Brings the database of session to the last version of scripts, which are in ascending order
// of consecutive versions. Every step runs in one transaction together with setting the
// database's version (store/engine_dialect.h), so a database is always at exactly one version.
// The first script only creates what is missing: it also runs on a database of version 0 that
// an earlier build wrote (which keeps its rows and becomes the first version), and again on a
// database at the first version, to put back a table or index it lost.
SchemaUpgrade UpgradeSchema(soci::session& session, std::span<const SchemaScript> scripts);
// The same with the program's scripts for the engine of session.
SchemaUpgrade UpgradeSchema(soci::session& session);

// The version the database in session is at.
int SchemaVersion(soci::session& session);

// The version of the SQLite database in file, read without writing to it; nothing when the file
// does not exist or cannot be read as a database.
std::optional<int> ReadSchemaVersion(const std::filesystem::path& file);

}  // namespace orlentis
