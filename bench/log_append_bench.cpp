// Cost of one event-log entry with count trimming on a full log, at a small and a large
// limit. Trimming is one statement whose cost follows the entries removed, so the cost per
// entry should not grow with the limit: the goal is the two within 20 % of each other.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "base/program_folder.h"
#include "base/settings.h"
#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

std::filesystem::path NewFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orlentis-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

void FillLog(int entries) {
  soci::session& session = ThreadSession();
  soci::transaction transaction(session);
  BoundStatement(session, "DELETE FROM Log").Execute();
  const std::string detail = "10.0.0.1:80";
  for (int entry = 0; entry < entries; ++entry) {
    BoundStatement(session,
                   "INSERT INTO Log (time, strSource, strAction, strDetail) VALUES "
                   "('2026-01-01 00:00:00', 'site', 'Site checkin', :d)")
        .Use(detail)
        .Execute();
  }
  transaction.commit();
}

void BM_AppendToFullLog(benchmark::State& state) {
  const auto limit = static_cast<std::int32_t>(state.range(0));
  const std::filesystem::path folder = NewFolder();
  ::setenv("ORLENTIS_ADMIN_PASSWORD", "benchmark", 1);
  SetProgramFolder(folder);
  PrepareDatabase(folder / kDatabaseFileName);
  LogLimits limits;
  limits.keepRecords = limit;
  Settings::Instance().SetLogLimits(limits);
  FillLog(limit);

  for (auto _ : state) {
    if (!AppendLogEntry("site", "Site checkin", "10.0.0.1:80", {"test"}, true)) {
      state.SkipWithError("append failed");
      break;
    }
  }
  int count = 0;
  BoundStatement(ThreadSession(), "SELECT COUNT(*) FROM Log").Into(count).Execute();
  if (count != limit) state.SkipWithError("the log does not hold exactly the limit");
  CloseThreadSession();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_AppendToFullLog)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Remembers the cost per entry of each run so that their ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        const auto iterations = static_cast<double>(run.iterations);
        costs_[run.benchmark_name()] = {run.real_accumulated_time * 1e6 / iterations,
                                        run.cpu_accumulated_time * 1e6 / iterations};
      }
    }
  }

  void PrintRatio() const {
    const auto small = costs_.find("BM_AppendToFullLog/1000");
    const auto large = costs_.find("BM_AppendToFullLog/100000");
    if (small == costs_.end() || large == costs_.end()) return;
    PrintRatio("wall", small->second.wall, large->second.wall);
    PrintRatio("cpu", small->second.cpu, large->second.cpu);
  }

 private:
  struct Cost {
    double wall = 0;  // microseconds per entry
    double cpu = 0;
  };

  static void PrintRatio(const char* kind, double small, double large) {
    const double ratio = large / small;
    std::cout << kind << " cost per entry: limit 1000 " << small << " us, limit 100000 " << large
              << " us, ratio " << ratio
              << (ratio <= 1.2 ? " (within 20 %)" : " (MORE than 20 % apart)") << '\n';
  }

  std::map<std::string, Cost> costs_;
};

}  // namespace
}  // namespace orlentis

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  orlentis::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  return 0;
}
