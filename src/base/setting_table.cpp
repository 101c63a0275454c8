#include "base/setting_table.h"

#include <algorithm>
#include <limits>

namespace orlentis {
namespace {

using enum SettingId;
using enum SettingType;
using enum SettingEffect;

constexpr std::int32_t kHighestPort = 65535;
constexpr std::int32_t kMaxCount = 999999999;  // nine digits, as the Log page takes them
constexpr std::int32_t kUnbounded = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kTextBytes = static_cast<std::int32_t>(kMaxSettingText);
constexpr std::int32_t kLastInterval = kMaintenanceIntervalDays.size() - 1;
constexpr std::int32_t kMaxLanguageName = 259;
// Several hosts with their TLS files' paths take more than an ordinary text.
constexpr std::int32_t kMaxConnectionText = 1023;

// Read at each use through Settings, except: the worker keeps its own copy of the code page;
// Settings reads the directory's and the security keys again only on a reload; the listening
// socket is opened once; the language file is read at its first text.
constexpr std::array<SettingDefinition, 27> kTable = {{
    {kListenAddress, "IPSETTING", "IP", kAddress, 0, kTextBytes, "", kAtRestart},
    {kPort, "IPSETTING", "PORT", kPortNumber, 0, kHighestPort, "10240", kAtRestart},
    {kAutoMaintenance, "DATABASE", "AtuoCompressDatabase", kFlag, 0, 1, "1", kAtOnce},
    {kMaintenanceInterval, "DATABASE", "AtuoCompressDatabase_Interval", kChoice, 0, kLastInterval,
     "0", kAtOnce},
    {kLogData, "SYSTEM", "LOGDATA", kFlag, 0, 1, "1", kAtOnce},
    {kIpFilter, "IPSETTING", "FILTER", kFlag, 0, 1, "1", kAtOnce},
    {kIpFilterMode, "IPSETTING", "FILTERSTYLE", kChoice, 0, 1, "0", kAtOnce},
    {kDomainLogon, "ADSERVER", "ENABLE", kFlag, 0, 1, "0", kAtOnce},
    {kDomain, "ADSERVER", "DOMAIN", kText, 0, kTextBytes, "", kAtOnce},
    {kLogLimitMode, "LOG", "LIMITSTYLE", kChoice, 0, 1, "0", kAtOnce},
    {kLogLimit, "LOG", "Limit", kCount, 0, kMaxCount, "1000", kAtOnce},
    {kLogLimitDays, "LOG", "LimitDays", kCount, 0, kMaxCount, "30", kAtOnce},
    {kCodePage, "SYSTEM", "CODEPAGE", kName, 0, kTextBytes, "WINDOWS-1252", kOnReload},
    {kDirectoryUri, "ADSERVER", "URI", kText, 0, kTextBytes, "", kOnReload},
    {kBindFormat, "ADSERVER", "BINDFORMAT", kText, 0, kTextBytes, "", kOnReload},
    // A file without the key predates it and keeps the clear bind it always had.
    {kDirectoryTls, "ADSERVER", "TLS", kTls, 0, kTextBytes, "none", kOnReload},
    {kDirectoryCaFile, "ADSERVER", "CACERT", kText, 0, kTextBytes, "", kOnReload},
    // An address may be a recorder with several instances, or a NAT in front of many recorders.
    {kMaxConnectionsPerAddress, "SECURITY", "MAXCONNPERADDRESS", kCount, 0, kUnbounded, "256",
     kOnReload},
    {kLoginFailures, "SECURITY", "LOGINFAILURES", kCount, 0, kUnbounded, "10", kOnReload},
    {kLoginWindowSeconds, "SECURITY", "LOGINWINDOW", kCount, 0, kUnbounded, "60", kOnReload},
    {kLoginCooldownSeconds, "SECURITY", "LOGINCOOLDOWN", kCount, 0, kUnbounded, "300", kOnReload},
    // Empty: the SQLite file in the program folder. Otherwise a libpq connection string of the
    // PostgreSQL database; its password never comes from here but from libpq's own sources.
    {kDatabaseConnection, "DATABASE", "CONNECT", kText, 0, kMaxConnectionText, "", kAtRestart},
    // Ten minutes: what a database's failover takes, not an outage's whole length.
    {kCachedLoginSeconds, "DATABASE", "CACHEDLOGINS", kCount, 0, kUnbounded, "600", kOnReload},
    // 0: no metrics page. Its own port, never the recorders'; on the loopback unless told.
    {kMetricsPort, "METRICS", "PORT", kCount, 0, kHighestPort, "0", kAtRestart},
    {kMetricsAddress, "METRICS", "ADDRESS", kAddress, 0, kTextBytes, "127.0.0.1", kAtRestart},
    {kLanguageType, "LANGUAGETYPE", "TYPE", kText, 0, kMaxLanguageName, "TYPE0", kAtRestart},
    // The key is the one LANGUAGETYPE/TYPE names.
    {kLanguageFile, "LANGUAGE", "TYPE0", kText, 0, kMaxLanguageName, "", kAtRestart},
}};

constexpr bool InIdOrder() {
  for (std::size_t at = 0; at < kTable.size(); ++at) {
    if (static_cast<std::size_t>(kTable[at].id) != at) return false;
  }
  return true;
}
static_assert(InIdOrder(), "SettingOf finds a key by its place");

}  // namespace

std::span<const SettingDefinition> SettingTable() {
  return kTable;
}

const SettingDefinition& SettingOf(SettingId id) {
  return kTable[static_cast<std::size_t>(id)];
}

std::string SettingName(const SettingDefinition& setting) {
  return std::string(setting.section) + "." + setting.key;
}

std::int32_t NormalisedNumber(const SettingDefinition& setting, std::int32_t value) {
  switch (setting.type) {
    case kFlag:
      return value != 0 ? 1 : 0;
    case kChoice:
      return std::clamp(value, setting.min, setting.max);
    case kPortNumber:
      return value < setting.min || value > setting.max ? setting.max : value;
    default:
      return std::max(value, setting.min);
  }
}

std::string NormalisedText(const SettingDefinition& setting, std::string text) {
  if (text.size() > static_cast<std::size_t>(setting.max)) text.resize(setting.max);
  return setting.type == kName && text.empty() ? setting.fallback : text;
}

}  // namespace orlentis
