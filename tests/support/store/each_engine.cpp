#include "support/store/each_engine.h"

#include <stdexcept>

#include "base/profile_file.h"
#include "base/program_folder.h"
#include "store/engine.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {

void OnEachEngineTest::SetUp() {
  if (Engine() == DatabaseEngine::kPostgres && !PostgresServer::BinaryFolder()) {
    GTEST_SKIP() << "skipped: PostgreSQL not installed";
  }
}

DatabaseTarget UseFreshDatabase(const std::filesystem::path& home, DatabaseEngine engine) {
  if (engine == DatabaseEngine::kSqlite)
    return DatabaseTarget::SqliteFile(home / kDatabaseFileName);
  const std::string connection = FreshPostgresDatabase();
  const auto settings = home / kSettingsFileName;
  ProfileFile ini(settings);
  ini.SetText("DATABASE", "CONNECT", connection);
  if (!ini.SaveAs(settings)) throw std::runtime_error("cannot write " + settings.string());
  return DatabaseTarget::Postgres(connection);
}

}  // namespace orlentis::testing
