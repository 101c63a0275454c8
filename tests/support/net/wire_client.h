#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orlentis::testing {

// A recorder's side of a connection: a plain blocking TCP socket to 127.0.0.1. Every wait is
// bounded so that a faulty server fails the test instead of hanging it.
class WireClient {
 public:
  static constexpr int kDefaultTimeoutMs = 10000;

  // Connects to 127.0.0.1 at once, from sourceAddress (another loopback address, say) when
  // one is given; Connected() tells whether that worked.
  explicit WireClient(std::uint16_t port, const char* sourceAddress = nullptr);
  // A peer on a narrow link: a small receive buffer and small segments, so that little of
  // what the server sends fits on the way while the peer is not reading.
  static WireClient Narrow(std::uint16_t port);
  ~WireClient();
  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;
  WireClient(WireClient&& other) noexcept;

  bool Connected() const { return fd_ >= 0; }

  // One send call with the whole record.
  bool Send(std::span<const std::uint8_t> record);
  // Exactly count bytes, gathered over as many receives as it takes; nothing when the
  // connection ends or the time runs out first.
  std::optional<std::vector<std::uint8_t>> ReceiveExactly(std::size_t count,
                                                          int timeoutMs = kDefaultTimeoutMs);
  // How many TCP segments have come in on the connection so far, acknowledgements included.
  std::uint32_t SegmentsReceived() const;
  // True when the server closes the connection (end of stream or reset) within timeoutMs
  // without sending anything first.
  bool WaitForClose(int timeoutMs = kDefaultTimeoutMs);
  // Closes abruptly with a reset instead of an orderly end.
  void Reset();

 private:
  WireClient(std::uint16_t port, const char* sourceAddress, bool narrow);
  bool WaitReadable(int timeoutMs);

  int fd_ = -1;
};

}  // namespace orlentis::testing
