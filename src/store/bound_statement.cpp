#include "store/bound_statement.h"

#include "store/camera_slot_writes.h"
#include "store/database_error.h"
#include "store/engine.h"
#include "store/statement_cache.h"
#include "store/transaction.h"

namespace orlentis {

BoundStatement::~BoundStatement() {
  if (statement_ != nullptr && !ownStatement_) statement_->Release();
}

bool BoundStatement::Execute() {
  try {
    BeginPostgresGroupBeforeStatement(session_);
    if (sendsHeldCameraWrites_) SendHeldBackCameraWrites(session_);
    PreparedStatement& statement = Statement();
    CopyUses();
    const bool fetched = statement.Statement().execute(true);
    if (fetched) CopyIntos();
    return fetched;
  } catch (...) {
    RethrowAsDatabaseError(sql_);
  }
}

bool BoundStatement::Fetch() {
  try {
    PreparedStatement& statement = Statement();
    if (!executed_) {
      BeginPostgresGroupBeforeStatement(session_);
      if (sendsHeldCameraWrites_) SendHeldBackCameraWrites(session_);
      CopyUses();
      statement.Statement().execute(false);
      executed_ = true;
    }
    if (!statement.Statement().fetch()) return false;
    CopyIntos();
    return true;
  } catch (...) {
    RethrowAsDatabaseError(sql_);
  }
}

bool BoundStatement::IsNull(std::size_t column) const {
  const std::size_t binding = intoBindings_.at(column);
  if (statement_ == nullptr) return false;
  return bindings_[binding].isNull(statement_->Slot(binding));
}

PreparedStatement& BoundStatement::Statement() {
  if (statement_ != nullptr) return *statement_;
  if (StatementCache* cache = SessionStatementCache(session_)) {
    statement_ = cache->Acquire(session_, sql_, bindings_);
  }
  if (statement_ == nullptr) {
    ownStatement_ = std::make_unique<PreparedStatement>(session_, sql_, bindings_);
    statement_ = ownStatement_.get();
  }
  return *statement_;
}

void BoundStatement::CopyUses() {
  for (std::size_t i = 0; i < bindings_.size(); ++i) {
    if (bindings_[i].direction == StatementBinding::Direction::kUse) {
      bindings_[i].copy(statement_->Slot(i), bindings_[i].variable);
    }
  }
}

void BoundStatement::CopyIntos() {
  for (const std::size_t i : intoBindings_)
    bindings_[i].copy(statement_->Slot(i), bindings_[i].variable);
}

}  // namespace orlentis
