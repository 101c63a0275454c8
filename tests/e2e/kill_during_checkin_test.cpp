#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/site_table.h"
#include "support/app/listening_home.h"
#include "support/app/orlentis_process.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_wire.h"
#include "support/store/each_engine.h"

namespace orlentis::testing {
namespace {

// A server killed with SIGKILL while recorders check in, again and again on the same folder,
// must keep every site and camera it acknowledged: an answer goes out only for what is
// committed. What was sent but not answered may or may not be there; it is not looked at.

constexpr int kRounds = 5;
constexpr int kPeers = 3;
constexpr int kCamerasPerSite = 3;
// The same moments of the kills on every run, so that a failure can be run again.
constexpr std::uint32_t kKillSeed = 20261209;
constexpr int kNetWaitMs = 3000;

struct AcknowledgedCamera {
  std::int32_t index;
  std::string name;
};

// A site row the server acknowledged, with the cameras it acknowledged for it. Every
// check-in has a name (and an instance) of its own, so that no later one can stand in for it.
struct AcknowledgedSite {
  std::string address;
  std::string name;
  std::int32_t instance;  // kRecordProtocolInstance for a site of the record protocol
  std::vector<AcknowledgedCamera> cameras;
};

class Ledger {
 public:
  void Add(AcknowledgedSite site) {
    std::lock_guard lock(mutex_);
    sites_.push_back(std::move(site));
  }
  std::vector<AcknowledgedSite> Sites() const {
    std::lock_guard lock(mutex_);
    return sites_;
  }
  std::size_t Size() const {
    std::lock_guard lock(mutex_);
    return sites_.size();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<AcknowledgedSite> sites_;
};

std::string CameraName(const std::string& site, std::int32_t index) {
  return site + "-cam" + std::to_string(index);
}

// A record-protocol check-in and its cameras, each answered on its own.
std::optional<AcknowledgedSite> CheckInSite(WireClient& client, const std::string& address,
                                            const std::string& name) {
  const std::u16string wideName(name.begin(), name.end());
  const auto answer = Ask(client, EncodeSiteRecord(CMD_SITE_CHECKIN, wideName, "", 8080));
  if (!answer || answer->word != RSP_OK) return std::nullopt;
  AcknowledgedSite site{address, name, kRecordProtocolInstance, {}};
  for (std::int32_t index = 0; index < kCamerasPerSite; ++index) {
    const CameraRecord camera{index, CameraName(name, index), 704, 480, 1, 0};
    const auto cameraAnswer = Ask(client, EncodeCameraInfo(camera));
    if (!cameraAnswer || cameraAnswer->word != RSP_OK) break;
    site.cameras.push_back({index, camera.name});
  }
  return site;
}

// A host instance check-in: one verdict answers the instance and all its cameras.
std::optional<AcknowledgedSite> CheckInInstance(WireClient& client, std::uint16_t port,
                                                const std::string& address, const std::string& name,
                                                std::int32_t instance) {
  if (!client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKIN, instance))) return std::nullopt;
  if (ReceiveHostFrame(client) != HostFrame{1, 1, 0}) return std::nullopt;
  if (!client.Send(EncodeInstanceHeader({name, 8080, kCamerasPerSite}))) return std::nullopt;
  AcknowledgedSite site{address, name, instance, {}};
  for (std::int32_t index = 0; index < kCamerasPerSite; ++index) {
    // One receive is one record: each camera waits until the one before has been read.
    if (!WaitUntilServerHasRead(port, kNetWaitMs)) return std::nullopt;
    const HostCamera camera{index, 1, 1, "704x480", CameraName(name, index)};
    if (!client.Send(EncodeHostCamera(camera))) return std::nullopt;
    site.cameras.push_back({index, camera.name});
  }
  if (ReceiveHostFrame(client) != HostFrame{1, 1, 0}) return std::nullopt;
  return site;
}

// One recorder: check-ins of sites and of instances in turn, each on a fresh connection from
// an address of its own, until stopped; a refused connection (the server is down) is tried
// again.
void RunPeer(std::uint16_t port, int peer, int round, const std::atomic<bool>& stop,
             Ledger& ledger) {
  const std::string address = "127.0.0." + std::to_string(10 + peer);
  for (int n = 0; !stop.load(); ++n) {
    WireClient client(port, address.c_str());
    if (!client.Connected()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    const std::string name =
        "p" + std::to_string(peer) + "-r" + std::to_string(round) + "-n" + std::to_string(n);
    const auto acknowledged = n % 2 == 0
                                  ? CheckInSite(client, address, name)
                                  : CheckInInstance(client, port, address, name, round * 10000 + n);
    if (acknowledged) ledger.Add(*acknowledged);
  }
}

// The database as the last server left it: the SQLite file opened read-only, or the
// PostgreSQL database.
class LeftDatabase {
 public:
  explicit LeftDatabase(const DatabaseTarget& target)
      : session_(target.engine == DatabaseEngine::kSqlite ? OpenReadOnlySession(target.file)
                                                          : OpenSession(target)) {}

  // SQLite's check of the file's own structure.
  std::string IntegrityCheck() {
    std::string verdict;
    BoundStatement(*session_, "PRAGMA integrity_check").Into(verdict).Execute();
    return verdict;
  }

  // nIDs of the rows of one site (address, name, instance).
  std::vector<std::int32_t> SiteIds(const AcknowledgedSite& site) {
    std::int32_t id = 0;
    BoundStatement query(
        *session_,
        "SELECT nID FROM Site WHERE strIP = :a AND strSiteName = :n AND nInstanceID = :i");
    query.Use(site.address).Use(site.name).Use(site.instance).Into(id);
    std::vector<std::int32_t> ids;
    while (query.Fetch()) ids.push_back(id);
    return ids;
  }

  // The name of each present camera row in the site's slot.
  std::vector<std::string> CameraNames(std::int32_t siteId, std::int32_t index) {
    std::string name;
    BoundStatement query(
        *session_,
        "SELECT strName FROM Camera WHERE nSiteID = :s AND nIndex = :i AND bExistence = 1");
    query.Use(siteId).Use(index).Into(name);
    std::vector<std::string> names;
    while (query.Fetch()) names.push_back(name);
    return names;
  }

 private:
  std::unique_ptr<soci::session> session_;
};

// What of the acknowledged site is not in the database, in words; empty when all is there.
std::vector<std::string> MissingParts(LeftDatabase& database, const AcknowledgedSite& site) {
  const std::string what =
      site.address + " \"" + site.name + "\" instance " + std::to_string(site.instance);
  const auto ids = database.SiteIds(site);
  if (ids.size() != 1) return {what + ": " + std::to_string(ids.size()) + " site rows"};
  std::vector<std::string> missing;
  for (const auto& camera : site.cameras) {
    if (database.CameraNames(ids[0], camera.index) != std::vector<std::string>{camera.name}) {
      missing.push_back(what + ": camera " + std::to_string(camera.index));
    }
  }
  return missing;
}

class KillDuringCheckInTest : public OnEachEngineTest {};

TEST_P(KillDuringCheckInTest, EveryAcknowledgedSiteAndCameraOutlivesSigkill) {
  TempFolder home;
  const std::uint16_t port = FreePort();
  ASSERT_TRUE(WriteListenSettings(home.Path(), port));
  const DatabaseTarget target = UseFreshDatabase(home.Path(), Engine());
  std::mt19937 random(kKillSeed);
  std::uniform_int_distribution<int> killAfterMs(300, 1000);
  Ledger ledger;

  for (int round = 0; round < kRounds; ++round) {
    ChildProcess server(HeadlessLaunch(home.Path()));
    ASSERT_TRUE(AnswersHostCheck(port, 30000)) << "round " << round << "\n" << server.ErrorOutput();
    const std::size_t before = ledger.Size();
    std::atomic<bool> stop{false};
    std::vector<std::thread> peers;
    for (int peer = 0; peer < kPeers; ++peer) {
      peers.emplace_back(RunPeer, port, peer, round, std::cref(stop), std::ref(ledger));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs(random)));
    server.Signal(SIGKILL);
    const auto status = server.Wait(10000);
    stop.store(true);
    for (auto& peer : peers) peer.join();
    ASSERT_EQ(status, 128 + SIGKILL);
    // Without acknowledgements in every round the comparison below would prove nothing.
    ASSERT_GT(ledger.Size(), before) << "round " << round << " acknowledged nothing";
  }

  // The folder still starts, and a clean stop leaves the database for reading.
  ChildProcess last(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(AnswersHostCheck(port, 30000)) << last.ErrorOutput();
  last.Signal(SIGTERM);
  ASSERT_EQ(last.Wait(20000), 0) << last.ErrorOutput();

  LeftDatabase database(target);
  if (Engine() == DatabaseEngine::kSqlite) {
    EXPECT_EQ(database.IntegrityCheck(), "ok");
  }
  std::vector<std::string> missing;
  std::size_t cameras = 0;
  for (const auto& site : ledger.Sites()) {
    cameras += site.cameras.size();
    const auto parts = MissingParts(database, site);
    missing.insert(missing.end(), parts.begin(), parts.end());
  }
  std::string list;
  for (std::size_t i = 0; i < missing.size() && i < 10; ++i) list += "\n  " + missing[i];
  EXPECT_TRUE(missing.empty()) << missing.size() << " acknowledged parts of " << ledger.Size()
                               << " sites and " << cameras << " cameras are lost:" << list;
}

INSTANTIATE_TEST_SUITE_P(Engines, KillDuringCheckInTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
