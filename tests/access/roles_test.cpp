#include "access/roles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orlentis {
namespace {

TEST(AuthorityTest, StoredValueMapsToItsRights) {
  constexpr std::uint32_t kRights[] = {
      kAuthorityMonitoring,   kAuthorityPtzControl, kAuthoritySearching,
      kAuthorityGeneralSetup, kAuthorityUserSetup,  kAuthorityRemoteSetup,
      kAuthorityBackup,       kAuthorityShutdown,   kAuthorityPrivacyMask};
  std::uint32_t seen = 0;
  for (int box = 0; box < kAuthorityRightCount; ++box) {
    EXPECT_EQ(kRights[box], 1u << box) << "box " << box;
    seen |= kRights[box];
  }
  EXPECT_EQ(seen, kAuthorityAll);
  EXPECT_EQ(kAuthorityMonitoring | kAuthoritySearching | kAuthorityPrivacyMask, 0x105u);
}

TEST(AuthorityTest, EffectiveAuthorityIsWhatUserAndGroupBothHold) {
  EXPECT_EQ(EffectiveAuthority(0x1FF, 0x003), 0x003u);
  EXPECT_EQ(EffectiveAuthority(0x0F, 0x05), 0x05u);
  EXPECT_EQ(EffectiveAuthority(0x1FF, 0), 0u);
}

TEST(AuthorityTest, ConsoleRightIsMonitoringOnly) {
  EXPECT_FALSE(HasConsoleRight(0x100));
  EXPECT_FALSE(HasConsoleRight(0x1FE));
  EXPECT_TRUE(HasConsoleRight(0x001));
  EXPECT_FALSE(HasConsoleRight(EffectiveAuthority(0x1FF, 0x100)));
}

TEST(RoleNameTest, RolesAreMatchedIgnoringCaseButExactly) {
  const std::pair<const char*, bool> cases[] = {
      {"Administrator", true}, {"manager", true},   {"OPERATOR", true},
      {"remote user", true},   {"Managers", false}, {"Manager ", false},
      {"RemoteUser", false},   {"", false},         {"Guest", false},
  };
  for (const auto& [name, isRole] : cases) EXPECT_EQ(IsRoleName(name), isRole) << name;
  EXPECT_EQ(kRoleNames[0], "Administrator");
  EXPECT_EQ(kRoleNames[3], "Remote User");
}

TEST(RoleNameTest, AdministratorAccountIsMatchedIgnoringCase) {
  EXPECT_TRUE(IsAdministratorName("administrator"));
  EXPECT_TRUE(IsAdministratorName("ADMINISTRATOR"));
  EXPECT_FALSE(IsAdministratorName("Administrators"));
  EXPECT_FALSE(IsAdministratorName("Manager"));
  EXPECT_FALSE(IsAdministratorName(""));
}

TEST(CameraMaskTest, FirstSixteenCharactersGiveTheMask) {
  const std::pair<std::string, std::uint16_t> cases[] = {
      {"1010" + std::string(60, '0'), 0x0005},
      {"", 0x0000},
      {"1", 0x0001},
      {"101", 0x0005},
      {"1x1", 0x0005},
      {std::string(kCameraAuthorityAllPermitted), 0xFFFF},
      {std::string(kCameraAuthorityAllDenied), 0x0000},
      {std::string(16, '0') + "1", 0x0000},
      {std::string(15, '0') + "1", 0x8000},
  };
  for (const auto& [text, mask] : cases) EXPECT_EQ(CameraMask16(text), mask) << text;
}

TEST(CameraMaskTest, ConstantStringsCoverAllSixtyFourCameras) {
  EXPECT_EQ(std::ranges::count(kCameraAuthorityAllPermitted, '1'), 64);
  EXPECT_EQ(std::ranges::count(kCameraAuthorityAllDenied, '0'), 64);
}

}  // namespace
}  // namespace orlentis
