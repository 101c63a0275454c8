#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "store/prepared_statement.h"

namespace orlentis {

// One statement with bound values, and for a query, the variables each row is fetched into. A
// NULL column leaves its variable at the type's default value; IsNull() tells which. Values
// are bound by reference: they are read when the statement runs and must live until then.
//
// On a thread's own session (ThreadSession()) the statement is prepared once per SQL text and
// run again by every later BoundStatement of that text: the prepared statement owns the
// storage its values are bound to, and the bound variables are copied in before it runs and
// out after each fetched row. A statement of that text still running (a nested query) or any
// other session gets a statement of its own, prepared here and dropped afterwards.
//
// Every statement of the store goes through this class rather than SOCI's "session <<" forms:
// those are built on classes whose type information the SOCI library does not export, which
// the undefined-behaviour sanitizer's checks of dynamic types need.
class BoundStatement {
 public:
  BoundStatement(soci::session& session, std::string sql)
      : session_(session), sql_(std::move(sql)) {}
  ~BoundStatement();
  BoundStatement(const BoundStatement&) = delete;
  BoundStatement& operator=(const BoundStatement&) = delete;

  template <class T>
  BoundStatement& Into(T& target) {
    intoBindings_.push_back(bindings_.size());
    bindings_.push_back(IntoBinding(target));
    return *this;
  }

  template <class T>
  BoundStatement& Use(const T& value) {
    bindings_.push_back(UseBinding(value));
    return *this;
  }

  // Says that the statement neither reads nor writes cameras: the camera writes held back on
  // the session (store/camera_slot_writes.h) may wait past it for a later statement, rather
  // than cost a round trip of their own before it.
  BoundStatement& PastHeldCameraWrites() {
    sendsHeldCameraWrites_ = false;
    return *this;
  }

  // Runs a statement; a query fetches its first row. True when a row was fetched.
  bool Execute();
  // The next row of a query; false after the last one. The first call runs the query.
  bool Fetch();
  bool IsNull(std::size_t column) const;
  // How many rows the last run of a statement that writes changed.
  long long AffectedRows() { return Statement().Statement().get_affected_rows(); }

  // The prepared statement this one runs on (after its first Execute() or Fetch()).
  PreparedStatement* Prepared() const { return statement_; }

 private:
  PreparedStatement& Statement();
  void CopyUses();
  void CopyIntos();

  soci::session& session_;
  std::string sql_;
  std::vector<StatementBinding> bindings_;
  std::vector<std::size_t> intoBindings_;
  PreparedStatement* statement_ = nullptr;
  // The statement when it is not the session's cached one.
  std::unique_ptr<PreparedStatement> ownStatement_;
  bool executed_ = false;
  bool sendsHeldCameraWrites_ = true;
};

}  // namespace orlentis
