#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/base/child_process.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {

// A real PostgreSQL server of its own: a cluster made by initdb in a temporary folder,
// listening only on a Unix socket in that folder, so that it clashes with no other server and
// no port. Stopped (fast shutdown) and removed when the object goes away. Run by the postgres
// system user when the tests run as root, since PostgreSQL refuses to run as root.
class PostgresServer {
 public:
  // The folder of initdb and postgres; nothing where PostgreSQL is not installed.
  static std::optional<std::filesystem::path> BinaryFolder();
  // The test program's one server, started on first use: a cluster takes about a second to
  // make, a database a few milliseconds.
  static PostgresServer& Shared();

  // Makes the cluster and starts the server with settings (name=value) beside the fixture's
  // own, waiting until it accepts connections. Throws std::runtime_error with PostgreSQL's own
  // words when it cannot.
  explicit PostgresServer(const std::filesystem::path& binaryFolder,
                          std::vector<std::string> settings = {});
  // A streaming standby of primary: its base backup, started in recovery and following it.
  static std::unique_ptr<PostgresServer> StandbyOf(const PostgresServer& primary);
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // A libpq connection string for the database.
  std::string ConnectionString(const std::string& database) const;
  // Creates an empty database and gives its connection string.
  std::string CreateDatabase(const std::string& database) const;
  // Turns the database's connections away and ends those it has, or lets them in again: to
  // its clients it cannot be reached, as when it is stopped, while the cluster stays up.
  void SetReachable(const std::string& database, bool reachable) const;
  // Stops at once, as a crash would: sessions cut, no checkpoint.
  void Crash();
  // Makes a standby a primary that takes writes, returning once it does.
  void Promote() const;
  // A connection string that finds whichever of servers takes writes, as libpq does with
  // several hosts and target_session_attrs.
  static std::string WritableOneOf(const std::vector<const PostgresServer*>& servers,
                                   const std::string& database);

 private:
  struct StandbyTag {};
  PostgresServer(StandbyTag, const PostgresServer& primary);

  ChildProcess::Launch AsServerUser(const std::string& program,
                                    std::vector<std::string> arguments) const;
  void TakeFolder() const;
  void MakeCluster() const;
  void CopyAsStandby(const PostgresServer& primary) const;
  void Start();
  bool AcceptsConnections() const;

  std::filesystem::path binaryFolder_;
  std::vector<std::string> settings_;
  TempFolder folder_;
  std::unique_ptr<ChildProcess> postgres_;
};

// A new, empty database on the shared server, named by the test program's count of them, by
// its connection string.
std::string FreshPostgresDatabase();

// A test on the shared server, skipped where PostgreSQL is not installed.
class PostgresTest : public ::testing::Test {
 protected:
  void SetUp() override;
  PostgresServer& Server() { return PostgresServer::Shared(); }
};

}  // namespace orlentis::testing
