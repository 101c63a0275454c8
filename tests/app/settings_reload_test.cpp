#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iterator>

#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "support/app/listening_home.h"
#include "support/app/notify_socket.h"
#include "support/app/orlentis_process.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_wire.h"

namespace orlentis::testing {
namespace {

constexpr int kWaitMs = 30000;

// One host check, no retries: whether this connection is admitted and answered.
bool HostCheckAnswered(std::uint16_t port) {
  WireClient client(port);
  if (!client.Connected() || !client.Send(CheckIn("CheckHostExist"))) return false;
  const auto reply = ReceiveStatus(client);
  return reply && reply->word == RSP_OK;
}

int LogRows(soci::session& session) {
  int rows = 0;
  BoundStatement(session, "SELECT COUNT(*) FROM Log").Into(rows).Execute();
  return rows;
}

// The headless server under a notification socket, as systemd runs it.
class SettingsReloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteListenSettings(home_.Path(), port_));
    ChildProcess::Launch launch = HeadlessLaunch(home_.Path());
    launch.environment.push_back(notices_.Environment());
    server_ = std::make_unique<ChildProcess>(launch);
    ASSERT_TRUE(notices_.WaitFor("READY=1", kWaitMs)) << server_->ErrorOutput();
  }

  // SIGHUP, then the reload's own notifications: it is done once the server is ready again.
  void Reload() {
    server_->Signal(SIGHUP);
    ASSERT_TRUE(notices_.WaitFor("RELOADING=1", kWaitMs)) << server_->ErrorOutput();
    ASSERT_TRUE(notices_.WaitFor("READY=1", kWaitMs)) << server_->ErrorOutput();
  }

  void StopCleanly() {
    server_->Signal(SIGTERM);
    EXPECT_TRUE(notices_.WaitFor("STOPPING=1", kWaitMs));
    EXPECT_EQ(server_->Wait(kWaitMs), 0) << server_->ErrorOutput();
  }

  TempFolder home_;
  const std::uint16_t port_ = FreePort();
  NotifySocket notices_{home_ / "notify"};
  std::unique_ptr<ChildProcess> server_;
};

TEST_F(SettingsReloadTest, LogLimitAndFilterModeTakeEffectWithoutARestart) {
  const auto database = OpenSession(home_ / "OrlentisDB.db");
  // Ten entries more than the coming limit keeps, and a filter range that 127.0.0.1 is outside
  // of: admitted in deny mode, refused in accept mode.
  ExecuteScript(*database,
                "INSERT INTO MaskIP (strDescription, strIPFrom, strIPTo) VALUES ('lab', "
                "'10.0.0.1', '10.0.0.9');"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10) "
                "INSERT INTO Log (time, strSource, strAction, strDetail) "
                "SELECT '2026-01-01 00:00:00', 'test', 'filler', 'entry ' || i FROM n;");
  ASSERT_TRUE(HostCheckAnswered(port_));
  ASSERT_GT(LogRows(*database), 3);

  Settings edited(home_ / "Setting.ini");
  LogLimits limits = edited.GetLogLimits();
  limits.mode = 0;
  limits.keepRecords = 3;
  edited.SetLogLimits(limits);
  PreferenceBlock preferences = edited.GetPreferences();
  preferences.ipFilterMode = 1;
  edited.SetPreferences(preferences);
  ASSERT_TRUE(edited.Save());
  Reload();

  EXPECT_FALSE(HostCheckAnswered(port_));
  // The reload's one entry is the newest of the three the new limit keeps.
  EXPECT_EQ(LogRows(*database), 3);
  std::string action;
  std::string detail;
  BoundStatement(*database, "SELECT strAction, strDetail FROM Log ORDER BY rowid DESC LIMIT 1")
      .Into(action)
      .Into(detail)
      .Execute();
  EXPECT_EQ(action, "Reload settings");
  EXPECT_EQ(detail, "Settings read again from Setting.ini");
  EXPECT_EQ(server_->ErrorOutput().find("app.restart-needed"), std::string::npos);
  StopCleanly();
}

// Only the administrator's edit of the file can name another database.
void NameAnotherDatabase(const std::filesystem::path& settingsFile, const std::string& connection) {
  std::string text;
  {
    std::ifstream in(settingsFile);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (const auto at = text.find("CONNECT=\n"); at != std::string::npos) text.erase(at, 9);
  text.replace(text.find("[DATABASE]\n"), 11, "[DATABASE]\nCONNECT=" + connection + "\n");
  std::ofstream(settingsFile) << text;
}

TEST_F(SettingsReloadTest, ANewPortOrDatabaseIsReportedAndWaitsForARestart) {
  Settings edited(home_ / "Setting.ini");
  PreferenceBlock preferences = edited.GetPreferences();
  const std::uint16_t newPort = FreePort();
  preferences.port = newPort;
  edited.SetPreferences(preferences);
  ASSERT_TRUE(edited.Save());
  NameAnotherDatabase(home_ / "Setting.ini", "host=/nowhere dbname=elsewhere");
  Reload();

  EXPECT_TRUE(server_->WaitForError("[app.restart-needed]", kWaitMs));
  EXPECT_NE(server_->ErrorOutput().find("127.0.0.1:" + std::to_string(newPort)), std::string::npos);
  EXPECT_NE(server_->ErrorOutput().find("names the database PostgreSQL (dbname=elsewhere "
                                        "host=/nowhere); that takes a restart"),
            std::string::npos)
      << server_->ErrorOutput();
  EXPECT_TRUE(HostCheckAnswered(port_));
  StopCleanly();
}

}  // namespace
}  // namespace orlentis::testing
