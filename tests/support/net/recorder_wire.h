#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "net/wire_records.h"
#include "recorder/host_requests.h"
#include "recorder/record_requests.h"
#include "recorder/server_replies.h"
#include "support/net/net_test_server.h"
#include "support/net/wire_client.h"

namespace orlentis::testing {

// A test in a recorder's place: the records come from the recorder library; what is here
// waits on the socket, asserts, and builds the odd records a real recorder would not send.

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& record) {
  return Bytes(record.begin(), record.end());
}

// A block of size bytes that starts with kind; the rest is a recognisable pattern, so that
// an echo can be checked byte by byte.
Bytes Block(std::uint32_t kind, std::size_t size);

// The check-in of the site "Lobby" with tag.
Bytes CheckIn(std::string_view tag, std::uint32_t kind = CMD_SITE_CHECKIN);
// A check-in whose peer fields hold claimedAddress, to show that what a peer writes where
// the server puts the peer's own address is never taken.
Bytes SiteCheckInBlock(std::uint32_t kind, std::u16string_view name, std::string_view tag = "",
                       std::int32_t webServerPort = 8080, std::string_view claimedAddress = "");

// A reply of its record's size; nothing when the connection ends or the time runs out, or,
// for a host frame, when the kind is not CMD_HOST.
std::optional<StatusReply> ReceiveStatus(WireClient& client);
std::optional<HostFrame> ReceiveHostFrame(WireClient& client);

// Sends a request and returns the status that answers it.
std::optional<StatusReply> Ask(WireClient& client, std::span<const std::uint8_t> request);

// Waits (polling, at most timeoutMs) until everything sent to the server on serverPort has
// left the senders' queues and been read by the server. Records sent back to back without
// an answer between them (the cameras of an instance check-in) must each be read alone, as
// one receive is one record. False on a timeout.
bool WaitUntilServerHasRead(std::uint16_t serverPort,
                            int timeoutMs = WireClient::kDefaultTimeoutMs);

// The account check registers a connection without any database work.
void RegisterByAccountCheck(WireClient& client);
// The same, returning only once the worker has also renewed the idle deadline, which it
// does just after the answer has gone out.
void RegisterByAccountCheck(NetTestServer& server, WireClient& client);

// A keep-alive answered by its echo within timeoutMs: the proof that nothing was answered
// before it.
void ExpectKeepAliveEchoed(WireClient& client, int timeoutMs = WireClient::kDefaultTimeoutMs);

}  // namespace orlentis::testing
