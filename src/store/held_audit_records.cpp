#include "store/held_audit_records.h"

#include <utility>
#include <vector>

namespace orlentis {
namespace {

thread_local std::vector<AuditRecord> held;

}  // namespace

void HoldAuditRecord(AuditRecord record) {
  held.push_back(std::move(record));
}

std::size_t HeldAuditRecordCount() {
  return held.size();
}

void DropHeldAuditRecordsAfter(std::size_t count) {
  if (count < held.size()) held.resize(count);
}

void SendHeldAuditRecords() {
  for (AuditRecord& record : held) SendToAuditTrail(std::move(record));
  held.clear();
}

}  // namespace orlentis
