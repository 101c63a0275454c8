#include "store/sqlite_commit_count.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "store/bound_statement.h"
#include "store/engine.h"
#include "store/store_test.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {
namespace {

class SqliteCommitCountTest : public StoreTest {};

// A commit on any connection moves the count, and nothing else does. The index read is the
// one SQLite uses: with the file reached through a symbolic link and an old index left beside
// the link, commits still move it.
TEST_F(SqliteCommitCountTest, EveryCommitMovesTheCountAlsoThroughALink) {
  TempFolder linkFolder;
  const std::filesystem::path link = linkFolder.Path() / "OrlentisDB.db";
  std::filesystem::create_symlink(Database().File(), link);
  SetDatabaseFile(link);
  ASSERT_GT(Count("\"Group\""), 0);
  std::filesystem::copy_file(Database().File().string() + "-shm", link.string() + "-shm");

  SqliteCommitCount& commits = SqliteCommitCount::Instance();
  const auto before = commits.Read();
  ASSERT_TRUE(before);
  EXPECT_EQ(commits.Read(), before);
  BoundStatement(*OpenSession(link), "UPDATE \"Group\" SET nLevel = nLevel + 1").Execute();
  const auto after = commits.Read();
  ASSERT_TRUE(after);
  EXPECT_GT(after->count, before->count);
  EXPECT_EQ(commits.Read(), after);
}

}  // namespace
}  // namespace orlentis::testing
