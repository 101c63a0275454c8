#include "store/transaction.h"

#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/engine_dialect.h"

namespace orlentis {
namespace {

// Both engines keep savepoints on a stack, so one name serves every nesting depth: RELEASE
// and ROLLBACK TO act on the innermost savepoint of that name.
constexpr const char* kSavepoint = "orlentis_unit";

void Run(soci::session& session, const std::string& sql) {
  BoundStatement(session, sql).Execute();
}

// An error while undoing means the session is broken; its guard closes it, and closing a
// session rolls back what it still holds.
void RunQuietly(soci::session& session, const std::string& sql) noexcept {
  try {
    Run(session, sql);
  } catch (...) {
  }
}

}  // namespace

// A unit of its own takes the write lock before its first read, waiting its turn within the
// busy timeout. Begun with a read instead, it would fail at its first write, without waiting,
// whenever another connection had committed since that read.
Transaction::Transaction(soci::session& session)
    : session_(session), outermost_(!IsInTransaction(session)) {
  Run(session_, outermost_ ? std::string(BeginWriteStatement(session_))
                           : std::string("SAVEPOINT ") + kSavepoint);
}

Transaction::~Transaction() {
  if (!open_) return;
  if (outermost_) {
    RunQuietly(session_, "ROLLBACK");
    return;
  }
  RunQuietly(session_, std::string("ROLLBACK TO ") + kSavepoint);
  RunQuietly(session_, std::string("RELEASE ") + kSavepoint);
}

void Transaction::Commit() {
  Run(session_, outermost_ ? std::string("COMMIT") : std::string("RELEASE ") + kSavepoint);
  open_ = false;
}

GroupTransaction::GroupTransaction(soci::session& session) : session_(session) {
  Run(session_, BeginWriteStatement(session_));
}

GroupTransaction::~GroupTransaction() {
  if (open_) RunQuietly(session_, "ROLLBACK");
}

void GroupTransaction::Commit() {
  Run(session_, "COMMIT");
  open_ = false;
}

ReadSnapshot::ReadSnapshot(soci::session& session) : session_(session) {
  Run(session_, BeginSnapshotStatement(session_));
}

ReadSnapshot::~ReadSnapshot() {
  RunQuietly(session_, "COMMIT");
}

}  // namespace orlentis
