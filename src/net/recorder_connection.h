#pragma once

#include <asio/awaitable.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/little_endian.h"
#include "net/wire_records.h"

namespace orlentis {

class RequestHandlers;

// What a connection has checked in as.
enum ConnectionKind : std::int32_t {
  kKindNone = 0,
  kKindSite = 1,
  kKindHostCheck = 3,
  kKindAccountCheck = 4,
};

// What every connection of one listener shares: the request handlers and the notice for a
// request that took the failure path (the tray's activity animation).
struct ConnectionServices {
  RequestHandlers* handlers = nullptr;
  std::function<void()> onRequestFailure;
};

// One accepted recorder connection. It lives on the worker thread: its coroutine waits for
// the next block, dispatches it and waits again. It is never destroyed where it fails: a
// failure only marks it dead, and the sweeps of the listener close it.
class RecorderConnection : public std::enable_shared_from_this<RecorderConnection> {
 public:
  static constexpr std::chrono::milliseconds kTransferLimit{5000};
  // How far a served or dropped request moves the idle deadline: 0.04167 days, a little over
  // an hour.
  static constexpr double kIdleDays = 0.04167;

  RecorderConnection(asio::ip::tcp::socket socket, asio::ip::tcp::endpoint peer,
                     const ConnectionServices& services);
  RecorderConnection(const RecorderConnection&) = delete;
  RecorderConnection& operator=(const RecorderConnection&) = delete;

  // The connection's state, read and written by the dispatcher and the request handlers.
  bool alive = true;
  std::int32_t kind = kKindNone;
  bool registered = false;
  bool cameraReset = false;
  // nID of the site row of the last check-in on this connection, -1 when none is known.
  std::int32_t siteId = -1;
  // The last check-in record, with the peer's address and port filled in.
  SiteRecord storedSite;
  // Local time as an OLE date after which the expiry sweep closes the connection; 0 until
  // the first request.
  double idleDeadline = 0.0;

  // The peer's dotted address and port, as the socket reported them at the accept.
  std::string PeerAddress() const;
  std::int32_t PeerPort() const { return peer_.port(); }

  // Sends the whole buffer as one record within the transfer limit; false when it could not.
  // Exceeding the limit marks the connection dead and closes it.
  asio::awaitable<bool> Send(ConstByteSpan bytes);
  // One receive of at most into.size() bytes within the transfer limit, which must return
  // exactly that many;
  // false for any other count. Exceeding the limit, a closed peer or an error mark the
  // connection dead and close it.
  asio::awaitable<bool> ReceiveExactly(ByteSpan into);
  // One receive within the transfer limit whose content is not needed (acknowledgements).
  asio::awaitable<void> ReceiveAndDiscard();

  // The failure path of a request: the connection is marked dead (the next dead-connection
  // sweep closes it) and the activity notice goes out. The idle deadline stays.
  void TakeFailurePath();
  // Renews the idle deadline after a request that was served or dropped.
  void RenewIdleDeadline();

  // Serves the connection until it is closed; started once, by the listener.
  asio::awaitable<void> Serve();
  // Closes the socket; a waiting receive or send ends with an error.
  void Close();

 private:
  enum class Receipt { kBlock, kPeerGone, kClosed };

  // Waits until data can be read, then takes it in one receive of at most maxBytes bytes. A peer
  // that closed or reset leaves the connection dead and closed (kPeerGone); kClosed means the
  // server closed it (a sweep or a transfer limit).
  asio::awaitable<Receipt> ReceiveBlock(std::vector<std::uint8_t>& block,
                                        std::size_t maxBytes = kReceiveLimit);
  // When limit passes before it is destroyed, the connection is marked dead and closed,
  // which ends the send or receive under way with an error.
  void ArmTransferLimit(asio::steady_timer& limit);

  asio::ip::tcp::socket socket_;
  asio::ip::tcp::endpoint peer_;
  const ConnectionServices& services_;
};

}  // namespace orlentis
