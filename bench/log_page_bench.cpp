// The console's Log page with a log of 100,000 entries: opening it (reading the log and filling
// the list), sorting the list by a column, and scrolling through it with the list painted.
// The goal is that none of these freezes the console: each well under a second.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/default_files.h"
#include "base/program_folder.h"
#include "console/directory_door.h"
#include "console/log_page.h"
#include "console/report_list.h"
#include "directory/log_entries.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

constexpr int kEntries = 100000;
constexpr std::chrono::seconds kDoorPatience{60};

// The pages reach the log through the door, as in the console; main opens it.
DirectoryDoor* door = nullptr;

std::filesystem::path NewFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orlentis-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

// A log of kEntries entries a second apart, from several sources and actions.
void FillLog() {
  soci::session& session = ThreadSession();
  soci::transaction transaction(session);
  const std::time_t start = CurrentClock().Now() - kEntries;
  const char* const sources[] = {"Orlentis", "site-a", "site-b", "site-c"};
  const char* const actions[] = {"Login", "Site checkin", "Site checkout"};
  for (int entry = 0; entry < kEntries; ++entry) {
    const std::string time = LocalTimeText(start + entry);
    const std::string source = sources[entry % 4];
    const std::string action = actions[entry % 3];
    const std::string detail = "10.0.0." + std::to_string(entry % 250) + ":80";
    BoundStatement(
        session, "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES (:t, :s, :a, :d)")
        .Use(time)
        .Use(source)
        .Use(action)
        .Use(detail)
        .Execute();
  }
  transaction.commit();
}

// One program folder with the full log for every benchmark of the run.
class LogFixture {
 public:
  LogFixture() : folder_(NewFolder()) {
    ::setenv("ORLENTIS_ADMIN_PASSWORD", "benchmark", 1);
    WriteDefaultProgramFiles(folder_);
    SetProgramFolder(folder_);
    PrepareDatabase(folder_ / kDatabaseFileName);
    FillLog();
  }
  ~LogFixture() {
    CloseThreadSession();
    std::filesystem::remove_all(folder_);
  }

 private:
  std::filesystem::path folder_;
};

std::unique_ptr<LogPage> OpenPage() {
  auto page = std::make_unique<LogPage>(*door, true, LogLimits{});
  page->resize(800, 600);
  page->show();
  page->Activate();
  if (!door->WaitUntilIdle(kDoorPatience)) throw std::runtime_error("the log was not read");
  return page;
}

// The share of the database in opening the page.
void BM_ReadLog(benchmark::State& state) {
  for (auto _ : state) {
    const auto entries = ListLogEntries();
    if (!entries.value || entries.value->size() != kEntries)
      state.SkipWithError("the log is short");
  }
}
BENCHMARK(BM_ReadLog)->Unit(benchmark::kMillisecond);

void BM_OpenLogPage(benchmark::State& state) {
  for (auto _ : state) {
    auto page = OpenPage();
    QApplication::processEvents();
    if (page->List().RowCount() != kEntries) state.SkipWithError("the list is not full");
  }
}
BENCHMARK(BM_OpenLogPage)->Unit(benchmark::kMillisecond);

void BM_SortLogByColumn(benchmark::State& state) {
  auto page = OpenPage();
  bool ascending = true;
  for (auto _ : state) {
    page->List().SortByColumn(static_cast<int>(state.range(0)), ascending);
    ascending = !ascending;
    QApplication::processEvents();
  }
}
BENCHMARK(BM_SortLogByColumn)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// One step is a jump of a tenth of the list, painted.
void BM_ScrollLog(benchmark::State& state) {
  auto page = OpenPage();
  QScrollBar* bar = page->List().verticalScrollBar();
  int step = 0;
  for (auto _ : state) {
    bar->setValue(bar->minimum() + (bar->maximum() - bar->minimum()) * (step++ % 10) / 9);
    benchmark::DoNotOptimize(page->List().viewport()->grab());
  }
}
BENCHMARK(BM_ScrollLog)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlentis

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  const orlentis::LogFixture log;
  orlentis::DirectoryDoor door;
  orlentis::door = &door;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
