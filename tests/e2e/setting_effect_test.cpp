#include <gtest/gtest.h>
#include <signal.h>

#include <cctype>
#include <memory>
#include <ostream>
#include <string>

#include "admin_run.h"
#include "base/profile_file.h"
#include "setting_keys.h"
#include "support/app/listening_home.h"
#include "support/app/notify_socket.h"
#include "support/app/orlentis_process.h"
#include "support/base/temp_folder.h"

namespace orlentis::admin {

// Test names by the key, not by its bytes.
void PrintTo(const SettingKey& key, std::ostream* out) {
  *out << key.name;
}

}  // namespace orlentis::admin

namespace orlentis::testing {
namespace {

constexpr int kWaitMs = 30000;

// A value within the key's range other than the one the file holds.
std::string OtherValue(const SettingDefinition& setting, const std::string& current) {
  if (setting.type == SettingType::kAddress) return current == "127.0.0.2" ? "" : "127.0.0.2";
  if (IsTextSetting(setting)) return current + "x";
  const std::int32_t number = ParseProfileInt(current);
  return std::to_string(number < setting.max ? number + 1 : setting.min);
}

// For each key orlentis-admin sets: whether it says the change needs a restart is whether the
// running server, told to reload, reports that the change waits for one.
class SettingEffectTest : public ::testing::TestWithParam<admin::SettingKey> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteListenSettings(home_.Path(), FreePort()));
    ChildProcess::Launch launch = HeadlessLaunch(home_.Path());
    launch.environment.push_back(notices_.Environment());
    server_ = std::make_unique<ChildProcess>(launch);
    ASSERT_TRUE(notices_.WaitFor("READY=1", kWaitMs)) << server_->ErrorOutput();
  }

  void TearDown() override {
    server_->Signal(SIGTERM);
    EXPECT_EQ(server_->Wait(kWaitMs), 0) << server_->ErrorOutput();
  }

  void Reload() {
    server_->Signal(SIGHUP);
    ASSERT_TRUE(notices_.WaitFor("RELOADING=1", kWaitMs)) << server_->ErrorOutput();
    ASSERT_TRUE(notices_.WaitFor("READY=1", kWaitMs)) << server_->ErrorOutput();
  }

  TempFolder home_;
  NotifySocket notices_{home_ / "notify"};
  std::unique_ptr<ChildProcess> server_;
};

TEST_P(SettingEffectTest, TheToolSaysARestartIsNeededExactlyWhenAReloadLeavesTheChangeWaiting) {
  const admin::SettingKey& key = GetParam();
  const std::string value =
      OtherValue(SettingOf(key.id), key.Read(Settings(home_ / "Setting.ini")));
  const auto run = RunAdminTool(home_.Path(), {"settings", "set", key.name, value, "--json"});
  ASSERT_EQ(run.status, 0) << run.error;
  const bool toolSaysRestart = run.output.find("\"needs_restart\":true") != std::string::npos;
  ASSERT_NE(run.output.find("\"needs_restart\":" + std::string(toolSaysRestart ? "true" : "false")),
            std::string::npos)
      << run.output;
  EXPECT_EQ(key.Read(Settings(home_ / "Setting.ini")), value);

  Reload();
  const bool serverWaits = server_->ErrorOutput().find("[app.restart-needed]") != std::string::npos;
  EXPECT_EQ(toolSaysRestart, serverWaits) << key.name << "=" << value;
}

INSTANTIATE_TEST_SUITE_P(EverySettableKey, SettingEffectTest,
                         ::testing::ValuesIn(admin::SettingKeys()), [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace orlentis::testing
