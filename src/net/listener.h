#pragma once

#include <asio/awaitable.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "directory/ip_filter.h"
#include "net/recorder_connection.h"

namespace orlentis {

class Settings;
class DatabaseThread;

// The listening socket and the connection list of the worker. Everything here runs on the
// worker thread; nothing takes a lock.
class Listener {
 public:
  static constexpr std::size_t kMaxLiveConnections = 2048;

  // settings gives the IP filter's switch and mode, and rangeReads reads its ranges for each
  // new connection; services are shared by every connection.
  Listener(asio::io_context& io, const Settings& settings, DatabaseThread& rangeReads,
           const ConnectionServices& services);

  // Binds to address (empty: every local address) and port (0: one the system chooses) and
  // listens. False, with the reason in error, when that cannot be done.
  bool Listen(const std::string& address, std::uint16_t port, std::error_code& error);
  // The port listened on, 0 without a listener.
  std::uint16_t Port() const;

  // Accepts until the listener is closed. Each accepted peer is refused at once when no place
  // is left for it: when every place is taken, a peer that has never sent a request gives up
  // its place; no peer address holds more than the settings' connections per address. A peer
  // given a place is served once the IP filter has admitted it. The filter's ranges are read
  // on a database thread, so that a slow database holds up only the new connections, and
  // those no longer than the database wait.
  asio::awaitable<void> AcceptLoop();

  // Closes and forgets every connection marked dead.
  void SweepDeadConnections();
  // Closes and forgets every live connection whose idle deadline has passed, unless it is in the
  // middle of an exchange; dead ones are left to the dead-connection sweep.
  void SweepExpiredConnections();
  // Every connection in the list, alive or awaiting the dead-connection sweep.
  const std::list<std::shared_ptr<RecorderConnection>>& Connections() const { return connections_; }

  // Closes the listener and every connection.
  void Close();

 private:
  void Admit(asio::ip::tcp::socket socket);
  // Refuses the peer when no place is left for it; when every place is taken a silent one is
  // given up for it.
  bool MakePlaceFor(const std::string& peerAddress);
  asio::awaitable<void> ScreenThenServe(std::shared_ptr<RecorderConnection> connection);
  asio::awaitable<bool> PassesIpFilter(const std::string& peerAddress);
  asio::awaitable<RangeLookup> LookUpPeer(const std::string& peerAddress);
  RangeLookup LookUpInLastRanges(const std::string& peerAddress) const;
  void Forget(const std::shared_ptr<RecorderConnection>& connection);
  std::size_t LiveConnectionsFrom(const std::string& peerAddress) const;
  // Closes a connection that has never been served, to make room for a new one.
  void Evict(std::list<std::shared_ptr<RecorderConnection>>::iterator silent);

  asio::io_context& io_;
  const Settings& settings_;
  DatabaseThread& rangeReads_;
  const ConnectionServices& services_;
  asio::ip::tcp::acceptor acceptor_;
  std::list<std::shared_ptr<RecorderConnection>> connections_;
  std::size_t liveCount_ = 0;
  // The IP filter's ranges as the last look-up that answered read them, and whether a look-up
  // is under way (cleared by the database thread when it ends).
  std::optional<FilterRanges> lastRanges_;
  std::shared_ptr<std::atomic<bool>> lookupUnderWay_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace orlentis
