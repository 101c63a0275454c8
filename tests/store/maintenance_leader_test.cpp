#include "store/maintenance_leader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>

#include "base/clock.h"
#include "base/language.h"
#include "base/text_ids.h"
#include "store/bound_statement.h"
#include "store/database_maintenance.h"
#include "store_test.h"
#include "support/base/poll_until.h"

namespace orlentis::testing {
namespace {

// Servers sharing one PostgreSQL database, each played here by a leader of its own.
class MaintenanceLeaderTest : public StoreTest {
 protected:
  MaintenanceLeaderTest() : StoreTest(DatabaseEngine::kPostgres) {}
  ~MaintenanceLeaderTest() override { MaintenanceLeader::Instance().Stop(); }

  static bool WaitFor(const std::function<bool()>& condition) {
    return PollUntil(condition, 3 * MaintenanceLeader::kTryPeriod);
  }

  // The session holding the maintenance lock ends, as a leader's does when it dies.
  void EndTheLeadersSession() {
    BoundStatement(Session(),
                   "SELECT COUNT(pg_terminate_backend(pid)) FROM pg_locks "
                   "WHERE locktype = 'advisory' AND granted")
        .Execute();
  }

  int MaintenanceEntries() {
    const std::string action = GetLanguageText(kTextMaintenance);
    int count = 0;
    BoundStatement(Session(), "SELECT COUNT(*) FROM Log WHERE strAction = :action")
        .Use(action)
        .Into(count)
        .Execute();
    return count;
  }
};

// One server leads; a job offered to another does not run there; when the leader's session
// ends, the other takes the lead within its next tries, and the one that lost it knows.
TEST_F(MaintenanceLeaderTest, OneServerLeadsAndAnotherTakesOverWhenItsSessionEnds) {
  const DatabaseTarget target = CurrentDatabaseTarget();
  std::atomic<int> firstLeads{0};
  std::atomic<int> secondLeads{0};
  MaintenanceLeader first;
  MaintenanceLeader second;
  first.Start(target, [&] { ++firstLeads; });
  second.Start(target, [&] { ++secondLeads; });
  EXPECT_TRUE(first.Leads());
  EXPECT_FALSE(second.Leads());
  bool ranOnSecond = false;
  EXPECT_FALSE(second.RunAsLeader(target, [&](soci::session&) { ranOnSecond = true; }));
  EXPECT_FALSE(ranOnSecond);
  int holdsLock = 0;
  EXPECT_TRUE(first.RunAsLeader(target, [&](soci::session& session) {
    BoundStatement(session,
                   "SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND granted AND "
                   "pid = pg_backend_pid()")
        .Into(holdsLock)
        .Execute();
  }));
  EXPECT_EQ(holdsLock, 1);

  EndTheLeadersSession();
  EXPECT_TRUE(WaitFor([&] { return second.Leads() && !first.Leads(); }));
  EXPECT_EQ(secondLeads.load(), 1);
  EXPECT_EQ(firstLeads.load(), 1);
  second.Stop();
  EXPECT_TRUE(WaitFor([&] { return first.Leads(); }));
  EXPECT_EQ(firstLeads.load(), 2);
}

// The scheduled maintenance runs on the leader only; a server that takes the lead counts from
// the newest maintenance in the event log, whichever server ran it.
TEST_F(MaintenanceLeaderTest, OnlyTheLeaderRunsTheMaintenanceAndTheNextCountsFromItsRun) {
  const DatabaseTarget target = CurrentDatabaseTarget();
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  auto other = std::make_unique<MaintenanceLeader>();
  other->Start(target);
  MaintenanceLeader::Instance().Start(target, [&] { maintenance.AdoptLastMaintenance(); });
  const int before = MaintenanceEntries();
  EXPECT_TRUE(maintenance.RunMaintenance());
  EXPECT_EQ(MaintenanceEntries(), before);

  // What the other server wrote when it last ran it.
  const std::string source = GetLanguageText(kTextProgramName);
  const std::string action = GetLanguageText(kTextMaintenance);
  const std::time_t otherRan = CurrentClock().Now() - 6 * 3600;
  BoundStatement(Session(),
                 "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES (:t, :s, :a, '')")
      .Use(LocalTimeText(otherRan))
      .Use(source)
      .Use(action)
      .Execute();
  other.reset();
  EXPECT_TRUE(WaitFor([] { return MaintenanceLeader::Instance().Leads(); }));
  EXPECT_NEAR(maintenance.LastMaintenance(), OleDateFromTime(otherRan), 1e-6);
  EXPECT_TRUE(maintenance.RunMaintenance());
  EXPECT_EQ(MaintenanceEntries(), before + 2);
}

}  // namespace
}  // namespace orlentis::testing
