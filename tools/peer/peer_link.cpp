#include "peer_link.h"

#include <asio/connect.hpp>
#include <asio/error.hpp>
#include <asio/redirect_error.hpp>
#include <asio/use_awaitable.hpp>
#include <asio/write.hpp>
#include <cstring>

#include "socket_queues.h"

namespace orlentis::peer {
namespace {

constexpr std::size_t kInitialBuffer = 8192;

}  // namespace

asio::ip::tcp::endpoint ResolveServer(const std::string& host, std::uint16_t port) {
  std::error_code error;
  const auto address = asio::ip::make_address(host, error);
  if (!error) return {address, port};
  asio::io_context io;
  asio::ip::tcp::resolver resolver(io);
  const auto results = resolver.resolve(host, std::to_string(port), error);
  if (error || results.empty()) {
    throw PeerFailure(PeerStatus::kTransport, "cannot resolve host " + host + ": " +
                                                  (error ? error.message() : "no address"));
  }
  return results.begin()->endpoint();
}

PeerLink::PeerLink(asio::any_io_executor executor, std::chrono::milliseconds timeout)
    : socket_(executor),
      timeLimit_(executor),
      timeout_(timeout),
      aliveToken_(std::make_shared<int>(0)),
      buffer_(kInitialBuffer) {}

PeerLink::~PeerLink() = default;

void PeerLink::ArmTimeLimit() {
  const std::uint64_t generation = ++generation_;
  timedOut_ = false;
  timeLimit_.expires_after(timeout_);
  timeLimit_.async_wait(
      [this, token = std::weak_ptr<int>(aliveToken_), generation](const std::error_code& error) {
        if (error || token.expired() || generation != generation_) return;
        timedOut_ = true;
        std::error_code ignored;
        socket_.cancel(ignored);
      });
}

void PeerLink::DisarmTimeLimit() {
  ++generation_;
  timeLimit_.cancel();
}

PeerFailure PeerLink::Broken(const std::error_code& error, std::string_view what) const {
  const std::string limit = std::to_string(timeout_.count()) + " ms";
  if (timedOut_) {
    if (have_ > taken_) {
      return PeerFailure(PeerStatus::kMalformed,
                         std::string(what) + " was cut short: " + std::to_string(have_ - taken_) +
                             " bytes, then nothing for " + limit);
    }
    return PeerFailure(PeerStatus::kTimeout, "no " + std::string(what) + " within " + limit);
  }
  if (error == asio::error::eof && have_ > taken_) {
    return PeerFailure(PeerStatus::kMalformed,
                       std::string(what) + " was cut short: " + std::to_string(have_ - taken_) +
                           " bytes, then the server closed the connection");
  }
  const bool closedByServer = error == asio::error::eof || error == asio::error::connection_reset ||
                              error == asio::error::broken_pipe;
  if (closedByServer && !answered_) {
    return PeerFailure(
        PeerStatus::kRefused,
        "the server closed the connection without answering (" + std::string(what) + ")");
  }
  if (error == asio::error::eof) {
    return PeerFailure(PeerStatus::kRefused,
                       "the server closed the connection instead of sending " + std::string(what));
  }
  return PeerFailure(PeerStatus::kTransport,
                     "connection failed at " + std::string(what) + ": " + error.message());
}

asio::awaitable<void> PeerLink::Connect(const asio::ip::tcp::endpoint& server) {
  Close();
  have_ = taken_ = 0;
  answered_ = false;
  std::error_code error;
  ArmTimeLimit();
  co_await socket_.async_connect(server, asio::redirect_error(asio::use_awaitable, error));
  DisarmTimeLimit();
  if (timedOut_) {
    Close();
    throw PeerFailure(PeerStatus::kTimeout, "no connection to " + server.address().to_string() +
                                                ":" + std::to_string(server.port()) + " within " +
                                                std::to_string(timeout_.count()) + " ms");
  }
  if (error) {
    Close();
    throw PeerFailure(PeerStatus::kTransport, "cannot connect to " + server.address().to_string() +
                                                  ":" + std::to_string(server.port()) + ": " +
                                                  error.message());
  }
  socket_.set_option(asio::ip::tcp::no_delay(true), error);
}

asio::awaitable<void> PeerLink::Send(ConstByteSpan record, std::string_view what) {
  std::error_code error;
  ArmTimeLimit();
  co_await asio::async_write(socket_, asio::buffer(record.data(), record.size()),
                             asio::redirect_error(asio::use_awaitable, error));
  DisarmTimeLimit();
  if (error) throw Broken(error, what);
}

void PeerLink::DropTakenBytes() {
  if (taken_ == 0) return;
  std::memmove(buffer_.data(), buffer_.data() + taken_, have_ - taken_);
  have_ -= taken_;
  taken_ = 0;
}

asio::awaitable<ConstByteSpan> PeerLink::Receive(std::size_t size, std::string_view what) {
  DropTakenBytes();
  if (buffer_.size() < size) buffer_.resize(size);
  while (have_ < size) {
    std::error_code error;
    ArmTimeLimit();
    const std::size_t count = co_await socket_.async_read_some(
        asio::buffer(buffer_.data() + have_, buffer_.size() - have_),
        asio::redirect_error(asio::use_awaitable, error));
    DisarmTimeLimit();
    if (error) throw Broken(error, what);
    have_ += count;
    answered_ = true;
  }
  taken_ = size;
  co_return ConstByteSpan(buffer_.data(), size);
}

asio::awaitable<void> PeerLink::WaitUntilServerHasRead() {
  std::error_code error;
  const auto local = socket_.local_endpoint(error);
  const auto remote = socket_.remote_endpoint(error);
  if (error) co_return;
  asio::steady_timer pause(socket_.get_executor());
  if (!remote.address().is_loopback() || !remote.address().is_v4()) {
    pause.expires_after(kRecordGap);
    co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, error));
    co_return;
  }
  const auto end = std::chrono::steady_clock::now() + timeout_;
  while (BytesQueuedToServer(local.port(), remote.port())) {
    if (std::chrono::steady_clock::now() > end) {
      throw PeerFailure(PeerStatus::kTimeout, "the server did not read what was sent within " +
                                                  std::to_string(timeout_.count()) + " ms");
    }
    pause.expires_after(std::chrono::milliseconds(1));
    co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, error));
  }
}

void PeerLink::ExpectNothingMore(std::string_view after) const {
  if (have_ > taken_) {
    throw PeerFailure(PeerStatus::kMalformed, std::to_string(have_ - taken_) +
                                                  " unexpected bytes after " + std::string(after));
  }
}

asio::awaitable<void> PeerLink::WaitUntilClosed() {
  std::error_code error;
  while (!error && socket_.is_open()) {
    co_await socket_.async_read_some(asio::buffer(buffer_),
                                     asio::redirect_error(asio::use_awaitable, error));
  }
}

void PeerLink::Close() {
  std::error_code ignored;
  if (socket_.is_open()) socket_.close(ignored);
}

}  // namespace orlentis::peer
