#include "store/sqlite_commit_count.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "store/engine.h"

namespace orlentis {
namespace {

// The shared index begins with two copies of its 48-byte header. A commit writes the second
// copy, then the first; SQLite's readers take the header only when both are equal, and so do
// we (the layout is the unix VFS's documented WAL-index format, which every SQLite version
// sharing a file has to keep).
constexpr std::size_t kCopies = 2;
constexpr std::size_t kInitialisedOffset = 12;
constexpr std::uint32_t kIndexVersion = 3007000;

}  // namespace

SqliteCommitCount& SqliteCommitCount::Instance() {
  static SqliteCommitCount count;
  return count;
}

SqliteCommitCount::~SqliteCommitCount() {
  CloseIndex();
}

std::optional<DirectoryVersion> SqliteCommitCount::Read() {
  const std::lock_guard lock(mutex_);
  if (generation_ != DatabaseTargetGeneration() || !OpenIndex()) return std::nullopt;
  const std::optional<Header> header = ReadSettledHeader();
  if (!header) return std::nullopt;
  if (header != last_) {
    last_ = header;
    ++count_;
  }
  return DirectoryVersion{0, count_, source_};
}

void SqliteCommitCount::Follow(const std::string& databaseFile, std::uint64_t generation) {
  const std::lock_guard lock(mutex_);
  const std::string indexFile = databaseFile.empty() ? "" : databaseFile + "-shm";
  if (generation < generation_ || (generation == generation_ && indexFile == indexFile_)) return;
  CloseIndex();
  generation_ = generation;
  indexFile_ = indexFile;
  source_ = NewDirectoryVersionSource();
}

// An index unlinked since it was opened belongs to no connection any more (they all closed,
// and the next to open made a new one), so it is opened again by name.
bool SqliteCommitCount::OpenIndex() {
  struct stat status {};
  if (index_ >= 0 && ::fstat(index_, &status) == 0 && status.st_nlink > 0) return true;
  CloseIndex();
  if (indexFile_.empty()) return false;
  index_ = ::open(indexFile_.c_str(), O_RDONLY | O_CLOEXEC);
  return index_ >= 0;
}

// A header seen before an index was (re)opened says nothing of the new one, so the count moves
// on with the next header whatever it holds.
void SqliteCommitCount::CloseIndex() {
  if (index_ < 0) return;
  ::close(index_);
  index_ = -1;
  last_.reset();
}

std::optional<SqliteCommitCount::Header> SqliteCommitCount::ReadSettledHeader() const {
  std::array<std::uint8_t, kCopies * kHeaderBytes> copies{};
  if (::pread(index_, copies.data(), copies.size(), 0) != static_cast<ssize_t>(copies.size())) {
    return std::nullopt;
  }
  if (std::memcmp(copies.data(), copies.data() + kHeaderBytes, kHeaderBytes) != 0) {
    return std::nullopt;
  }
  std::uint32_t version = 0;
  std::memcpy(&version, copies.data(), sizeof version);
  if (version != kIndexVersion || copies[kInitialisedOffset] != 1) return std::nullopt;
  Header header;
  std::memcpy(header.data(), copies.data(), kHeaderBytes);
  return header;
}

}  // namespace orlentis
