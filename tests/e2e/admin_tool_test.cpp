#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "admin_run.h"
#include "directory/log_entries.h"
#include "peer_run.h"
#include "store/engine.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/child_process.h"
#include "support/base/temp_folder.h"
#include "support/store/each_engine.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {
namespace {

constexpr int kRunLimitMs = kAdminRunLimitMs;

// Whether Python's own JSON reader takes text as one JSON document.
bool ParsesAsJson(const std::string& text) {
  ChildProcess python(
      {"/usr/bin/python3", {"-c", "import json, sys; json.load(sys.stdin)"}, {}, {}}, text);
  return python.Wait(kRunLimitMs) == 0;
}

std::string SystemUser() {
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr ? entry->pw_name : std::to_string(::getuid());
}

// A headless server on its own program folder, and orlentis-admin working beside it.
class AdminToolTest : public OnEachEngineTest {
 protected:
  void SetUp() override {
    OnEachEngineTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(WriteListenSettings(home_.Path(), port_));
    database_ = UseFreshDatabase(home_.Path(), Engine());
    server_ = std::make_unique<ChildProcess>(HeadlessLaunch(home_.Path()));
    ASSERT_TRUE(AnswersHostCheck(port_, kRunLimitMs)) << server_->ErrorOutput();
  }

  AdminRun Admin(std::vector<std::string> arguments, const std::string& input = {}) {
    return RunAdminTool(home_.Path(), std::move(arguments), input);
  }

  // Done, or the test says what the tool said.
  void ExpectDone(std::vector<std::string> arguments, const std::string& input = {}) {
    const auto run = Admin(arguments, input);
    EXPECT_EQ(run.status, 0) << arguments[0] << " " << arguments[1] << ": " << run.error;
  }

  peer::CommandOutcome HostLogin(const std::string& user, const std::string& password) {
    return RunPeerCommand("host-login", port_, {"--user", user, "--password", password});
  }

  TempFolder home_;
  DatabaseTarget database_;
  std::uint16_t port_ = FreePort();
  std::unique_ptr<ChildProcess> server_;
};

TEST_P(AdminToolTest, AUserAddedByTheToolLogsInWithTheGrantsAndItsNewPasswordAtOnce) {
  ExpectDone({"site", "add", "127.0.0.1", "--instances", "3"});
  ExpectDone({"group", "add", "Night", "--rights", "monitoring,searching,backup"});
  ExpectDone({"user", "add", "carol", "--group", "night", "--rights", "monitoring,backup",
              "--description", "night shift", "--site", "127.0.0.1:0", "--cameras", "1,3-4",
              "--site", "127.0.0.1:2", "--cameras", "all", "--password-stdin"},
             "first-pw\n");

  const auto login = HostLogin("carol", "first-pw");
  ASSERT_EQ(login.status, peer::PeerStatus::kOk) << login.message;
  const auto& entries = login.transcript.Entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(TextOf(entries[2], "group"), "Night");
  EXPECT_EQ(NumberOf(entries[2], "authority"), 0x041);  // monitoring and backup
  EXPECT_EQ(NumberOf(entries[3], "instance"), 0);
  EXPECT_EQ(TextOf(entries[3], "camera_authority"), "1011" + std::string(60, '0'));
  EXPECT_EQ(NumberOf(entries[4], "instance"), 1);
  EXPECT_EQ(TextOf(entries[4], "camera_authority"), std::string(64, '0'));
  EXPECT_EQ(NumberOf(entries[5], "instance"), 2);
  EXPECT_EQ(TextOf(entries[5], "camera_authority"), std::string(16, '1') + std::string(48, '0'));

  // A right the group lacks is refused, as the user dialog offers only the group's.
  EXPECT_EQ(Admin({"user", "modify", "carol", "--rights", "shutdown"}).status, 1);
  ExpectDone({"user", "modify", "carol", "--site", "127.0.0.1:0", "--cameras", "none"});
  ExpectDone({"user", "passwd", "carol", "--password-stdin"}, "second-pw\n");
  EXPECT_EQ(HostLogin("carol", "first-pw").status, peer::PeerStatus::kRefused);
  const auto again = HostLogin("carol", "second-pw");
  ASSERT_EQ(again.status, peer::PeerStatus::kOk) << again.message;
  EXPECT_EQ(TextOf(again.transcript.Entries().at(3), "camera_authority"), std::string(64, '0'));

  const auto shown = Admin({"user", "show", "carol"});
  EXPECT_NE(shown.output.find("rights: monitoring,backup"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("127.0.0.1:2  1-16"), std::string::npos) << shown.output;
  // The event log names the tool and who ran it, as the console's changes name the console.
  const auto log = Admin({"log", "list"});
  EXPECT_NE(log.output.find("orlentis-admin (" + SystemUser() + ")"), std::string::npos);
  EXPECT_NE(log.output.find("(carol)"), std::string::npos) << log.output;
}

TEST_P(AdminToolTest, EachRefusalExitsWithOneAndChangesNothing) {
  ExpectDone({"user", "add", "Dave", "--group", "Operator", "--password-stdin"}, "dave-pw\n");
  ASSERT_EQ(RunPeerCommand("site-checkin", port_, {"--name", "Lobby"}).status,
            peer::PeerStatus::kOk);
  ASSERT_NE(Admin({"site", "list", "--online"}).output.find("Lobby"), std::string::npos);

  const std::vector<std::vector<std::string>> listings = {{"user", "list", "--json"},
                                                          {"group", "list", "--json"},
                                                          {"site", "list", "--json"},
                                                          {"log", "list", "--json"}};
  std::vector<std::string> before;
  for (const auto& listing : listings) before.push_back(Admin(listing).output);

  const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
      {{"user", "delete", "administrator"}, "administrator account cannot be deleted"},
      {{"user", "add", "DAVE", "--group", "Manager", "--password-stdin"}, "DAVE"},
      {{"site", "remove", "127.0.0.1"}, "on line"},
      {{"group", "delete", "Operator"}, "default group"},
      {{"group", "modify", "remote user", "--rights", "all"}, "default group"},
      {{"user", "passwd", "Dave", "--password-stdin"}, ""},  // a blank password
  };
  for (const auto& [arguments, reason] : refusals) {
    const auto run = Admin(arguments, "\n");
    EXPECT_EQ(run.status, 1) << arguments[0] << " " << arguments[1] << ": " << run.error;
    EXPECT_NE(run.error.find(reason), std::string::npos) << run.error;
  }
  for (std::size_t at = 0; at < listings.size(); ++at) {
    EXPECT_EQ(Admin(listings[at]).output, before[at]) << listings[at][0];
  }
  EXPECT_EQ(HostLogin("Dave", "dave-pw").status, peer::PeerStatus::kOk);

  // Compaction of a file waits for the server to stop, and PostgreSQL's own vacuum is the
  // server's; a usage error and a folder without a database have their own statuses.
  const auto compact = Admin({"compact"});
  EXPECT_EQ(compact.status, 1);
  EXPECT_NE(compact.error.find(Engine() == DatabaseEngine::kSqlite ? "server is running"
                                                                   : "is not compacted"),
            std::string::npos)
      << compact.error;
  EXPECT_EQ(Admin({"user", "frobnicate"}).status, 2);
  TempFolder empty;
  EXPECT_EQ(RunAdminTool(empty.Path(), {"user", "list"}).status, 3);
}

TEST_P(AdminToolTest, JsonOutputParsesAndTheLogExportIsTheConsolesBackup) {
  ExpectDone({"filter", "add", "10.0.0.1", "10.0.0.9", "lab \"B\""});
  ExpectDone({"settings", "set", "log.limit", "500"});
  EXPECT_EQ(Admin({"settings", "set", "IPSETTING.PORT", "70000"}).status, 1);
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"user", "list"},
                                             {"user", "show", "Administrator"},
                                             {"group", "list"},
                                             {"site", "list"},
                                             {"filter", "list"},
                                             {"log", "list", "--limit", "2"},
                                             {"settings", "show"},
                                             {"check"}}) {
    auto withJson = arguments;
    withJson.push_back("--json");
    const auto run = Admin(withJson);
    EXPECT_EQ(run.status, 0) << arguments[0] << ": " << run.error;
    EXPECT_TRUE(ParsesAsJson(run.output)) << run.output;
  }
  const auto check = Admin({"check"});
  EXPECT_NE(check.output.find(": intact"), std::string::npos) << check.output << check.error;
  EXPECT_NE(Admin({"settings", "show"}).output.find("LOG.Limit"), std::string::npos);
  EXPECT_NE(Admin({"filter", "list"}).output.find("10.0.0.9"), std::string::npos);

  const auto file = home_ / "LogMsg.txt";
  ExpectDone({"log", "export", file.string()});
  SetDatabaseTarget(database_);
  std::string expected;
  for (const LogEntry& entry : ListLogEntries().ValueOr({})) expected += LogExportLine(entry);
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(ReadWholeFile(file), expected);
}

TEST_P(AdminToolTest, TheDatabaseCopiedBesideTheServerIsIdenticalAndComesBackIntoAnEmptyFolder) {
  // The copy's other side is PostgreSQL whichever engine the server is on.
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  ExpectDone({"filter", "add", "10.0.0.1", "10.0.0.9", "lab \"B\""});
  ExpectDone({"user", "add", "zoë", "--group", "Operator", "--password-stdin"}, "pw\n");
  const std::string target = FreshPostgresDatabase();

  const auto copy = Admin({"database", "copy", "--to", target});
  ASSERT_EQ(copy.status, 0) << copy.error;
  EXPECT_NE(copy.error.find("copying User: 2 of 2 rows"), std::string::npos) << copy.error;
  EXPECT_EQ(Admin({"check", "--against", target}).status, 0);

  const auto again = Admin({"database", "copy", "--to", target});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.error.find("not empty"), std::string::npos) << again.error;
  EXPECT_EQ(Admin({"database", "copy", "--from", target}).status, 1) << "the server runs";
  EXPECT_EQ(Admin({"check", "--against", "host=/nonexistent dbname=none"}).status, 3);

  ExpectDone({"user", "delete", "zoë"});
  const auto differs = Admin({"check", "--against", target});
  EXPECT_EQ(differs.status, 1);
  EXPECT_NE(differs.output.find(": only in the other database"), std::string::npos)
      << differs.output;
  const auto json = Admin({"check", "--against", target, "--json"});
  EXPECT_EQ(json.status, 1);
  EXPECT_TRUE(ParsesAsJson(json.output)) << json.output;

  const TempFolder emptyFolder;
  const auto back = RunAdminTool(emptyFolder.Path(), {"database", "copy", "--from", target});
  ASSERT_EQ(back.status, 0) << back.error;
  const auto same = RunAdminTool(emptyFolder.Path(), {"check", "--against", target});
  EXPECT_EQ(same.status, 0) << same.output << same.error;
  EXPECT_NE(same.output.find("identical"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Engines, AdminToolTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
