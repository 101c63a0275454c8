#pragma once

#include <asio/awaitable.hpp>

#include "net/little_endian.h"
#include "net/wire_records.h"

namespace orlentis {

class RecorderConnection;
class RequestHandlers;

// The requests the protocol answers by itself, without the database.

// CMD_KEEPALIVE: the 140 bytes go back unchanged but for the kind, CMD_KEEPALIVE_ECHO.
asio::awaitable<void> EchoKeepAlive(RecorderConnection& connection, ConstByteSpan block);

// CMD_SITE_CHECKIN and CMD_SITE_UPDATE: stores the record with the peer's address and port,
// answers a host check or an account check by itself and hands a site's check-in to the
// handlers; then sets the registered flag (check-in only) and the camera-reset flag.
asio::awaitable<void> ServeSiteCheckIn(RecorderConnection& connection, RequestHandlers& handlers,
                                       SiteRecord site);

// CMD_USER_LIST: the list is never given out. One placeholder record, then the peer's
// acknowledgement is read and discarded.
asio::awaitable<void> SendUserListPlaceholder(RecorderConnection& connection);

}  // namespace orlentis
