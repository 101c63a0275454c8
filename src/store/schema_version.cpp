#include "store/schema_version.h"

#include <system_error>

#include "store/bound_statement.h"
#include "store/engine.h"

namespace orlentis {
namespace {

void SetSchemaVersion(soci::session& session, int version) {
  BoundStatement(session, "PRAGMA user_version = " + std::to_string(version)).Execute();
}

void RunStep(soci::session& session, const SchemaScript& script) {
  soci::transaction transaction(session);
  if (SchemaVersion(session) != script.version) SetSchemaVersion(session, script.version);
  ExecuteScript(session, script.sql);
  transaction.commit();
}

bool IsDue(const SchemaScript& script, bool first, int version) {
  return script.version > version || (first && script.version == version);
}

}  // namespace

std::span<const SchemaScript> SchemaScripts() {
  static const SchemaScript scripts[] = {{1, kSchemaScript1}};
  return scripts;
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
  int version = 0;
  BoundStatement(session, "PRAGMA user_version").Into(version).Execute();
  return version;
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
