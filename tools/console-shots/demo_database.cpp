#include "demo_database.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "access/password_digest.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/text_ids.h"
#include "directory/ip_filter_ranges.h"
#include "directory/site_directory.h"
#include "store/database_maintenance.h"
#include "store/engine.h"
#include "store/group_table.h"
#include "store/user_table.h"

namespace orlentis::shots {
namespace {

constexpr int kRecording = 1;
constexpr int kLossOfSignal = 2;
constexpr std::uint32_t kFullAuthority = 0x1FF;

struct DemoCamera {
  const char* name;
  const char* resolution;
  int stateFlag;
};

struct DemoSite {
  const char* name;
  const char* address;
  std::int32_t webServerPort;
  std::vector<DemoCamera> cameras;
};

const DemoSite kLobby{"Lobby",
                      "192.168.10.21",
                      80,
                      {{"Entrance", "1920x1080", kRecording},
                       {"Reception", "1920x1080", kRecording},
                       {"Lift 1", "1280x720", kRecording},
                       {"Lift 2", "1280x720", kRecording},
                       {"Stairs", "704x480", 0},
                       {"Corridor", "704x480", kRecording},
                       {"Cloakroom", "704x480", kLossOfSignal},
                       {"Front desk", "1920x1080", kRecording}}};

const DemoSite kWarehouse{"Warehouse",
                          "192.168.10.22",
                          8080,
                          {{"Aisle 1", "1280x720", kRecording},
                           {"Aisle 2", "1280x720", kRecording},
                           {"Aisle 3", "1280x720", kRecording},
                           {"Aisle 4", "1280x720", kRecording},
                           {"Aisle 5", "1280x720", kRecording},
                           {"Aisle 6", "1280x720", kRecording},
                           {"Aisle 7", "1280x720", 0},
                           {"Aisle 8", "1280x720", kRecording},
                           {"Dock door 1", "1920x1080", kRecording},
                           {"Dock door 2", "1920x1080", kRecording},
                           {"Dock door 3", "1920x1080", kRecording | kLossOfSignal},
                           {"Office", "704x480", kRecording},
                           {"Yard east", "1920x1080", kRecording},
                           {"Yard west", "1920x1080", kRecording},
                           {"Cold room", "704x480", 0},
                           {"Roof", "704x480", kRecording}}};

const DemoSite kGate{"Gate",
                     "192.168.10.23",
                     80,
                     {{"Barrier in", "1920x1080", kRecording},
                      {"Barrier out", "1920x1080", kRecording},
                      {"Number plates", "1280x720", kRecording},
                      {"Fence", "704x480", kRecording}}};

const DemoSite kLoadingDock{"Loading Dock",
                            "192.168.10.24",
                            80,
                            {{"Ramp", "1280x720", kRecording},
                             {"Trailer bay 1", "1280x720", kRecording},
                             {"Trailer bay 2", "1280x720", kRecording},
                             {"Forklifts", "704x480", kRecording},
                             {"Scales", "704x480", 0},
                             {"Exit", "704x480", kRecording}}};

const std::vector<const DemoSite*> kAllSites{&kLobby, &kWarehouse, &kGate, &kLoadingDock};
const std::vector<const DemoSite*> kStayingSites{&kLobby, &kWarehouse, &kGate};

struct DemoUser {
  const char* name;
  const char* group;
};

const std::vector<DemoUser> kUsers{{"deputy-admin", "Administrator"},
                                   {"site-manager", "Manager"},
                                   {"day-operator", "Operator"},
                                   {"night-operator", "Operator"},
                                   {"remote-viewer", "Remote User"}};

void Require(bool done, const std::string& what) {
  if (!done) throw std::runtime_error("the demonstration database refused " + what);
}

std::uint32_t Address(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  return a << 24 | b << 16 | c << 8 | d;
}

std::string SiteLogDetail(const DemoSite& site) {
  return std::string(site.address) + ":" + std::to_string(site.webServerPort);
}

void AddUsers() {
  soci::session& session = ThreadSession();
  for (const DemoUser& user : kUsers) {
    GroupTable groups(session);
    groups.OpenByName(user.group);
    Require(!groups.IsEOF(), std::string("the group ") + user.group);
    UserTable users(session);
    users.OpenByName(user.name);
    UserRow& row = users.AddNew();
    row.nGroupID = groups.Current().nID;
    row.strName = user.name;
    row.strPassword = PasswordDigest(kDemoPassword, false);
    row.bsAuthority = static_cast<std::int32_t>(kFullAuthority);
    Require(users.Update(), std::string("the user ") + user.name);
  }
}

// The filter admits only the company's own networks.
void AddFilterRanges() {
  Require(AddIpFilterRange(Address(192, 168, 10, 1), Address(192, 168, 10, 254),
                           "Site recorders") == DbOutcome::kDone,
          "a filter range");
  Require(AddIpFilterRange(Address(10, 20, 0, 1), Address(10, 20, 3, 254), "Head office") ==
              DbOutcome::kDone,
          "a filter range");
  Require(AddIpFilterRange(Address(172, 16, 5, 10), Address(172, 16, 5, 40), "Remote viewers") ==
              DbOutcome::kDone,
          "a filter range");
  PreferenceBlock preferences = Settings::Instance().GetPreferences();
  preferences.ipFilterMode = 1;  // accept mode
  Settings::Instance().SetPreferences(preferences);
  Settings::Instance().Save();
}

// A check-in as the record protocol writes it, followed by the site's cameras.
void CheckIn(const DemoSite& site) {
  const auto siteId = CheckInSite({site.address, site.name, site.webServerPort},
                                  GetLanguageText(kTextSiteCheckIn), SiteLogDetail(site));
  Require(siteId.Done(), std::string("the check-in of ") + site.name);
  for (std::size_t index = 0; index < site.cameras.size(); ++index) {
    const DemoCamera& camera = site.cameras[index];
    const CameraAnnouncement announcement{static_cast<std::int32_t>(index), true, camera.stateFlag,
                                          camera.resolution, camera.name};
    Require(StoreSiteCamera(*siteId.value, index == 0, announcement) == DbOutcome::kDone,
            std::string("a camera of ") + site.name);
  }
}

void CheckInAll(const std::vector<const DemoSite*>& sites) {
  for (const DemoSite* site : sites) CheckIn(*site);
}

void CheckOut(const DemoSite& site) {
  Require(
      CheckOutSite(site.address, site.name, GetLanguageText(kTextSiteCheckOut), SiteLogDetail(site))
          .Done(),
      std::string("the check-out of ") + site.name);
}

ConsoleUser Login(const std::string& name) {
  const auto user = ConsoleLogin(name, kDemoPassword);
  Require(user.has_value(), "the console login of " + name);
  return *user;
}

}  // namespace

std::time_t DemoTime(int day, int hour, int minute) {
  return TimeFromOleDate(OleDateFromLocal(2024, 6, day, hour, minute, 0));
}

ConsoleUser FillDemoDatabase(ManualClock& clock) {
  AddUsers();
  AddFilterRanges();
  const auto at = [&clock](int day, int hour, int minute) {
    clock.Set(DemoTime(day, hour, minute));
  };

  at(11, 8, 0);
  CheckInAll(kAllSites);
  at(11, 8, 12);
  Login("Administrator");
  at(11, 9, 30);
  Login("site-manager");
  at(11, 10, 0);
  CheckInAll(kAllSites);
  at(11, 12, 0);
  CheckInAll(kAllSites);
  at(11, 13, 5);
  Login("day-operator");
  at(11, 14, 0);
  CheckInAll(kAllSites);
  at(11, 16, 0);
  CheckInAll(kAllSites);
  at(11, 17, 45);
  CheckOut(kLoadingDock);
  at(11, 18, 10);
  Login("night-operator");
  at(11, 22, 0);
  CheckInAll(kStayingSites);

  at(12, 6, 0);
  DatabaseMaintenance::Instance().SetCompactionWait([](std::chrono::milliseconds) {});
  Require(DatabaseMaintenance::Instance().RunMaintenance() == 1, "the nightly maintenance");
  at(12, 7, 58);
  Login("remote-viewer");
  at(12, 8, 30);
  CheckInAll(kStayingSites);
  at(12, 8, 57);
  const ConsoleUser administrator = Login("Administrator");
  at(12, 9, 0);
  CheckInAll(kStayingSites);
  return administrator;
}

}  // namespace orlentis::shots
