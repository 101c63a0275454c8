#include "store/schema_version.h"

#include <system_error>

#include "store/engine.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

// The version is set after the script, which on PostgreSQL creates the table that holds it.
void RunStep(soci::session& session, const SchemaScript& script) {
  soci::transaction transaction(session);
  ExecuteScript(session, script.sql);
  if (SchemaVersion(session) != script.version) StoreSchemaVersion(session, script.version);
  transaction.commit();
}

bool IsDue(const SchemaScript& script, bool first, int version) {
  return script.version > version || (first && script.version == version);
}

}  // namespace

std::span<const SchemaScript> SchemaScripts(DatabaseEngine engine) {
  static const SchemaScript sqliteScripts[] = {{1, kSchemaScript1}};
  static const SchemaScript postgresScripts[] = {{1, kPostgresSchemaScript1}};
  if (engine == DatabaseEngine::kPostgres) return postgresScripts;
  return sqliteScripts;
}

SchemaUpgrade UpgradeSchema(soci::session& session) {
  return UpgradeSchema(session, SchemaScripts(SessionEngine(session)));
}

SchemaUpgrade UpgradeSchema(soci::session& session, std::span<const SchemaScript> scripts) {
  SchemaUpgrade upgrade;
  upgrade.newest = scripts.empty() ? 0 : scripts.back().version;
  upgrade.version = SchemaVersion(session);
  if (upgrade.version > upgrade.newest) {
    upgrade.outcome = SchemaUpgrade::Outcome::kNewerThanProgram;
    return upgrade;
  }
  for (const SchemaScript& script : scripts) {
    if (!IsDue(script, &script == &scripts.front(), upgrade.version)) continue;
    try {
      RunStep(session, script);
    } catch (const std::exception& error) {
      upgrade.outcome = SchemaUpgrade::Outcome::kStepFailed;
      upgrade.failedVersion = script.version;
      upgrade.error = error.what();
      return upgrade;
    }
    upgrade.version = script.version;
  }
  return upgrade;
}

int SchemaVersion(soci::session& session) {
  return StoredSchemaVersion(session);
}

std::optional<int> ReadSchemaVersion(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return std::nullopt;
  try {
    const auto session = OpenReadOnlySession(file);
    return SchemaVersion(*session);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace orlentis
