#include "support/net/recorder_wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "socket_queues.h"

namespace orlentis::testing {

Bytes Block(std::uint32_t kind, std::size_t size) {
  Bytes block(size);
  for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 1);
  if (size >= 4) StoreU32(block, 0, kind);
  return block;
}

Bytes CheckIn(std::string_view tag, std::uint32_t kind) {
  return ToBytes(EncodeSiteRecord(kind, u"Lobby", tag, 8080));
}

Bytes SiteCheckInBlock(std::uint32_t kind, std::u16string_view name, std::string_view tag,
                       std::int32_t webServerPort, std::string_view claimedAddress) {
  Bytes block = ToBytes(EncodeSiteRecord(kind, name, tag, webServerPort));
  StoreText(block, site_layout::kAddress, claimedAddress, site_layout::kAddressWidth - 1);
  StoreI32(block, site_layout::kPort, claimedAddress.empty() ? 0 : 1234);
  return block;
}

std::optional<StatusReply> ReceiveStatus(WireClient& client) {
  const auto bytes = client.ReceiveExactly(status_layout::kSize);
  if (!bytes) return std::nullopt;
  return DecodeStatus(*bytes);
}

std::optional<HostFrame> ReceiveHostFrame(WireClient& client) {
  const auto bytes = client.ReceiveExactly(host_frame_layout::kSize);
  if (!bytes) return std::nullopt;
  const HostFrameReply reply = DecodeHostFrameReply(*bytes);
  if (reply.kind != CMD_HOST) return std::nullopt;
  return reply.frame;
}

std::optional<StatusReply> Ask(WireClient& client, std::span<const std::uint8_t> request) {
  if (!client.Send(request)) return std::nullopt;
  return ReceiveStatus(client);
}

bool WaitUntilServerHasRead(std::uint16_t serverPort, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (peer::BytesQueuedToServer(peer::kAnyClient, serverPort)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void RegisterByAccountCheck(WireClient& client) {
  ASSERT_TRUE(client.Send(CheckIn(kAccountCheckTag)));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  ASSERT_EQ(reply->word, RSP_OK);
}

void RegisterByAccountCheck(NetTestServer& server, WireClient& client) {
  ASSERT_TRUE(server.SendAndWaitTaken(client, CheckIn(kAccountCheckTag)));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  ASSERT_EQ(reply->word, RSP_OK);
}

void ExpectKeepAliveEchoed(WireClient& client, int timeoutMs) {
  const Bytes keepAlive = Block(CMD_KEEPALIVE, status_layout::kSize);
  ASSERT_TRUE(client.Send(keepAlive));
  const auto echo = client.ReceiveExactly(keepAlive.size(), timeoutMs);
  ASSERT_TRUE(echo.has_value());
  EXPECT_EQ(LoadU32(*echo, 0), CMD_KEEPALIVE_ECHO);
  EXPECT_TRUE(std::equal(echo->begin() + 4, echo->end(), keepAlive.begin() + 4));
}

}  // namespace orlentis::testing
