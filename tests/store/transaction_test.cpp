#include "store/transaction.h"

#include <gtest/gtest.h>

#include "store/database_error.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

class TransactionTest : public EachEngineTest {
 protected:
  void AddGroup(const std::string& name) {
    BoundStatement(Session(), "INSERT INTO \"Group\" (strName, nLevel) VALUES (:name, 9)")
        .Use(name)
        .Execute();
  }
  int Groups(const std::string& name) { return Count("\"Group\"", "strName = '" + name + "'"); }
};

// Each unit inside another keeps or undoes exactly its own writes, a unit whose statement
// failed included: on PostgreSQL the failure spoils the whole transaction until its unit is
// undone, after which the outer unit goes on and commits.
TEST_P(TransactionTest, AnInnerUnitKeepsOrUndoesOnlyItsOwnWrites) {
  EXPECT_FALSE(IsInTransaction(Session()));
  {
    Transaction outer(Session());
    EXPECT_TRUE(IsInTransaction(Session()));
    AddGroup("outer");
    {
      Transaction left(Session());
      AddGroup("left without commit");
    }
    {
      Transaction failed(Session());
      AddGroup("before the failure");
      EXPECT_THROW(BoundStatement(Session(), "INSERT INTO Missing VALUES (1)").Execute(),
                   DatabaseError);
    }
    {
      Transaction committed(Session());
      AddGroup("inner");
      committed.Commit();
    }
    outer.Commit();
  }
  EXPECT_FALSE(IsInTransaction(Session()));
  EXPECT_EQ(Groups("outer"), 1);
  EXPECT_EQ(Groups("inner"), 1);
  EXPECT_EQ(Groups("left without commit"), 0);
  EXPECT_EQ(Groups("before the failure"), 0);
}

// In a group of writes a unit left without its commit never has its writes stored: its
// savepoint undoes them alone, or, on PostgreSQL, whose units there take no savepoint, the
// whole group fails.
TEST_P(TransactionTest, AUnitOfAGroupLeftWithoutCommitNeverStoresItsWrites) {
  bool groupCommitted = false;
  try {
    GroupTransaction group(Session());
    {
      Transaction committed(Session());
      AddGroup("committed unit");
      committed.Commit();
    }
    {
      Transaction left(Session());
      AddGroup("left without commit");
    }
    group.Commit();
    groupCommitted = true;
  } catch (const DatabaseError&) {
  }
  EXPECT_FALSE(IsInTransaction(Session()));
  EXPECT_EQ(groupCommitted, GetParam() == DatabaseEngine::kSqlite);
  EXPECT_EQ(Groups("committed unit"), groupCommitted ? 1 : 0);
  EXPECT_EQ(Groups("left without commit"), 0);
}

TEST_P(TransactionTest, AnOutermostUnitLeftWithoutCommitWritesNothing) {
  {
    Transaction unit(Session());
    AddGroup("undone");
    Transaction inner(Session());
    AddGroup("undone too");
    inner.Commit();
  }
  EXPECT_FALSE(IsInTransaction(Session()));
  EXPECT_EQ(Count("\"Group\"", "nLevel = 9"), 0);
}

TEST_P(TransactionTest, ASnapshotSeesTheDatabaseAsAtItsFirstQuery) {
  const auto other = OpenSession(CurrentDatabaseTarget());
  {
    const ReadSnapshot snapshot(Session());
    EXPECT_EQ(Count("Site"), 0);
    BoundStatement(*other, "INSERT INTO Site (strIP) VALUES ('10.0.0.1')").Execute();
    EXPECT_EQ(Count("Site"), 0);
  }
  EXPECT_EQ(Count("Site"), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, TransactionTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
