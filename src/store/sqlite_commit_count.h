#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "store/directory_version.h"

namespace orlentis {

// Counts the commits to the SQLite file of the current target, by any connection of any
// process, without a session: every commit rewrites the header of the file's shared index
// (the "-shm" file of WAL mode), and a reader's snapshot is the header it finds there, so a
// header seen before a read is a version of the directory that read holds at least. Looking
// costs one pread and no lock, where PRAGMA data_version costs a read transaction on a
// session of the thread's own.
class SqliteCommitCount {
 public:
  static SqliteCommitCount& Instance();

  SqliteCommitCount() = default;
  ~SqliteCommitCount();
  SqliteCommitCount(const SqliteCommitCount&) = delete;
  SqliteCommitCount& operator=(const SqliteCommitCount&) = delete;

  // How many headers have been seen so far, counting the one there now, as a version that every
  // thread shares (of a source new with each file followed); none while no settled
  // header can be read: no session of the current target has told which file it reached (the
  // target is not a SQLite file, or every session was dropped since), the file is not in WAL
  // mode, or a commit is writing the header this moment.
  std::optional<DirectoryVersion> Read();
  // The file that a session opened under the target's generation reached, as SQLite names it:
  // SQLite follows symbolic links and keeps the index beside the file it reached, so an index
  // beside the link (left there, say, before the file was moved) is never the one read.
  void Follow(const std::string& databaseFile, std::uint64_t generation);

 private:
  static constexpr std::size_t kHeaderBytes = 48;
  using Header = std::array<std::uint8_t, kHeaderBytes>;

  bool OpenIndex();
  void CloseIndex();
  std::optional<Header> ReadSettledHeader() const;

  std::mutex mutex_;
  std::uint64_t generation_ = 0;
  std::string indexFile_;
  int index_ = -1;
  std::optional<Header> last_;
  std::int64_t count_ = 0;
  std::uint64_t source_ = 0;
};

}  // namespace orlentis
