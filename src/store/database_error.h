#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace orlentis {

// An error of one statement, told by the engine's message and the statement's SQL text. It
// never carries the values bound to the statement: those are password digests and the like,
// which no log may show.
class DatabaseError : public std::runtime_error {
 public:
  enum class Kind {
    kOther,
    // Another connection held the lock this statement needed for longer than the busy
    // timeout. The database is sound; the work can be tried again.
    kBusy,
    // PostgreSQL undid the transaction for a serialization failure or a deadlock: tried
    // again at once, it passes.
    kConflict,
    // A key or unique name already taken, by a writer that got there first: a refusal of the
    // work, not a fault of the database.
    kConstraint,
    // The PostgreSQL server ended the session or could not be heard from: its session is of
    // no more use, though libpq may not have marked it broken yet.
    kConnectionLost,
  };

  DatabaseError(const std::string& message, Kind kind) : std::runtime_error(message), kind_(kind) {}

  Kind ErrorKind() const { return kind_; }
  bool Busy() const { return kind_ == Kind::kBusy || kind_ == Kind::kConflict; }

 private:
  Kind kind_;
};

// Turns the engine's exception in flight into a DatabaseError about sql; any other exception
// passes on as it is. Called only inside a catch block.
[[noreturn]] void RethrowAsDatabaseError(const std::string& sql);

// What a log may say of error: the engine's own message, without bound values.
std::string DescribeDatabaseError(const std::exception& error);

// Whether error says the database was busy rather than broken.
bool IsBusyError(const std::exception& error);
// What kind of error a statement's error is; kOther for any other exception.
DatabaseError::Kind DatabaseErrorKind(const std::exception& error);

}  // namespace orlentis
