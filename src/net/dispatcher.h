#pragma once

#include <asio/awaitable.hpp>

#include "net/little_endian.h"

namespace orlentis {

class RecorderConnection;
class RequestHandlers;

// What becomes of one received block, by the rules in this order: a dead connection or a
// block outside 4..4000 bytes fails; a known kind of the wrong size, or one that needs
// registration on an unregistered connection, is dropped; a host frame with the wrong flag
// fails; a host operation outside 2..6 is answered and fails; an unknown kind fails.
enum class BlockVerdict { kServe, kDrop, kFail, kAnswerUnknownOperationAndFail };

BlockVerdict JudgeBlock(ConstByteSpan block, bool alive, bool registered);

// Judges one block received on connection and serves it: protocol-only requests here,
// the others through handlers. A served or dropped block renews the idle deadline.
asio::awaitable<void> DispatchBlock(RecorderConnection& connection, RequestHandlers& handlers,
                                    ConstByteSpan block);

}  // namespace orlentis
