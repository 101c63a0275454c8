#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "admin_run.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "recorder/host_requests.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/poll_until.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_wire.h"
#include "support/store/postgres_server.h"

namespace orlentis::testing {
namespace {

constexpr const char* kAdministratorPassword = "test-admin";

using Samples = std::map<std::string, double>;

std::string RunReader(const std::string& mode, const std::string& url) {
  ChildProcess reader({SYSTEM_PYTHON3, {READ_METRICS_PAGE_SCRIPT, mode, url}, {}, {}});
  EXPECT_EQ(reader.Wait(30000), 0) << reader.ErrorOutput();
  return reader.StandardOutput();
}

// A headless server with its metrics page on a port of its own; settings are added to the
// listening ones before it starts.
struct Setting {
  const char* section;
  const char* key;
  std::string value;
};

struct MeteredServer {
  explicit MeteredServer(std::initializer_list<Setting> settings)
      : port(FreePort()), metricsPort(FreePort()) {
    EXPECT_TRUE(WriteListenSettings(home.Path(), port));
    const auto file = home / kSettingsFileName;
    ProfileFile ini(file);
    ini.SetText("METRICS", "PORT", std::to_string(metricsPort));
    for (const auto& [section, key, value] : settings) ini.SetText(section, key, value);
    EXPECT_TRUE(ini.SaveAs(file));
    process = std::make_unique<ChildProcess>(HeadlessLaunch(home.Path()));
    EXPECT_TRUE(AnswersHostCheck(port, 30000)) << process->ErrorOutput();
  }
  ~MeteredServer() {
    process->Signal(SIGTERM);
    EXPECT_EQ(process->Wait(20000), 0) << process->ErrorOutput();
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(metricsPort) + path;
  }
  // Every sample of the page, read with the Prometheus client's parser.
  Samples Read() const {
    Samples samples;
    std::istringstream lines(RunReader("samples", Url("/metrics")));
    // strtod, which reads the "nan" of a summary that has seen nothing yet; a stream does not.
    for (std::string line; std::getline(lines, line);) {
      const auto space = line.rfind(' ');
      samples[line.substr(0, space)] = std::strtod(line.c_str() + space + 1, nullptr);
    }
    return samples;
  }
  std::string Status(const std::string& path) const { return RunReader("status", Url(path)); }

  TempFolder home;
  std::uint16_t port;
  std::uint16_t metricsPort;
  std::unique_ptr<ChildProcess> process;
};

// What a sample grew by between two readings.
double Grew(const Samples& before, const Samples& after, const std::string& sample) {
  const auto found = after.find(sample);
  EXPECT_NE(found, after.end()) << sample << " is not on the page";
  if (found == after.end()) return -1;
  const auto earlier = before.find(sample);
  return found->second - (earlier == before.end() ? 0 : earlier->second);
}

double OpenConnections(const Samples& samples) {
  double open = 0;
  for (const char* state : {"connected", "site", "host_check", "account_check"}) {
    open += samples.at(std::string("orlentis_connections{state=\"") + state + "\"}");
  }
  return open;
}

bool HostLoginAccepted(std::uint16_t port, const std::string& password) {
  WireClient host(port);
  if (!host.Send(EncodeHostRequest(HOST_USER_LOGIN, 0))) return false;
  if (ReceiveHostFrame(host) != HostFrame{1, 1, 1}) return false;
  if (!host.Send(EncodeHostCredentials("Administrator", HostPasswordDigest(password)))) {
    return false;
  }
  return ReceiveHostFrame(host) == HostFrame{1, 1, 1};
}

// Known traffic, and every counter it moves moved by exactly that much: 4 logins accepted, 3
// refused (the third starts the cool-down), 2 refused without a look while it lasts, and 3
// connections turned away by the per-address limit while 2 are held open.
TEST(MetricsPageTest, CountersAddUpToTheTrafficSent) {
  MeteredServer server(
      {{"SECURITY", "LOGINFAILURES", "3"}, {"SECURITY", "MAXCONNPERADDRESS", "2"}});
  const Samples before = server.Read();

  for (int login = 0; login < 4; ++login)
    EXPECT_TRUE(HostLoginAccepted(server.port, kAdministratorPassword));
  for (int guess = 0; guess < 5; ++guess) EXPECT_FALSE(HostLoginAccepted(server.port, "wrong"));
  ASSERT_TRUE(
      PollUntil([&] { return OpenConnections(server.Read()) == 0; }, std::chrono::seconds(10)));
  const WireClient held[] = {WireClient(server.port), WireClient(server.port)};
  for (int refused = 0; refused < 3; ++refused) {
    WireClient turnedAway(server.port);
    EXPECT_TRUE(turnedAway.WaitForClose());
  }
  const std::string refusedSample = "orlentis_admissions_refused_total{reason=\"address_limit\"}";
  Samples after;
  EXPECT_TRUE(PollUntil(
      [&] {
        after = server.Read();
        return Grew(before, after, refusedSample) >= 3;
      },
      std::chrono::seconds(10)));

  const std::map<std::string, double> expected = {
      {"orlentis_logins_total{outcome=\"accepted\",path=\"host\"}", 4},
      {"orlentis_logins_total{outcome=\"refused\",path=\"host\"}", 3},
      {"orlentis_logins_total{outcome=\"throttled\",path=\"host\"}", 2},
      {"orlentis_logins_total{outcome=\"unanswered\",path=\"host\"}", 0},
      {"orlentis_login_cooldowns_total{}", 1},
      {"orlentis_requests_total{kind=\"host_user_login\"}", 9},
      {"orlentis_request_failures_total{kind=\"host_user_login\"}", 0},
      {"orlentis_request_duration_seconds_count{kind=\"host_user_login\"}", 9},
      {refusedSample, 3},
      {"orlentis_admissions_refused_total{reason=\"ip_filter\"}", 0},
      {"orlentis_connections_accepted_total{}", 9 + 2 + 3},
  };
  for (const auto& [sample, count] : expected) {
    EXPECT_EQ(Grew(before, after, sample), count) << sample;
  }
  EXPECT_EQ(after.at("orlentis_connections{state=\"connected\"}"), 2);
  EXPECT_EQ(after.at("orlentis_database_usable{}"), 1);
  // Each login that was looked at read the database on a reading thread, as did the IP
  // filter for most admissions.
  EXPECT_GE(Grew(before, after, "orlentis_database_job_wait_seconds_count{lane=\"reads\"}"), 7);
  EXPECT_EQ(after.at("orlentis_database_jobs_queued{lane=\"reads\"}"), 0);
}

// The readiness check follows the database: 503 with the reason while the server cannot reach
// it, 200 again once it can, without a restart. Liveness stays 200 throughout.
TEST(MetricsPageTest, ReadinessTurnsAwayWhileTheDatabaseCannotBeReached) {
  if (!PostgresServer::BinaryFolder()) GTEST_SKIP() << "skipped: PostgreSQL not installed";
  const std::string database = "readiness";
  const std::string connection = PostgresServer::Shared().CreateDatabase(database);
  MeteredServer server({{"DATABASE", "CONNECT", connection}});
  EXPECT_TRUE(PollUntil([&] { return server.Status("/health/ready") == "200 ready\n"; },
                        std::chrono::seconds(10)));

  PostgresServer::Shared().SetReachable(database, false);
  // A login is what meets the lost database first; the heartbeat would within seconds.
  EXPECT_TRUE(PollUntil(
      [&] {
        HostLoginAccepted(server.port, kAdministratorPassword);
        return server.Status("/health/ready").starts_with("503 not ready: ");
      },
      std::chrono::seconds(15)));
  EXPECT_EQ(server.Status("/health/live"), "200 live\n");
  EXPECT_EQ(server.Read().at("orlentis_database_usable{}"), 0);

  PostgresServer::Shared().SetReachable(database, true);
  EXPECT_TRUE(PollUntil([&] { return server.Status("/health/ready") == "200 ready\n"; },
                        std::chrono::seconds(15)));
}

// The page never takes the recorders' port, even when told to: the recorders keep it.
TEST(MetricsPageTest, APageOnTheRecordersPortIsRefusedAndTheRecordersKeepIt) {
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  const auto file = home / kSettingsFileName;
  ProfileFile ini(file);
  ini.SetText("METRICS", "PORT", std::to_string(port));
  ASSERT_TRUE(ini.SaveAs(file));
  ChildProcess server(HeadlessLaunch(home.Path()));
  EXPECT_TRUE(AnswersHostCheck(port, 30000)) << server.ErrorOutput();
  EXPECT_TRUE(server.WaitForError("[metrics.listen-failed]", 5000)) << server.ErrorOutput();
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(20000), 0) << server.ErrorOutput();
}

// log follow prints, as JSON lines, what another process writes after it started, and not
// what was there before; log export --json gives the whole log the same way.
TEST(MetricsPageTest, LogFollowPrintsEntriesThatAnotherProcessWrites) {
  MeteredServer server({});
  ChildProcess follow(
      {ORLENTIS_ADMIN_BINARY, {"--home", server.home.Path().string(), "log", "follow"}, {}, {}});
  // The follower has read where the log ends once it waits: an entry before that is old.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const AdminRun added = RunAdminTool(server.home.Path(), {"group", "add", "Guards"});
  ASSERT_EQ(added.status, 0) << added.error;
  std::string followed;
  EXPECT_TRUE(PollUntil(
      [&] {
        followed = follow.StandardOutput();
        return followed.find("(Guards)") != std::string::npos;
      },
      std::chrono::seconds(10)))
      << follow.ErrorOutput();
  EXPECT_TRUE(followed.starts_with("{\"time\":")) << followed;
  EXPECT_EQ(std::count(followed.begin(), followed.end(), '\n'), 1) << followed;
  follow.Signal(SIGTERM);
  follow.Wait(5000);

  const AdminRun exported = RunAdminTool(server.home.Path(), {"log", "export", "--json"});
  ASSERT_EQ(exported.status, 0) << exported.error;
  std::istringstream lines(exported.output);
  std::vector<std::string> entries;
  for (std::string line; std::getline(lines, line);) entries.push_back(line);
  ASSERT_GE(entries.size(), 2u) << exported.output;
  for (const std::string& entry : entries) EXPECT_TRUE(entry.starts_with("{\"time\":")) << entry;
  EXPECT_NE(entries.back().find("(Guards)"), std::string::npos) << exported.output;
}

}  // namespace
}  // namespace orlentis::testing
