#include "net/protocol_requests.h"

#include <algorithm>
#include <vector>

#include "net/recorder_connection.h"
#include "net/request_handlers.h"

namespace orlentis {

asio::awaitable<void> EchoKeepAlive(RecorderConnection& connection, ConstByteSpan block) {
  std::vector<std::uint8_t> echo(block.begin(), block.end());
  StoreU32(echo, status_layout::kWord, CMD_KEEPALIVE_ECHO);
  co_await connection.Send(echo);
}

asio::awaitable<void> ServeSiteCheckIn(RecorderConnection& connection, RequestHandlers& handlers,
                                       SiteRecord site) {
  site.SetPeer(connection.PeerAddress(), connection.PeerPort());
  if (site.IsHostCheck()) {
    connection.kind = kKindHostCheck;
  } else if (site.IsAccountCheck()) {
    connection.kind = kKindAccountCheck;
  }
  connection.storedSite = site;
  const bool isUpdate = site.Kind() == CMD_SITE_UPDATE;
  if (connection.kind == kKindHostCheck || connection.kind == kKindAccountCheck) {
    // A host check ends with its answer; an account check goes on to one login.
    if (connection.kind == kKindHostCheck) connection.alive = false;
    co_await connection.Send(EncodeStatus(RSP_OK, 0));
  } else {
    connection.kind = kKindSite;
    co_await handlers.SiteCheckIn(connection, isUpdate);
  }
  if (!isUpdate) connection.registered = true;
  connection.cameraReset = true;
}

asio::awaitable<void> SendUserListPlaceholder(RecorderConnection& connection) {
  UserReply placeholder;
  placeholder.name = "N/A";
  placeholder.text = "N/A";
  placeholder.groupName = "N/A";
  placeholder.description = "User list unavailable.";
  co_await connection.Send(EncodeUserReply(placeholder));
  co_await connection.ReceiveAndDiscard();
}

}  // namespace orlentis
