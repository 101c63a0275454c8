#include "base/builtin_texts.h"

#include <algorithm>
#include <array>

namespace orlentis {
namespace {

struct BuiltinEntry {
  int id;
  std::string_view text;
};

// The English string table. The wording is kept exactly as the program has always shown it,
// slips included ("Worring", "Desctiption:", "Add an user"), because the language files
// delivered for other languages were translated from these texts. Entries stay sorted by id.
constexpr std::array kBuiltinTexts{
    BuiltinEntry{103, "Windows sockets initial failed."},
    BuiltinEntry{104, "Sorry, no input user name !"},
    BuiltinEntry{105, "Sorry, you must select a user group !!"},
    BuiltinEntry{106, "Sorry, passwords do not match "},
    BuiltinEntry{107, "Sorry, passwords Can't be blank "},
    BuiltinEntry{108, "OK"},
    BuiltinEntry{109, "Cancel"},
    BuiltinEntry{110, "User name:"},
    BuiltinEntry{111, "Password:"},
    BuiltinEntry{112, "Confirm password:"},
    BuiltinEntry{113, "Group:"},
    BuiltinEntry{114, "Desctiption:"},
    BuiltinEntry{115, "User Name,150;Group,100;description,200"},
    BuiltinEntry{116, "Group Name,156;Number,60"},
    BuiltinEntry{117, "Add User"},
    BuiltinEntry{118, "Modify User"},
    BuiltinEntry{119, "Sorry, You must select a item"},
    BuiltinEntry{120, "Are you sure to delete \" %s\""},
    BuiltinEntry{128, "Orlentis"},
    BuiltinEntry{129, "Group setting"},
    BuiltinEntry{130, "  Total users : %d"},
    BuiltinEntry{131, "Add Group"},
    BuiltinEntry{132, "Modify Group"},
    BuiltinEntry{133, "Group name:"},
    BuiltinEntry{136, "Please input the Group Name"},
    BuiltinEntry{137, "Add.."},
    BuiltinEntry{138, "Delete"},
    BuiltinEntry{139, "Modify"},
    BuiltinEntry{140, "Refresh"},
    BuiltinEntry{142, "Time,156;From,160;Action,100;Detail,100"},
    BuiltinEntry{144, "Login"},
    BuiltinEntry{149, "Close"},
    BuiltinEntry{151, "Worring : user %s exists"},
    BuiltinEntry{152, "Worring : group %s exists"},
    BuiltinEntry{154, "Site Name,100;IP Address,80;Port,40;Cameras,100;"},
    BuiltinEntry{155, "Name,80;View,64;recording,60;Detection,60;Loss Signal,60;"},
    BuiltinEntry{156, "From,128;To,128;Description,128;"},
    BuiltinEntry{157, "Account"},
    BuiltinEntry{158, "Log"},
    BuiltinEntry{159, "Preferences"},
    BuiltinEntry{160, "Monitor"},
    BuiltinEntry{161, "Site Server Information"},
    BuiltinEntry{162, "Camera Information"},
    BuiltinEntry{163, "Search"},
    BuiltinEntry{164, "Records limit"},
    BuiltinEntry{165, "Backup"},
    BuiltinEntry{166, "Orlentis"},
    BuiltinEntry{167, "From"},
    BuiltinEntry{168, "To"},
    BuiltinEntry{169, "Deny Mode"},
    BuiltinEntry{170, "Accept Mode"},
    BuiltinEntry{171, "Description"},
    BuiltinEntry{172, "Sound"},
    BuiltinEntry{173, "Host Name"},
    BuiltinEntry{174, "Add"},
    BuiltinEntry{175, "Delete"},
    BuiltinEntry{176, "Port"},
    BuiltinEntry{177, "IP Address"},
    BuiltinEntry{178, "IP Filter"},
    BuiltinEntry{179, "Write to log file error !!"},
    BuiltinEntry{183, "Groups"},
    BuiltinEntry{184, "Total Groups : %d"},
    BuiltinEntry{185, "Delete"},
    BuiltinEntry{186, "Login Error !!"},
    BuiltinEntry{187, "Records"},
    BuiltinEntry{188, "Days"},
    BuiltinEntry{191, "Orlentis start"},
    BuiltinEntry{193, "Start"},
    BuiltinEntry{195, "Login"},
    BuiltinEntry{196, "Add an user"},
    BuiltinEntry{197, "User login"},
    BuiltinEntry{198, "Site checkin"},
    BuiltinEntry{199, "Site checkout"},
};

static_assert(std::is_sorted(kBuiltinTexts.begin(), kBuiltinTexts.end(),
                             [](const BuiltinEntry& a, const BuiltinEntry& b) {
                               return a.id < b.id;
                             }),
              "builtin texts must stay sorted by id");

}  // namespace

std::string_view BuiltinText(int id) {
  const auto it =
      std::lower_bound(kBuiltinTexts.begin(), kBuiltinTexts.end(), id,
                       [](const BuiltinEntry& entry, int wanted) { return entry.id < wanted; });
  if (it == kBuiltinTexts.end() || it->id != id) {
    return {};
  }
  return it->text;
}

}  // namespace orlentis
