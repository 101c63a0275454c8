#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <string>

#include "admin_run.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "store/server_registry.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/poll_until.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_wire.h"
#include "support/store/each_engine.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {
namespace {

// A headless server on its own folder and port, on the database of connection.
struct SharingServer {
  SharingServer(const std::string& connection) : port(FreePort()) {
    EXPECT_TRUE(WriteListenSettings(home.Path(), port));
    const auto settings = home / kSettingsFileName;
    ProfileFile ini(settings);
    ini.SetText("DATABASE", "CONNECT", connection);
    EXPECT_TRUE(ini.SaveAs(settings));
    process = std::make_unique<ChildProcess>(HeadlessLaunch(home.Path()));
    EXPECT_TRUE(AnswersHostCheck(port, 30000)) << process->ErrorOutput();
  }
  std::string Name() const { return ThisServerName(port); }
  std::string Admin(const std::vector<std::string>& arguments) const {
    const AdminRun run = RunAdminTool(home.Path(), arguments);
    EXPECT_EQ(run.status, 0) << run.error;
    return run.output;
  }

  TempFolder home;
  std::uint16_t port;
  std::unique_ptr<ChildProcess> process;
};

bool Lists(const std::string& output, const std::string& text) {
  return output.find(text) != std::string::npos;
}

// Two servers on one PostgreSQL database know each other through it: each lists itself in
// the servers' table, each site names the server it checked in through, each event-log entry
// the server that wrote it, and a server that stops leaves the table.
TEST(ServersSharingADirectoryTest, SitesAndEntriesNameTheirServerAndAStoppedServerLeaves) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  const std::string connection = FreshPostgresDatabase();
  SharingServer a(connection);
  auto b = std::make_unique<SharingServer>(connection);
  const std::string bName = b->Name();
  EXPECT_TRUE(PollUntil(
      [&] {
        const std::string servers = a.Admin({"servers"});
        return Lists(servers, a.Name()) && Lists(servers, bName);
      },
      std::chrono::seconds(10)));

  // The same recorder through A, then through B: the site is the same row, moved to B.
  for (const std::uint16_t port : {a.port, b->port}) {
    WireClient recorder(port);
    const auto checkIn = Ask(recorder, SiteCheckInBlock(CMD_SITE_CHECKIN, u"Lobby"));
    ASSERT_TRUE(checkIn.has_value());
    EXPECT_EQ(checkIn->word, RSP_OK);
  }
  const std::string online = a.Admin({"site", "list", "--online", "--json"});
  EXPECT_TRUE(Lists(online, "\"name\":\"Lobby\"")) << online;
  EXPECT_TRUE(Lists(online, "\"server\":\"" + bName + "\"")) << online;

  const std::string log = a.Admin({"log", "list", "--json"});
  EXPECT_TRUE(Lists(log, "\"server\":\"" + a.Name() + "\"")) << log;
  EXPECT_TRUE(Lists(log, "\"server\":\"" + bName + "\"")) << log;

  b->process->Signal(SIGTERM);
  EXPECT_EQ(b->process->Wait(20000), 0) << b->process->ErrorOutput();
  const std::string servers = a.Admin({"servers"});
  EXPECT_TRUE(Lists(servers, a.Name())) << servers;
  EXPECT_FALSE(Lists(servers, bName)) << servers;
  a.process->Signal(SIGTERM);
  EXPECT_EQ(a.process->Wait(20000), 0) << a.process->ErrorOutput();
}

}  // namespace
}  // namespace orlentis::testing
