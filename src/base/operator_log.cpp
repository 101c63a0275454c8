#include "base/operator_log.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/clock.h"

namespace orlentis {
namespace {

constexpr std::uint64_t kRepeatWindowMs = 1000;
// Reasons may come from error texts; once this many keys are kept, those with nothing left to
// report are forgotten, so the table cannot grow without bound.
constexpr std::size_t kKeysBeforePruning = 256;
constexpr const char* kPattern = "%Y-%m-%d %H:%M:%S.%e orlentis %l %v";

// The last message of a key held back in a second that has ended, and how many were held back
// before it.
struct HeldBack {
  OperatorLevel level;
  std::string id;
  std::string text;
  std::uint64_t before;
};

class RepeatLimit {
 public:
  // Whether a message of key may be written at nowMs. When it may, suppressed receives how many
  // messages of key were held back since the last one written; when not, it is kept as the
  // key's last held-back message.
  bool Admit(const std::string& key, const HeldBack& message, std::uint64_t nowMs,
             std::uint64_t& suppressed) {
    const auto found = keys_.find(key);
    if (found == keys_.end()) {
      if (keys_.size() >= kKeysBeforePruning) Prune(nowMs);
      keys_.emplace(key, Key{nowMs, 0, {}});
      suppressed = 0;
      return true;
    }
    Key& state = found->second;
    // Unsigned: a clock set back admits at once rather than silencing the key.
    if (nowMs - state.writtenAtMs < kRepeatWindowMs) {
      ++state.suppressed;
      state.last = message;
      return false;
    }
    suppressed = state.suppressed;
    state = Key{nowMs, 0, {}};
    return true;
  }

  // The held-back messages of the keys other than except whose second has ended; each key then
  // starts afresh, as if its last held-back message had been written at nowMs.
  std::vector<HeldBack> TakeDue(std::uint64_t nowMs, std::string_view except = {}) {
    std::vector<HeldBack> due;
    for (auto& [key, state] : keys_) {
      if (key == except) continue;
      if (state.suppressed == 0 || nowMs - state.writtenAtMs < kRepeatWindowMs) continue;
      HeldBack message = std::move(*state.last);
      message.before = state.suppressed - 1;
      due.push_back(std::move(message));
      state = Key{nowMs, 0, {}};
    }
    return due;
  }

  void Clear() { keys_.clear(); }

 private:
  struct Key {
    std::uint64_t writtenAtMs;
    std::uint64_t suppressed;
    std::optional<HeldBack> last;
  };

  void Prune(std::uint64_t nowMs) {
    std::erase_if(keys_, [nowMs](const auto& entry) {
      return entry.second.suppressed == 0 && nowMs - entry.second.writtenAtMs >= kRepeatWindowMs;
    });
  }

  std::unordered_map<std::string, Key> keys_;
};

std::shared_ptr<spdlog::logger> NewLogger(spdlog::sink_ptr sink) {
  auto logger = std::make_shared<spdlog::logger>("orlentis", std::move(sink));
  logger->set_pattern(kPattern);
  logger->set_level(spdlog::level::info);
  return logger;
}

struct OperatorLogState {
  std::mutex mutex;
  std::shared_ptr<spdlog::logger> logger =
      NewLogger(std::make_shared<spdlog::sinks::stderr_sink_mt>());
  RepeatLimit repeats;
};

OperatorLogState& State() {
  static OperatorLogState state;
  return state;
}

spdlog::level::level_enum SpdlogLevel(OperatorLevel level) {
  switch (level) {
    case OperatorLevel::kInfo:
      return spdlog::level::info;
    case OperatorLevel::kWarning:
      return spdlog::level::warn;
    case OperatorLevel::kError:
      break;
  }
  return spdlog::level::err;
}

// One message, one line, whatever the text holds (database and directory errors are quoted).
std::string Line(std::string_view id, std::string_view text, std::uint64_t suppressed) {
  std::string line = "[" + std::string(id) + "] ";
  std::ranges::replace_copy_if(
      text, std::back_inserter(line), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  if (suppressed == 1) line += " (1 similar message suppressed)";
  if (suppressed > 1) line += " (" + std::to_string(suppressed) + " similar messages suppressed)";
  return line;
}

void WriteLine(const OperatorLogState& state, OperatorLevel level, std::string_view id,
               std::string_view text, std::uint64_t suppressed) {
  const std::string line = Line(id, text, suppressed);
  state.logger->log(SpdlogLevel(level), spdlog::string_view_t(line.data(), line.size()));
}

// Called with the state's mutex held. The key being written carries its own count.
void WriteDueHeldBack(OperatorLogState& state, std::uint64_t nowMs, std::string_view except = {}) {
  for (const HeldBack& message : state.repeats.TakeDue(nowMs, except)) {
    WriteLine(state, message.level, message.id, message.text, message.before);
  }
}

void Write(OperatorLevel level, std::string_view id, std::string_view key, std::string_view text) {
  OperatorLogState& state = State();
  const std::lock_guard lock(state.mutex);
  const std::uint64_t nowMs = CurrentClock().TickMs();
  WriteDueHeldBack(state, nowMs, key);
  std::uint64_t suppressed = 0;
  const HeldBack message{level, std::string(id), std::string(text), 0};
  if (!state.repeats.Admit(std::string(key), message, nowMs, suppressed)) return;
  WriteLine(state, level, id, text, suppressed);
}

}  // namespace

void WriteHeldBackOperatorMessages() {
  OperatorLogState& state = State();
  const std::lock_guard lock(state.mutex);
  WriteDueHeldBack(state, CurrentClock().TickMs());
}

void LogToOperator(const OperatorMessage& message, std::string_view text) {
  Write(message.level, message.id, message.id, text);
}

void LogToOperatorPerReason(const OperatorMessage& message, std::string_view reason,
                            std::string_view text) {
  // The unit separator cannot occur in an id, so no id and reason pair reads as another.
  Write(message.level, message.id, std::string(message.id) + '\x1f' + std::string(reason), text);
}

OperatorLogCapture::OperatorLogCapture(std::ostream& stream) {
  OperatorLogState& state = State();
  const std::lock_guard lock(state.mutex);
  previous_ = std::exchange(
      state.logger, NewLogger(std::make_shared<spdlog::sinks::ostream_sink_mt>(stream, true)));
  state.repeats.Clear();
}

OperatorLogCapture::~OperatorLogCapture() {
  OperatorLogState& state = State();
  const std::lock_guard lock(state.mutex);
  state.logger = std::move(previous_);
}

}  // namespace orlentis
