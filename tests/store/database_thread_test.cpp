#include "store/database_thread.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/operator_log.h"
#include "base/text_ids.h"
#include "store/database_guard.h"
#include "store/store_startup.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

constexpr auto kGenerousWait = std::chrono::seconds(60);

class Job final : public DatabaseJob {
 public:
  explicit Job(std::function<void()> work) : work_(std::move(work)) {
    onFinished = [this](DbOutcome outcome) { finished_.set_value(outcome); };
  }
  void Run() override {
    ran = true;
    work_();
  }
  DbOutcome Outcome() {
    auto result = finished_.get_future();
    EXPECT_EQ(result.wait_for(kGenerousWait), std::future_status::ready);
    return result.get();
  }
  std::atomic<bool> ran{false};

 private:
  std::function<void()> work_;
  std::promise<DbOutcome> finished_;
};

std::shared_ptr<Job> Insert(const std::string& address) {
  return std::make_shared<Job>([address] {
    RunGuarded([&](soci::session& session) {
      BoundStatement(session, "INSERT INTO MaskIP (strIPFrom) VALUES (:a)").Use(address).Execute();
    });
  });
}

std::shared_ptr<Job> Failing() {
  return std::make_shared<Job>([] {
    RunGuarded([](soci::session& session) {
      BoundStatement(session, "SELECT nothing FROM NoSuchTable").Execute();
    });
  });
}

class DatabaseThreadTest : public StoreTest {
 protected:
  DatabaseThreadTest() { DatabaseMaintenance::Instance().SetStartupFinished(); }

  // Holds the thread in a job until Release(), so that what is submitted meanwhile queues up
  // and is taken as one group.
  void Hold(DatabaseThread& thread) {
    released_ = {};
    auto gate = released_.get_future().share();
    thread.Submit(std::make_shared<Job>([gate] { gate.wait(); }));
  }
  void Release() { released_.set_value(); }

  int RepairEntries() {
    return Count("Log", "strDetail = '" + GetLanguageText(kTextRepaired) + "'");
  }

  static std::vector<DbOutcome> Outcomes(const std::vector<std::shared_ptr<Job>>& jobs) {
    std::vector<DbOutcome> outcomes;
    for (const auto& job : jobs) outcomes.push_back(job->Outcome());
    return outcomes;
  }

 private:
  std::promise<void> released_;
};

TEST_F(DatabaseThreadTest, AFailureFailsItsWholeGroupWithOneRepairAndTheNextGroupSucceeds) {
  DatabaseThread writes(DatabaseThread::Kind::kGroupedWrites);
  Hold(writes);
  std::vector<std::shared_ptr<Job>> group;
  for (int i = 0; i < 5; ++i) group.push_back(Insert("10.0.0." + std::to_string(i)));
  group.push_back(Failing());
  for (int i = 5; i < 10; ++i) group.push_back(Insert("10.0.0." + std::to_string(i)));
  for (const auto& job : group) writes.Submit(job);
  Release();
  EXPECT_EQ(Outcomes(group), std::vector<DbOutcome>(group.size(), DbOutcome::kFailed));
  // The writes before the failure went with it.
  EXPECT_EQ(Count("MaskIP"), 0);
  EXPECT_EQ(RepairEntries(), 1);

  Hold(writes);
  std::vector<std::shared_ptr<Job>> next;
  for (int i = 0; i < 3; ++i) next.push_back(Insert("10.0.1." + std::to_string(i)));
  for (const auto& job : next) writes.Submit(job);
  Release();
  EXPECT_EQ(Outcomes(next), std::vector<DbOutcome>(next.size(), DbOutcome::kDone));
  EXPECT_EQ(Count("MaskIP"), 3);
  EXPECT_EQ(RepairEntries(), 1);
}

TEST_F(DatabaseThreadTest, AJobGivenUpBeforeItStartsNeverRuns) {
  DatabaseThread writes(DatabaseThread::Kind::kGroupedWrites);
  Hold(writes);
  const auto abandoned = Insert("10.0.0.1");
  const auto kept = Insert("10.0.0.2");
  writes.Submit(abandoned);
  writes.Submit(kept);
  EXPECT_TRUE(abandoned->GiveUp());
  Release();
  EXPECT_EQ(kept->Outcome(), DbOutcome::kDone);
  EXPECT_FALSE(abandoned->ran);
  EXPECT_EQ(Count("MaskIP"), 1);
  // Once a job has started, its waiter can no longer take it back.
  EXPECT_FALSE(kept->GiveUp());
}

TEST_F(DatabaseThreadTest, AReadFailsAloneAndWhatIsQueuedOnDestructionStillRuns) {
  std::vector<std::shared_ptr<Job>> reads{Insert("10.0.0.1"), Failing(), Insert("10.0.0.2")};
  {
    DatabaseThread thread(DatabaseThread::Kind::kReads);
    Hold(thread);
    for (const auto& job : reads) thread.Submit(job);
    Release();
  }
  for (const auto& job : reads) EXPECT_TRUE(job->ran);
  EXPECT_EQ(Count("MaskIP"), 2);
}

TEST_F(DatabaseThreadTest, AnUnrepairableDatabaseIsSkippedUntilTheRecheckFindsItUsable) {
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  const auto file = Database().File();
  const auto saved = Database().Folder() / "saved.db";
  BoundStatement(Session(), "PRAGMA wal_checkpoint(TRUNCATE)").Execute();
  CloseThreadSession();
  std::filesystem::copy_file(file, saved);
  // What a full disk or a careless copy leaves behind.
  std::filesystem::resize_file(file, 100);

  bool ran = false;
  EXPECT_EQ(RunGuarded([&](soci::session&) { ran = true; }), DbOutcome::kFailed);
  EXPECT_TRUE(maintenance.IsUnusable());
  EXPECT_EQ(RunGuarded([&](soci::session&) { ran = true; }), DbOutcome::kSkipped);
  std::ostringstream log;
  {
    const OperatorLogCapture capture(log);
    // The operator's log says each change of state once: a recheck that finds none says
    // nothing.
    RecheckUnusableDatabase();
    maintenance.WaitForBackgroundWork();
    EXPECT_TRUE(maintenance.IsUnusable());
    EXPECT_FALSE(ran);
    EXPECT_EQ(log.str(), "");

    std::filesystem::copy_file(saved, file, std::filesystem::copy_options::overwrite_existing);
    RecheckUnusableDatabase();
    maintenance.WaitForBackgroundWork();
  }
  EXPECT_NE(log.str().find("[store.database-usable]"), std::string::npos) << log.str();
  EXPECT_EQ(log.str().find("[store.database-unusable]"), std::string::npos) << log.str();
  EXPECT_FALSE(maintenance.IsUnusable());
  EXPECT_FALSE(maintenance.IsUnavailable());
  EXPECT_EQ(RunGuarded([&](soci::session&) { ran = true; }), DbOutcome::kDone);
  EXPECT_TRUE(ran);
}

// On PostgreSQL a read waits for the server's answer: the reads of other connections go on
// meanwhile, each on a thread and session of its own. Every job here waits until all of them
// have begun, which only reads run side by side can do.
TEST(DatabaseReadThreadsTest, ReadsOnSeveralThreadsRunSideBySide) {
  constexpr std::size_t kThreads = 4;
  std::mutex mutex;
  std::condition_variable allBegun;
  std::size_t begun = 0;
  std::vector<std::shared_ptr<Job>> jobs;
  {
    DatabaseThread reads(DatabaseThread::Kind::kReads, kThreads);
    for (std::size_t job = 0; job < kThreads; ++job) {
      jobs.push_back(std::make_shared<Job>([&] {
        std::unique_lock lock(mutex);
        ++begun;
        allBegun.notify_all();
        EXPECT_TRUE(allBegun.wait_for(lock, kGenerousWait, [&] { return begun == kThreads; }));
      }));
      reads.Submit(jobs.back());
    }
  }
  for (const auto& job : jobs) EXPECT_EQ(job->Outcome(), DbOutcome::kDone);
  EXPECT_EQ(begun, kThreads);
  EXPECT_EQ(ReadThreadCount(DatabaseEngine::kSqlite), 1u);
  EXPECT_GT(ReadThreadCount(DatabaseEngine::kPostgres), 1u);
}

// One site's writes keep their order only if they all go to one writing thread.
TEST(DatabaseWritersTest, AKeyAlwaysHasTheSameLaneAndKeysSpreadOverAll) {
  DatabaseWriters writers(WriteLaneCount(DatabaseEngine::kPostgres));
  std::set<DatabaseThread*> lanes;
  for (int site = 0; site < 64; ++site) {
    const std::string key = "10.0.0." + std::to_string(site) + "\nLobby";
    EXPECT_EQ(&writers.For(key), &writers.For(key));
    lanes.insert(&writers.For(key));
  }
  EXPECT_EQ(lanes.size(), WriteLaneCount(DatabaseEngine::kPostgres));
  EXPECT_EQ(WriteLaneCount(DatabaseEngine::kSqlite), 1u);
}

}  // namespace
}  // namespace orlentis::testing
