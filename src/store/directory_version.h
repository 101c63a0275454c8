#pragma once

#include <soci/soci.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "store/database_target.h"

namespace orlentis {

// The version of what the recorders' logins read, by which a server knows whether what it
// keeps of it in memory still holds. On a SQLite file: the count of commits to the file by any
// connection (the server's writers, the console, orlentis-admin), or, inside a transaction or
// where that count cannot be read, the thread's session's PRAGMA data_version, which holds for
// that session only, so the session is part of the version. On PostgreSQL: the database's own
// count of directory changes, which the watch below follows.
struct DirectoryVersion {
  std::uint64_t session = 0;  // 0 when every thread can tell the count alike
  std::int64_t count = 0;
  // Where a count that every thread shares comes from: one connection of the watch, or one
  // index that the SQLite count follows (NewDirectoryVersionSource). Counts of different
  // sources say nothing of each other: a database restored from a backup counts from an
  // older number again, and another database (a test's next) from its own.
  std::uint64_t source = 0;

  bool operator==(const DirectoryVersion&) const = default;
};
// A number no source of counts had before, larger than every one before it.
std::uint64_t NewDirectoryVersionSource();
// Of the calling thread's session; none while it is not known.
std::optional<DirectoryVersion> CurrentDirectoryVersion();
// The version every thread can tell alike, without a session: on PostgreSQL the watch's count,
// on a SQLite file its count of commits (store/sqlite_commit_count.h); none while it is not
// known.
std::optional<DirectoryVersion> SharedDirectoryVersion();

// On PostgreSQL, a connection of its own that listens for the directory's changes and reads
// the version when told, and every few seconds in case a notice was lost. While it is not
// connected (or never started: the administration tool, a test), the version is unknown and
// nothing is kept.
class DirectoryVersionWatch {
 public:
  static constexpr std::chrono::milliseconds kPollPeriod{3000};

  static DirectoryVersionWatch& Instance();

  DirectoryVersionWatch() = default;
  ~DirectoryVersionWatch() { Stop(); }
  DirectoryVersionWatch(const DirectoryVersionWatch&) = delete;
  DirectoryVersionWatch& operator=(const DirectoryVersionWatch&) = delete;

  void Start(const DatabaseTarget& target);
  void Stop();

  // The version the watch read last; none while it is not connected.
  std::optional<DirectoryVersion> Known() const;
  // The version the watch read last, also once it is no longer connected: what this server
  // last knew of the directory.
  std::optional<DirectoryVersion> LastKnown() const;
  // Waits up to limit for a version to be known; whether one is.
  bool WaitUntilKnown(std::chrono::milliseconds limit) const;

 private:
  void Watch(const DatabaseTarget& target);

  void Learn(std::uint64_t source, std::int64_t count);
  void Forget();

  mutable std::mutex mutex_;
  std::optional<DirectoryVersion> known_;
  std::optional<DirectoryVersion> lastKnown_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace orlentis
