#include <gtest/gtest.h>

#include "directory/account_log.h"
#include "directory/permission_tree.h"
#include "directory/site_accounts.h"
#include "directory/user_accounts.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

// A user made through the account operations, as the console makes one, logs in at a host
// and receives the cameras it was given, instance by instance.
class AccountLoginTest : public RecorderServicesOnEachEngineTest {
 protected:
  // The host login up to the verdict frame; names and passwords in the host's code page.
  std::optional<HostFrame> HostLogin(WireClient& client, const std::string& name,
                                     const HostPassword& password) {
    EXPECT_TRUE(client.Send(EncodeHostRequest(HOST_USER_LOGIN, 0)));
    EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 1}));
    EXPECT_TRUE(client.Send(EncodeHostCredentials(name, password)));
    return ReceiveHostFrame(client);
  }

  std::optional<HostSiteEntry> NextSiteEntry(WireClient& client) {
    const auto block = client.ReceiveExactly(host_site_layout::kSize);
    if (!block) return std::nullopt;
    return DecodeHostSiteEntry(*block);
  }
};

TEST_P(AccountLoginTest, AUserAddedThroughTheAccountsGetsExactlyTheCamerasGranted) {
  // The host at 127.0.0.1 is registered before it ever checks in.
  ASSERT_TRUE(AddSites({127, 0, 0, 1}, 3).IsDone());
  PermissionTree tree = ReadPermissionTree(-1, false).ValueOr({});
  ASSERT_EQ(tree.Sites().size(), 3u);
  tree.ToggleCamera(0, 2);  // instance 0: its third camera
  tree.ToggleSite(2);       // instance 2: all sixteen; instance 1: none

  UserForm form;
  form.mode = UserFormMode::kAdd;
  form.name = "Jörg";
  form.group = GroupChoice{GroupIdByName("Operator"), "Operator"};  // 0x047
  form.password = form.confirmation = "grüß-pw";
  form.authority = 0x1FF;
  form.siteRights = tree.Rights();
  ASSERT_TRUE(SaveUser(form, ConsoleLogSource()).IsDone());

  const std::string name = "J\xF6rg";            // in WINDOWS-1252
  const std::string password = "gr\xFC\xDF-pw";  // likewise
  WireClient client = Server().Connect();
  // A host that hashed the UTF-8 bytes instead is refused.
  EXPECT_EQ(HostLogin(client, name, HostPasswordDigest("grüß-pw")), (HostFrame{0, 1, 1}));
  ASSERT_EQ(HostLogin(client, name, HostPasswordDigest(password)), (HostFrame{1, 1, 1}));
  const auto info = client.ReceiveExactly(host_user_layout::kSize);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(DecodeHostUserInfo(*info), (HostUserInfo{name, "Operator", 0x047}));
  EXPECT_EQ(NextSiteEntry(client), (HostSiteEntry{0, "001" + std::string(61, '0')}));
  EXPECT_EQ(NextSiteEntry(client), (HostSiteEntry{1, std::string(64, '0')}));
  EXPECT_EQ(NextSiteEntry(client), (HostSiteEntry{2, std::string(16, '1') + std::string(48, '0')}));
  EXPECT_EQ(NextSiteEntry(client)->instance, -1);
}

INSTANTIATE_TEST_SUITE_P(Engines, AccountLoginTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
