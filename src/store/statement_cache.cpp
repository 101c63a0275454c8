#include "store/statement_cache.h"

namespace orlentis {
namespace {

// The store runs a few dozen distinct statements; the bound keeps a caller that builds its SQL
// text from values from filling the memory with statements that never run again.
constexpr std::size_t kMaxStatements = 256;

// The same text bound to other C++ types needs slots of those types: a statement of its own.
std::string CacheKey(const std::string& sql, const std::vector<StatementBinding>& bindings) {
  std::string key = sql;
  for (const auto& binding : bindings) {
    key += '\0';
    key += binding.direction == StatementBinding::Direction::kUse ? 'u' : 'i';
    key += binding.type->name();
  }
  return key;
}

}  // namespace

PreparedStatement* StatementCache::Acquire(soci::session& session, const std::string& sql,
                                           const std::vector<StatementBinding>& bindings) {
  const std::string key = CacheKey(sql, bindings);
  auto found = statements_.find(key);
  if (found == statements_.end()) {
    if (statements_.size() >= kMaxStatements) return nullptr;
    auto statement = std::make_unique<PreparedStatement>(session, sql, bindings);
    found = statements_.emplace(key, std::move(statement)).first;
  } else if (found->second->InUse()) {
    return nullptr;
  }
  found->second->SetInUse(true);
  return found->second.get();
}

}  // namespace orlentis
