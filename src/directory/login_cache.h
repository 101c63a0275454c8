#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "base/server_metrics.h"
#include "store/directory_version.h"

namespace orlentis {

// What the logins of one reading thread read, kept for one directory version: a login whose
// name, password digest and address were read at the version that still holds is answered
// from here without a statement, a refused one as well. Another version empties it. One per
// thread, so nothing is shared and nothing locked.
template <class Read>
class LoginCache {
 public:
  static constexpr std::size_t kMaxEntries = 20000;

  // The read kept for key at version; null when there is none.
  const std::optional<Read>* Find(const std::string& key, const DirectoryVersion& version) {
    if (!version_ || !(*version_ == version)) {
      if (version_) Metrics().cacheReloads.Add();
      entries_.clear();
      version_ = version;
      Metrics().cacheMisses.Add();
      return nullptr;
    }
    const auto found = entries_.find(key);
    (found == entries_.end() ? Metrics().cacheMisses : Metrics().cacheHits).Add();
    return found == entries_.end() ? nullptr : &found->second;
  }

  // A read made at version, which Find was asked for just before.
  void Keep(std::string key, const DirectoryVersion& version, std::optional<Read> read) {
    if (!version_ || !(*version_ == version)) return;
    // Guesses with ever new passwords must not grow it without end.
    if (entries_.size() >= kMaxEntries) entries_.clear();
    entries_.insert_or_assign(std::move(key), std::move(read));
  }

 private:
  std::optional<DirectoryVersion> version_;
  std::unordered_map<std::string, std::optional<Read>> entries_;
};

inline std::string LoginCacheKey(const std::string& name, const std::string& passwordDigest,
                                 const std::string& peerAddress) {
  return name + '\n' + passwordDigest + '\n' + peerAddress;
}

}  // namespace orlentis
