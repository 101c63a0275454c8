#include "base/settings.h"

#include <strings.h>

#include <functional>
#include <vector>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/profile_file.h"
#include "base/program_folder.h"

namespace orlentis {
namespace {

using enum SettingId;

// A port without a single digit would have the server listen wherever the system puts it, where
// no recorder looks: the default is taken instead. One out of range is brought to the highest
// port as ever. Either is said, so that the administrator sees why the server listens there.
std::int32_t ReadPort(const ProfileFile& ini, const std::filesystem::path& path) {
  const SettingDefinition& setting = SettingOf(kPort);
  const std::int32_t fallback = ParseProfileInt(setting.fallback);
  if (!ini.HasKey(setting.section, setting.key)) return fallback;
  const std::string text = ini.GetText(setting.section, setting.key, "", kMaxSettingText);
  const auto port = ParseProfileNumber(text);
  if (port && NormalisedNumber(setting, *port) == *port) return *port;
  const std::int32_t used = port ? NormalisedNumber(setting, *port) : fallback;
  LogToOperator(kLogSettingsPortInvalid,
                "PORT=" + text + " in " + path.string() + " is not a port from 0 to " +
                    std::to_string(setting.max) + "; listening on port " + std::to_string(used));
  return used;
}

// The file's text of the key, or its fallback; numbers are read whole, texts cut to length.
std::string ReadValue(const ProfileFile& ini, SettingId id, const std::filesystem::path& path) {
  if (id == kPort) return std::to_string(ReadPort(ini, path));
  const SettingDefinition& setting = SettingOf(id);
  return ini.GetText(setting.section, setting.key, setting.fallback,
                     IsTextSetting(setting) ? setting.max : std::string::npos);
}

// Any other value was meant to change something, most likely to protect the password: the
// encrypted default is kept rather than the clear bind, and the administrator is told.
DirectoryTls DirectoryTlsOf(const std::string& text, const std::filesystem::path& path) {
  for (const DirectoryTls tls : {DirectoryTls::kStartTls, DirectoryTls::kNone}) {
    if (strcasecmp(text.c_str(), DirectoryTlsText(tls).c_str()) == 0) return tls;
  }
  LogToOperator(kLogSettingsTlsInvalid,
                "TLS=" + text + " in " + path.string() +
                    " is neither starttls nor none; domain logons use starttls");
  return DirectoryTls::kStartTls;
}

std::string ReadNormalised(const ProfileFile& ini, const SettingDefinition& setting,
                           const std::filesystem::path& path) {
  const std::string text = ReadValue(ini, setting.id, path);
  if (setting.type == SettingType::kTls) return DirectoryTlsText(DirectoryTlsOf(text, path));
  if (IsTextSetting(setting)) return NormalisedText(setting, text);
  return std::to_string(NormalisedNumber(setting, ParseProfileInt(text)));
}

// One key of both blocks: its text as the file holds it (of normalised values, so a flag reads
// 0 or 1), and how such a text is set into a value, normalised.
struct EditableKey {
  SettingId id;
  std::function<std::string(const EditableSettings&)> text;
  std::function<void(EditableSettings& into, const std::string& text)> set;
};

std::string KeyText(std::int32_t value) {
  return std::to_string(value);
}

std::string KeyText(const std::string& value) {
  return value;
}

void SetField(std::int32_t& field, SettingId id, const std::string& text) {
  field = NormalisedNumber(SettingOf(id), ParseProfileInt(text));
}

void SetField(std::string& field, SettingId id, const std::string& text) {
  field = NormalisedText(SettingOf(id), text);
}

template <class Block, class Field>
EditableKey Key(SettingId id, Block EditableSettings::*block, Field Block::*field) {
  return {id, [block, field](const EditableSettings& from) { return KeyText(from.*block.*field); },
          [id, block, field](EditableSettings& into, const std::string& text) {
            SetField(into.*block.*field, id, text);
          }};
}

// In the order of SettingId, which is the order the file has always been written in.
const std::vector<EditableKey>& EditableKeys() {
  using E = EditableSettings;
  using P = PreferenceBlock;
  static const std::vector<EditableKey> keys = {
      Key(kListenAddress, &E::preferences, &P::listenAddress),
      Key(kPort, &E::preferences, &P::port),
      Key(kAutoMaintenance, &E::preferences, &P::autoMaintenance),
      Key(kMaintenanceInterval, &E::preferences, &P::maintenanceInterval),
      Key(kLogData, &E::preferences, &P::logData),
      Key(kIpFilter, &E::preferences, &P::ipFilter),
      Key(kIpFilterMode, &E::preferences, &P::ipFilterMode),
      Key(kDomainLogon, &E::preferences, &P::domainLogon),
      Key(kDomain, &E::preferences, &P::domain),
      Key(kLogLimitMode, &E::logLimits, &LogLimits::mode),
      Key(kLogLimit, &E::logLimits, &LogLimits::keepRecords),
      Key(kLogLimitDays, &E::logLimits, &LogLimits::keepDays),
  };
  return keys;
}

const EditableKey& EditableKeyOf(SettingId id) {
  return EditableKeys().at(static_cast<std::size_t>(id));
}

EditableSettings Normalised(EditableSettings editable) {
  for (const EditableKey& key : EditableKeys()) key.set(editable, key.text(editable));
  return editable;
}

EditableSettings ReadEditable(const ProfileFile& ini, const std::filesystem::path& path) {
  EditableSettings editable;
  for (const EditableKey& key : EditableKeys()) key.set(editable, ReadValue(ini, key.id, path));
  return editable;
}

}  // namespace

std::string DirectoryTlsText(DirectoryTls tls) {
  return tls == DirectoryTls::kStartTls ? "starttls" : "none";
}

Settings::Settings(std::filesystem::path iniPath) : path_(std::move(iniPath)) {
  Reload();
}

Settings& Settings::Instance() {
  static Settings settings(ProgramFolder() / kSettingsFileName);
  return settings;
}

void Settings::Reload() {
  const ProfileFile ini(path_);
  const EditableSettings editable = ReadEditable(ini, path_);
  std::vector<FileValue> fileValues;
  for (const SettingDefinition& setting : SettingTable().subspan(kEditableSettingCount)) {
    std::string text = ReadNormalised(ini, setting, path_);
    const std::int32_t number = IsTextSetting(setting) ? 0 : ParseProfileInt(text);
    fileValues.push_back({std::move(text), number});
  }

  std::lock_guard lock(mutex_);
  preferences_ = editable.preferences;
  logLimits_ = editable.logLimits;
  fileValues_ = std::move(fileValues);
}

void Settings::ReloadEditable() {
  SetEditable(ReadEditable(ProfileFile(path_), path_));
}

std::string Settings::FileText(SettingId id) const {
  std::lock_guard lock(mutex_);
  return fileValues_.at(static_cast<std::size_t>(id) - kEditableSettingCount).text;
}

std::int32_t Settings::FileNumber(SettingId id) const {
  std::lock_guard lock(mutex_);
  return fileValues_.at(static_cast<std::size_t>(id) - kEditableSettingCount).number;
}

PreferenceBlock Settings::GetPreferences() const {
  std::lock_guard lock(mutex_);
  return preferences_;
}

void Settings::SetPreferences(const PreferenceBlock& block) {
  std::lock_guard lock(mutex_);
  preferences_ = Normalised({block, logLimits_}).preferences;
}

LogLimits Settings::GetLogLimits() const {
  std::lock_guard lock(mutex_);
  return logLimits_;
}

void Settings::SetLogLimits(const LogLimits& limits) {
  std::lock_guard lock(mutex_);
  logLimits_ = Normalised({preferences_, limits}).logLimits;
}

EditableSettings Settings::GetEditable() const {
  std::lock_guard lock(mutex_);
  return {preferences_, logLimits_};
}

std::string Settings::EditableValue(SettingId id) const {
  return EditableKeyOf(id).text(GetEditable());
}

void Settings::SetEditableValue(SettingId id, const std::string& value) {
  std::lock_guard lock(mutex_);
  EditableSettings editable{preferences_, logLimits_};
  EditableKeyOf(id).set(editable, value);
  preferences_ = editable.preferences;
  logLimits_ = editable.logLimits;
}

void Settings::SetEditable(const EditableSettings& editable) {
  std::lock_guard lock(mutex_);
  preferences_ = editable.preferences;
  logLimits_ = editable.logLimits;
}

bool Settings::Save() const {
  const EditableSettings current = GetEditable();
  ProfileFile ini(path_);
  for (const EditableKey& key : EditableKeys()) {
    const SettingDefinition& setting = SettingOf(key.id);
    ini.SetText(setting.section, setting.key, key.text(current));
  }
  return ini.SaveAs(path_);
}

bool Settings::SaveEdits(const EditableSettings& opened, const EditableSettings& edited) {
  const EditableSettings from = Normalised(opened);
  const EditableSettings to = Normalised(edited);
  ProfileFile ini(path_);
  // Writing an unreadable file would keep the edited keys and lose all the others.
  std::error_code error;
  if (!ini.Loaded() && std::filesystem::exists(path_, error)) return false;
  EditableSettings taken = GetEditable();
  bool changed = false;
  for (const EditableKey& key : EditableKeys()) {
    const std::string text = key.text(to);
    if (text == key.text(from)) continue;
    const SettingDefinition& setting = SettingOf(key.id);
    ini.SetText(setting.section, setting.key, text);
    key.set(taken, text);
    changed = true;
  }
  if (changed && !ini.SaveAs(path_)) return false;
  SetEditable(taken);
  return true;
}

}  // namespace orlentis
