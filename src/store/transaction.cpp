#include "store/transaction.h"

#include <exception>

#include "store/bound_statement.h"
#include "store/camera_slot_writes.h"
#include "store/database_error.h"
#include "store/engine.h"
#include "store/engine_dialect.h"
#include "store/held_audit_records.h"

namespace orlentis {
namespace {

// Both engines keep savepoints on a stack, so one name serves every nesting depth: RELEASE
// and ROLLBACK TO act on the innermost savepoint of that name.
constexpr const char* kSavepoint = "orlentis_unit";

// The session of the group open on this thread on PostgreSQL, whose units take no savepoints,
// whether its BEGIN went yet, and whether one of its units was left without its commit.
thread_local const soci::session* postgresGroup = nullptr;
thread_local bool postgresGroupBegun = false;
thread_local bool unitLeftUncommitted = false;

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

bool InPostgresGroup(const soci::session& session) {
  return postgresGroup == &session;
}

void BeginPostgresGroupBeforeStatement(soci::session& session) {
  if (!InPostgresGroup(session) || postgresGroupBegun) return;
  postgresGroupBegun = true;
  // Nothing held back goes before the BEGIN: it belongs inside the group's transaction.
  BoundStatement(session, BeginWriteStatement(session)).PastHeldCameraWrites().Execute();
}

// A unit of its own takes the write lock before its first read, waiting its turn within the
// busy timeout. Begun with a read instead, it would fail at its first write, without waiting,
// whenever another connection had committed since that read.
Transaction::Transaction(soci::session& session)
    : session_(session),
      outermost_(!InPostgresGroup(session) && !IsInTransaction(session)),
      savepoint_(!outermost_ && !InPostgresGroup(session)),
      exceptionsAtStart_(std::uncaught_exceptions()),
      auditRecordsAtStart_(HeldAuditRecordCount()) {
  if (outermost_) {
    Run(session_, BeginWriteStatement(session_));
  } else if (savepoint_) {
    Run(session_, std::string("SAVEPOINT ") + kSavepoint);
  }
}

Transaction::~Transaction() {
  if (!open_) return;
  if (outermost_ || savepoint_) DropHeldAuditRecordsAfter(auditRecordsAtStart_);
  if (outermost_) {
    RunQuietly(session_, "ROLLBACK");
  } else if (savepoint_) {
    RunQuietly(session_, std::string("ROLLBACK TO ") + kSavepoint);
    RunQuietly(session_, std::string("RELEASE ") + kSavepoint);
  } else if (std::uncaught_exceptions() == exceptionsAtStart_) {
    unitLeftUncommitted = true;
  }
}

void Transaction::Commit() {
  if (outermost_) {
    Run(session_, "COMMIT");
  } else if (savepoint_) {
    Run(session_, std::string("RELEASE ") + kSavepoint);
  }
  open_ = false;
}

GroupTransaction::GroupTransaction(soci::session& session)
    : session_(session),
      auditRecordsAtStart_(HeldAuditRecordCount()),
      beginsWithFirstStatement_(SessionEngine(session) == DatabaseEngine::kPostgres) {
  if (beginsWithFirstStatement_) {
    postgresGroup = &session_;
    postgresGroupBegun = false;
  } else {
    Run(session_, BeginWriteStatement(session_));
  }
  unitLeftUncommitted = false;
}

GroupTransaction::~GroupTransaction() {
  const bool begun = !beginsWithFirstStatement_ || postgresGroupBegun;
  postgresGroup = nullptr;
  postgresGroupBegun = false;
  DropHeldBackCameraWrites();
  if (!open_) return;
  DropHeldAuditRecordsAfter(auditRecordsAtStart_);
  if (begun) RunQuietly(session_, "ROLLBACK");
}

void GroupTransaction::Commit() {
  if (unitLeftUncommitted) {
    throw DatabaseError("a unit of work of the group ended without its commit",
                        DatabaseError::Kind::kOther);
  }
  if (beginsWithFirstStatement_ && !postgresGroupBegun && HeldBackCameraStatements(session_) <= 1) {
    // No statement went yet, and what is held back is one statement, all or nothing on its
    // own: sent outside the group, so that it begins no transaction it does not need.
    postgresGroup = nullptr;
    SendHeldBackCameraWrites(session_);
  } else {
    Run(session_, "COMMIT");
  }
  open_ = false;
}

ReadSnapshot::ReadSnapshot(soci::session& session) : session_(session) {
  Run(session_, BeginSnapshotStatement(session_));
}

ReadSnapshot::~ReadSnapshot() {
  RunQuietly(session_, "COMMIT");
}

}  // namespace orlentis
