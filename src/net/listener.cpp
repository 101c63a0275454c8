#include "net/listener.h"

#include <algorithm>
#include <asio/co_spawn.hpp>
#include <asio/redirect_error.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/operator_log.h"
#include "base/operator_messages.h"
#include "base/server_metrics.h"
#include "base/settings.h"
#include "directory/answers_from_memory.h"
#include "directory/ip_filter.h"
#include "net/awaitable_database.h"
#include "store/database_maintenance.h"

namespace orlentis {
namespace {

// After an accept that failed for lack of resources (no descriptor left), the listener
// waits a moment rather than spinning on the same failure.
constexpr std::chrono::milliseconds kAcceptRetryDelay{100};

// A connection's coroutine ends by itself when its socket closes. Anything it throws is a
// fault of the program: reported, and confined to that one connection, which is closed and
// left for the next sweep.
auto EndOnFault(std::shared_ptr<RecorderConnection> connection) {
  return [connection = std::move(connection)](std::exception_ptr fault) {
    if (!fault) return;
    connection->Abandon();
    Metrics().connectionFaults.Add();
    try {
      std::rethrow_exception(fault);
    } catch (const std::exception& error) {
      LogToOperator(kLogNetConnectionFault,
                    std::string("a connection ended on an error: ") + error.what());
    } catch (...) {
      LogToOperator(kLogNetConnectionFault, "a connection ended on an error");
    }
  };
}

// Refusals come in bursts (a recorder that retries, a scan); one line a second per reason.
bool Refused(const std::string& peerAddress, AdmissionRefusal reason, std::string_view why) {
  Metrics().admissionsRefused[reason].Add();
  LogToOperatorPerReason(kLogNetAdmissionRefused, AdmissionRefusalName(reason),
                         "refused a connection from " + peerAddress + ": " + std::string(why));
  return false;
}

struct Pause {
  AdmissionRefusal reason;
  std::string_view why;
};

// While a maintenance runs nothing is admitted, and the peer is not kept waiting either; nor
// while the database could not be prepared, since nobody could log in.
std::optional<Pause> AdmissionPause() {
  const DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  if (maintenance.IsMaintenanceRunning()) {
    return Pause{AdmissionRefusal::kMaintenance, "the maintenance is running"};
  }
  if (!maintenance.IsPrepared()) {
    return Pause{AdmissionRefusal::kDatabaseUnusable, "the database cannot be used"};
  }
  return std::nullopt;
}

bool IsEvictable(const std::shared_ptr<RecorderConnection>& connection) {
  return connection->Alive() && !connection->EverServed();
}

}  // namespace

Listener::Listener(asio::io_context& io, const Settings& settings, DatabaseThread& rangeReads,
                   const ConnectionServices& services)
    : io_(io), settings_(settings), rangeReads_(rangeReads), services_(services), acceptor_(io) {}

bool Listener::Listen(const std::string& address, std::uint16_t port, std::error_code& error) {
  const auto bindAddress = address.empty() ? asio::ip::address(asio::ip::address_v4::any())
                                           : asio::ip::make_address(address, error);
  if (error) return false;
  const asio::ip::tcp::endpoint endpoint(bindAddress, port);
  acceptor_.open(endpoint.protocol(), error);
  if (!error) acceptor_.set_option(asio::socket_base::reuse_address(true), error);
  if (!error) acceptor_.bind(endpoint, error);
  // The old listener asked for the largest queue its sockets allowed; so does this one.
  if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    std::error_code ignored;
    acceptor_.close(ignored);
    return false;
  }
  return true;
}

std::uint16_t Listener::Port() const {
  std::error_code error;
  const auto endpoint = acceptor_.local_endpoint(error);
  return error ? 0 : endpoint.port();
}

asio::awaitable<void> Listener::AcceptLoop() {
  while (acceptor_.is_open()) {
    std::error_code error;
    asio::ip::tcp::socket socket =
        co_await acceptor_.async_accept(asio::redirect_error(asio::use_awaitable, error));
    if (error == asio::error::operation_aborted || !acceptor_.is_open()) co_return;
    if (error) {
      asio::steady_timer pause(io_, kAcceptRetryDelay);
      co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, error));
      continue;
    }
    SweepDeadConnections();
    Admit(std::move(socket));
  }
}

void Listener::Admit(asio::ip::tcp::socket socket) {
  Metrics().connectionsAccepted.Add();
  std::error_code error;
  const auto peer = socket.remote_endpoint(error);
  const std::optional<Pause> pause = AdmissionPause();
  if (error || pause) {
    if (!error) Refused(peer.address().to_string(), pause->reason, pause->why);
    socket.close(error);
    return;
  }
  auto connection = std::make_shared<RecorderConnection>(std::move(socket), peer, services_);
  if (!MakePlaceFor(connection->PeerAddress())) {
    connection->Close();
    return;
  }
  // Listed at once, so that a peer waiting for the filter holds its place in the limits (the
  // sweep before each accept counts it) and is closed with the others.
  connections_.push_back(connection);
  asio::co_spawn(io_, ScreenThenServe(connection), EndOnFault(connection));
}

bool Listener::MakePlaceFor(const std::string& peerAddress) {
  // The list is in the order of admission, so the first connection that has never been served
  // is the one that has been silent longest.
  const bool full = liveCount_ >= kMaxLiveConnections;
  const auto silent = full ? std::find_if(connections_.begin(), connections_.end(), IsEvictable)
                           : connections_.end();
  if (full && silent == connections_.end()) {
    return Refused(peerAddress, AdmissionRefusal::kConnectionLimit,
                   "all " + std::to_string(kMaxLiveConnections) + " connections are in use");
  }
  const auto perAddress = static_cast<std::size_t>(settings_.GetMaxConnectionsPerAddress());
  if (perAddress > 0 && LiveConnectionsFrom(peerAddress) >= perAddress) {
    return Refused(peerAddress, AdmissionRefusal::kAddressLimit,
                   "the address holds " + std::to_string(perAddress) + " connections already");
  }
  if (full) Evict(silent);
  return true;
}

asio::awaitable<void> Listener::ScreenThenServe(std::shared_ptr<RecorderConnection> connection) {
  const bool passes = co_await PassesIpFilter(connection->PeerAddress());
  // Closed meanwhile: the listener was closed, or a newer peer took the place of this silent one.
  if (!connection->Open()) co_return;
  if (!passes) {
    Refused(connection->PeerAddress(), AdmissionRefusal::kIpFilter,
            "the IP filter does not admit it");
    Forget(connection);
    co_return;
  }
  co_await connection->Serve();
}

// With the filter off the table is not read.
asio::awaitable<bool> Listener::PassesIpFilter(const std::string& peerAddress) {
  if (!settings_.IsIPFilter()) co_return true;
  const std::int32_t mode = settings_.GetIPFilterMode();
  co_return FilterAdmits(co_await LookUpPeer(peerAddress), mode);
}

// Each peer is judged by the ranges as they stand, read for it, unless a look-up for an
// earlier peer has not come back: the database is slow or stuck, and the peers meanwhile are
// judged by the ranges read last rather than queued behind it. A look-up that the database
// does not answer within its wait falls back on them too.
asio::awaitable<RangeLookup> Listener::LookUpPeer(const std::string& peerAddress) {
  if (lookupUnderWay_->exchange(true)) co_return LookUpInLastRanges(peerAddress);
  const auto underWay = lookupUnderWay_;
  const auto read = MakeDatabaseWork<DbResult<FilterRanges>>([underWay] {
    DbResult<FilterRanges> ranges = ReadFilterRanges();
    underWay->store(false);
    return ranges;
  });
  const DbOutcome waited = co_await AwaitDatabase(rangeReads_, read);
  if (waited == DbOutcome::kDone) {
    const DbResult<FilterRanges> ranges = Flattened(waited, *read);
    if (ranges.Done()) lastRanges_ = *ranges.value;
    if (ranges.Done() || !DirectoryAnsweredFromMemory()) {
      co_return LookUpAddress(ranges, peerAddress);
    }
    co_return LookUpInLastRanges(peerAddress);
  }
  // A look-up that never started never clears the mark itself.
  if (read->GiveUp()) lookupUnderWay_->store(false);
  // While logins are answered from memory, so are admissions: without them, none would come.
  if (DatabaseMaintenance::Instance().IsUnavailable() && !DirectoryAnsweredFromMemory()) {
    co_return RangeLookup::kUnavailable;
  }
  co_return LookUpInLastRanges(peerAddress);
}

// Before any look-up has answered nothing is known, as while the database is unavailable.
RangeLookup Listener::LookUpInLastRanges(const std::string& peerAddress) const {
  return lastRanges_ ? lastRanges_->Lookup(peerAddress) : RangeLookup::kUnavailable;
}

void Listener::Forget(const std::shared_ptr<RecorderConnection>& connection) {
  connection->Close();
  connections_.remove(connection);
}

std::size_t Listener::LiveConnectionsFrom(const std::string& peerAddress) const {
  return static_cast<std::size_t>(
      std::count_if(connections_.begin(), connections_.end(), [&](const auto& connection) {
        return connection->Alive() && connection->PeerAddress() == peerAddress;
      }));
}

void Listener::Evict(std::list<std::shared_ptr<RecorderConnection>>::iterator silent) {
  Metrics().connectionsEvicted.Add();
  LogToOperator(kLogNetConnectionEvicted, "all " + std::to_string(kMaxLiveConnections) +
                                              " connections are in use: closed one from " +
                                              (*silent)->PeerAddress() +
                                              " that has sent nothing since it connected");
  (*silent)->Close();
  connections_.erase(silent);
  --liveCount_;
}

void Listener::SweepDeadConnections() {
  liveCount_ = 0;
  for (auto entry = connections_.begin(); entry != connections_.end();) {
    if (!(*entry)->Alive()) {
      (*entry)->Close();
      entry = connections_.erase(entry);
    } else {
      ++liveCount_;
      ++entry;
    }
  }
}

void Listener::SweepExpiredConnections() {
  const double now = NowOleDate();
  liveCount_ = 0;
  for (auto entry = connections_.begin(); entry != connections_.end();) {
    RecorderConnection& connection = **entry;
    if (connection.Alive() && !connection.InExchange() && connection.IdleDeadline() <= now) {
      connection.Close();
      entry = connections_.erase(entry);
      continue;
    }
    if (connection.Alive()) ++liveCount_;
    ++entry;
  }
}

void Listener::Close() {
  std::error_code ignored;
  acceptor_.close(ignored);
  for (const auto& connection : connections_) connection->Close();
  connections_.clear();
  liveCount_ = 0;
}

}  // namespace orlentis
