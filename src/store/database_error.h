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
  DatabaseError(const std::string& message, bool busy) : std::runtime_error(message), busy_(busy) {}

  // Another connection held the lock this statement needed for longer than the busy timeout.
  // The database is sound; the work can be tried again.
  bool Busy() const { return busy_; }

 private:
  bool busy_;
};

// Turns the engine's exception in flight into a DatabaseError about sql; any other exception
// passes on as it is. Called only inside a catch block.
[[noreturn]] void RethrowAsDatabaseError(const std::string& sql);

// What a log may say of error: the engine's own message, without bound values.
std::string DescribeDatabaseError(const std::exception& error);

// Whether error says the database was busy rather than broken.
bool IsBusyError(const std::exception& error);

}  // namespace orlentis
