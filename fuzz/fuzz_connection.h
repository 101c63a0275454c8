#pragma once

#include <vector>

#include "write_sequence.h"

namespace orlentis {

class FuzzServer;

// Plays one input as a peer on a fresh connection: makes each write and takes what the server
// answers before the next (so that each write is a receive of its own and a multi-step
// exchange goes on), then half-closes and reads until the server has closed its end, so that
// the server is done with the input before the next one starts.
void PlayWrites(FuzzServer& server, const std::vector<Write>& writes);

}  // namespace orlentis
