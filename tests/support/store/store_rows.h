#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "store/camera_table.h"
#include "store/log_table.h"
#include "store/site_table.h"

namespace orlentis::testing {

// The tables as a test sets them up and reads them back, through the record sets on the
// calling thread's own session (the database file the process uses at the moment).

std::int32_t AddGroup(const std::string& name, std::int32_t level, std::uint32_t authority);
std::int32_t GroupIdByName(const std::string& name);
std::int32_t AddUser(const std::string& name, const std::string& password, std::int32_t groupId,
                     std::uint32_t authority);
std::int32_t AddSite(const std::string& address, std::int32_t instance, const std::string& name);
void AddUserSite(std::int32_t userId, std::int32_t siteId, const std::string& cameraAuthority);
// Marks a site on line as a check-in at checkInTime leaves it.
void SetSiteOnline(std::int32_t siteId, std::int32_t webServerPort, std::time_t checkInTime);
void AddCamera(std::int32_t siteId, std::int32_t index, bool exists, std::int32_t stateFlag,
               const std::string& name);
void AddLogEntryAt(std::time_t time, const std::string& source, const std::string& action,
                   const std::string& detail);

std::vector<SiteRow> AllSites();
// The cameras of one site by index.
std::vector<CameraRow> CamerasOf(std::int32_t siteId);
std::vector<LogRow> LogOldestFirst();
int CountRows(const std::string& table);
// A statement without parameters (the test's own, fixed text).
void ExecuteSql(const std::string& sql);

}  // namespace orlentis::testing
