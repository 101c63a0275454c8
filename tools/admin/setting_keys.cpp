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

constexpr std::int32_t kMaxPort = 65535;
constexpr std::int32_t kMaxCount = 999999999;  // nine digits, as the Log page takes them

std::int32_t NumberIn(const std::string& name, const std::string& text, std::int32_t min,
                      std::int32_t max) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    throw Refusal(name + " takes a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max) + ", not \"" + text + "\"");
  }
  return value;
}

std::string TextUpTo(const std::string& name, const std::string& text) {
  if (text.size() > kMaxSettingText) {
    throw Refusal(name + " holds at most " + std::to_string(kMaxSettingText) + " bytes");
  }
  return text;
}

std::string ListenAddress(const std::string& text) {
  in_addr address{};
  if (!text.empty() && ::inet_pton(AF_INET, text.c_str(), &address) != 1) {
    throw Refusal("IPSETTING.IP takes an IPv4 address, or nothing for every address");
  }
  return text == "0.0.0.0" ? std::string() : text;
}

template <class Field>
SettingKey PreferenceKey(std::string name, bool needsRestart, Field field, std::int32_t min,
                         std::int32_t max) {
  return {name, needsRestart,
          [field](const Settings& settings) {
            return std::to_string(settings.GetPreferences().*field);
          },
          [name, field, min, max](Settings& settings, const std::string& text) {
            PreferenceBlock block = settings.GetPreferences();
            block.*field = NumberIn(name, text, min, max);
            settings.SetPreferences(block);
          }};
}

template <class Field>
SettingKey PreferenceText(std::string name, bool needsRestart, Field field,
                          std::function<std::string(const std::string&)> check) {
  return {name, needsRestart,
          [field](const Settings& settings) { return settings.GetPreferences().*field; },
          [field, check](Settings& settings, const std::string& text) {
            PreferenceBlock block = settings.GetPreferences();
            block.*field = check(text);
            settings.SetPreferences(block);
          }};
}

template <class Field>
SettingKey LogKey(std::string name, Field field, std::int32_t max) {
  return {
      name, false,
      [field](const Settings& settings) { return std::to_string(settings.GetLogLimits().*field); },
      [name, field, max](Settings& settings, const std::string& text) {
        LogLimits limits = settings.GetLogLimits();
        limits.*field = NumberIn(name, text, 0, max);
        settings.SetLogLimits(limits);
      }};
}

}  // namespace

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = {
      PreferenceText("IPSETTING.IP", true, &PreferenceBlock::listenAddress, ListenAddress),
      PreferenceKey("IPSETTING.PORT", true, &PreferenceBlock::port, 0, kMaxPort),
      PreferenceKey("IPSETTING.FILTER", false, &PreferenceBlock::ipFilter, 0, 1),
      PreferenceKey("IPSETTING.FILTERSTYLE", false, &PreferenceBlock::ipFilterMode, 0, 1),
      PreferenceKey("DATABASE.AtuoCompressDatabase", true, &PreferenceBlock::autoMaintenance, 0, 1),
      PreferenceKey("DATABASE.AtuoCompressDatabase_Interval", true,
                    &PreferenceBlock::maintenanceInterval, 0, kMaxMaintenanceIntervalIndex),
      PreferenceKey("SYSTEM.LOGDATA", true, &PreferenceBlock::logData, 0, 1),
      PreferenceKey("ADSERVER.ENABLE", false, &PreferenceBlock::domainLogon, 0, 1),
      PreferenceText("ADSERVER.DOMAIN", false, &PreferenceBlock::domain,
                     [](const std::string& text) { return TextUpTo("ADSERVER.DOMAIN", text); }),
      LogKey("LOG.LIMITSTYLE", &LogLimits::mode, 1),
      LogKey("LOG.Limit", &LogLimits::keepRecords, kMaxCount),
      LogKey("LOG.LimitDays", &LogLimits::keepDays, kMaxCount),
  };
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
  key.write(settings, value);
  if (!settings.Save()) throw Refusal("cannot write " + file.string());
  const std::string effect =
      key.needsRestart ? "the server uses it once restarted"
                       : "a running server takes it on SIGHUP (systemctl reload orlentis) or at "
                         "its next start";
  if (context.json) {
    WriteJson(context.Out(), Record()
                                 .Add("status", "done")
                                 .Add("setting", key.name)
                                 .Add("value", key.read(settings))
                                 .Add("needs_restart", key.needsRestart));
  } else {
    context.Out() << key.name << " = " << key.read(settings) << "; " << effect << "\n";
  }
}

}  // namespace orlentis::admin
