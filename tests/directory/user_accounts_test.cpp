#include "directory/user_accounts.h"

#include <gtest/gtest.h>

#include "access/password_digest.h"
#include "directory/account_log.h"
#include "directory/account_test.h"
#include "directory/authority_boxes.h"
#include "directory/console_login.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

const std::string kFirstAndThird = "1010" + std::string(60, '0');

class UserAccountsTest : public AccountTest {
 protected:
  UserAccountsTest() : operators_(GroupIdByName("Operator")) {}

  UserForm Form(UserFormMode mode, const std::string& name, const std::string& password) {
    UserForm form;
    form.mode = mode;
    form.name = name;
    form.group = GroupChoice{operators_, "Operator"};
    form.password = password;
    form.confirmation = password;
    form.authority = 0x047;
    return form;
  }

  std::int32_t operators_;
};

TEST_F(UserAccountsTest, UsersWithoutTheirGroupAreCountedButNotListed) {
  AddUser("bob", "bob-pw", operators_, 0x001);
  AddUser("orphan", "orphan-pw", 999, 0x001);
  const auto listing = ListUsers();
  ASSERT_TRUE(listing.Done());
  ASSERT_EQ(listing.value->users.size(), 2u);
  EXPECT_EQ(listing.value->users[0].name, "Administrator");
  EXPECT_EQ(listing.value->users[0].groupName, "Administrator");
  EXPECT_EQ(listing.value->users[1].name, "bob");
  EXPECT_EQ(listing.value->users[1].groupName, "Operator");
  EXPECT_EQ(listing.value->totalUsers, 3u);
}

TEST_F(UserAccountsTest, ReadAndDeleteWithoutASelectionAreRefusedWithText119) {
  for (const AccountVerdict& verdict : {ReadUser("").verdict, DeleteUser("", ConsoleLogSource())}) {
    EXPECT_TRUE(verdict.IsRefused());
    EXPECT_EQ(verdict.textId, 119);
    EXPECT_EQ(verdict.Message(), "Sorry, You must select a item");
  }
  EXPECT_EQ(ReadUser("nobody").verdict.refusal, AccountRefusal::kNotFound);
}

TEST_F(UserAccountsTest, TheAdministratorIsNeverDeletedInAnyLetterCase) {
  const std::int32_t site = AddSite("10.0.0.1", -1, "Lobby");
  const std::int32_t administrator = StoredUser("Administrator")->nID;
  AddUserSite(administrator, site, kFirstAndThird);
  for (const char* name : {"Administrator", "administrator", "ADMINISTRATOR", "aDMINISTRATOr"}) {
    const AccountVerdict verdict = DeleteUser(name, ConsoleLogSource());
    EXPECT_EQ(verdict.refusal, AccountRefusal::kProtected) << name;
    EXPECT_EQ(verdict.Message(), "") << name;
  }
  EXPECT_TRUE(StoredUser("Administrator").has_value());
  EXPECT_EQ(StoredRight(administrator, site), kFirstAndThird);
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(UserAccountsTest, DeletingAUserTakesItsPermissionsAlongAndLogs238) {
  const std::int32_t lobby = AddSite("10.0.0.1", -1, "Lobby");
  const std::int32_t yard = AddSite("10.0.0.2", 0, "Yard");
  const std::int32_t bob = AddUser("bob", "bob-pw", operators_, 0x001);
  const std::int32_t carol = AddUser("carol", "carol-pw", operators_, 0x001);
  AddUserSite(bob, lobby, kFirstAndThird);
  AddUserSite(bob, yard, kFirstAndThird);
  AddUserSite(carol, lobby, kFirstAndThird);

  EXPECT_TRUE(DeleteUser("BOB", "orlentis-admin (root)").IsDone());
  EXPECT_FALSE(StoredUser("bob").has_value());
  EXPECT_EQ(CountRows("UserSite"), 1);
  EXPECT_EQ(StoredRight(carol, lobby), kFirstAndThird);
  EXPECT_EQ(LogLines(),
            std::vector<std::string>{"orlentis-admin (root)|Delete User (BOB)|Delete User"});

  EXPECT_EQ(DeleteUser("bob", ConsoleLogSource()).refusal, AccountRefusal::kNotFound);
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(UserAccountsTest, OkChecksRunInTheirOrderWithTheirTexts) {
  struct Case {
    const char* what;
    UserForm form;
    int textId;
    std::string message;
  };
  auto form = [&](const std::string& name, const std::string& password,
                  const std::string& confirmation) {
    UserForm f = Form(UserFormMode::kAdd, name, password);
    f.confirmation = confirmation;
    return f;
  };
  UserForm noGroup = form("", "a", "b");
  noGroup.group.reset();
  UserForm goneGroup = form("", "a", "b");
  goneGroup.group = GroupChoice{999, "Ghosts"};
  const Case cases[] = {
      {"no group", noGroup, 105, "Sorry, you must select a user group !!"},
      {"group gone", goneGroup, 226, "The group Ghosts no longer exists."},
      {"name exists in another case", form("ADMINISTRATOR", "a", "b"), 151,
       "Worring : user ADMINISTRATOR exists"},
      {"no name", form("", "a", "b"), 104, "Sorry, no input user name !"},
      {"passwords differ", form("dora", "", "b"), 106, "Sorry, passwords do not match"},
      {"no password", form("dora", "", ""), 107, "Sorry, passwords Can't be blank"},
      {"outside the code page", form("dora", "пароль", "пароль"), 250,
       "Sorry, the password holds a character the recorders cannot read"},
  };
  for (const Case& c : cases) {
    const AccountVerdict verdict = SaveUser(c.form, ConsoleLogSource());
    EXPECT_TRUE(verdict.IsRefused()) << c.what;
    EXPECT_EQ(verdict.textId, c.textId) << c.what;
    EXPECT_EQ(verdict.Message(), c.message) << c.what;
  }
  EXPECT_EQ(CountRows("\"User\""), 1);
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(UserAccountsTest, ANewPasswordIsStoredAsTheDigestOfItsCodePageBytes) {
  UserForm form = Form(UserFormMode::kAdd, "dora", "grüß-pw");
  form.description = "night shift";
  ASSERT_TRUE(SaveUser(form, ConsoleLogSource()).IsDone());
  const auto dora = StoredUser("dora");
  ASSERT_TRUE(dora.has_value());
  EXPECT_EQ(dora->strPassword, PasswordDigest("gr\xFC\xDF-pw", false));
  EXPECT_EQ(dora->nGroupID, operators_);
  EXPECT_EQ(dora->strDescription, "night shift");
  EXPECT_EQ(dora->bsAuthority, 0x047);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"Orlentis|Add an user (dora)|Add an user"});
  // The console hashes what is typed the same way.
  EXPECT_TRUE(ConsoleLogin("dora", "grüß-pw").has_value());
}

TEST_F(UserAccountsTest, ThePlaceholderKeepsTheStoredPassword) {
  AddUser("erin", "old-pw", operators_, 0x001);
  const std::string oldDigest = StoredUser("erin")->strPassword;
  UserForm form = Form(UserFormMode::kModify, "erin", std::string(kPasswordPlaceholder));
  form.description = "moved";
  ASSERT_TRUE(SaveUser(form, ConsoleLogSource()).IsDone());
  EXPECT_EQ(StoredUser("erin")->strPassword, oldDigest);
  EXPECT_EQ(StoredUser("erin")->strDescription, "moved");

  form.password = form.confirmation = "new-pw";
  ASSERT_TRUE(SaveUser(form, ConsoleLogSource()).IsDone());
  EXPECT_EQ(StoredUser("erin")->strPassword, PasswordDigest("new-pw", false));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"Orlentis|Modify User (erin)|Modify User",
                                                  "Orlentis|Modify User (erin)|Modify User"}));

  // A new user has no password to keep: the placeholder is a password like any other, never
  // an empty one that could not log in.
  ASSERT_TRUE(SaveUser(Form(UserFormMode::kAdd, "fay", std::string(kPasswordPlaceholder)),
                       ConsoleLogSource())
                  .IsDone());
  EXPECT_EQ(StoredUser("fay")->strPassword,
            PasswordDigest(std::string(kPasswordPlaceholder), false));
  // A user deleted while the dialog was open is not written again.
  EXPECT_EQ(SaveUser(Form(UserFormMode::kModify, "gone", "pw"), ConsoleLogSource()).refusal,
            AccountRefusal::kNotFound);
  EXPECT_FALSE(StoredUser("gone").has_value());
}

TEST_F(UserAccountsTest, EveryListedSiteGetsItsRowAndTheReadUserHasThem) {
  const std::int32_t lobby = AddSite("10.0.0.1", -1, "Lobby");
  const std::int32_t yard = AddSite("10.0.0.2", 0, "Yard");
  const std::int32_t hidden = AddSite("10.0.0.2", 4, "Hidden");
  UserForm form = Form(UserFormMode::kAdd, "dora", "dora-pw");
  form.siteRights = {{lobby, kFirstAndThird}, {yard, std::string(64, '0')}, {hidden, "1"}};
  ASSERT_TRUE(SaveUser(form, ConsoleLogSource()).IsDone());

  const UserReading reading = ReadUser("DORA");
  ASSERT_TRUE(reading.verdict.IsDone());
  EXPECT_EQ(reading.user.name, "dora");
  EXPECT_EQ(reading.user.groupId, operators_);
  ASSERT_EQ(reading.user.siteRights.size(), 2u);
  EXPECT_EQ(reading.user.siteRights[0].siteId, lobby);
  EXPECT_EQ(reading.user.siteRights[0].cameraAuthority, kFirstAndThird);
  EXPECT_EQ(reading.user.siteRights[1].siteId, yard);
  EXPECT_EQ(reading.user.siteRights[1].cameraAuthority, std::string(64, '0'));
}

TEST_F(UserAccountsTest, TheAdministratorKeepsItsGroupAndItsCameraPermissions) {
  const std::int32_t lobby = AddSite("10.0.0.1", -1, "Lobby");
  const std::int32_t yard = AddSite("10.0.0.2", 0, "Yard");
  const std::int32_t administrator = StoredUser("Administrator")->nID;
  const std::int32_t administrators = StoredUser("Administrator")->nGroupID;
  AddUserSite(administrator, lobby, kFirstAndThird);
  UserForm form = Form(UserFormMode::kModify, "administrator", "admin-pw");
  form.siteRights = {{lobby, std::string(64, '0')}, {yard, std::string(64, '0')}};
  ASSERT_TRUE(SaveUser(form, ConsoleLogSource()).IsDone());
  EXPECT_EQ(StoredUser("Administrator")->nGroupID, administrators);
  EXPECT_EQ(StoredUser("Administrator")->strPassword, PasswordDigest("admin-pw", false));
  EXPECT_EQ(StoredRight(administrator, lobby), kFirstAndThird);
  EXPECT_EQ(StoredRight(administrator, yard), std::string(64, '1'));
}

TEST_F(UserAccountsTest, AGroupGivesTheUserDialogExactlyItsRights) {
  const AuthorityBoxes chosen = BoxesForGroup(0x003);
  for (int bit = 0; bit < 9; ++bit) {
    EXPECT_EQ(chosen.IsEnabled(bit), bit < 2) << bit;
  }
  EXPECT_EQ(chosen.checked, 0x003u);
  // A stored user keeps showing a right its group lost, which then cannot be changed.
  const AuthorityBoxes shown = BoxesForUser(0x105, 0x003);
  EXPECT_EQ(shown.checked, 0x105u);
  EXPECT_TRUE(shown.IsEnabled(1));
  EXPECT_FALSE(shown.IsEnabled(2));
}

}  // namespace
}  // namespace orlentis::testing
