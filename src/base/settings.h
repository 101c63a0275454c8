#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

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

inline constexpr std::size_t kMaxSettingText = 255;
inline constexpr std::int32_t kMaxMaintenanceIntervalIndex = 11;

// The settings of Setting.ini. Read when created and again by Reload(); changed otherwise only
// through SetPreferences and SetLogLimits; written only by Save(). Safe to use from any thread.
class Settings {
 public:
  explicit Settings(std::filesystem::path iniPath);

  // The process's settings, read from the program folder on first use.
  static Settings& Instance();

  std::int32_t GetPort() const;
  std::string GetListenAddress() const;
  bool IsAutoMaintenance() const;
  std::int32_t GetMaintenanceInterval() const;
  bool IsLogData() const;
  bool IsIPFilter() const;
  std::int32_t GetIPFilterMode() const;
  bool IsDomainLogon() const;
  std::string GetDomain() const;
  std::int32_t GetLogLimit() const;
  std::int32_t GetLogLimitDays() const;
  std::int32_t GetLogLimitStyle() const;

  // Read-only keys that the console never writes.
  std::string GetCodePage() const;      // SYSTEM/CODEPAGE: the recorders' text encoding
  std::string GetDirectoryUri() const;  // ADSERVER/URI: overrides ldap://DOMAIN
  std::string GetBindFormat() const;    // ADSERVER/BINDFORMAT: overrides %s@DOMAIN
  // ADSERVER/TLS: starttls or none. A file without the key predates it and keeps the clear
  // bind it always had; the default file the server writes says starttls.
  DirectoryTls GetDirectoryTls() const;
  // ADSERVER/CACERT: the PEM file of the CAs the directory's certificate must come from;
  // empty, the system's trusted CAs.
  std::string GetDirectoryCaFile() const;
  // SECURITY/MAXCONNPERADDRESS: how many connections one peer address may hold; 0, no limit.
  std::int32_t GetMaxConnectionsPerAddress() const;
  // SECURITY/LOGINFAILURES, LOGINWINDOW, LOGINCOOLDOWN: after so many failed logins within
  // the window (seconds), logins from that place are refused for the cool-down (seconds).
  std::int32_t GetLoginFailures() const;
  std::int32_t GetLoginWindowSeconds() const;
  std::int32_t GetLoginCooldownSeconds() const;

  PreferenceBlock GetPreferences() const;
  void SetPreferences(const PreferenceBlock& block);
  LogLimits GetLogLimits() const;
  void SetLogLimits(const LogLimits& limits);

  EditableSettings GetEditable() const;

  // Writes both blocks into the file, keeping every other key of it. The result says whether
  // the file was written.
  bool Save() const;
  // Writes into the file only the keys in which edited differs from opened (the values the
  // editor started from), keeping every other key as the file holds it now, which may be
  // another program's change; those keys take effect here too. False, with nothing taken, when
  // the file could not be written (or read, when it exists).
  bool SaveEdits(const EditableSettings& opened, const EditableSettings& edited);

  // Reads the file again, every key as at the start. Those read at each use (all but the
  // listening address and port) take effect at once.
  void Reload();
  // Reads again only the keys of both blocks; the code page and the directory's keys, which the
  // worker holds copies of, wait for Reload().
  void ReloadEditable();

  const std::filesystem::path& Path() const { return path_; }

 private:
  void SetEditable(const EditableSettings& editable);

  std::filesystem::path path_;
  mutable std::mutex mutex_;
  PreferenceBlock preferences_;
  LogLimits logLimits_;
  std::string codePage_;
  std::string directoryUri_;
  std::string bindFormat_;
  DirectoryTls directoryTls_ = DirectoryTls::kNone;
  std::string directoryCaFile_;
  std::int32_t maxConnectionsPerAddress_ = 0;
  std::int32_t loginFailures_ = 0;
  std::int32_t loginWindowSeconds_ = 0;
  std::int32_t loginCooldownSeconds_ = 0;
};

}  // namespace orlentis
