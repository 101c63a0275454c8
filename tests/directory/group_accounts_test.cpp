#include "directory/group_accounts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "directory/account_test.h"
#include "store/bound_statement.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

class GroupAccountsTest : public AccountTest {
 protected:
  // A console user of the Administrator group.
  const Asker admin_ = Asker::Console({0x1FF, "Administrator"});

  // Every group's name and level, by level.
  std::vector<std::pair<std::string, std::int32_t>> Order() {
    std::vector<std::pair<std::string, std::int32_t>> order;
    for (const GroupEntry& group : ListGroups().ValueOr({})) {
      order.emplace_back(group.name, group.level);
    }
    return order;
  }
  std::vector<std::string> GroupNames() {
    std::vector<std::string> names;
    for (const auto& [name, level] : Order()) names.push_back(name);
    return names;
  }
};

using Texts = std::vector<std::string>;

TEST_F(GroupAccountsTest, FillingRenumbersTheLevelsWithoutGaps) {
  AddGroup("Viewers", 2, 0x001);
  ExecuteSql("UPDATE \"Group\" SET nLevel = 5 WHERE strName = 'Manager'");
  ExecuteSql("UPDATE \"Group\" SET nLevel = 9 WHERE strName = 'Operator'");
  ExecuteSql("UPDATE \"Group\" SET nLevel = 12 WHERE strName = 'Remote User'");
  AddUser("bob", "bob-pw", GroupIdByName("Viewers"), 0x001);
  const GroupListing renumbered = RenumberGroups(admin_);
  ASSERT_TRUE(renumbered.verdict.IsDone());
  ASSERT_EQ(renumbered.groups.size(), 5u);
  EXPECT_EQ(renumbered.groups[1].name, "Viewers");
  EXPECT_EQ(renumbered.groups[1].userCount, 1);
  EXPECT_EQ(renumbered.groups[0].userCount, 1);  // the Administrator
  EXPECT_EQ(renumbered.groups[2].userCount, 0);
  EXPECT_EQ(Order(), (std::vector<std::pair<std::string, std::int32_t>>{{"Administrator", 0},
                                                                        {"Viewers", 1},
                                                                        {"Manager", 2},
                                                                        {"Operator", 3},
                                                                        {"Remote User", 4}}));
}

TEST_F(GroupAccountsTest, ANewGroupComesLastAndANameIsNeededOnce) {
  ExecuteSql("UPDATE \"Group\" SET nLevel = nLevel * 10");
  EXPECT_TRUE(orlentis::AddGroup("Viewers", 0x005, admin_).IsDone());
  EXPECT_EQ(Order().back(), (std::pair<std::string, std::int32_t>{"Viewers", 4}));
  EXPECT_EQ(ListGroups().ValueOr({}).back().authority, 0x005u);

  const AccountVerdict taken = orlentis::AddGroup("VIEWERS", 0x001, admin_);
  EXPECT_EQ(taken.textId, 152);
  EXPECT_EQ(taken.Message(), "Worring : group VIEWERS exists");
  EXPECT_EQ(orlentis::AddGroup("", 0x001, admin_).Message(), "Please input the Group Name");
  EXPECT_EQ(Order().size(), 5u);
  EXPECT_EQ(LogLines(), Texts{"Orlentis|Add Group (Viewers)|Add Group"});
}

TEST_F(GroupAccountsTest, AGroupChangeNarrowsItsUsersButNeverWidensThem) {
  const std::int32_t viewers = AddGroup("Viewers", 4, 0x003);
  AddUser("bob", "bob-pw", viewers, 0x003);
  AddUser("carol", "carol-pw", GroupIdByName("Operator"), 0x003);

  ASSERT_TRUE(ModifyGroup("viewers", 0x001, admin_).IsDone());
  EXPECT_EQ(StoredUser("bob")->bsAuthority, 0x001);
  EXPECT_EQ(StoredUser("carol")->bsAuthority, 0x003);
  ASSERT_TRUE(ModifyGroup("Viewers", 0x1FF, admin_).IsDone());
  EXPECT_EQ(StoredUser("bob")->bsAuthority, 0x001);
  EXPECT_EQ(ListGroups().ValueOr({}).back().authority, 0x1FFu);
  EXPECT_EQ(LogLines(), (Texts{"Orlentis|Modify Group (viewers)|Modify Group",
                               "Orlentis|Modify Group (Viewers)|Modify Group"}));
}

TEST_F(GroupAccountsTest, DefaultGroupsAreNeitherModifiedNorDeletedInAnyLetterCase) {
  AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x047);
  for (const char* name : {"Operator", "operator", "OPERATOR", "Remote user", "manager"}) {
    const AccountVerdict modified = ModifyGroup(name, 0x000, admin_);
    const AccountVerdict deleted = DeleteGroup(name, admin_);
    EXPECT_EQ(modified.refusal, AccountRefusal::kProtected) << name;
    EXPECT_EQ(deleted.refusal, AccountRefusal::kProtected) << name;
    EXPECT_EQ(modified.Message() + deleted.Message(), "") << name;
  }
  EXPECT_EQ(ModifyGroup("", 0x000, admin_).Message(), "");
  EXPECT_EQ(Order().size(), 4u);
  EXPECT_EQ(StoredUser("bob")->bsAuthority, 0x047);
  EXPECT_TRUE(LogLines().empty());
}

class GroupDeletionTest : public GroupAccountsTest {
 protected:
  GroupDeletionTest() {
    const std::int32_t viewers = AddGroup("Viewers", 4, 0x003);
    const std::int32_t site = AddSite("10.0.0.1", -1, "Lobby");
    AddUserSite(AddUser("bob", "bob-pw", viewers, 0x001), site, "1");
    AddUserSite(AddUser("carol", "carol-pw", viewers, 0x001), site, "1");
    AddUserSite(AddUser("dave", "dave-pw", GroupIdByName("Operator"), 0x001), site, "1");
  }
};

TEST_F(GroupDeletionTest, DeletingAGroupDeletesItsUsersAndTheirPermissions) {
  ASSERT_TRUE(DeleteGroup("VIEWERS", admin_).IsDone());
  EXPECT_EQ(GroupNames(), (Texts{"Administrator", "Manager", "Operator", "Remote User"}));
  EXPECT_FALSE(StoredUser("bob").has_value());
  EXPECT_FALSE(StoredUser("carol").has_value());
  EXPECT_TRUE(StoredUser("dave").has_value());
  EXPECT_EQ(CountRows("UserSite"), 1);
  EXPECT_EQ(LogLines(), Texts{"Orlentis|Delete Group (VIEWERS)|Delete Group"});
  EXPECT_EQ(DeleteGroup("Viewers", admin_).refusal, AccountRefusal::kNotFound);
}

TEST_F(GroupDeletionTest, AFailingDeletionDeletesNothing) {
  // The second user's permissions cannot be deleted: the group and the first user were
  // already gone inside the transaction.
  ExecuteSql(
      "CREATE TRIGGER RefuseCarol BEFORE DELETE ON UserSite WHEN OLD.nUserID = (SELECT nID FROM "
      "\"User\" WHERE strName = 'carol') BEGIN SELECT RAISE(ABORT, 'refused'); END");
  const AccountVerdict verdict = DeleteGroup("Viewers", admin_);
  EXPECT_EQ(verdict.kind, AccountVerdict::Kind::kDatabaseFailed);
  EXPECT_EQ(verdict.database, DbOutcome::kFailed);
  EXPECT_EQ(Order().size(), 5u);
  EXPECT_TRUE(StoredUser("bob").has_value());
  EXPECT_TRUE(StoredUser("carol").has_value());
  EXPECT_EQ(CountRows("UserSite"), 3);
  for (const std::string& line : LogLines()) EXPECT_EQ(line.find("Delete Group"), line.npos);
}

// Servers that share a PostgreSQL database may add the same name at the same moment: each
// looks it up, finds nothing, and inserts. The one whose insert meets the other's is refused
// as the name taken, as a console that looked a moment later would be.
class GroupAccountsOnPostgresTest : public AccountTest {
 protected:
  GroupAccountsOnPostgresTest() : AccountTest(DatabaseEngine::kPostgres) {}
};

TEST_F(GroupAccountsOnPostgresTest, ANameAnotherWriterTookMeanwhileIsRefusedAsTaken) {
  const auto other = OpenSession(CurrentDatabaseTarget());
  BoundStatement(*other, "BEGIN").Execute();
  BoundStatement(*other,
                 "INSERT INTO \"Group\" (strName, nLevel, bsAuthority) VALUES ('Viewers', 9, 1)")
      .Execute();
  std::thread committer([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    BoundStatement(*other, "COMMIT").Execute();
  });
  const AccountVerdict verdict =
      orlentis::AddGroup("VIEWERS", 0x001, Asker::Console({0x1FF, "Administrator"}));
  committer.join();
  EXPECT_EQ(verdict.refusal, AccountRefusal::kGroupExists) << verdict.Message();
  EXPECT_EQ(Count("\"Group\"", "strName = 'Viewers'"), 1);
  EXPECT_FALSE(DatabaseMaintenance::Instance().IsUnavailable());
}

class GroupOrderTest : public GroupAccountsTest {
 protected:
  // Administrator, Manager, Operator, Remote User, Viewers, Guests.
  GroupOrderTest() {
    AddGroup("Viewers", 4, 0x001);
    AddGroup("Guests", 5, 0x001);
  }
};

TEST_F(GroupOrderTest, TheFirstTwoCannotMoveUpNorTheLastDown) {
  EXPECT_EQ(MoveGroupUp("Administrator", admin_).refusal, AccountRefusal::kCannotMove);
  EXPECT_EQ(MoveGroupUp("Manager", admin_).refusal, AccountRefusal::kCannotMove);
  EXPECT_EQ(MoveGroupDown("Guests", admin_).refusal, AccountRefusal::kCannotMove);
  EXPECT_EQ(MoveGroupUp("", admin_).refusal, AccountRefusal::kNothingSelected);
  EXPECT_EQ(GroupNames(),
            (Texts{"Administrator", "Manager", "Operator", "Remote User", "Viewers", "Guests"}));
}

TEST_F(GroupOrderTest, TwoDefaultGroupsNeverExchangeButADefaultAndAnotherDo) {
  EXPECT_EQ(MoveGroupDown("Administrator", admin_).refusal,
            AccountRefusal::kDefaultGroupsKeepOrder);
  EXPECT_EQ(MoveGroupUp("operator", admin_).refusal, AccountRefusal::kDefaultGroupsKeepOrder);
  EXPECT_TRUE(MoveGroupDown("Remote User", admin_).IsDone());
  EXPECT_EQ(GroupNames(),
            (Texts{"Administrator", "Manager", "Operator", "Viewers", "Remote User", "Guests"}));
}

TEST_F(GroupOrderTest, AMovedGroupTakesItsNeighboursPlaceAndTheLevelsStayWithoutGaps) {
  ExecuteSql("UPDATE \"Group\" SET nLevel = nLevel * 3");
  EXPECT_TRUE(MoveGroupUp("viewers", admin_).IsDone());
  EXPECT_TRUE(MoveGroupUp("Viewers", admin_).IsDone());
  EXPECT_EQ(MoveGroupDown("Guests", admin_).refusal, AccountRefusal::kCannotMove);
  EXPECT_EQ(Order(), (std::vector<std::pair<std::string, std::int32_t>>{{"Administrator", 0},
                                                                        {"Manager", 1},
                                                                        {"Viewers", 2},
                                                                        {"Operator", 3},
                                                                        {"Remote User", 4},
                                                                        {"Guests", 5}}));
  EXPECT_TRUE(LogLines().empty());
}

// Group setting belongs to the members of the group named exactly "Administrator", whatever
// their rights, and to the machine's administrator; anyone else is refused before anything is
// read or written, renumbering included.
TEST_F(GroupOrderTest, OnlyTheAdministratorGroupChangesTheGroups) {
  ExecuteSql("UPDATE \"Group\" SET nLevel = nLevel * 3");
  const auto before = Order();
  for (const ConsoleUser& user :
       {ConsoleUser{0x1FF, "administrator"}, ConsoleUser{0x1FF, "Manager"}}) {
    const Asker asker = Asker::Console(user);
    EXPECT_FALSE(asker.MaySetGroups()) << user.groupName;
    for (const AccountVerdict& verdict :
         {orlentis::AddGroup("Night shift", 0x001, asker), ModifyGroup("Viewers", 0x000, asker),
          DeleteGroup("Viewers", asker), DeleteGroup("", asker), MoveGroupUp("Guests", asker),
          MoveGroupDown("Viewers", asker), RenumberGroups(asker).verdict}) {
      EXPECT_EQ(verdict.refusal, AccountRefusal::kNoGroupSettingRight) << user.groupName;
      EXPECT_EQ(verdict.Message(),
                "Only the members of the Administrator group may change the groups.");
    }
  }
  EXPECT_EQ(Order(), before);
  EXPECT_TRUE(LogLines().empty());

  EXPECT_TRUE(MoveGroupDown("Viewers", Asker::Console({0x001, "Administrator"})).IsDone());
  EXPECT_EQ(GroupNames(),
            (Texts{"Administrator", "Manager", "Operator", "Remote User", "Guests", "Viewers"}));
  EXPECT_TRUE(DeleteGroup("Guests", Asker::MachineAdministrator("orlentis-admin (root)")).IsDone());
  EXPECT_EQ(GroupNames(),
            (Texts{"Administrator", "Manager", "Operator", "Remote User", "Viewers"}));
  EXPECT_EQ(LogLines(), Texts{"orlentis-admin (root)|Delete Group (Guests)|Delete Group"});
}

}  // namespace
}  // namespace orlentis::testing
