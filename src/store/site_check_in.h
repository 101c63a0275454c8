#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <optional>

#include "store/event_log.h"
#include "store/site_table.h"

namespace orlentis {

// The check-in of a site of the record protocol that the directory already has, in one round
// trip where the record set takes three (find the row, write it, log the check-in), for
// PostgreSQL: edits the first row, by nID, of announced's address and site name at instance
// -1, giving it announced's name, port, on-line mark and check-in time, writes entry and holds
// its audit record. Returns the row's nID; none, and nothing written, when there is no such
// row. It touches no camera: camera writes held back in a group wait past it.
std::optional<std::int32_t> CheckInKnownRecordSite(soci::session& session, const SiteRow& announced,
                                                   const LogEntryRow& entry,
                                                   const LogEntryFacts& facts);

}  // namespace orlentis
