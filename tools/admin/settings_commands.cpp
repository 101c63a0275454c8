#include <CLI/CLI.hpp>
#include <memory>

#include "admin_commands.h"
#include "base/program_folder.h"
#include "setting_keys.h"

namespace orlentis::admin {
namespace {

struct SettingOptions {
  std::string key;
  std::string value;
};

void ShowSettings(const AdminContext& context) {
  const Settings settings(ProgramFolder() / kSettingsFileName);
  std::vector<Record> rows;
  for (const SettingKey& key : SettingKeys()) {
    rows.push_back(Record()
                       .Add("setting", key.name)
                       .Add("value", key.Read(settings))
                       .Add("needs_restart", key.needsRestart));
  }
  // Keys this tool shows but leaves to the file itself.
  for (const SettingId id : {SettingId::kCodePage, SettingId::kDirectoryUri, SettingId::kBindFormat,
                             SettingId::kDirectoryTls, SettingId::kDirectoryCaFile}) {
    const SettingDefinition& setting = SettingOf(id);
    rows.push_back(Record()
                       .Add("setting", SettingName(setting))
                       .Add("value", settings.FileText(id))
                       .Add("needs_restart", TakesARestart(setting)));
  }
  context.PrintList(rows);
}

}  // namespace

void AddSettingsCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<SettingOptions>();
  CLI::App* settings = app.add_subcommand("settings", "Setting.ini: show, set");
  settings->require_subcommand(1);
  settings->add_subcommand("show", "show the settings")->callback([&context] {
    ShowSettings(context);
  });
  CLI::App* set = settings->add_subcommand("set", "set one setting within its range");
  set->add_option("key", options->key, "SECTION.KEY, e.g. LOG.Limit")->required();
  set->add_option("value", options->value, "the new value")->required();
  set->callback([&context, options] { ChangeSetting(context, options->key, options->value); });
}

}  // namespace orlentis::admin
