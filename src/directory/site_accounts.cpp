#include "directory/site_accounts.h"

#include <string>

#include "base/clock.h"
#include "directory/site_directory.h"
#include "store/camera_table.h"
#include "store/database_guard.h"
#include "store/site_table.h"
#include "store/transaction.h"
#include "store/user_site_table.h"

namespace orlentis {
namespace {

using Refusal = AccountRefusal;

constexpr std::int32_t kAddedCameras = 16;
constexpr const char* kUnknown = "N/A";

std::string AddressText(const SiteAddress& address) {
  std::string text;
  for (const auto& octet : address) {
    if (!text.empty()) text += '.';
    text += std::to_string(octet.value_or(0));
  }
  return text;
}

bool IsBlank(const SiteAddress& address) {
  for (const auto& octet : address) {
    if (octet) return false;
  }
  return true;
}

// The slots of a new site: the first sixteen exist, any other that has a row is absent.
void WriteCameras(soci::session& session, std::int32_t siteId) {
  for (std::int32_t index = 0; index < kCameraSlots; ++index) {
    CameraTable slot(session);
    slot.OpenSlot(siteId, index);
    const bool exists = index < kAddedCameras;
    if (slot.IsEOF() && !exists) continue;
    CameraRow& row = slot.IsEOF() ? slot.AddNew() : slot.Edit();
    row.nSiteID = siteId;
    row.nIndex = index;
    row.bExistence = exists ? 1 : 0;
    row.nStateFlag = 0;
    row.strResolution = kUnknown;
    row.strName = "Camera " + std::to_string(index + 1);
    slot.Update();
  }
}

void InsertSites(soci::session& session, const std::string& address, std::int32_t instances) {
  const double now = NowOleDate();
  Transaction transaction(session);
  for (std::int32_t instance = 0; instance < instances; ++instance) {
    SiteTable sites(session);
    sites.OpenByAddressAndInstance(address, instance);
    if (!sites.IsEOF()) continue;
    SiteRow& row = sites.AddNew();
    row.strIP = address;
    row.strSiteName = kUnknown;
    row.nInstanceID = instance;
    row.nWebServerPort = 0;
    row.bOnline = 0;
    row.dCheckInTime = now;
    sites.Update();
    WriteCameras(session, sites.Current().nID);
  }
  transaction.Commit();
}

Refusal EraseSite(soci::session& session, std::int32_t siteId) {
  Transaction transaction(session);
  SiteTable sites(session);
  sites.OpenById(siteId);
  if (sites.IsEOF()) return Refusal::kNotFound;
  if (sites.Current().bOnline != 0) return Refusal::kSiteOnline;
  UserSiteTable::DeleteForSite(session, siteId);
  sites.Delete();
  transaction.Commit();
  return Refusal::kNone;
}

}  // namespace

AccountVerdict AddSites(const SiteAddress& address, std::int32_t instances) {
  if (IsBlank(address)) return AccountVerdict::Refused(Refusal::kBlankAddress);
  if (instances < 1 || instances > kMaxAddedInstances) {
    return AccountVerdict::Refused(Refusal::kInstanceCountOutOfRange);
  }
  const std::string text = AddressText(address);
  return AccountVerdict::FromOutcome(
      RunGuarded([&](soci::session& session) { InsertSites(session, text, instances); }));
}

AccountVerdict RemoveSite(std::int32_t siteId) {
  const auto erased =
      RunGuardedFor([&](soci::session& session) { return EraseSite(session, siteId); });
  if (!erased.Done()) return AccountVerdict::FromOutcome(erased.outcome);
  if (*erased.value != Refusal::kNone) return AccountVerdict::Refused(*erased.value);
  return AccountVerdict::Done();
}

}  // namespace orlentis
