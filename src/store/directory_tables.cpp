#include "store/directory_tables.h"

#include "store/engine.h"

namespace orlentis {
namespace {

constexpr ColumnKind kInteger = ColumnKind::kInteger;
constexpr ColumnKind kReal = ColumnKind::kReal;
constexpr ColumnKind kText = ColumnKind::kText;

constexpr DirectoryColumn kGroupColumns[] = {
    {"strName", kText}, {"nLevel", kInteger}, {"bsAuthority", kInteger}};
constexpr DirectoryColumn kUserColumns[] = {{"nGroupID", kInteger},
                                            {"strName", kText},
                                            {"strDescription", kText},
                                            {"strPassword", kText},
                                            {"bsAuthority", kInteger}};
constexpr DirectoryColumn kSiteColumns[] = {{"strIP", kText},          {"strSiteName", kText},
                                            {"nInstanceID", kInteger}, {"nWebServerPort", kInteger},
                                            {"bOnline", kInteger},     {"dCheckInTime", kReal}};
constexpr DirectoryColumn kUserSiteColumns[] = {
    {"nUserID", kInteger}, {"nSiteID", kInteger}, {"strCameraAuthority", kText}};
constexpr DirectoryColumn kCameraColumns[] = {{"nSiteID", kInteger},    {"nIndex", kInteger},
                                              {"bExistence", kInteger}, {"nStateFlag", kInteger},
                                              {"strResolution", kText}, {"strName", kText}};
constexpr DirectoryColumn kMaskIpColumns[] = {
    {"strDescription", kText}, {"strIPFrom", kText}, {"strIPTo", kText}};
constexpr DirectoryColumn kLogColumns[] = {
    {"time", kText}, {"strSource", kText}, {"strAction", kText}, {"strDetail", kText}};

const DirectoryTable kTables[] = {
    {"Group", "\"Group\"", "nID", kGroupColumns},
    {"User", "\"User\"", "nID", kUserColumns},
    {"Site", "Site", "nID", kSiteColumns},
    {"UserSite", "UserSite", kRowIdColumn, kUserSiteColumns},
    {"Camera", "Camera", kRowIdColumn, kCameraColumns},
    {"MaskIP", "MaskIP", kRowIdColumn, kMaskIpColumns},
    {"Log", "Log", kRowIdColumn, kLogColumns},
};

}  // namespace

std::span<const DirectoryTable> DirectoryTables() {
  return kTables;
}

}  // namespace orlentis
