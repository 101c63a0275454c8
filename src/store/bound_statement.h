#pragma once

#include <soci/soci.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orlentis {

// One prepared statement with bound values, and for a query, the variables each row is
// fetched into. A NULL column leaves its variable at the type's default value; IsNull() tells
// which. Values are bound by reference: they must outlive the statement's execution.
//
// Every statement of the store goes through this class rather than SOCI's "session <<" forms:
// those are built on classes whose type information the SOCI library does not export, which
// the undefined-behaviour sanitizer's checks of dynamic types need.
class BoundStatement {
 public:
  BoundStatement(soci::session& session, std::string sql)
      : statement_(session), sql_(std::move(sql)) {}

  template <class T>
  BoundStatement& Into(T& target) {
    soci::indicator& indicator = indicators_.emplace_back(soci::i_ok);
    statement_.exchange(soci::into(target, indicator));
    clearNulls_.push_back([&target, &indicator] {
      if (indicator == soci::i_null) target = T{};
    });
    return *this;
  }

  template <class T>
  BoundStatement& Use(const T& value) {
    statement_.exchange(soci::use(value));
    return *this;
  }

  // Runs a statement; a query fetches its first row. True when a row was fetched.
  bool Execute() {
    Prepare();
    const bool fetched = statement_.execute(true);
    if (fetched) ClearNulls();
    return fetched;
  }

  // The next row of a query; false after the last one. The first call runs the query.
  bool Fetch() {
    if (!executed_) {
      Prepare();
      statement_.execute(false);
      executed_ = true;
    }
    if (!statement_.fetch()) return false;
    ClearNulls();
    return true;
  }

  bool IsNull(std::size_t column) const { return indicators_.at(column) == soci::i_null; }

 private:
  void Prepare() {
    statement_.alloc();
    statement_.prepare(sql_);
    statement_.define_and_bind();
  }
  void ClearNulls() {
    for (const auto& clear : clearNulls_) clear();
  }

  soci::statement statement_;
  std::string sql_;
  std::deque<soci::indicator> indicators_;
  std::vector<std::function<void()>> clearNulls_;
  bool executed_ = false;
};

}  // namespace orlentis
