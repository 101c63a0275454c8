#include "socket_queues.h"

#include <fstream>
#include <sstream>
#include <string>

namespace orlentis::peer {
namespace {

constexpr const char* kListening = "0A";

// "0100007F:2800" -> 0x2800
std::uint16_t PortOf(const std::string& address) {
  const auto colon = address.find(':');
  if (colon == std::string::npos) return 0;
  return static_cast<std::uint16_t>(std::stoul(address.substr(colon + 1), nullptr, 16));
}

}  // namespace

bool BytesQueuedToServer(std::uint16_t clientPort, std::uint16_t serverPort) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues;
    fields >> slot >> local >> remote >> state >> queues;
    const auto colon = queues.find(':');
    // A listening socket's receive queue counts connections waiting to be accepted.
    if (colon == std::string::npos || state == kListening) continue;
    const std::uint16_t localPort = PortOf(local);
    const std::uint16_t remotePort = PortOf(remote);
    const auto isClient = [clientPort](std::uint16_t port) {
      return clientPort == kAnyClient || port == clientPort;
    };
    if (isClient(localPort) && remotePort == serverPort &&
        std::stoul(queues.substr(0, colon), nullptr, 16) != 0) {
      return true;
    }
    if (localPort == serverPort && isClient(remotePort) &&
        std::stoul(queues.substr(colon + 1), nullptr, 16) != 0) {
      return true;
    }
  }
  return false;
}

}  // namespace orlentis::peer
