#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/little_endian.h"
#include "peer_status.h"

namespace orlentis::peer {

// The address of the server; a name is resolved once, here.
asio::ip::tcp::endpoint ResolveServer(const std::string& host, std::uint16_t port);

// One connection to the server as a recorder holds it. The server takes one receive as one
// record, so every record goes out in one write on a socket without Nagle delay, and a
// request with an answer is never followed by the next before the answer is read. Replies
// are read by their expected size, whatever TCP does with the segments.
//
// Every connect, send and receive has its own time limit. Failures end the exchange with a
// PeerFailure whose status says what happened: a connection closed (or reset) before any
// answer came is the server's refusal; a record cut short is malformed; a reset later is a
// transport failure.
class PeerLink {
 public:
  static constexpr std::chrono::milliseconds kRecordGap{50};

  PeerLink(asio::any_io_executor executor, std::chrono::milliseconds timeout);
  ~PeerLink();
  PeerLink(const PeerLink&) = delete;
  PeerLink& operator=(const PeerLink&) = delete;

  asio::awaitable<void> Connect(const asio::ip::tcp::endpoint& server);
  asio::awaitable<void> Send(ConstByteSpan record, std::string_view what);
  // The next size bytes from the server; the span stays valid until the next Receive.
  asio::awaitable<ConstByteSpan> Receive(std::size_t size, std::string_view what);
  // Records sent back to back without an answer between them (an instance header and its
  // cameras) must each reach the server alone, since one receive is one record there. For a
  // server on this machine the kernel's socket table shows when it has read what was sent;
  // for another, a pause of recordGap has to do.
  asio::awaitable<void> WaitUntilServerHasRead();

  // After the last record of an exchange: bytes that arrived beyond it are malformed.
  void ExpectNothingMore(std::string_view after) const;
  // Waits, without a time limit, until the server closes the connection or Close is called.
  asio::awaitable<void> WaitUntilClosed();

  void Close();
  bool IsOpen() const { return socket_.is_open(); }
  // Whether any byte has come from the server on this connection.
  bool Answered() const { return answered_; }

 private:
  void ArmTimeLimit();
  void DisarmTimeLimit();
  PeerFailure Broken(const std::error_code& error, std::string_view what) const;
  void DropTakenBytes();

  asio::ip::tcp::socket socket_;
  asio::steady_timer timeLimit_;
  std::chrono::milliseconds timeout_;
  // The time limit's handler may already be queued when the link goes away or the limit is
  // moved on; it acts only while the token lives and the generation is still its own.
  std::shared_ptr<int> aliveToken_;
  std::uint64_t generation_ = 0;
  bool timedOut_ = false;
  bool answered_ = false;
  std::vector<std::uint8_t> buffer_;
  std::size_t have_ = 0;
  std::size_t taken_ = 0;
};

}  // namespace orlentis::peer
