#pragma once

#include <iosfwd>
#include <memory>
#include <string_view>

namespace spdlog {
class logger;
}

namespace orlentis {

// The operator's log: one line on standard error (which systemd's journal keeps) for each thing
// whoever runs the server needs to know: where it runs, where it listens, what went wrong with
// the database or the directory. It is not the event log (the Log table), which records what
// users and recorders did, and it says nothing per request.
//
// A line carries the level, the message id in brackets and the text:
//   2025-03-01 12:00:00.123 orlentis warning [net.listen-failed] cannot listen on ...
// Scripts match the ids, so an id never changes once released; a new meaning gets a new id.
//
// Each message is written at most once a second per id, or per id and reason where a reason is
// given. Repeats within that second are counted, and the count is added to the next line of the
// same id and reason that gets through; when none comes, the last repeat is written with the
// count of those before it once the second has ended, at the next line of any id or at the next
// WriteHeldBackOperatorMessages(). The second is measured on CurrentClock(). Callable from any
// thread.

enum class OperatorLevel { kInfo, kWarning, kError };

// The messages are listed in base/operator_messages.mes, with what each means to the operator;
// the build makes a constant of each in base/operator_messages.h, and those are what callers
// pass, so no id is logged that the list does not hold.
struct OperatorMessage {
  std::string_view id;
  OperatorLevel level;
};

void LogToOperator(const OperatorMessage& message, std::string_view text);
// The same with the rate limit kept for each reason apart, so that a burst of one reason does
// not hide another.
void LogToOperatorPerReason(const OperatorMessage& message, std::string_view reason,
                            std::string_view text);
// Writes the repeats held back in a second that has ended; the housekeeping calls it at every
// tick, so that the last of a burst is never lost.
void WriteHeldBackOperatorMessages();

// For tests: while one lives, the operator's log is written to stream instead of where it went
// before, and the rate limit starts afresh.
class OperatorLogCapture {
 public:
  explicit OperatorLogCapture(std::ostream& stream);
  ~OperatorLogCapture();
  OperatorLogCapture(const OperatorLogCapture&) = delete;
  OperatorLogCapture& operator=(const OperatorLogCapture&) = delete;

 private:
  std::shared_ptr<spdlog::logger> previous_;
};

}  // namespace orlentis
