#pragma once

#include <asio/awaitable.hpp>
#include <cstdint>

#include "net/wire_records.h"

namespace orlentis {

class RecorderConnection;

// The requests that need the database. The dispatcher has checked the block's size, the
// registration and the host frame's flag before it calls one of these, and does the
// protocol's own bookkeeping around them (the connection's transitions: its kind,
// registration, camera set, the end of an account check, the idle deadline). A handler does the
// database work and sends the answers of its exchange through connection.Send / ReceiveExactly,
// each bounded by the transfer limit. Database work runs on the worker thread with its own session.
//
// The defaults answer nothing: a request without a handler is left unanswered rather than
// answered with something the server did not do.
class RequestHandlers {
 public:
  virtual ~RequestHandlers() = default;

  // CMD_SITE_CHECKIN or CMD_SITE_UPDATE of a site (not a host or account check). The
  // connection's kind is already ConnectionKind::kSite and StoredCheckIn() holds the record
  // with the peer's address and port. Answers {RSP_OK, 0}.
  virtual asio::awaitable<void> SiteCheckIn(RecorderConnection& connection, bool isUpdate);
  // CMD_SITE_CHECKOUT on a connection that is not an account check; no answer. The
  // dispatcher then checks the connection out.
  virtual asio::awaitable<void> SiteCheckOut(RecorderConnection& connection);
  // CMD_CAMERA_INFO; the handler clears the camera-reset flag as it applies it.
  virtual asio::awaitable<void> CameraInfo(RecorderConnection& connection,
                                           const CameraRecord& camera);
  // CMD_USER_LOGIN and CMD_ACCOUNT_LOGIN. On an account check the dispatcher ends the
  // connection after the handler has answered.
  virtual asio::awaitable<void> UserLogin(RecorderConnection& connection,
                                          const UserRequest& request);
  virtual asio::awaitable<void> AccountLogin(RecorderConnection& connection,
                                             const UserRequest& request);
  virtual asio::awaitable<void> GroupCount(RecorderConnection& connection);
  virtual asio::awaitable<void> GroupList(RecorderConnection& connection);

  // Host frames with a valid operation and flag; the whole exchange, first frame included.
  virtual asio::awaitable<void> HostInstanceCheckIn(RecorderConnection& connection,
                                                    std::int32_t instance);
  virtual asio::awaitable<void> HostInstanceCheckOut(RecorderConnection& connection,
                                                     std::int32_t instance);
  virtual asio::awaitable<void> HostUserLogin(RecorderConnection& connection);
  virtual asio::awaitable<void> HostGroupList(RecorderConnection& connection);
  virtual asio::awaitable<void> HostCameraUpdate(RecorderConnection& connection,
                                                 std::int32_t instance);
};

}  // namespace orlentis
