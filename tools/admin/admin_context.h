#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "directory/account_verdict.h"
#include "records.h"
#include "store/database_target.h"
#include "store/db_outcome.h"

namespace orlentis::admin {

// What every command shares: the program folder, the database, the log source and the way
// results are printed. Set up from the global options before any command runs.
class AdminContext {
 public:
  AdminContext(std::ostream& out, std::ostream& err, std::istream& in)
      : out_(out), err_(err), in_(in) {}

  std::string home;  // --home; empty: $ORLENTIS_HOME, else the executable's folder
  bool json = false;

  // Fixes the program folder; every command does this first.
  void UseFolder();
  // The folder's database, which the server created: refused (exit 3) when it is missing or
  // of another schema version than this tool's. A failing operation is reported, never
  // repaired here: the server owns the database.
  void UseDatabase();
  // The folder's database as its Setting.ini chooses it, and as messages name it.
  DatabaseTarget Target() const;
  std::string DatabaseName() const { return DescribeDatabase(Target()); }
  // The folder's SQLite file, whichever database is chosen.
  std::filesystem::path DatabasePath() const;

  // "orlentis-admin (user)": who made a change, as the event log shows it.
  std::string LogSource() const;

  // A verdict that is not done ends the command: a refusal with its reason (the language
  // text, else the reason given here for that refusal), a database failure with exit 3.
  using Reasons = std::vector<std::pair<AccountRefusal, std::string>>;
  void Require(const AccountVerdict& verdict, const Reasons& reasons = {}) const;
  // The value of a database read, or the end of the command with exit 3.
  template <class T>
  T Require(DbResult<T> result) const {
    RequireDone(result.outcome);
    return std::move(*result.value);
  }
  void RequireDone(DbOutcome outcome) const;

  void PrintList(const std::vector<Record>& rows) const;
  void PrintOne(const Record& record) const;
  // The one line a change prints when it is done.
  void PrintDone(const std::string& message) const;

  std::ostream& Out() const { return out_; }
  std::ostream& Err() const { return err_; }
  std::istream& In() const { return in_; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::istream& in_;
};

}  // namespace orlentis::admin
