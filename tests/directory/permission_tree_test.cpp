#include "directory/permission_tree.h"

#include <gtest/gtest.h>

#include "directory/account_test.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

class PermissionTreeTest : public AccountTest {
 protected:
  // Lobby speaks the record protocol; Yard is instance 0 of a host that reports cameras 0 and
  // 5 (camera 1 is gone), Top its instance 3 without cameras, Hidden its instance 4.
  PermissionTreeTest() {
    lobby_ = AddSite("10.0.0.1", -1, "Lobby");
    yard_ = AddSite("10.0.0.2", 0, "Yard");
    AddSite("10.0.0.2", 4, "Hidden");
    AddSite("10.0.0.2", 3, "Top");
    ExecuteSql("UPDATE Site SET bOnline = 1 WHERE strSiteName = 'Yard'");
    AddCamera(yard_, 0, true, "Gate");
    AddCamera(yard_, 1, false, "Old");
    AddCamera(yard_, 5, true, "Dock");
    // The record-protocol site's own camera rows do not count.
    AddCamera(lobby_, 0, false, "Ignored");
    bob_ = AddUser("bob", "bob-pw", GroupIdByName("Operator"), 0x001);
  }

  void AddCamera(std::int32_t site, std::int32_t index, bool exists, const std::string& name) {
    ExecuteSql(
        "INSERT INTO Camera (nSiteID, nIndex, bExistence, nStateFlag, strResolution, "
        "strName) VALUES (" +
        std::to_string(site) + ", " + std::to_string(index) + ", " + (exists ? "1" : "0") +
        ", 0, '640x480', '" + name + "')");
  }

  PermissionTree Tree(std::int32_t userId, bool locked) {
    auto tree = ReadPermissionTree(userId, locked);
    EXPECT_TRUE(tree.Done());
    return tree.ValueOr({});
  }

  std::int32_t lobby_ = 0;
  std::int32_t yard_ = 0;
  std::int32_t bob_ = 0;
};

TEST_F(PermissionTreeTest, SitesAreListedWithTheirLabelsAndCamerasUpToInstance3) {
  const PermissionTree tree = Tree(-1, false);
  const auto& sites = tree.Sites();
  ASSERT_EQ(sites.size(), 3u);
  EXPECT_EQ(sites[0].label, "10.0.0.1 Lobby (Off-line)");
  EXPECT_EQ(sites[0].address, "10.0.0.1");
  ASSERT_EQ(sites[0].cameras.size(), 16u);
  for (std::int32_t index = 0; index < 16; ++index) {
    EXPECT_EQ(sites[0].cameras[static_cast<std::size_t>(index)].index, index);
    EXPECT_EQ(sites[0].cameras[static_cast<std::size_t>(index)].label,
              "Camera " + std::to_string(index + 1));
  }
  EXPECT_EQ(sites[1].label, "10.0.0.2 - 1 Yard (On-line)");
  ASSERT_EQ(sites[1].cameras.size(), 2u);
  EXPECT_EQ(sites[1].cameras[0].label, "Gate");
  EXPECT_EQ(sites[1].cameras[1].index, 5);
  EXPECT_EQ(sites[1].cameras[1].label, "Dock");
  EXPECT_EQ(sites[2].label, "10.0.0.2 - 4 Top (Off-line)");
  EXPECT_EQ(sites[2].address, "10.0.0.2");
  EXPECT_EQ(sites[2].instance, 3);
  EXPECT_TRUE(sites[2].cameras.empty());
  EXPECT_TRUE(tree.CanRemove(0));
  EXPECT_FALSE(tree.CanRemove(1));
}

TEST_F(PermissionTreeTest, StoredPermissionsShowAsCheckMarks) {
  AddUserSite(bob_, lobby_, "1010");  // shorter than 64: nothing past its end
  const PermissionTree tree = Tree(bob_, false);
  EXPECT_EQ(tree.Sites()[0].cameraAuthority, "1010" + std::string(60, '0'));
  EXPECT_TRUE(tree.IsCameraChecked(0, 0));
  EXPECT_FALSE(tree.IsCameraChecked(0, 1));
  EXPECT_TRUE(tree.IsCameraChecked(0, 2));
  EXPECT_TRUE(tree.IsSiteChecked(0));
  // Without a stored row nothing is permitted, unless the tree is the administrator's.
  EXPECT_EQ(tree.Sites()[1].cameraAuthority, std::string(64, '0'));
  EXPECT_FALSE(tree.IsSiteChecked(1));
  EXPECT_EQ(Tree(bob_, true).Sites()[1].cameraAuthority, std::string(64, '1'));
  // A user being added has nothing stored.
  EXPECT_FALSE(Tree(-1, false).IsSiteChecked(0));
}

TEST_F(PermissionTreeTest, CheckMarksFollowTheirRules) {
  AddUserSite(bob_, yard_, "01" + std::string(62, '0'));  // position 1 has no camera
  PermissionTree tree = Tree(bob_, false);

  tree.ToggleCamera(0, 3);
  EXPECT_TRUE(tree.IsSiteChecked(0));
  tree.ToggleCamera(0, 3);
  EXPECT_FALSE(tree.IsSiteChecked(0));

  // A cleared site is checked with all its cameras, a checked one cleared with all of them;
  // positions without a camera keep their character.
  tree.ToggleSite(1);
  EXPECT_EQ(tree.Sites()[1].cameraAuthority, "11000100" + std::string(56, '0'));
  tree.ToggleCamera(1, 0);
  EXPECT_TRUE(tree.IsSiteChecked(1));
  tree.ToggleSite(1);
  EXPECT_EQ(tree.Sites()[1].cameraAuthority, "01" + std::string(62, '0'));
  EXPECT_FALSE(tree.IsSiteChecked(1));

  // A site without cameras stays as it is.
  const std::string top = tree.Sites()[2].cameraAuthority;
  tree.ToggleSite(2);
  EXPECT_EQ(tree.Sites()[2].cameraAuthority, top);

  const auto rights = tree.Rights();
  ASSERT_EQ(rights.size(), 3u);
  EXPECT_EQ(rights[1].siteId, yard_);
  EXPECT_EQ(rights[1].cameraAuthority, "01" + std::string(62, '0'));

  // The administrator's tree cannot be changed.
  PermissionTree locked = Tree(bob_, true);
  locked.ToggleCamera(0, 0);
  locked.ToggleSite(1);
  EXPECT_EQ(locked.Sites()[0].cameraAuthority, std::string(64, '1'));
  EXPECT_EQ(locked.Sites()[1].cameraAuthority, "01" + std::string(62, '0'));
}

}  // namespace
}  // namespace orlentis::testing
