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
  const bool isUpdate = site.Kind() == CMD_SITE_UPDATE;
  connection.ReceiveCheckIn(std::move(site));
  switch (connection.Kind()) {
    case ConnectionKind::kHostCheck:
      connection.EndAfterThisAnswer();
      co_await connection.Send(EncodeStatus(RSP_OK, 0));
      break;
    case ConnectionKind::kAccountCheck:  // goes on to one login
      co_await connection.Send(EncodeStatus(RSP_OK, 0));
      break;
    case ConnectionKind::kNone:
    case ConnectionKind::kSite:
      connection.RegisterAsSite();
      co_await handlers.SiteCheckIn(connection, isUpdate);
      break;
  }
  if (!isUpdate) connection.MarkRegistered();
  connection.StartCameraSet();
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
