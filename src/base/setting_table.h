#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orlentis {

// Every key of Setting.ini the program reads, in the order the file is written in. The first
// kEditableSettingCount are the two blocks the console edits.
enum class SettingId {
  kListenAddress,
  kPort,
  kAutoMaintenance,
  kMaintenanceInterval,
  kLogData,
  kIpFilter,
  kIpFilterMode,
  kDomainLogon,
  kDomain,
  kLogLimitMode,
  kLogLimit,
  kLogLimitDays,
  kCodePage,
  kDirectoryUri,
  kBindFormat,
  kDirectoryTls,
  kDirectoryCaFile,
  kMaxConnectionsPerAddress,
  kLoginFailures,
  kLoginWindowSeconds,
  kLoginCooldownSeconds,
  kDatabaseConnection,
  kCachedLoginSeconds,
  kMetricsPort,
  kMetricsAddress,
  kLanguageType,
  kLanguageFile,
};

inline constexpr std::size_t kEditableSettingCount = 12;

// What a key holds, and so how a value is checked and brought into its range.
enum class SettingType {
  kFlag,        // 0 or 1; any other number reads as 1
  kChoice,      // min to max; one outside is taken as the nearer end
  kCount,       // min or more; max is only what an editor takes
  kPortNumber,  // min to max; one outside is taken as max
  kText,        // at most max bytes; this and the kinds after it are texts
  kName,        // a text that, empty, means the fallback
  kAddress,     // an IPv4 address as text, empty for every address
  kTls,         // starttls or none
};

// When a change of the file reaches the running server; what a reload takes, a restart takes.
enum class SettingEffect {
  kAtOnce,     // read at each use; the console takes it as it opens and as it stores its edits
  kOnReload,   // read again only on SIGHUP (systemctl reload), not as the console opens
  kAtRestart,  // the listening socket and the language file are set up only at start
};

struct SettingDefinition {
  SettingId id;
  const char* section;
  const char* key;
  SettingType type;
  std::int32_t min;
  std::int32_t max;      // for a text, its most bytes
  const char* fallback;  // what a file without the key means
  SettingEffect effect;
};

inline constexpr std::size_t kMaxSettingText = 255;

// The days between automatic maintenances for each choice of
// DATABASE/AtuoCompressDatabase_Interval; the language file has a text for each.
inline constexpr std::array<std::int32_t, 12> kMaintenanceIntervalDays = {1, 2,  3,  4,  5,  6,
                                                                          7, 10, 14, 15, 30, 60};

std::span<const SettingDefinition> SettingTable();
const SettingDefinition& SettingOf(SettingId id);
// SECTION.KEY, as the file spells both.
std::string SettingName(const SettingDefinition& setting);

// A value of the file, or one to be written there, brought into the key's range.
std::int32_t NormalisedNumber(const SettingDefinition& setting, std::int32_t value);
std::string NormalisedText(const SettingDefinition& setting, std::string text);
inline bool IsTextSetting(const SettingDefinition& setting) {
  return setting.type >= SettingType::kText;
}
inline bool TakesARestart(const SettingDefinition& setting) {
  return setting.effect == SettingEffect::kAtRestart;
}

}  // namespace orlentis
