#include "seed.h"

#include <soci/soci.h>

#include <exception>

#include "access/password_digest.h"
#include "base/program_folder.h"
#include "base/settings.h"
#include "peer_status.h"
#include "store/engine.h"
#include "store/group_table.h"
#include "store/site_table.h"
#include "store/user_site_table.h"
#include "store/user_table.h"

namespace orlentis::peer {
namespace {

constexpr std::size_t kCameraSlots = 64;

std::int32_t UserIdFor(UserTable& users, const std::string& name, const std::string& digest,
                       const GroupRow& group, SeedReport& report) {
  users.OpenByName(name);
  const bool exists = !users.IsEOF();
  UserRow& row = exists ? users.Edit() : users.AddNew();
  ++(exists ? report.usersUpdated : report.usersAdded);
  row.strName = name;
  row.strPassword = digest;
  row.nGroupID = group.nID;
  row.bsAuthority = group.bsAuthority;
  users.Update();
  return users.Current().nID;
}

void GrantEverySite(soci::session& session, std::int32_t userId, const std::vector<SiteRow>& sites,
                    SeedReport& report) {
  UserSiteTable permissions(session);
  for (const auto& site : sites) {
    permissions.OpenByUserAndSite(userId, site.nID);
    if (!permissions.IsEOF()) continue;
    UserSiteRow& row = permissions.AddNew();
    row.nUserID = userId;
    row.nSiteID = site.nID;
    row.strCameraAuthority = std::string(kCameraSlots, '1');
    permissions.Update();
    ++report.permissionsAdded;
  }
}

// Hosts hash the password's bytes in the server's code page, so the seeded digest is of those.
std::string SeedDigest(const SeedSettings& settings) {
  const std::string codePage = Settings(settings.home / kSettingsFileName).GetCodePage();
  const auto digest = CodePagePasswordDigest(settings.password, codePage);
  if (!digest) {
    throw PeerFailure(PeerStatus::kUsage, "the password has characters that the code page " +
                                              codePage + " of the recorders cannot hold");
  }
  return *digest;
}

}  // namespace

SeedReport SeedAccounts(const SeedSettings& settings) {
  // The database the folder's server uses: its SQLite file, or the PostgreSQL database its
  // Setting.ini names.
  const std::string connection =
      Settings(settings.home / kSettingsFileName).GetDatabaseConnection();
  const auto databaseFile = settings.home / kDatabaseFileName;
  if (connection.empty() && !std::filesystem::exists(databaseFile)) {
    throw PeerFailure(PeerStatus::kUsage, "no database in " + settings.home.string() +
                                              ": start the server on that folder once first");
  }
  if (connection.empty()) {
    SetDatabaseFile(databaseFile);
  } else {
    SetDatabaseConnection(connection);
  }
  SeedReport report;
  try {
    soci::session& session = ThreadSession();
    soci::transaction transaction(session);
    GroupTable groups(session);
    groups.OpenByName(settings.group);
    if (groups.IsEOF()) {
      throw PeerFailure(PeerStatus::kUsage, "there is no group \"" + settings.group + "\"");
    }
    const GroupRow group = groups.Current();
    SiteTable siteSet(session);
    siteSet.OpenAll();
    std::vector<SiteRow> sites;
    for (const auto& site : siteSet.Rows()) {
      if (site.strIP == settings.grantAddress) sites.push_back(site);
    }
    const std::string digest = SeedDigest(settings);
    UserTable users(session);
    for (int i = 0; i < settings.users; ++i) {
      const auto userId =
          UserIdFor(users, settings.userPrefix + std::to_string(i), digest, group, report);
      GrantEverySite(session, userId, sites, report);
    }
    transaction.commit();
  } catch (const PeerFailure&) {
    throw;
  } catch (const std::exception& error) {
    throw PeerFailure(PeerStatus::kLocal,
                      std::string("cannot write the database: ") + error.what());
  }
  CloseThreadSession();
  return report;
}

std::string SeedReportText(const SeedReport& report) {
  return "seeded: " + std::to_string(report.usersAdded) + " users added, " +
         std::to_string(report.usersUpdated) + " updated, " +
         std::to_string(report.permissionsAdded) + " camera permissions added\n";
}

}  // namespace orlentis::peer
