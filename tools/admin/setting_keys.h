#pragma once

#include <string>
#include <vector>

#include "base/settings.h"

namespace orlentis::admin {

// One key of Setting.ini that the console's pages edit, which this tool sets within its range.
struct SettingKey {
  SettingId id;
  std::string name;  // SECTION.KEY as Setting.ini spells it
  // The server reads it only when it starts; the others it also takes on SIGHUP.
  bool needsRestart = false;

  std::string Read(const Settings& settings) const;
  // Checks the value against the key's range (a refusal says the range) and sets it.
  void Write(Settings& settings, const std::string& value) const;
};

const std::vector<SettingKey>& SettingKeys();
// The key of that name, ignoring case; a refusal names the keys there are.
const SettingKey& FindSettingKey(const std::string& name);

// Sets one key in the program folder's Setting.ini and prints what the change needs: the
// file must exist (the server writes it at its first start).
void ChangeSetting(const class AdminContext& context, const std::string& name,
                   const std::string& value);

}  // namespace orlentis::admin
