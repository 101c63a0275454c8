#pragma once

#include <optional>
#include <utility>

namespace orlentis {

// What became of one guarded database operation.
enum class DbOutcome {
  kDone,     // the operation ran to its end
  kSkipped,  // the database was unavailable (a repair was under way); nothing ran
  kFailed,   // the database raised an error; the operation was abandoned
  kBusy,     // another connection held the write lock past the busy timeout; nothing was
             // written, and the database is sound: the work can be tried again
};

// A guarded operation's outcome with the value it gave back, which only an operation that ran
// to its end has.
template <class T>
struct DbResult {
  DbOutcome outcome = DbOutcome::kSkipped;
  std::optional<T> value;

  bool Done() const { return outcome == DbOutcome::kDone; }
  // The value, or fallback when the operation did not run to its end.
  T ValueOr(T fallback) const& { return value ? *value : std::move(fallback); }
};

}  // namespace orlentis
