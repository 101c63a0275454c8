#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/wire_records.h"
#include "support/wire_client.h"

namespace orlentis::testing {

// The records a recorder sends, as byte blocks, and the server's answers as a recorder reads
// them.

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& record) {
  return Bytes(record.begin(), record.end());
}

// A check-in record. claimedAddress goes where the server puts the peer's own address, to
// show that what a peer writes there is never taken.
Bytes SiteCheckInBlock(std::uint32_t kind, std::u16string_view name, std::string_view tag = "",
                       std::int32_t webServerPort = 8080, std::string_view claimedAddress = "");
Bytes CameraInfoBlock(const CameraRecord& camera);
Bytes UserRequestBlock(std::uint32_t kind, std::string_view name, std::string_view password);
Bytes HostRequest(std::int32_t operation, std::int32_t flag, std::int32_t value);
// HostCredentials with the password field given as raw bytes (a digest or a text).
Bytes HostCredentialsBlock(std::string_view name, std::string_view passwordField);
// The 32-byte SHA-256 of text, as a host sends a password in the digest form.
std::string Sha256(std::string_view text);

std::optional<HostFrame> ReceiveHostFrame(WireClient& client);
std::optional<StatusReply> ReceiveStatusReply(WireClient& client);

// Sends a request and returns the status that answers it.
std::optional<StatusReply> Ask(WireClient& client, std::span<const std::uint8_t> request);

// Waits (polling, at most timeoutMs) until everything sent to the server on serverPort has
// left the senders' queues and been read by the server. Records sent back to back without
// an answer between them (the cameras of an instance check-in) must each be read alone, as
// one receive is one record. False on a timeout.
bool WaitUntilServerHasRead(std::uint16_t serverPort,
                            int timeoutMs = WireClient::kDefaultTimeoutMs);

// A text field of a received record, up to its first zero byte.
std::string TextField(const Bytes& record, std::size_t offset, std::size_t width);

}  // namespace orlentis::testing
