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

#include "directory/unwritten_site_writes.h"
#include "net/little_endian.h"
#include "net/wire_records.h"

namespace orlentis {

class RequestHandlers;

// What a connection has checked in as.
enum class ConnectionKind {
  kNone,
  kSite,          // a site of the record protocol checked in
  kHostCheck,     // a peer asking only whether the server is there; ends with the answer
  kAccountCheck,  // a peer that checks one login and leaves
};

inline constexpr std::int32_t kNoSiteRow = -1;

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
  ~RecorderConnection();
  RecorderConnection(const RecorderConnection&) = delete;
  RecorderConnection& operator=(const RecorderConnection&) = delete;

  // What the connection has become. Only the transitions below change it.
  bool Alive() const { return alive_; }
  // False once the socket was closed, by the peer or by the server.
  bool Open() const { return socket_.is_open(); }
  ConnectionKind Kind() const { return kind_; }
  bool Registered() const { return registered_; }
  // The next camera record starts the site's camera set anew.
  bool CameraSetStarting() const { return cameraSetStarting_; }
  // nID of the site row of the last check-in on this connection, kNoSiteRow when none is known.
  std::int32_t SiteRowId() const { return siteRowId_; }
  // The last check-in record, with the peer's address and port filled in.
  const SiteRecord& StoredCheckIn() const { return storedCheckIn_; }
  // Local time as an OLE date after which the expiry sweep closes the connection; 0 until
  // the first request.
  double IdleDeadline() const { return idleDeadline_; }
  // A request is being served: the connection may be waiting for the peer's next block of the
  // exchange or for the directory server, and is not idle whatever its deadline says.
  bool InExchange() const { return inExchange_; }
  // Whether the peer has ever sent a request that was served. One that has not is the first to
  // give up its place when every place is taken.
  bool EverServed() const { return everServed_; }

  // A check-in record arrived and is kept with the peer's own address and port. Its tag makes
  // the connection a host check or an account check; any other record leaves the kind as it
  // was, so an account check stays one.
  void ReceiveCheckIn(SiteRecord record);
  // The check-in was a site's own: the connection now stands for that site.
  void RegisterAsSite();
  // A check-in (not an update) opens the requests that need a registered connection.
  void MarkRegistered();
  void StartCameraSet();
  void CameraSetStarted();
  void RememberSiteRow(std::int32_t siteRowId) { siteRowId_ = siteRowId; }
  // What the site sent that is not in the database yet, and whether a write of it is under
  // way; while either holds, the site's writes join them rather than overtake them.
  UnwrittenSiteWrites& Unwritten() { return unwritten_; }
  // The same for the host instances the connection speaks for.
  UnwrittenInstanceWrites& UnwrittenInstances() { return unwrittenInstances_; }
  bool WritingUnwritten() const { return writingUnwritten_; }
  void SetWritingUnwritten(bool writing) { writingUnwritten_ = writing; }
  bool HoldsUnwritten() const {
    return writingUnwritten_ || !unwritten_.Empty() || !unwrittenInstances_.Empty();
  }
  // The connection ends once the answer under way has gone out: the next dead-connection
  // sweep closes it.
  void EndAfterThisAnswer();
  // The site leaves: the connection ends and forgets what it was.
  void CheckOut();
  // An account check ends once its login has been answered; with forgetRegistration the
  // connection no longer counts as registered either.
  void EndAccountCheck(bool forgetRegistration);

  // The peer's dotted address and port, as the socket reported them at the accept.
  std::string PeerAddress() const;
  std::int32_t PeerPort() const { return peer_.port(); }

  // Whether the answer goes on with another record straight after this one.
  enum class RecordsAfter { kNone, kMore };
  // Sends the whole buffer as one record within the transfer limit; false when it could not.
  // Exceeding the limit marks the connection dead and closes it. A record with more after it
  // waits in the socket for the answer's last one, so that the kernel moves the answer in as
  // few segments as it can: each record is still sent whole, and the host reads each by its
  // exact size.
  asio::awaitable<bool> Send(ConstByteSpan bytes, RecordsAfter after = RecordsAfter::kNone);
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
  // A transfer overran its limit, or a fault of the program ended the connection's coroutine:
  // the connection is closed and left for the next sweep.
  void Abandon();
  // Renews the idle deadline after a request that was served or dropped.
  void RenewIdleDeadline();
  // Serving a request begins; it ends with RenewIdleDeadline (or the failure path, after which
  // only the dead-connection sweep looks at the connection).
  void EnterExchange();
  // The exchange under way answered with its failure values: the database or the directory
  // server did not answer, or it took the failure path. Counted, and cleared at the next one.
  void MarkExchangeFailed() { exchangeFailed_ = true; }
  bool ExchangeFailed() const { return exchangeFailed_; }

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

  // The peer went away, or a transfer took longer than its limit.
  void Lose();
  // Every change of kind goes through here, so that the count of connections by kind holds.
  void BecomeKind(ConnectionKind kind);
  // Leaves the count of open connections, once.
  void StopCounting();

  asio::ip::tcp::socket socket_;
  asio::ip::tcp::endpoint peer_;
  const ConnectionServices& services_;
  bool alive_ = true;
  ConnectionKind kind_ = ConnectionKind::kNone;
  bool counted_ = true;
  bool registered_ = false;
  bool cameraSetStarting_ = false;
  std::int32_t siteRowId_ = kNoSiteRow;
  UnwrittenSiteWrites unwritten_;
  UnwrittenInstanceWrites unwrittenInstances_;
  bool writingUnwritten_ = false;
  SiteRecord storedCheckIn_;
  double idleDeadline_ = 0.0;
  bool inExchange_ = false;
  bool exchangeFailed_ = false;
  bool everServed_ = false;
};

}  // namespace orlentis
