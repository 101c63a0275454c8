#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "admin_commands.h"
#include "admin_status.h"
#include "directory/log_entries.h"
#include "directory/shared_directory.h"
#include "records.h"

namespace orlentis::admin {
namespace {

using std::chrono::year_month_day;

struct LogOptions {
  std::string from;
  std::string to;
  std::size_t limit = 0;
  std::string file;
  bool jsonLines = false;
  std::string before;
  std::size_t last = 0;
};

// How often follow looks for new entries, and how far below the newest key it looks again on
// a shared database, where a writer that took a key earlier may commit after one that took a
// later key, and its entry must not be skipped. A SQLite file has one writer at a time, whose
// keys come in the order of its commits: there it reads only what is new.
constexpr std::chrono::milliseconds kFollowPeriod{500};
constexpr std::int64_t kFollowLookBack = 1000;

year_month_day Day(const std::string& text) {
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &year, &month, &day, &end) != 3) {
    throw UsageError("\"" + text + "\" is not a date YYYY-MM-DD");
  }
  const year_month_day parsed{std::chrono::year(year), std::chrono::month(month),
                              std::chrono::day(day)};
  if (!parsed.ok()) throw UsageError("\"" + text + "\" is not a date YYYY-MM-DD");
  return parsed;
}

constexpr year_month_day kFirstDay{std::chrono::year(1900), std::chrono::January,
                                   std::chrono::day(1)};
constexpr year_month_day kLastDay{std::chrono::year(9999), std::chrono::December,
                                  std::chrono::day(31)};

Record EntryRecord(const LogEntry& entry, bool servers) {
  Record row = Record()
                   .Add("time", entry.time)
                   .Add("source", entry.source)
                   .Add("action", entry.action)
                   .Add("detail", entry.detail);
  if (servers) row.Add("server", entry.server);
  return row;
}

// One JSON object per line, flushed at once, so that a pipe reads each entry as it comes.
bool WriteJsonLine(std::ostream& out, const Record& record) {
  WriteJson(out, record);
  out << std::flush;
  return static_cast<bool>(out);
}

void ListEntries(const AdminContext& context, const LogOptions& options) {
  auto entries = context.Require(
      options.from.empty() && options.to.empty()
          ? ListLogEntries()
          : ListLogEntriesBetween(options.from.empty() ? kFirstDay : Day(options.from),
                                  options.to.empty() ? kLastDay : Day(options.to)));
  // The newest entries, still oldest first.
  const std::size_t skip =
      options.limit > 0 && entries.size() > options.limit ? entries.size() - options.limit : 0;
  const bool servers = DirectoryIsShared();
  std::vector<Record> rows;
  for (std::size_t at = skip; at < entries.size(); ++at) {
    rows.push_back(EntryRecord(entries[at], servers));
  }
  context.PrintList(rows);
}

void ExportJsonLines(const AdminContext& context, const std::string& file) {
  const auto entries = context.Require(ListLogEntries());
  const bool servers = DirectoryIsShared();
  std::ofstream stream;
  if (!file.empty() && file != "-") {
    stream.open(file, std::ios::binary | std::ios::trunc);
    if (!stream) throw Refusal("cannot write " + file);
  }
  std::ostream& out = stream.is_open() ? stream : context.Out();
  for (const LogEntry& entry : entries) {
    if (!WriteJsonLine(out, EntryRecord(entry, servers))) throw Refusal("cannot write " + file);
  }
}

// Prints the newest last entries, then every new one as it is written, until stopped or
// until its output is closed. A database that cannot be read for a while is waited for.
void Follow(const AdminContext& context, std::size_t last) {
  const bool servers = DirectoryIsShared();
  const std::int64_t lookBack = servers ? kFollowLookBack : 0;
  std::int64_t newest = context.Require(NewestLogEntryKey());
  std::int64_t shownAbove = newest;
  std::set<std::int64_t> shown;
  if (last > 0) {
    const auto entries = context.Require(ListLogEntries());
    const std::size_t skip = entries.size() > last ? entries.size() - last : 0;
    for (std::size_t at = skip; at < entries.size(); ++at) {
      if (!WriteJsonLine(context.Out(), EntryRecord(entries[at], servers))) return;
    }
  }
  for (;;) {
    const DbResult<std::vector<LogEntry>> entries =
        ListLogEntriesAfter(std::max<std::int64_t>(0, newest - lookBack));
    for (const LogEntry& entry : entries.ValueOr({})) {
      if (entry.key <= shownAbove || !shown.insert(entry.key).second) continue;
      if (!WriteJsonLine(context.Out(), EntryRecord(entry, servers))) return;
      newest = std::max(newest, entry.key);
    }
    shown.erase(shown.begin(), shown.lower_bound(newest - lookBack));
    std::this_thread::sleep_for(kFollowPeriod);
  }
}

void DeleteBefore(const AdminContext& context, const std::string& before) {
  const auto lastDay = std::chrono::sys_days(Day(before)) - std::chrono::days(1);
  std::vector<std::int64_t> keys;
  for (const LogEntry& entry :
       context.Require(ListLogEntriesBetween(kFirstDay, year_month_day(lastDay)))) {
    keys.push_back(entry.key);
  }
  const std::size_t deleted = context.Require(DeleteLogEntries(keys));
  context.PrintDone(std::to_string(deleted) + " entries before " + before + " deleted");
}

void Export(const AdminContext& context, const std::string& file) {
  const LogExport result = ExportLog(file);
  switch (result.outcome) {
    case LogExport::Outcome::kWritten:
      context.PrintDone("log exported to " + file);
      return;
    case LogExport::Outcome::kDatabaseFile:
      throw Refusal(file + " is one of the database's own files; choose another file");
    case LogExport::Outcome::kNotRead:
      context.RequireDone(result.database);
      return;
    case LogExport::Outcome::kNotWritten:
      throw Refusal("cannot write " + file);
  }
}

}  // namespace

void AddLogCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<LogOptions>();
  CLI::App* log = app.add_subcommand("log", "the event log: list, export, delete");
  log->require_subcommand(1);

  CLI::App* list = log->add_subcommand("list", "list entries, oldest first");
  list->add_option("--from", options->from, "from this day on (YYYY-MM-DD)");
  list->add_option("--to", options->to, "up to this day (YYYY-MM-DD)");
  list->add_option("--limit", options->limit, "only the newest N");
  list->callback([&context, options] { ListEntries(context, *options); });

  CLI::App* exportLog = log->add_subcommand("export", "write the whole log into a text file");
  exportLog->add_option("file", options->file,
                        "the file, replaced as a whole (with --json: - or none for stdout)");
  exportLog->add_flag("--json", options->jsonLines, "one JSON object per entry and line");
  exportLog->callback([&context, options] {
    if (options->jsonLines) return ExportJsonLines(context, options->file);
    if (options->file.empty()) throw UsageError("log export: a file is needed without --json");
    Export(context, options->file);
  });

  CLI::App* follow = log->add_subcommand(
      "follow", "print new entries as they are written, one JSON object a line");
  follow->add_option("--last", options->last, "first the newest N entries");
  follow->callback([&context, options] { Follow(context, options->last); });

  CLI::App* remove = log->add_subcommand("delete", "delete old entries");
  remove->add_option("--before", options->before, "entries before this day (YYYY-MM-DD)")
      ->required();
  remove->callback([&context, options] { DeleteBefore(context, options->before); });
}

}  // namespace orlentis::admin
