#include "support/net/recorder_services_server.h"

#include "base/default_files.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "store/engine.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

std::unique_ptr<Settings> SettingsIn(const TempFolder& folder,
                                     const std::vector<RecorderServicesServer::SettingKey>& keys) {
  WriteDefaultProgramFiles(folder.Path());
  const auto path = folder / kSettingsFileName;
  ProfileFile ini(path);
  for (const auto& key : keys) ini.SetText(key.section, key.key, key.value);
  ini.SaveAs(path);
  return std::make_unique<Settings>(path);
}

}  // namespace

RecorderServicesServer::RecorderServicesServer(const std::vector<SettingKey>& settingKeys,
                                               DatabaseEngine engine)
    : settings_(SettingsIn(settingsFolder_, settingKeys)),
      runner_([this] {
        DomainLogonSettings directory = DomainLogonSettingsFrom(*settings_);
        directory.timeout = timeout_.load();
        return directory;
      }),
      services_(*settings_, runner_, {reads_, writes_}),
      net_(std::make_unique<NetTestServer>(&services_, engine)) {
  // The start-up maintenance's entry is no part of what a test looks at.
  ExecuteSql("DELETE FROM Log");
}

RecorderServicesServer::~RecorderServicesServer() {
  net_.reset();
  runner_.Shutdown();
  // The test thread's session belongs to this server's database.
  CloseThreadSession();
}

void RecorderServicesServer::SetDomainLogon(bool on) {
  PreferenceBlock preferences = settings_->GetPreferences();
  preferences.domainLogon = on ? 1 : 0;
  settings_->SetPreferences(preferences);
}

void RecorderServicesOnEachEngineTest::SetUp() {
  OnEachEngineTest::SetUp();
  if (IsSkipped()) return;
  server_ = std::make_unique<RecorderServicesServer>(
      std::vector<RecorderServicesServer::SettingKey>{}, Engine());
}

}  // namespace orlentis::testing
