#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "base/operator_log.h"
#include "directory/account_log.h"
#include "directory/account_test.h"
#include "directory/group_accounts.h"
#include "directory/ip_filter_ranges.h"
#include "directory/site_accounts.h"
#include "directory/site_directory.h"
#include "directory/user_accounts.h"
#include "store/database_guard.h"
#include "store/transaction.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr int kRounds = 40;
constexpr int kSitesPerGroup = 4;

// Check-ins as the server's writer thread commits them: groups of writes in one BEGIN
// IMMEDIATE transaction, one after the other without a pause, on a session of its own.
class CheckInWriter {
 public:
  CheckInWriter()
      : thread_([this] {
          for (int group = 0; !stop_.load(); ++group) {
            const DbOutcome outcome = RunGuarded([&](soci::session& session) {
              GroupTransaction transaction(session);
              for (int site = 0; site < kSitesPerGroup; ++site) {
                CheckInSite({"10.1.0." + std::to_string(site), "Site", 8000 + group % 100},
                            "Site checkin", "detail");
              }
              transaction.Commit();
            });
            if (outcome == DbOutcome::kDone) groups_.fetch_add(1);
          }
          CloseThreadSession();
        }) {}
  ~CheckInWriter() {
    stop_.store(true);
    thread_.join();
  }
  CheckInWriter(const CheckInWriter&) = delete;
  CheckInWriter& operator=(const CheckInWriter&) = delete;

  // Returns once the writer has committed another group since the call.
  void WaitForNextGroup() const {
    const int seen = groups_.load();
    while (groups_.load() == seen) std::this_thread::yield();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> groups_{0};
  std::thread thread_;
};

class BusyWritersTest : public AccountTest {
 protected:
  BusyWritersTest() {
    // The check-ins' entries would otherwise push the saves' entries out of the log.
    LogLimits limits;
    limits.keepRecords = 1'000'000;
    Settings::Instance().SetLogLimits(limits);
    EXPECT_TRUE(orlentis::AddGroup("Staff", 0x047, administrator_).IsDone());
    staff_ = GroupIdByName("Staff");
  }

  AccountVerdict SaveDescription(const std::string& description) {
    UserForm form;
    form.mode = UserFormMode::kModify;
    form.name = "alice";
    form.group = GroupChoice{staff_, "Staff"};
    form.password = form.confirmation = std::string(kPasswordPlaceholder);
    form.description = description;
    form.authority = 0x001;
    return SaveUser(form, ConsoleLogSource());
  }

  // A console user of the Administrator group.
  const Asker administrator_ = Asker::Console({0x1FF, "Administrator"});
  std::int32_t staff_ = 0;
};

// Every save reads before it writes. Begun as a read, it failed at once whenever the writer
// had committed since (the busy timeout was never asked), and the failure was taken for damage.
TEST_F(BusyWritersTest, EverySaveBesideGroupedCheckInsIsDoneAndNothingIsRepaired) {
  AddUser("alice", "alice-pw", staff_, 0x001);
  std::ostringstream operatorLog;
  const OperatorLogCapture capture(operatorLog);
  int notDone = 0;
  {
    const CheckInWriter writer;
    for (int round = 0; round < kRounds; ++round) {
      // A busy handler that sleeps loses the lock to one that never pauses: the saves take
      // turns with the writer, so that its commits land between their reads and writes.
      writer.WaitForNextGroup();
      notDone += !SaveDescription("round " + std::to_string(round)).IsDone();
      notDone += !ModifyGroup("Staff", round % 2 == 0 ? 0x047 : 0x007, administrator_).IsDone();
      notDone +=
          !AddSites({std::uint8_t{192}, std::uint8_t{168}, std::uint8_t{9}, std::uint8_t{1}}, 2)
               .IsDone();
      notDone += AddIpFilterRange(0x0A000001, 0x0A0000FF, "office") != DbOutcome::kDone;
      const std::vector<IpFilterRange> ranges = ListIpFilterRanges().ValueOr({});
      const auto deleted = DeleteIpFilterRanges({ranges.empty() ? 0 : ranges.front().key});
      notDone += !deleted.Done() || deleted.ValueOr(0) != 1;
    }
  }
  EXPECT_EQ(notDone, 0);
  EXPECT_EQ(StoredUser("alice")->strDescription, "round " + std::to_string(kRounds - 1));
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
  EXPECT_EQ(operatorLog.str().find("repair"), std::string::npos) << operatorLog.str();
  // Each change committed with its entry.
  EXPECT_EQ(Count("Log", "strAction = 'Modify User (alice)'"), kRounds);
}

}  // namespace
}  // namespace orlentis::testing
