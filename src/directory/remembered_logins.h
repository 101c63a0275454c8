#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "store/directory_version.h"

namespace orlentis {

// The logins of accounts that exist, as read at the directory's newest version that every
// thread can tell alike, kept to answer them again without a reading thread's turn, and on
// PostgreSQL while the database cannot be reached.
// Only what the database said at one version is kept: a change anywhere empties it, so an old
// password is never taken for a new one. Shared by the reading threads, unlike their caches,
// so that a login read on one is known to all; it is written only when a login was read.
template <class Read>
class RememberedLogins {
 public:
  static constexpr std::size_t kMaxEntries = 100000;

  void Keep(const std::string& key, const DirectoryVersion& version, const Read& read) {
    // A version of one session (a SQLite file's) is not the other threads'.
    if (version.session != 0) return;
    const std::lock_guard lock(mutex_);
    if (!version_ || *version_ != version) {
      // A slower thread's read of an older version, or of an earlier source, comes too late.
      if (version_ && (version.source < version_->source ||
                       (version.source == version_->source && version.count < version_->count))) {
        return;
      }
      entries_.clear();
      version_ = version;
    }
    if (entries_.size() >= kMaxEntries) return;
    entries_.insert_or_assign(key, read);
  }

  // What was kept for key, if it was read at lastVersion, the newest this server knew of: a
  // change it learnt of after its last read of a login makes all it kept stale.
  std::optional<Read> Find(const std::string& key, const DirectoryVersion& lastVersion) const {
    const std::lock_guard lock(mutex_);
    if (version_ != lastVersion) return std::nullopt;
    const auto found = entries_.find(key);
    if (found == entries_.end()) return std::nullopt;
    return found->second;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<DirectoryVersion> version_;
  std::unordered_map<std::string, Read> entries_;
};

}  // namespace orlentis
