#include <atomic>
#include <thread>

#include "store/database_guard.h"
#include "store/event_log.h"
#include "store/site_table.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

constexpr int kOperationsPerThread = 1000;
constexpr int kSites = 10;

using ConcurrencyTest = EachEngineTest;

// The worker thread and the console thread use the database at once, each on its own session.
TEST_P(ConcurrencyTest, LogAppendsAndSiteEditsRunSideBySideWithoutLoss) {
  LogLimits limits;
  limits.keepRecords = kOperationsPerThread * 2;
  Settings::Instance().SetLogLimits(limits);
  std::atomic<int> failures{0};

  std::thread logger([&] {
    for (int entry = 0; entry < kOperationsPerThread; ++entry) {
      if (!AppendLogEntry("site", "Site checkin", std::to_string(entry), {"test"}, true))
        ++failures;
    }
    CloseThreadSession();
  });
  std::thread editor([&] {
    for (int step = 0; step < kOperationsPerThread; ++step) {
      const std::string name = "site " + std::to_string(step % kSites);
      const DbOutcome outcome = RunGuarded([&](soci::session& session) {
        SiteTable sites(session);
        sites.OpenByAddressAndName("10.0.0.1", name);
        SiteRow& row = sites.IsEOF() ? sites.AddNew() : sites.Edit();
        row.strIP = "10.0.0.1";
        row.strSiteName = name;
        row.nInstanceID = kRecordProtocolInstance;
        row.nWebServerPort += 1;
        row.bOnline = 1;
        sites.Update();
      });
      if (outcome != DbOutcome::kDone) ++failures;
    }
    CloseThreadSession();
  });
  logger.join();
  editor.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(Count("Log"), kOperationsPerThread);
  SiteTable sites(Session());
  sites.OpenAll();
  ASSERT_EQ(sites.Count(), static_cast<std::size_t>(kSites));
  for (const auto& site : sites.Rows()) {
    EXPECT_EQ(site.nWebServerPort, kOperationsPerThread / kSites) << site.strSiteName;
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, ConcurrencyTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
