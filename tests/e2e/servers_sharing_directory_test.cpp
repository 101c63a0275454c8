#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "admin_run.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "recorder/host_requests.h"
#include "store/directory_version.h"
#include "store/server_registry.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/poll_until.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_wire.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {
namespace {

// The first-start password that the launch gives the Administrator.
constexpr const char* kAdministratorPassword = "test-admin";

// A headless server on its own folder and port, on the database of connection.
struct SharingServer {
  explicit SharingServer(const std::string& connection) : port(FreePort()) {
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

// A host login through port, to its verdict: whether it was accepted.
bool HostLoginAccepted(std::uint16_t port, const std::string& name, const std::string& password) {
  WireClient host(port);
  if (!host.Send(EncodeHostRequest(HOST_USER_LOGIN, 0))) return false;
  if (ReceiveHostFrame(host) != HostFrame{1, 1, 1}) return false;
  if (!host.Send(EncodeHostCredentials(name, HostPasswordDigest(password)))) return false;
  return ReceiveHostFrame(host) == HostFrame{1, 1, 1};
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

// While the database cannot be reached, a login the server accepted at the directory's last
// version is accepted from memory, any other is not (a password changed since included), an
// administrative change is refused, and CACHEDLOGINS=0 turns that off; the server comes back
// by itself once the database is reachable again.
TEST(ServersSharingADirectoryTest, RememberedLoginsAreAcceptedWhileTheDatabaseIsAway) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  const std::string database = "outage";
  SharingServer server(PostgresServer::Shared().CreateDatabase(database));
  const auto accepted = [&](const std::string& name, const std::string& password) {
    return HostLoginAccepted(server.port, name, password);
  };
  const auto reachAgain = [&](const std::string& password) {
    PostgresServer::Shared().SetReachable(database, true);
    return PollUntil([&] { return accepted("Administrator", password); }, std::chrono::seconds(10));
  };

  // Accepted, then changed elsewhere: the server learns of the change (within milliseconds)
  // without reading that login again, so what it kept of it is stale.
  ASSERT_TRUE(accepted("Administrator", kAdministratorPassword));
  const AdminRun changed = RunAdminTool(
      server.home.Path(), {"user", "passwd", "Administrator", "--password-stdin"}, "changed-pw\n");
  ASSERT_EQ(changed.status, 0) << changed.error;
  std::this_thread::sleep_for(std::chrono::seconds(1));
  PostgresServer::Shared().SetReachable(database, false);
  EXPECT_FALSE(accepted("Administrator", kAdministratorPassword));
  EXPECT_FALSE(accepted("Administrator", "changed-pw"));
  ASSERT_TRUE(reachAgain("changed-pw"));
  // Kept once the server's watch of the directory's version has connected again as well.
  std::this_thread::sleep_for(DirectoryVersionWatch::kPollPeriod + std::chrono::seconds(1));
  ASSERT_TRUE(accepted("Administrator", "changed-pw"));

  PostgresServer::Shared().SetReachable(database, false);
  EXPECT_TRUE(accepted("Administrator", "changed-pw"));
  EXPECT_FALSE(accepted("Administrator", "wrong"));
  EXPECT_FALSE(accepted("nobody", "changed-pw"));
  const AdminRun refused = RunAdminTool(server.home.Path(), {"group", "add", "Guards"});
  EXPECT_EQ(refused.status, 3);
  EXPECT_TRUE(Lists(refused.error, "cannot reach PostgreSQL")) << refused.error;

  const auto settings = server.home / kSettingsFileName;
  ProfileFile ini(settings);
  ini.SetText("DATABASE", "CACHEDLOGINS", "0");
  ASSERT_TRUE(ini.SaveAs(settings));
  server.process->Signal(SIGHUP);
  EXPECT_TRUE(PollUntil([&] { return !accepted("Administrator", "changed-pw"); },
                        std::chrono::seconds(10)));

  EXPECT_TRUE(reachAgain("changed-pw"));
  server.Admin({"group", "add", "Guards"});
  server.process->Signal(SIGTERM);
  EXPECT_EQ(server.process->Wait(20000), 0) << server.process->ErrorOutput();
}

bool ChecksIn(std::uint16_t port, const std::u16string& site) {
  WireClient recorder(port);
  const auto checkIn = Ask(recorder, SiteCheckInBlock(CMD_SITE_CHECKIN, site));
  return checkIn.has_value() && checkIn->word == RSP_OK;
}

// A primary with a synchronous standby, and a server given both by a connection string that
// asks for the one taking writes: when the primary crashes and the standby is promoted, the
// server finds the new primary by itself, without a restart, takes a change made there, and
// nothing it acknowledged before the crash is missing.
TEST(ServersSharingADirectoryTest, AServerFollowsAPromotedStandby) {
  const auto binaries = PostgresServer::BinaryFolder();
  if (!binaries) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  PostgresServer primary(*binaries, {"synchronous_standby_names=*", "synchronous_commit=on"});
  const auto standby = PostgresServer::StandbyOf(primary);
  primary.CreateDatabase("failover");
  SharingServer server(PostgresServer::WritableOneOf({&primary, standby.get()}, "failover"));
  ASSERT_TRUE(ChecksIn(server.port, u"Before"));
  ASSERT_TRUE(HostLoginAccepted(server.port, "Administrator", kAdministratorPassword));

  primary.Crash();
  standby->Promote();
  const auto changeOnNewPrimary = [&] {
    return RunAdminTool(server.home.Path(), {"user", "passwd", "Administrator", "--password-stdin"},
                        "after-failover\n")
               .status == 0;
  };
  ASSERT_TRUE(PollUntil(changeOnNewPrimary, std::chrono::seconds(30)));
  EXPECT_TRUE(
      PollUntil([&] { return HostLoginAccepted(server.port, "Administrator", "after-failover"); },
                std::chrono::seconds(30)));
  EXPECT_TRUE(ChecksIn(server.port, u"After"));
  EXPECT_TRUE(PollUntil(
      [&] {
        const std::string sites = server.Admin({"site", "list", "--json"});
        return Lists(sites, " Before (") && Lists(sites, " After (");
      },
      std::chrono::seconds(30)));
  EXPECT_FALSE(server.process->Wait(0).has_value()) << server.process->ErrorOutput();
  server.process->Signal(SIGTERM);
  EXPECT_EQ(server.process->Wait(20000), 0) << server.process->ErrorOutput();
}

}  // namespace
}  // namespace orlentis::testing
