#include "setting_keys.h"

#include <arpa/inet.h>
#include <strings.h>

#include <charconv>
#include <filesystem>

#include "admin_context.h"
#include "admin_status.h"
#include "base/program_folder.h"

namespace orlentis::admin {
namespace {

std::string NumberIn(const std::string& name, const std::string& text, std::int32_t min,
                     std::int32_t max) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    throw Refusal(name + " takes a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max) + ", not \"" + text + "\"");
  }
  return text;
}

std::string TextUpTo(const std::string& name, const std::string& text, std::int32_t max) {
  if (text.size() > static_cast<std::size_t>(max)) {
    throw Refusal(name + " holds at most " + std::to_string(max) + " bytes");
  }
  return text;
}

std::string ListenAddress(const std::string& name, const std::string& text) {
  in_addr address{};
  if (!text.empty() && ::inet_pton(AF_INET, text.c_str(), &address) != 1) {
    throw Refusal(name + " takes an IPv4 address, or nothing for every address");
  }
  return text == "0.0.0.0" ? std::string() : text;
}

std::string Checked(const std::string& name, const SettingDefinition& setting,
                    const std::string& text) {
  if (setting.type == SettingType::kAddress) return ListenAddress(name, text);
  if (IsTextSetting(setting)) return TextUpTo(name, text, setting.max);
  return NumberIn(name, text, setting.min, setting.max);
}

}  // namespace

std::string SettingKey::Read(const Settings& settings) const {
  return settings.EditableValue(id);
}

void SettingKey::Write(Settings& settings, const std::string& value) const {
  settings.SetEditableValue(id, Checked(name, SettingOf(id), value));
}

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = [] {
    std::vector<SettingKey> editable;
    for (const SettingDefinition& setting : SettingTable().first(kEditableSettingCount)) {
      editable.push_back({setting.id, SettingName(setting), TakesARestart(setting)});
    }
    return editable;
  }();
  return keys;
}

const SettingKey& FindSettingKey(const std::string& name) {
  std::string names;
  for (const SettingKey& key : SettingKeys()) {
    if (strcasecmp(key.name.c_str(), name.c_str()) == 0) return key;
    names += (names.empty() ? "" : ", ") + key.name;
  }
  throw Refusal("no setting " + name + " can be set here; the settings are " + names);
}

void ChangeSetting(const AdminContext& context, const std::string& name, const std::string& value) {
  const SettingKey& key = FindSettingKey(name);
  const auto file = ProgramFolder() / kSettingsFileName;
  if (!std::filesystem::is_regular_file(file)) {
    throw Refusal("no settings file " + file.string() + ": start the server once to write it");
  }
  Settings settings(file);
  key.Write(settings, value);
  if (!settings.Save()) throw Refusal("cannot write " + file.string());
  const std::string effect =
      key.needsRestart ? "the server uses it once restarted"
                       : "a running server takes it on SIGHUP (systemctl reload orlentis) or at "
                         "its next start";
  if (context.json) {
    WriteJson(context.Out(), Record()
                                 .Add("status", "done")
                                 .Add("setting", key.name)
                                 .Add("value", key.Read(settings))
                                 .Add("needs_restart", key.needsRestart));
  } else {
    context.Out() << key.name << " = " << key.Read(settings) << "; " << effect << "\n";
  }
}

}  // namespace orlentis::admin
