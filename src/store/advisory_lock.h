#pragma once

#include <soci/soci.h>

#include <cstdint>

namespace orlentis {

// PostgreSQL's advisory locks, which every server on one database sees: a lock is held by a
// session and ends with it, so a server that dies lets go of whatever it held. The keys are
// the database's own (locks of other databases on the same cluster never meet them).
//
// Upgrading the schema and writing the first accounts; a second server that starts at the
// same moment waits for the first rather than creating the same tables beside it.
inline constexpr std::int64_t kSchemaLockKey = 0x4f726c5363686d61;  // "OrlSchma"
// Held for as long as a server leads the scheduled maintenance.
inline constexpr std::int64_t kMaintenanceLockKey = 0x4f726c4d61696e74;  // "OrlMaint"

// Holds the lock of key on a PostgreSQL session from construction to destruction, waiting for
// it within the session's lock timeout; on SQLite, whose file has one server, does nothing.
class AdvisoryLock {
 public:
  AdvisoryLock(soci::session& session, std::int64_t key);
  ~AdvisoryLock();
  AdvisoryLock(const AdvisoryLock&) = delete;
  AdvisoryLock& operator=(const AdvisoryLock&) = delete;

 private:
  soci::session& session_;
  const std::int64_t key_;
  bool held_ = false;
};

// Takes the lock of key on session if no other session holds it; true when session holds it.
bool TryAdvisoryLock(soci::session& session, std::int64_t key);

}  // namespace orlentis
