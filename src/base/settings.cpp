#include "base/settings.h"

#include <strings.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/profile_file.h"
#include "base/program_folder.h"

namespace orlentis {
namespace {

constexpr const char* kIpSection = "IPSETTING";
constexpr const char* kDatabaseSection = "DATABASE";
constexpr const char* kSystemSection = "SYSTEM";
constexpr const char* kDirectorySection = "ADSERVER";
constexpr const char* kLogSection = "LOG";
constexpr const char* kSecuritySection = "SECURITY";
// An address may be a recorder with several instances, or a NAT in front of many recorders.
constexpr std::int32_t kDefaultMaxConnectionsPerAddress = 256;

std::int32_t Flag(std::int32_t value) {
  return value != 0 ? 1 : 0;
}

constexpr std::int32_t kDefaultPort = 10240;
constexpr std::int32_t kHighestPort = 65535;

std::int32_t NormalisePort(std::int32_t port) {
  return port > kHighestPort || port < 0 ? kHighestPort : port;
}

// A port without a single digit would have the server listen wherever the system puts it, where
// no recorder looks: the default is taken instead. One out of range is brought to the highest
// port as ever. Either is said, so that the administrator sees why the server listens there.
std::int32_t ReadPort(const ProfileFile& ini, const std::filesystem::path& path) {
  if (!ini.HasKey(kIpSection, "PORT")) return kDefaultPort;
  const std::string text = ini.GetText(kIpSection, "PORT", "", kMaxSettingText);
  const auto port = ParseProfileNumber(text);
  if (port && *port >= 0 && *port <= kHighestPort) return *port;
  const std::int32_t used = port ? kHighestPort : kDefaultPort;
  LogToOperator(kLogSettingsPortInvalid, "PORT=" + text + " in " + path.string() +
                                             " is not a port from 0 to 65535; " +
                                             "listening on port " + std::to_string(used));
  return used;
}

// Any other value was meant to change something, most likely to protect the password: the
// encrypted default is kept rather than the clear bind, and the administrator is told.
DirectoryTls ReadDirectoryTls(const ProfileFile& ini, const std::filesystem::path& path) {
  if (!ini.HasKey(kDirectorySection, "TLS")) return DirectoryTls::kNone;
  const std::string text = ini.GetText(kDirectorySection, "TLS", "", kMaxSettingText);
  for (const DirectoryTls tls : {DirectoryTls::kStartTls, DirectoryTls::kNone}) {
    if (strcasecmp(text.c_str(), DirectoryTlsText(tls).c_str()) == 0) return tls;
  }
  LogToOperator(kLogSettingsTlsInvalid,
                "TLS=" + text + " in " + path.string() +
                    " is neither starttls nor none; domain logons use starttls");
  return DirectoryTls::kStartTls;
}

std::int32_t NotNegative(std::int32_t value) {
  return std::max(value, 0);
}

std::string Truncated(std::string text) {
  if (text.size() > kMaxSettingText) text.resize(kMaxSettingText);
  return text;
}

PreferenceBlock Normalised(PreferenceBlock block) {
  block.port = NormalisePort(block.port);
  block.autoMaintenance = Flag(block.autoMaintenance);
  block.logData = Flag(block.logData);
  block.ipFilter = Flag(block.ipFilter);
  block.listenAddress = Truncated(std::move(block.listenAddress));
  block.maintenanceInterval =
      std::clamp(block.maintenanceInterval, 0, kMaxMaintenanceIntervalIndex);
  block.ipFilterMode = std::clamp(block.ipFilterMode, 0, 1);
  block.domainLogon = Flag(block.domainLogon);
  block.domain = Truncated(std::move(block.domain));
  return block;
}

LogLimits Normalised(LogLimits limits) {
  limits.keepRecords = NotNegative(limits.keepRecords);
  limits.keepDays = NotNegative(limits.keepDays);
  limits.mode = std::clamp(limits.mode, 0, 1);
  return limits;
}

EditableSettings Normalised(const EditableSettings& editable) {
  return {Normalised(editable.preferences), Normalised(editable.logLimits)};
}

EditableSettings ReadEditable(const ProfileFile& ini, const std::filesystem::path& path) {
  PreferenceBlock block;
  block.listenAddress = ini.GetText(kIpSection, "IP", "", kMaxSettingText);
  block.port = ReadPort(ini, path);
  block.autoMaintenance = ini.GetInt(kDatabaseSection, "AtuoCompressDatabase", 1);
  block.maintenanceInterval = ini.GetInt(kDatabaseSection, "AtuoCompressDatabase_Interval", 0);
  block.logData = ini.GetInt(kSystemSection, "LOGDATA", 1);
  block.ipFilter = ini.GetInt(kIpSection, "FILTER", 1);
  block.ipFilterMode = ini.GetInt(kIpSection, "FILTERSTYLE", 0);
  block.domainLogon = ini.GetInt(kDirectorySection, "ENABLE", 0);
  block.domain = ini.GetText(kDirectorySection, "DOMAIN", "", kMaxSettingText);
  LogLimits limits;
  limits.mode = ini.GetInt(kLogSection, "LIMITSTYLE", 0);
  limits.keepRecords = ini.GetInt(kLogSection, "Limit", 1000);
  limits.keepDays = ini.GetInt(kLogSection, "LimitDays", 30);
  return Normalised(EditableSettings{std::move(block), limits});
}

// One key of both blocks: where the file keeps it, its text there (of normalised values, so a
// flag reads 0 or 1) and how it is taken from one value into another.
struct EditableKey {
  const char* section;
  const char* name;
  std::function<std::string(const EditableSettings&)> text;
  std::function<void(EditableSettings& into, const EditableSettings& from)> take;
};

std::string KeyText(std::int32_t value) {
  return std::to_string(value);
}

std::string KeyText(const std::string& value) {
  return value;
}

template <class Block, class Field>
EditableKey Key(const char* section, const char* name, Block EditableSettings::*block,
                Field Block::*field) {
  return {section, name,
          [block, field](const EditableSettings& from) { return KeyText(from.*block.*field); },
          [block, field](EditableSettings& into, const EditableSettings& from) {
            into.*block.*field = from.*block.*field;
          }};
}

// In the order the file has always been written in.
const std::vector<EditableKey>& EditableKeys() {
  using E = EditableSettings;
  using P = PreferenceBlock;
  static const std::vector<EditableKey> keys = {
      Key(kIpSection, "IP", &E::preferences, &P::listenAddress),
      Key(kIpSection, "PORT", &E::preferences, &P::port),
      Key(kDatabaseSection, "AtuoCompressDatabase", &E::preferences, &P::autoMaintenance),
      Key(kDatabaseSection, "AtuoCompressDatabase_Interval", &E::preferences,
          &P::maintenanceInterval),
      Key(kSystemSection, "LOGDATA", &E::preferences, &P::logData),
      Key(kIpSection, "FILTER", &E::preferences, &P::ipFilter),
      Key(kIpSection, "FILTERSTYLE", &E::preferences, &P::ipFilterMode),
      Key(kDirectorySection, "ENABLE", &E::preferences, &P::domainLogon),
      Key(kDirectorySection, "DOMAIN", &E::preferences, &P::domain),
      Key(kLogSection, "LIMITSTYLE", &E::logLimits, &LogLimits::mode),
      Key(kLogSection, "Limit", &E::logLimits, &LogLimits::keepRecords),
      Key(kLogSection, "LimitDays", &E::logLimits, &LogLimits::keepDays),
  };
  return keys;
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
  std::string codePage = ini.GetText(kSystemSection, "CODEPAGE", "WINDOWS-1252", kMaxSettingText);
  if (codePage.empty()) codePage = "WINDOWS-1252";
  std::string directoryUri = ini.GetText(kDirectorySection, "URI", "", kMaxSettingText);
  std::string bindFormat = ini.GetText(kDirectorySection, "BINDFORMAT", "", kMaxSettingText);
  const DirectoryTls directoryTls = ReadDirectoryTls(ini, path_);
  std::string directoryCaFile = ini.GetText(kDirectorySection, "CACERT", "", kMaxSettingText);
  const std::int32_t perAddress = NotNegative(
      ini.GetInt(kSecuritySection, "MAXCONNPERADDRESS", kDefaultMaxConnectionsPerAddress));
  const std::int32_t loginFailures = NotNegative(ini.GetInt(kSecuritySection, "LOGINFAILURES", 10));
  const std::int32_t loginWindow = NotNegative(ini.GetInt(kSecuritySection, "LOGINWINDOW", 60));
  const std::int32_t loginCooldown =
      NotNegative(ini.GetInt(kSecuritySection, "LOGINCOOLDOWN", 300));

  std::lock_guard lock(mutex_);
  preferences_ = editable.preferences;
  logLimits_ = editable.logLimits;
  codePage_ = std::move(codePage);
  directoryUri_ = std::move(directoryUri);
  bindFormat_ = std::move(bindFormat);
  directoryTls_ = directoryTls;
  directoryCaFile_ = std::move(directoryCaFile);
  maxConnectionsPerAddress_ = perAddress;
  loginFailures_ = loginFailures;
  loginWindowSeconds_ = loginWindow;
  loginCooldownSeconds_ = loginCooldown;
}

void Settings::ReloadEditable() {
  SetEditable(ReadEditable(ProfileFile(path_), path_));
}

std::int32_t Settings::GetMaxConnectionsPerAddress() const {
  std::lock_guard lock(mutex_);
  return maxConnectionsPerAddress_;
}

std::int32_t Settings::GetLoginFailures() const {
  std::lock_guard lock(mutex_);
  return loginFailures_;
}

std::int32_t Settings::GetLoginWindowSeconds() const {
  std::lock_guard lock(mutex_);
  return loginWindowSeconds_;
}

std::int32_t Settings::GetLoginCooldownSeconds() const {
  std::lock_guard lock(mutex_);
  return loginCooldownSeconds_;
}

std::int32_t Settings::GetPort() const {
  return GetPreferences().port;
}
std::string Settings::GetListenAddress() const {
  return GetPreferences().listenAddress;
}
bool Settings::IsAutoMaintenance() const {
  return GetPreferences().autoMaintenance != 0;
}
std::int32_t Settings::GetMaintenanceInterval() const {
  return GetPreferences().maintenanceInterval;
}
bool Settings::IsLogData() const {
  return GetPreferences().logData != 0;
}
bool Settings::IsIPFilter() const {
  return GetPreferences().ipFilter != 0;
}
std::int32_t Settings::GetIPFilterMode() const {
  return GetPreferences().ipFilterMode;
}
bool Settings::IsDomainLogon() const {
  return GetPreferences().domainLogon != 0;
}
std::string Settings::GetDomain() const {
  return GetPreferences().domain;
}
std::int32_t Settings::GetLogLimit() const {
  return GetLogLimits().keepRecords;
}
std::int32_t Settings::GetLogLimitDays() const {
  return GetLogLimits().keepDays;
}
std::int32_t Settings::GetLogLimitStyle() const {
  return GetLogLimits().mode;
}

std::string Settings::GetCodePage() const {
  std::lock_guard lock(mutex_);
  return codePage_;
}

std::string Settings::GetDirectoryUri() const {
  std::lock_guard lock(mutex_);
  return directoryUri_;
}

std::string Settings::GetBindFormat() const {
  std::lock_guard lock(mutex_);
  return bindFormat_;
}

DirectoryTls Settings::GetDirectoryTls() const {
  std::lock_guard lock(mutex_);
  return directoryTls_;
}

std::string Settings::GetDirectoryCaFile() const {
  std::lock_guard lock(mutex_);
  return directoryCaFile_;
}

PreferenceBlock Settings::GetPreferences() const {
  std::lock_guard lock(mutex_);
  return preferences_;
}

void Settings::SetPreferences(const PreferenceBlock& block) {
  std::lock_guard lock(mutex_);
  preferences_ = Normalised(block);
}

LogLimits Settings::GetLogLimits() const {
  std::lock_guard lock(mutex_);
  return logLimits_;
}

void Settings::SetLogLimits(const LogLimits& limits) {
  std::lock_guard lock(mutex_);
  logLimits_ = Normalised(limits);
}

EditableSettings Settings::GetEditable() const {
  std::lock_guard lock(mutex_);
  return {preferences_, logLimits_};
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
    ini.SetText(key.section, key.name, key.text(current));
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
    if (key.text(to) == key.text(from)) continue;
    ini.SetText(key.section, key.name, key.text(to));
    key.take(taken, to);
    changed = true;
  }
  if (changed && !ini.SaveAs(path_)) return false;
  SetEditable(taken);
  return true;
}

}  // namespace orlentis
