#pragma once

#include <asio/awaitable.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "base/code_page_text.h"
#include "net/wire_records.h"
#include "peer_link.h"
#include "transcript.h"

namespace orlentis::peer {

// One connection as a recorder uses it: the link, the recorders' code page for texts, and
// where decoded replies go (nowhere during a load run: they are checked all the same).
struct Peer {
  PeerLink& link;
  const CodePageText& text;
  Transcript* transcript = nullptr;
};

struct SiteSpec {
  std::string name;  // UTF-8; sent as UTF-16
  std::string tag;   // empty for a site check-in
  std::int32_t webServerPort = 80;
};

struct Credentials {
  std::string user;  // UTF-8; sent in the code page
  std::string password;
};

// Arguments of class type are taken by value and given as named objects by every caller:
// GCC 12 destroys a temporary argument of a coroutine call twice, and mishandles temporaries
// of class type within a co_await expression, so none are used there.
//
// The exchanges, each in the order the server expects. Every reply is checked for its size
// and kind (malformed otherwise); RSP_FAIL and a host status other than 1 end the exchange
// as a refusal after the reply was recorded.

// Record protocol.
asio::awaitable<void> CheckHost(Peer& peer);
asio::awaitable<void> OpenAccountCheck(Peer& peer);
// kind: CMD_SITE_CHECKIN or CMD_SITE_UPDATE.
asio::awaitable<void> CheckInSite(Peer& peer, std::uint32_t kind, SiteSpec site);
asio::awaitable<void> SendCamera(Peer& peer, CameraRecord camera);
// Cameras 0..count-1 of SimulatedCamera, each answered.
asio::awaitable<void> SendCameras(Peer& peer, std::int32_t count);
asio::awaitable<void> ResetCameras(Peer& peer);
// No answer: the server ends the connection.
asio::awaitable<void> CheckOutSite(Peer& peer);
// The echo must be the keep-alive with the kind echoKind; a bare echo server (bench/run's
// reference) sends it back with its own kind.
asio::awaitable<void> KeepAlive(Peer& peer, std::int32_t sequence,
                                std::uint32_t echoKind = CMD_KEEPALIVE_ECHO);
asio::awaitable<void> AccountLogin(Peer& peer, Credentials credentials);
asio::awaitable<void> UserLogin(Peer& peer, Credentials credentials);
asio::awaitable<std::int32_t> GroupCount(Peer& peer);
// The record-protocol list has no end marker: the count comes from GroupCount.
asio::awaitable<void> GroupList(Peer& peer, std::int32_t count);
asio::awaitable<void> UserList(Peer& peer);

// Host frame protocol.
asio::awaitable<void> CheckInInstance(Peer& peer, std::int32_t instance, InstanceHeader header,
                                      std::vector<HostCamera> cameras);
asio::awaitable<void> CheckOutInstance(Peer& peer, std::int32_t instance);
asio::awaitable<void> UpdateHostCamera(Peer& peer, std::int32_t instance, HostCamera camera);
// The password goes in the form the server announces in its first frame (the digest always
// for the built-in administrator).
asio::awaitable<void> HostLogin(Peer& peer, Credentials credentials);
asio::awaitable<void> HostGroupList(Peer& peer);
// Only the first frame of a host login, answered; the credentials are never sent.
asio::awaitable<void> BeginHostLogin(Peer& peer);

// The cameras a simulated recorder announces: index i named "Camera i+1", 704x480.
CameraRecord SimulatedCamera(std::int32_t index);
HostCamera SimulatedHostCamera(std::int32_t index);

}  // namespace orlentis::peer
