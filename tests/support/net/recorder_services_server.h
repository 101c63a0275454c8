#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "access/domain_logon_runner.h"
#include "base/settings.h"
#include "net/recorder_services.h"
#include "store/database_thread.h"
#include "support/base/temp_folder.h"
#include "support/net/net_test_server.h"
#include "support/store/each_engine.h"

namespace orlentis::testing {

// A worker on 127.0.0.1 serving the recorder requests with the real handlers over a fresh
// database on engine (see NetTestServer), with domain logons on a runner of their own. The handlers
// and the runner read one settings object, Settings(), made from the default Setting.ini with the
// given keys written into it.
class RecorderServicesServer {
 public:
  struct SettingKey {
    const char* section;
    const char* key;
    std::string value;
  };

  explicit RecorderServicesServer(const std::vector<SettingKey>& settingKeys = {},
                                  DatabaseEngine engine = DatabaseEngine::kSqlite);
  ~RecorderServicesServer();

  NetTestServer& Net() { return *net_; }
  orlentis::Settings& ProgramSettings() { return *settings_; }
  WireClient Connect() const { return net_->Connect(); }

  void SetDomainLogon(bool on);
  // How long one domain logon waits for the directory.
  void SetDirectoryTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

 private:
  TempFolder settingsFolder_;
  std::unique_ptr<Settings> settings_;
  std::atomic<std::chrono::milliseconds> timeout_{std::chrono::milliseconds(2000)};
  DatabaseThread reads_{DatabaseThread::Kind::kReads};
  DatabaseWriters writes_{1};
  DomainLogonRunner runner_;
  RecorderServices services_;
  std::unique_ptr<NetTestServer> net_;
};

// A test against a RecorderServicesServer on the engine of its parameter (EachEngine()).
class RecorderServicesOnEachEngineTest : public OnEachEngineTest {
 protected:
  void SetUp() override;
  RecorderServicesServer& Server() { return *server_; }

 private:
  std::unique_ptr<RecorderServicesServer> server_;
};

}  // namespace orlentis::testing
