#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "base/setting_table.h"

namespace orlentis {

// What the Preferences page edits, copied out and back as a whole.
struct PreferenceBlock {
  std::int32_t port = 10240;
  std::int32_t autoMaintenance = 1;
  std::int32_t logData = 1;
  std::int32_t ipFilter = 1;
  std::string listenAddress;
  std::int32_t maintenanceInterval = 0;
  std::int32_t ipFilterMode = 0;
  std::int32_t domainLogon = 0;
  std::string domain;

  bool operator==(const PreferenceBlock&) const = default;
};

// What the Log page edits.
struct LogLimits {
  std::int32_t keepRecords = 1000;
  std::int32_t keepDays = 30;
  std::int32_t mode = 0;  // 0 by record count, 1 by age in days

  bool operator==(const LogLimits&) const = default;
};

// Both blocks, as the console opens and stores them.
struct EditableSettings {
  PreferenceBlock preferences;
  LogLimits logLimits;
};

// How a domain logon protects the password on its way to the directory. An ldaps:// URI is
// encrypted from the connection's start whatever this says.
enum class DirectoryTls { kNone, kStartTls };

// The value of ADSERVER/TLS that means tls.
std::string DirectoryTlsText(DirectoryTls tls);

// The settings of Setting.ini. Read when created and again by Reload(); changed otherwise only
// through SetPreferences and SetLogLimits; written only by Save(). Safe to use from any thread.
class Settings {
 public:
  explicit Settings(std::filesystem::path iniPath);

  // The process's settings, read from the program folder on first use.
  static Settings& Instance();

  std::int32_t GetPort() const { return GetPreferences().port; }
  std::string GetListenAddress() const { return GetPreferences().listenAddress; }
  bool IsAutoMaintenance() const { return GetPreferences().autoMaintenance != 0; }
  std::int32_t GetMaintenanceInterval() const { return GetPreferences().maintenanceInterval; }
  bool IsLogData() const { return GetPreferences().logData != 0; }
  bool IsIPFilter() const { return GetPreferences().ipFilter != 0; }
  std::int32_t GetIPFilterMode() const { return GetPreferences().ipFilterMode; }
  bool IsDomainLogon() const { return GetPreferences().domainLogon != 0; }
  std::string GetDomain() const { return GetPreferences().domain; }

  // Read-only keys that the console never writes.
  // SYSTEM/CODEPAGE: the recorders' text encoding; empty, as missing, means the default.
  std::string GetCodePage() const { return FileText(SettingId::kCodePage); }
  // ADSERVER/URI: overrides ldap://DOMAIN
  std::string GetDirectoryUri() const { return FileText(SettingId::kDirectoryUri); }
  // ADSERVER/BINDFORMAT: overrides %s@DOMAIN
  std::string GetBindFormat() const { return FileText(SettingId::kBindFormat); }
  // ADSERVER/TLS: starttls or none. A file without the key predates it and keeps the clear
  // bind it always had; the default file the server writes says starttls.
  DirectoryTls GetDirectoryTls() const {
    return FileText(SettingId::kDirectoryTls) == DirectoryTlsText(DirectoryTls::kStartTls)
               ? DirectoryTls::kStartTls
               : DirectoryTls::kNone;
  }
  // ADSERVER/CACERT: the PEM file of the CAs the directory's certificate must come from;
  // empty, the system's trusted CAs.
  std::string GetDirectoryCaFile() const { return FileText(SettingId::kDirectoryCaFile); }
  // SECURITY/MAXCONNPERADDRESS: how many connections one peer address may hold; 0, no limit.
  std::int32_t GetMaxConnectionsPerAddress() const {
    return FileNumber(SettingId::kMaxConnectionsPerAddress);
  }
  // SECURITY/LOGINFAILURES, LOGINWINDOW, LOGINCOOLDOWN: after so many failed logins within
  // the window (seconds), logins from that place are refused for the cool-down (seconds).
  std::int32_t GetLoginFailures() const { return FileNumber(SettingId::kLoginFailures); }
  std::int32_t GetLoginWindowSeconds() const { return FileNumber(SettingId::kLoginWindowSeconds); }
  std::int32_t GetLoginCooldownSeconds() const {
    return FileNumber(SettingId::kLoginCooldownSeconds);
  }

  // DATABASE/CONNECT: empty, the SQLite file in the program folder; else the libpq connection
  // string of a PostgreSQL database.
  std::string GetDatabaseConnection() const { return FileText(SettingId::kDatabaseConnection); }
  // DATABASE/CACHEDLOGINS: for how many seconds after a shared database became unreachable a
  // login this server accepted before is accepted again from memory; 0, never.
  std::int32_t GetCachedLoginSeconds() const { return FileNumber(SettingId::kCachedLoginSeconds); }
  // METRICS/PORT and ADDRESS: where the metrics and health checks are served; port 0, nowhere.
  std::int32_t GetMetricsPort() const { return FileNumber(SettingId::kMetricsPort); }
  std::string GetMetricsAddress() const { return FileText(SettingId::kMetricsAddress); }

  PreferenceBlock GetPreferences() const;
  void SetPreferences(const PreferenceBlock& block);
  LogLimits GetLogLimits() const;
  void SetLogLimits(const LogLimits& limits);

  EditableSettings GetEditable() const;
  // One key of both blocks as the file holds it; set, it is brought into its range. Only the
  // first kEditableSettingCount keys are there.
  std::string EditableValue(SettingId id) const;
  void SetEditableValue(SettingId id, const std::string& value);
  // A key after both blocks as read, normalised: a TLS that is neither value reads starttls.
  std::string FileText(SettingId id) const;

  // Writes both blocks into the file, keeping every other key of it. The result says whether
  // the file was written.
  bool Save() const;
  // Writes into the file only the keys in which edited differs from opened (the values the
  // editor started from), keeping every other key as the file holds it now, which may be
  // another program's change; those keys take effect here too. False, with nothing taken, when
  // the file could not be written (or read, when it exists).
  bool SaveEdits(const EditableSettings& opened, const EditableSettings& edited);

  // Reads the file again, every key as at the start; which of them take effect then is the
  // table's SettingEffect.
  void Reload();
  // Reads again only the keys of both blocks; the others wait for Reload().
  void ReloadEditable();

  const std::filesystem::path& Path() const { return path_; }

 private:
  void SetEditable(const EditableSettings& editable);
  std::int32_t FileNumber(SettingId id) const;

  std::filesystem::path path_;
  mutable std::mutex mutex_;
  PreferenceBlock preferences_;
  LogLimits logLimits_;
  // The keys after both blocks, by SettingId, each normalised; a number is read once here
  // rather than at each admission or login that asks for it.
  struct FileValue {
    std::string text;
    std::int32_t number = 0;
  };
  std::vector<FileValue> fileValues_;
};

}  // namespace orlentis
