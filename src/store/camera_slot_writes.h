#pragma once

#include <soci/soci.h>

#include <cstddef>

#include "store/camera_table.h"

namespace orlentis {

// Gives a camera slot the description of described (its site and index), after marking every
// camera of that site absent when markSiteAbsent; the slot's row is added when the site has
// none. Outside a group on PostgreSQL it is written at once, as CameraTable does it.
//
// Inside a group on PostgreSQL it is held back and sent with the group's other camera writes
// in one statement (two when a site starts a new set), just before the session's next other
// statement or the group's commit: a site sends each of its cameras on its own, and a round trip to
// the server for each was most of what a check-in cost there. A group that holds nothing but camera
// writes is then that one statement alone (see GroupTransaction). Writes are sent in the order they
// came: a write that would overtake or merge with one held back (the same slot again, or a site
// starting a new set after a slot of it was described) first sends those held back.
void WriteCameraSlot(soci::session& session, bool markSiteAbsent, const CameraRow& described);

// Sends the camera writes held back on session, if any. Every statement of the store runs it
// first, so nothing reads or commits past a write still held back.
void SendHeldBackCameraWrites(soci::session& session);
// How many statements sending them takes: none, one, or two when a site starts a new set.
std::size_t HeldBackCameraStatements(const soci::session& session);
// Forgets them: the group they belonged to is rolled back.
void DropHeldBackCameraWrites();

}  // namespace orlentis
