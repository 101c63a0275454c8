#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>

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

  // How many headers have been seen so far, counting the one there now; none while no settled
  // header can be read: the target is not a SQLite file in WAL mode, no connection has the
  // file open yet, or a commit is writing the header this moment.
  std::optional<std::int64_t> Read();

 private:
  static constexpr std::size_t kHeaderBytes = 48;
  using Header = std::array<std::uint8_t, kHeaderBytes>;

  bool OpenIndex();
  void CloseIndex();
  std::optional<Header> ReadSettledHeader() const;

  std::mutex mutex_;
  std::uint64_t generation_ = 0;
  std::filesystem::path indexFile_;
  int index_ = -1;
  std::optional<Header> last_;
  std::int64_t count_ = 0;
};

}  // namespace orlentis
