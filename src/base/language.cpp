#include "base/language.h"

#include <cstddef>

#include "base/default_files.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "base/setting_table.h"

namespace orlentis {
namespace {

// The first of keys that name the same id holds.
std::unordered_map<int, std::string> TextsOf(const CSimpleIniA& ini) {
  std::unordered_map<int, std::string> texts;
  CSimpleIniA::TNamesDepend keys;
  ini.GetAllKeys("STRING", keys);
  for (const auto& key : keys) {
    const int id = ParseProfileInt(key.pItem);
    if (!texts.contains(id)) texts.emplace(id, ini.GetValue("STRING", key.pItem, ""));
  }
  return texts;
}

}  // namespace

LanguageFile::LanguageFile(const std::filesystem::path& path) {
  CSimpleIniA ini;
  ini.SetUnicode(true);
  if (path.empty() || ini.LoadFile(path.c_str()) != SI_OK) return;
  texts_ = TextsOf(ini);
}

LanguageFile LanguageFile::FromText(std::string_view text) {
  CSimpleIniA ini;
  ini.SetUnicode(true);
  LanguageFile file;
  if (ini.LoadData(text.data(), text.size()) == SI_OK) file.texts_ = TextsOf(ini);
  return file;
}

std::string LanguageFile::Text(int id) const {
  const auto found = texts_.find(id);
  return found == texts_.end() ? std::string() : found->second;
}

std::filesystem::path LanguageFilePath(const std::filesystem::path& folder) {
  const ProfileFile settings(folder / kSettingsFileName);
  const SettingDefinition& typeKey = SettingOf(SettingId::kLanguageType);
  const SettingDefinition& fileKey = SettingOf(SettingId::kLanguageFile);
  const std::string type =
      settings.GetText(typeKey.section, typeKey.key, typeKey.fallback, typeKey.max);
  const std::string name =
      settings.GetText(fileKey.section, type.c_str(), fileKey.fallback, fileKey.max);
  return name.empty() ? std::filesystem::path() : folder / name;
}

std::filesystem::path FindLanguageFile(const std::filesystem::path& folder,
                                       const std::filesystem::path& shippedFolder) {
  std::filesystem::path path = LanguageFilePath(folder);
  if (path.empty()) path = LanguageFilePath(shippedFolder);
  std::error_code error;
  if (path.empty() || std::filesystem::exists(path, error)) return path;
  // A folder set up by hand often holds an edited Setting.ini and nothing else.
  const auto shipped = shippedFolder / path.filename();
  return std::filesystem::exists(shipped, error) ? shipped : path;
}

std::string GetLanguageText(int id) {
  static const LanguageFile texts(FindLanguageFile(ProgramFolder(), ShippedFilesFolder()));
  return texts.Text(id);
}

std::string GetNewerLanguageText(int id) {
  std::string text = GetLanguageText(id);
  if (!text.empty()) return text;
  static const LanguageFile english = LanguageFile::FromText(kEnglishLanguageFile);
  return english.Text(id);
}

}  // namespace orlentis
