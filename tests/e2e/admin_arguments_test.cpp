#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "account_arguments.h"
#include "admin_status.h"
#include "records.h"
#include "setting_keys.h"
#include "support/base/temp_folder.h"

namespace orlentis::testing {
namespace {

using admin::AdminFailure;
using admin::AdminStatus;

AdminStatus StatusOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const AdminFailure& failure) {
    return failure.Status();
  }
  return AdminStatus::kDone;
}

// An instance that reports cameras 1, 2, 3 and 6 (indexes 0 to 2 and 5).
TreeSite Instance(std::int32_t instance) {
  TreeSite site;
  site.siteId = 7;
  site.instance = instance;
  site.address = "10.0.0.2";
  for (const std::int32_t index : {0, 1, 2, 5}) site.cameras.push_back({index, "c"});
  return site;
}

TEST(AdminArgumentsTest, CameraListsBecomeTheCameraAuthorityOfTheCamerasASiteHas) {
  const TreeSite site = Instance(1);
  EXPECT_EQ(admin::CameraAuthorityFor("1,3", site), "101" + std::string(61, '0'));
  EXPECT_EQ(admin::CameraAuthorityFor("2-3,6", site), "011001" + std::string(58, '0'));
  EXPECT_EQ(admin::CameraAuthorityFor("all", site), "111001" + std::string(58, '0'));
  EXPECT_EQ(admin::CameraAuthorityFor("none", site), std::string(64, '0'));
  EXPECT_EQ(admin::CamerasText("111001" + std::string(58, '0')), "1-3,6");
  EXPECT_EQ(admin::CamerasText(std::string(64, '0')), "none");
  // A camera the site does not have is refused; what is not a camera list is a usage error.
  EXPECT_EQ(StatusOf([&] { admin::CameraAuthorityFor("4", site); }), AdminStatus::kRefused);
  for (const char* bad : {"0", "65", "3-1", "x", "1,,2", "1-"}) {
    EXPECT_EQ(StatusOf([&] { admin::CameraAuthorityFor(bad, site); }), AdminStatus::kUsage) << bad;
  }
}

TEST(AdminArgumentsTest, SitesRightsAndAddressesByTheirNames) {
  const auto any = admin::ParseSiteChoice("10.0.0.2");
  const auto second = admin::ParseSiteChoice("10.0.0.2:1");
  EXPECT_TRUE(admin::Matches(any, Instance(0)) && admin::Matches(any, Instance(1)));
  EXPECT_FALSE(admin::Matches(second, Instance(0)));
  EXPECT_TRUE(admin::Matches(second, Instance(1)));
  EXPECT_EQ(admin::SiteName(Instance(1)), "10.0.0.2:1");
  EXPECT_EQ(admin::SiteName(Instance(-1)), "10.0.0.2");
  for (const char* bad : {"10.0.0", "10.0.0.2:", "10.0.0.2:-1", "host:1"}) {
    EXPECT_EQ(StatusOf([&] { admin::ParseSiteChoice(bad); }), AdminStatus::kUsage) << bad;
  }

  EXPECT_EQ(admin::ParseRights("monitoring,backup,privacy-mask"), 0x141u);
  EXPECT_EQ(admin::RightsText(0x141), "monitoring,backup,privacy-mask");
  EXPECT_EQ(admin::ParseRights(admin::RightsText(0x1FF)), 0x1FFu);
  EXPECT_EQ(admin::ParseRights("all"), 0x1FFu);
  EXPECT_EQ(admin::RightsText(0), "none");
  EXPECT_EQ(StatusOf([] { admin::ParseRights("monitoring,fly"); }), AdminStatus::kUsage);
  EXPECT_EQ(admin::ParseAddress("192.168.1.20"), 0xC0A80114u);
}

TEST(AdminArgumentsTest, SettingsKeepTheirRangesAndKeysIgnoreCase) {
  TempFolder folder;
  Settings settings(folder / "Setting.ini");
  const auto& port = admin::FindSettingKey("ipsetting.port");
  EXPECT_EQ(port.name, "IPSETTING.PORT");
  EXPECT_TRUE(port.needsRestart);
  port.Write(settings, "10300");
  EXPECT_EQ(settings.GetPort(), 10300);
  for (const char* bad : {"65536", "-1", "10k", ""}) {
    EXPECT_EQ(StatusOf([&] { port.Write(settings, bad); }), AdminStatus::kRefused) << bad;
  }
  EXPECT_EQ(settings.GetPort(), 10300);
  const auto& mode = admin::FindSettingKey("IPSETTING.FILTERSTYLE");
  EXPECT_FALSE(mode.needsRestart);
  EXPECT_EQ(StatusOf([&] { mode.Write(settings, "2"); }), AdminStatus::kRefused);
  EXPECT_EQ(StatusOf([&] { admin::FindSettingKey("IPSETTING.IP").Write(settings, "10.0.0"); }),
            AdminStatus::kRefused);
  EXPECT_EQ(StatusOf([] { admin::FindSettingKey("SYSTEM.NOTHING"); }), AdminStatus::kRefused);
}

TEST(AdminArgumentsTest, RecordsAsAlignedTablesAndAsJson) {
  const std::vector<admin::Record> rows = {
      admin::Record().Add("name", "Jörg").Add("web_port", 80).Add("online", true),
      admin::Record().Add("name", "Lobby 2").Add("web_port", 8080).Add("online", false)};
  std::ostringstream table;
  admin::PrintTable(table, rows);
  // Columns are as wide as their characters, not their UTF-8 bytes.
  EXPECT_EQ(table.str(),
            "NAME     WEB PORT  ONLINE\n"
            "Jörg     80        yes\n"
            "Lobby 2  8080      no\n");
  std::ostringstream json;
  admin::WriteJson(json, admin::Record()
                             .Add("text", "a \"b\"\\\n\x01ö")
                             .Add("sites", std::vector<admin::Record>{rows.front()}));
  EXPECT_EQ(json.str(),
            "{\"text\":\"a \\\"b\\\"\\\\\\n\\u0001ö\","
            "\"sites\":[{\"name\":\"Jörg\",\"web_port\":80,\"online\":true}]}\n");
}

}  // namespace
}  // namespace orlentis::testing
