#include "peer_status.h"

namespace orlentis::peer {

int ExitCode(PeerStatus status) {
  return static_cast<int>(status);
}

const char* StatusName(PeerStatus status) {
  switch (status) {
    case PeerStatus::kOk:
      return "ok";
    case PeerStatus::kRefused:
      return "refused";
    case PeerStatus::kUsage:
      return "usage";
    case PeerStatus::kTransport:
      return "transport";
    case PeerStatus::kTimeout:
      return "timeout";
    case PeerStatus::kMalformed:
      return "malformed";
    case PeerStatus::kLocal:
      return "local";
  }
  return "unknown";
}

}  // namespace orlentis::peer
