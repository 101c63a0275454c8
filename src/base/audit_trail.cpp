#include "base/audit_trail.h"

#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/server_metrics.h"

namespace orlentis {
namespace {

// A burst of check-ins after an outage fills this in a second or two; more would only hold
// memory for a journal that is not taking records.
constexpr std::size_t kMaxQueuedRecords = 20000;
constexpr const char* kJournalSocket = "/run/systemd/journal/socket";
constexpr const char* kIdentifier = "orlentis";

std::string MessageOf(const AuditRecord& record) {
  std::string message = record.source + ": " + record.action;
  if (!record.detail.empty() && record.detail != record.action)
    message += " (" + record.detail + ")";
  return message;
}

// The record's facts by field name, the empty ones left out.
std::vector<std::pair<std::string_view, std::string_view>> Facts(const AuditRecord& record,
                                                                 std::string_view server) {
  const std::pair<std::string_view, std::string_view> all[] = {
      {"EVENT", record.event},     {"SOURCE", record.source},   {"ACTION", record.action},
      {"DETAIL", record.detail},   {"ADDRESS", record.address}, {"USER", record.user},
      {"CHANGES", record.changes}, {"SERVER", server}};
  std::vector<std::pair<std::string_view, std::string_view>> facts;
  for (const auto& fact : all) {
    if (!fact.second.empty()) facts.push_back(fact);
  }
  return facts;
}

class AuditTrail {
 public:
  static AuditTrail& Instance() {
    static AuditTrail trail;
    return trail;
  }

  ~AuditTrail() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

  void Send(AuditRecord record) {
    {
      const std::lock_guard lock(mutex_);
      if (queue_.size() >= kMaxQueuedRecords) {
        Metrics().auditRecordsDropped.Add();
        LogToOperator(kLogAuditJournalBehind,
                      "the journal fell behind: " + std::to_string(++dropped_) +
                          " audit records were not sent");
        return;
      }
      queue_.push_back(std::move(record));
      if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    }
    wake_.notify_one();
  }

  void SetServerName(std::string name) {
    const std::lock_guard lock(mutex_);
    server_ = std::move(name);
  }

 private:
  void Loop() {
    const bool journal = std::filesystem::exists(kJournalSocket);
    if (!journal) openlog(kIdentifier, LOG_PID, LOG_AUTHPRIV);
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) break;
      AuditRecord record = std::move(queue_.front());
      queue_.pop_front();
      const std::string server = server_;
      lock.unlock();
      journal ? SendToJournal(record, server) : SendToSyslog(record, server);
      lock.lock();
    }
  }

  static void SendToJournal(const AuditRecord& record, const std::string& server) {
    const std::vector<std::string> fields = JournalFields(record, server);
    std::vector<iovec> parts;
    for (const std::string& field : fields) {
      parts.push_back({const_cast<char*>(field.data()), field.size()});
    }
    sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
  }

  static void SendToSyslog(const AuditRecord& record, const std::string& server) {
    syslog(LOG_INFO, "%s", SyslogLine(record, server).c_str());
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<AuditRecord> queue_;
  std::string server_;
  std::uint64_t dropped_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace

std::vector<std::string> JournalFields(const AuditRecord& record, std::string_view server) {
  std::vector<std::string> fields = {"MESSAGE=" + MessageOf(record),
                                     std::string("SYSLOG_IDENTIFIER=") + kIdentifier,
                                     "PRIORITY=" + std::to_string(LOG_INFO)};
  for (const auto& [name, value] : Facts(record, server)) {
    fields.push_back("ORLENTIS_" + std::string(name) + "=" + std::string(value));
  }
  return fields;
}

std::string SyslogLine(const AuditRecord& record, std::string_view server) {
  std::string line = MessageOf(record);
  for (const auto& [name, value] : Facts(record, server)) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
    line += " " + lower + "=\"";
    for (const char c : value) {
      if (c == '"' || c == '\\') line += '\\';
      line += c == '\n' ? ' ' : c;
    }
    line += '"';
  }
  return line;
}

void SetAuditServerName(std::string name) {
  AuditTrail::Instance().SetServerName(std::move(name));
}

void SendToAuditTrail(AuditRecord record) {
  AuditTrail::Instance().Send(std::move(record));
}

}  // namespace orlentis
