#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orlentis {

// One event-log entry as the audit trail sends it off the machine: the texts the Log table
// keeps, and the facts a collector filters on, which the table has no columns for.
struct AuditRecord {
  std::string event;   // stable id of what happened, e.g. "site.checkin", "account.user-changed"
  std::string source;  // the entry's source: a site's name, the console, orlentis-admin (user)
  std::string action;
  std::string detail;
  std::string address;  // the recorder's address, where a recorder caused it
  std::string user;     // the account it concerns, or who logged in
  std::string changes;  // for an account change: the fields changed, never a value
};

// The journal's fields of a record, each "NAME=value": MESSAGE for people, ORLENTIS_* for
// collectors (EVENT, SOURCE, ACTION, DETAIL, ADDRESS, USER, CHANGES, SERVER; empty ones left
// out), SYSLOG_IDENTIFIER and PRIORITY.
std::vector<std::string> JournalFields(const AuditRecord& record, std::string_view server);
// The same as one syslog line, where there is no journal: MESSAGE then key="value" pairs.
std::string SyslogLine(const AuditRecord& record, std::string_view server);

// The name this process gives its records' ORLENTIS_SERVER (host:port of a server; empty for
// the tools).
void SetAuditServerName(std::string name);

// Hands a record to the journal (or syslog) from a thread of the trail's own, so that a slow
// journal never holds up a request or a commit. Never blocks: when the queue is full the
// record is left out and counted. What is queued is sent before the process ends.
void SendToAuditTrail(AuditRecord record);

}  // namespace orlentis
