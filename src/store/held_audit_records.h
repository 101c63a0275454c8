#pragma once

#include <cstddef>

#include "base/audit_trail.h"

namespace orlentis {

// The audit records of the event-log entries the calling thread wrote but has not committed:
// the audit trail only ever says what the Log table keeps. The outermost guarded operation
// sends them when it succeeds and drops them when it fails; a transaction or savepoint that
// is rolled back drops the ones written inside it.
void HoldAuditRecord(AuditRecord record);
std::size_t HeldAuditRecordCount();
// Drops every record held after the first count.
void DropHeldAuditRecordsAfter(std::size_t count);
void SendHeldAuditRecords();

}  // namespace orlentis
