#include "store/camera_slot_writes.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/bound_statement.h"
#include "store/transaction.h"

namespace orlentis {
namespace {

struct HeldBackWrites {
  soci::session* session = nullptr;
  std::vector<std::int32_t> absentSites;
  std::vector<CameraRow> slots;
};

thread_local HeldBackWrites heldBack;

void AppendElement(std::string& literal, std::int32_t number) {
  literal += std::to_string(number);
}

void AppendElement(std::string& literal, const std::string& text) {
  literal += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') literal += '\\';
    literal += c;
  }
  literal += '"';
}

// Values travel as one array literal per column, so the statement's text and its prepared
// plan stay the same whatever the number of cameras.
template <class Item, class Project>
std::string ArrayLiteral(const std::vector<Item>& items, Project project) {
  std::string literal = "{";
  for (const Item& item : items) {
    if (literal.size() > 1) literal += ',';
    AppendElement(literal, std::invoke(project, item));
  }
  return literal + '}';
}

void WriteAtOnce(soci::session& session, bool markSiteAbsent, const CameraRow& described) {
  if (markSiteAbsent) CameraTable::MarkAllAbsent(session, described.nSiteID);
  if (CameraTable::DescribeSlot(session, described)) return;
  CameraTable slot(session);
  slot.AddNew() = described;
  slot.Update();
}

bool Overtakes(const HeldBackWrites& writes, bool markSiteAbsent, const CameraRow& described) {
  return std::any_of(writes.slots.begin(), writes.slots.end(), [&](const CameraRow& held) {
    return held.nSiteID == described.nSiteID && (markSiteAbsent || held.nIndex == described.nIndex);
  });
}

void MarkSitesAbsent(soci::session& session, const std::vector<std::int32_t>& sites) {
  BoundStatement(session,
                 "UPDATE Camera SET bExistence = 0 WHERE nSiteID = ANY (CAST(:sites AS integer[]))")
      .Use(ArrayLiteral(sites, std::identity{}))
      .Execute();
}

// Describes each slot's first row of its site and index, as DescribeSlot chooses it, and adds
// a row for each slot that has none, in one statement. The rows are also named by their keys
// (ANY): joined only with the described slots, a table of a few thousand rows is read whole
// into a hash for every group.
void DescribeOrAddSlots(soci::session& session, const std::vector<CameraRow>& rows) {
  const std::string sites = ArrayLiteral(rows, &CameraRow::nSiteID);
  const std::string indexes = ArrayLiteral(rows, &CameraRow::nIndex);
  const std::string present = ArrayLiteral(rows, &CameraRow::bExistence);
  const std::string states = ArrayLiteral(rows, &CameraRow::nStateFlag);
  const std::string resolutions = ArrayLiteral(rows, &CameraRow::strResolution);
  const std::string names = ArrayLiteral(rows, &CameraRow::strName);
  BoundStatement(
      session,
      "WITH d AS (SELECT u.*, (SELECT c.rowid FROM Camera c WHERE c.nSiteID = u.site AND "
      "c.nIndex = u.slot ORDER BY c.rowid LIMIT 1) AS target "
      "FROM unnest(CAST(:sites AS integer[]), CAST(:indexes AS integer[]), "
      "CAST(:present AS integer[]), CAST(:states AS integer[]), CAST(:resolutions AS text[]), "
      "CAST(:names AS text[])) AS u(site, slot, present, state, resolution, name)), "
      "described AS (UPDATE Camera SET bExistence = d.present, nStateFlag = d.state, "
      "strResolution = d.resolution, strName = d.name FROM d "
      "WHERE Camera.rowid = ANY (ARRAY(SELECT target FROM d)) AND Camera.rowid = d.target) "
      "INSERT INTO Camera (nSiteID, nIndex, bExistence, nStateFlag, strResolution, strName) "
      "SELECT site, slot, present, state, resolution, name FROM d WHERE target IS NULL")
      .Use(sites)
      .Use(indexes)
      .Use(present)
      .Use(states)
      .Use(resolutions)
      .Use(names)
      .Execute();
}

}  // namespace

void WriteCameraSlot(soci::session& session, bool markSiteAbsent, const CameraRow& described) {
  if (!InPostgresGroup(session)) {
    WriteAtOnce(session, markSiteAbsent, described);
    return;
  }
  if (Overtakes(heldBack, markSiteAbsent, described)) SendHeldBackCameraWrites(session);
  heldBack.session = &session;
  if (markSiteAbsent) heldBack.absentSites.push_back(described.nSiteID);
  heldBack.slots.push_back(described);
}

void SendHeldBackCameraWrites(soci::session& session) {
  if (heldBack.session != &session) return;
  // Taken out first: the statements below send nothing held back again.
  const HeldBackWrites writes = std::exchange(heldBack, {});
  if (!writes.absentSites.empty()) MarkSitesAbsent(session, writes.absentSites);
  DescribeOrAddSlots(session, writes.slots);
}

std::size_t HeldBackCameraStatements(const soci::session& session) {
  if (heldBack.session != &session) return 0;
  return heldBack.absentSites.empty() ? 1 : 2;
}

void DropHeldBackCameraWrites() {
  heldBack = {};
}

}  // namespace orlentis
