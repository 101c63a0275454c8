#pragma once

#include <cstdint>

namespace orlentis::peer {

// Whether bytes sent from the local port clientPort to the local port serverPort still wait
// in the kernel: in the client's send queue or in the server's receive queue, i.e. not yet
// read by the server. Reads the kernel's table of IPv4 TCP sockets; false when it cannot.
// clientPort kAnyClient asks about every connection to serverPort.
inline constexpr std::uint16_t kAnyClient = 0;
bool BytesQueuedToServer(std::uint16_t clientPort, std::uint16_t serverPort);

}  // namespace orlentis::peer
