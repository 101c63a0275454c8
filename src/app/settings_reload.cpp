#include "app/settings_reload.h"

#include "app/server.h"
#include "base/language.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "base/text_ids.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/event_log.h"
#include "store/store_startup.h"

namespace orlentis {
namespace {

std::string Endpoint(const WorkerOptions& options) {
  return (options.bindAddress.empty() ? std::string("0.0.0.0") : options.bindAddress) + ":" +
         std::to_string(options.port);
}

}  // namespace

void ReloadSettings(Server& server, Settings& settings) {
  settings.Reload();
  // As after the console's OK: the next maintenance counts by the interval the file now holds.
  DatabaseMaintenance::Instance().ScheduleNextMaintenance();
  server.UseCodePage(settings.GetCodePage());
  const WorkerOptions wanted = WorkerOptions::FromSettings(settings);
  const WorkerOptions& listening = server.ListenOptions();
  if (wanted.bindAddress != listening.bindAddress || wanted.port != listening.port) {
    LogToOperator(kLogAppRestartNeeded,
                  "Setting.ini asks to listen on " + Endpoint(wanted) +
                      "; that takes a restart, until then the server stays on " +
                      Endpoint(listening));
  }
  const std::string database = DescribeDatabase(CurrentDatabaseTarget());
  const std::string configured = DescribeDatabase(ConfiguredDatabaseTarget(ProgramFolder()));
  if (configured != database) {
    // Beside a new port's line in the same second.
    LogToOperatorPerReason(kLogAppRestartNeeded, "database",
                           "Setting.ini names the database " + configured +
                               "; that takes a restart, until then the server stays on " +
                               database);
  }
  LogToOperator(kLogAppSettingsReloaded, "settings read again from " + settings.Path().string());
  AppendLogEntryById(kTextProgramName, kTextReloadSettings, kTextSettingsReloaded,
                     "server.settings-reloaded", true);
}

}  // namespace orlentis
