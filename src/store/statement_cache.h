#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/prepared_statement.h"

namespace orlentis {

// The statements of one session, each prepared once per SQL text (and binding types) and run
// again with new values. It must go before its session does.
class StatementCache {
 public:
  // The session's statement for sql with bindings, now in use until its Release(); nullptr
  // when that statement is in use already (a nested run of the same query) or the cache is
  // full: the caller then prepares a statement of its own.
  PreparedStatement* Acquire(soci::session& session, const std::string& sql,
                             const std::vector<StatementBinding>& bindings);
  std::size_t Size() const { return statements_.size(); }

 private:
  std::unordered_map<std::string, std::unique_ptr<PreparedStatement>> statements_;
};

}  // namespace orlentis
