#include "net/recorder_connection.h"

#include <sys/socket.h>

#include <array>
#include <asio/read.hpp>
#include <asio/redirect_error.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>
#include <asio/write.hpp>
#include <utility>

#include "base/clock.h"
#include "base/server_metrics.h"
#include "net/dispatcher.h"

namespace orlentis {
namespace {

MetricGauge& ConnectionsOfKind(ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::kSite:
      return Metrics().connections[ConnectionState::kSite];
    case ConnectionKind::kHostCheck:
      return Metrics().connections[ConnectionState::kHostCheck];
    case ConnectionKind::kAccountCheck:
      return Metrics().connections[ConnectionState::kAccountCheck];
    case ConnectionKind::kNone:
      break;
  }
  return Metrics().connections[ConnectionState::kConnected];
}

}  // namespace

RecorderConnection::RecorderConnection(asio::ip::tcp::socket socket, asio::ip::tcp::endpoint peer,
                                       const ConnectionServices& services)
    : socket_(std::move(socket)), peer_(std::move(peer)), services_(services) {
  std::error_code ignored;
  // Every record of an answer goes out at once, never held back for the next one; reads
  // are taken straight after the socket reports data, so they never block the worker.
  socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
  socket_.non_blocking(true, ignored);
  ConnectionsOfKind(kind_).Add(1);
}

RecorderConnection::~RecorderConnection() {
  StopCounting();
}

void RecorderConnection::BecomeKind(ConnectionKind kind) {
  if (counted_) {
    ConnectionsOfKind(kind_).Add(-1);
    ConnectionsOfKind(kind).Add(1);
  }
  kind_ = kind;
}

void RecorderConnection::StopCounting() {
  if (std::exchange(counted_, false)) ConnectionsOfKind(kind_).Add(-1);
}

std::string RecorderConnection::PeerAddress() const {
  const auto address = peer_.address();
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
  }
  return address.to_string();
}

void RecorderConnection::ReceiveCheckIn(SiteRecord record) {
  record.SetPeer(PeerAddress(), PeerPort());
  if (record.IsHostCheck()) {
    BecomeKind(ConnectionKind::kHostCheck);
  } else if (record.IsAccountCheck()) {
    BecomeKind(ConnectionKind::kAccountCheck);
  }
  storedCheckIn_ = std::move(record);
}

void RecorderConnection::RegisterAsSite() {
  BecomeKind(ConnectionKind::kSite);
}

void RecorderConnection::MarkRegistered() {
  registered_ = true;
}

void RecorderConnection::StartCameraSet() {
  cameraSetStarting_ = true;
}

void RecorderConnection::CameraSetStarted() {
  cameraSetStarting_ = false;
}

void RecorderConnection::EndAfterThisAnswer() {
  alive_ = false;
}

void RecorderConnection::CheckOut() {
  BecomeKind(ConnectionKind::kNone);
  alive_ = false;
  registered_ = false;
}

void RecorderConnection::EndAccountCheck(bool forgetRegistration) {
  if (kind_ != ConnectionKind::kAccountCheck) return;
  alive_ = false;
  BecomeKind(ConnectionKind::kNone);
  if (forgetRegistration) registered_ = false;
}

void RecorderConnection::TakeFailurePath() {
  alive_ = false;
  exchangeFailed_ = true;
  BecomeKind(ConnectionKind::kNone);
  if (services_.onRequestFailure) services_.onRequestFailure();
}

void RecorderConnection::Abandon() {
  alive_ = false;
  Close();
}

void RecorderConnection::Lose() {
  alive_ = false;
  BecomeKind(ConnectionKind::kNone);
  Close();
}

void RecorderConnection::RenewIdleDeadline() {
  idleDeadline_ = NowOleDate() + kIdleDays;
  inExchange_ = false;
}

void RecorderConnection::EnterExchange() {
  inExchange_ = true;
  everServed_ = true;
  exchangeFailed_ = false;
}

void RecorderConnection::Close() {
  std::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
  socket_.close(ignored);
}

void RecorderConnection::ArmTransferLimit(asio::steady_timer& limit) {
  limit.expires_after(kTransferLimit);
  limit.async_wait([weak = weak_from_this()](const std::error_code& error) {
    if (error) return;
    if (const auto self = weak.lock()) self->Abandon();
  });
}

asio::awaitable<bool> RecorderConnection::Send(ConstByteSpan bytes, RecordsAfter after) {
  if (!socket_.is_open()) co_return false;
  // A record nearly always fits the socket's send buffer: written at once, it costs the worker
  // one send and neither a timer nor a round through the event loop. Only what the peer has
  // not yet made room for waits, within the transfer limit.
  std::error_code error;
  const int flags = after == RecordsAfter::kMore ? MSG_MORE : 0;
  const std::size_t written = socket_.send(asio::buffer(bytes.data(), bytes.size()), flags, error);
  if (error == asio::error::would_block || error == asio::error::try_again) {
    error.clear();
  } else if (error) {
    co_return false;
  } else if (written == bytes.size()) {
    co_return true;
  }
  const ConstByteSpan rest = bytes.subspan(written);
  asio::steady_timer limit(socket_.get_executor());
  ArmTransferLimit(limit);
  co_await asio::async_write(socket_, asio::buffer(rest.data(), rest.size()),
                             asio::redirect_error(asio::use_awaitable, error));
  co_return !error;
}

asio::awaitable<RecorderConnection::Receipt> RecorderConnection::ReceiveBlock(
    std::vector<std::uint8_t>& block, std::size_t maxBytes) {
  // One scratch buffer for the whole worker: the read below never suspends, so the block is
  // copied out before any other connection can read into it.
  static thread_local std::array<std::uint8_t, kReceiveLimit> scratch;
  while (socket_.is_open()) {
    std::error_code error;
    co_await socket_.async_wait(asio::ip::tcp::socket::wait_read,
                                asio::redirect_error(asio::use_awaitable, error));
    if (!socket_.is_open()) break;
    if (!error) {
      const std::size_t count = socket_.read_some(asio::buffer(scratch, maxBytes), error);
      if (error == asio::error::would_block || error == asio::error::try_again) continue;
      if (!error && count > 0) {
        block.assign(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(count));
        co_return Receipt::kBlock;
      }
    }
    // The peer closed or reset the connection.
    Lose();
    co_return Receipt::kPeerGone;
  }
  co_return Receipt::kClosed;
}

asio::awaitable<bool> RecorderConnection::ReceiveExactly(ByteSpan into) {
  std::vector<std::uint8_t> block;
  asio::steady_timer limit(socket_.get_executor());
  ArmTransferLimit(limit);
  // The receive takes no more than the record it expects: a recorder that sends the records of
  // an exchange in one burst leaves the next ones in the socket for the next receive, while a
  // short record still ends the exchange at once.
  if (co_await ReceiveBlock(block, into.size()) != Receipt::kBlock || block.size() != into.size()) {
    co_return false;
  }
  std::copy(block.begin(), block.end(), into.begin());
  co_return true;
}

asio::awaitable<void> RecorderConnection::ReceiveAndDiscard() {
  std::vector<std::uint8_t> block;
  asio::steady_timer limit(socket_.get_executor());
  ArmTransferLimit(limit);
  co_await ReceiveBlock(block);
}

asio::awaitable<void> RecorderConnection::Serve() {
  const auto self = shared_from_this();
  // Open until served to its end: a dead connection waits for the next sweep, but is no
  // longer one of those open.
  struct Uncounted {
    RecorderConnection& connection;
    ~Uncounted() { connection.StopCounting(); }
  } uncounted{*this};
  std::vector<std::uint8_t> block;
  while (true) {
    const Receipt receipt = co_await ReceiveBlock(block);
    if (receipt == Receipt::kClosed) co_return;
    if (receipt == Receipt::kPeerGone) {
      // A read that returned nothing takes the failure path like any bad block.
      TakeFailurePath();
      co_return;
    }
    co_await DispatchBlock(*this, *services_.handlers, block);
    block = {};
  }
}

}  // namespace orlentis
