#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "net/wire_records.h"
#include "support/net_test_server.h"
#include "support/wire_client.h"

namespace orlentis::testing {

// A block of size bytes that starts with kind; the rest is a recognisable pattern, so that
// an echo can be checked byte by byte.
inline std::vector<std::uint8_t> Block(std::uint32_t kind, std::size_t size) {
  std::vector<std::uint8_t> block(size);
  for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 1);
  if (size >= 4) StoreU32(block, 0, kind);
  return block;
}

inline std::vector<std::uint8_t> CheckIn(std::string_view tag,
                                         std::uint32_t kind = CMD_SITE_CHECKIN) {
  const auto record = SiteRecord::Make(kind, u"Lobby", tag, 8080).Bytes();
  return {record.begin(), record.end()};
}

inline std::optional<StatusReply> ReceiveStatus(WireClient& client) {
  const auto bytes = client.ReceiveExactly(status_layout::kSize);
  if (!bytes) return std::nullopt;
  return DecodeStatus(*bytes);
}

// The account check registers a connection without any database work.
inline void RegisterByAccountCheck(WireClient& client) {
  ASSERT_TRUE(client.Send(CheckIn("VELTO_CheckAccount")));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  ASSERT_EQ(reply->word, RSP_OK);
}

// The same, returning only once the worker has also renewed the idle deadline, which it
// does just after the answer has gone out.
inline void RegisterByAccountCheck(NetTestServer& server, WireClient& client) {
  ASSERT_TRUE(server.SendAndWaitTaken(client, CheckIn("VELTO_CheckAccount")));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  ASSERT_EQ(reply->word, RSP_OK);
}

// A keep-alive answered by its echo: the proof that nothing was answered before it.
inline void ExpectKeepAliveEchoed(WireClient& client) {
  const auto keepAlive = Block(CMD_KEEPALIVE, status_layout::kSize);
  ASSERT_TRUE(client.Send(keepAlive));
  const auto echo = client.ReceiveExactly(keepAlive.size());
  ASSERT_TRUE(echo.has_value());
  EXPECT_EQ(LoadU32(*echo, 0), CMD_KEEPALIVE_ECHO);
  EXPECT_TRUE(std::equal(echo->begin() + 4, echo->end(), keepAlive.begin() + 4));
}

}  // namespace orlentis::testing
