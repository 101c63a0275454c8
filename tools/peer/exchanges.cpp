#include "exchanges.h"

#include <algorithm>
#include <cstdio>

#include "recorder/host_requests.h"
#include "recorder/record_requests.h"
#include "recorder/server_replies.h"

namespace orlentis::peer {
namespace {

// Host lists end with a marker; a server that never sends it would keep a peer reading for
// ever, so a list this long is taken as malformed.
constexpr int kMaxListEntries = 100000;

std::string HexWord(std::uint32_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", word);
  return text;
}

// The number of continuation bytes after a UTF-8 lead byte; -1 for a byte that cannot lead.
int ContinuationBytes(unsigned char lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xF0) return 3;
  if (lead >= 0xE0) return 2;
  if (lead >= 0xC0) return 1;
  return -1;
}

// UTF-8 into UTF-16 (site names); a broken sequence becomes U+FFFD.
std::u16string Utf16(std::string_view utf8) {
  std::u16string result;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = ContinuationBytes(lead);
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
    char32_t code = extra > 0 ? lead & (0x3F >> extra) : lead;
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      result += u'\uFFFD';
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      result += static_cast<char16_t>(0xD800 + (code >> 10));
      result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      result += static_cast<char16_t>(code);
    }
  }
  return result;
}

const char* StatusWordName(std::uint32_t word) {
  return word == RSP_OK ? "RSP_OK" : word == RSP_FAIL ? "RSP_FAIL" : "other";
}

// A StatusRecord answering request: RSP_OK goes on, RSP_FAIL is the server's refusal.
asio::awaitable<StatusReply> ReceiveStatus(Peer& peer, std::string_view request) {
  const auto bytes = co_await peer.link.Receive(status_layout::kSize, "StatusRecord");
  const StatusReply reply = DecodeStatus(bytes);
  if (reply.word != RSP_OK && reply.word != RSP_FAIL) {
    throw PeerFailure(PeerStatus::kMalformed, std::string(request) + " answered with kind " +
                                                  HexWord(reply.word) +
                                                  " where a status word belongs");
  }
  if (peer.transcript) {
    peer.transcript->Add(std::string(request), "StatusRecord")
        .Text("status", StatusWordName(reply.word))
        .Number("value", reply.value)
        .Hex("version", reply.version);
  }
  if (reply.word == RSP_FAIL) {
    throw PeerFailure(PeerStatus::kRefused, std::string(request) + " answered RSP_FAIL");
  }
  co_return reply;
}

asio::awaitable<void> SendHostFrame(Peer& peer, std::int32_t operation, std::int32_t value) {
  const auto frame = EncodeHostRequest(operation, value);
  co_await peer.link.Send(frame, "HostFrame");
}

// A HostFrame answering request: status 1 goes on; 0 and -1 are refusals.
asio::awaitable<HostFrame> ReceiveHostFrame(Peer& peer, std::string_view request,
                                            std::int32_t expectedFlag) {
  const auto bytes = co_await peer.link.Receive(host_frame_layout::kSize, "HostFrame");
  const HostFrameReply reply = DecodeHostFrameReply(bytes);
  if (reply.kind != CMD_HOST) {
    throw PeerFailure(PeerStatus::kMalformed, std::string(request) + " answered with kind " +
                                                  HexWord(reply.kind) + " instead of a host frame");
  }
  const HostFrame frame = reply.frame;
  if (peer.transcript) {
    peer.transcript->Add(std::string(request), "HostFrame")
        .Number("status", frame.word)
        .Number("flag", frame.flag)
        .Number("value", frame.value);
  }
  if (frame.flag != expectedFlag || frame.word < -1 || frame.word > 1) {
    throw PeerFailure(PeerStatus::kMalformed, std::string(request) + " answered a host frame " +
                                                  "with status " + std::to_string(frame.word) +
                                                  " and flag " + std::to_string(frame.flag));
  }
  if (frame.word == -1) {
    throw PeerFailure(PeerStatus::kRefused, std::string(request) + ": operation not known");
  }
  if (frame.word == 0) {
    throw PeerFailure(PeerStatus::kRefused, std::string(request) + " answered status 0");
  }
  co_return frame;
}

asio::awaitable<void> SendAcknowledgement(Peer& peer) {
  const auto acknowledgement = EncodeAcknowledgement();
  co_await peer.link.Send(acknowledgement, "acknowledgement");
}

void RecordUserReply(Peer& peer, std::string_view request, const UserReply& reply) {
  if (!peer.transcript) return;
  const bool isStatus = reply.word == RSP_OK || reply.word == RSP_FAIL;
  auto& entry = peer.transcript->Add(std::string(request), "UserRecord");
  if (isStatus) {
    entry.Text("status", StatusWordName(reply.word));
  } else {
    entry.Hex("status", reply.word);
  }
  entry.Text("name", peer.text.ToUtf8(reply.name))
      .Text("text", peer.text.ToUtf8(reply.text))
      .Number("level", reply.level)
      .Text("description", peer.text.ToUtf8(reply.description))
      .Text("group", peer.text.ToUtf8(reply.groupName))
      .Hex("camera_mask", reply.cameraMask)
      .Hex("authority", reply.authority);
}

asio::awaitable<void> SendUserRequest(Peer& peer, std::uint32_t kind, Credentials credentials) {
  const auto record = EncodeUserRequest(
      kind, {peer.text.FromUtf8(credentials.user), peer.text.FromUtf8(credentials.password)});
  co_await peer.link.Send(record, "UserRecord");
}

}  // namespace

asio::awaitable<void> CheckHost(Peer& peer) {
  const SiteSpec check{"orlentis-peer", kHostCheckTag, 0};
  co_await CheckInSite(peer, CMD_SITE_CHECKIN, check);
}

asio::awaitable<void> OpenAccountCheck(Peer& peer) {
  const SiteSpec check{"orlentis-peer", kAccountCheckTag, 0};
  co_await CheckInSite(peer, CMD_SITE_CHECKIN, check);
}

asio::awaitable<void> CheckInSite(Peer& peer, std::uint32_t kind, SiteSpec site) {
  const auto record = EncodeSiteRecord(kind, Utf16(site.name), site.tag, site.webServerPort);
  co_await peer.link.Send(record, "SiteRecord");
  co_await ReceiveStatus(peer, kind == CMD_SITE_UPDATE ? "CMD_SITE_UPDATE" : "CMD_SITE_CHECKIN");
}

asio::awaitable<void> SendCamera(Peer& peer, CameraRecord camera) {
  CameraRecord wire = camera;
  wire.name = peer.text.FromUtf8(camera.name);
  const auto record = EncodeCameraInfo(wire);
  co_await peer.link.Send(record, "CameraRecord");
  co_await ReceiveStatus(peer, "CMD_CAMERA_INFO");
}

asio::awaitable<void> SendCameras(Peer& peer, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    const CameraRecord camera = SimulatedCamera(i);
    co_await SendCamera(peer, camera);
  }
}

asio::awaitable<void> ResetCameras(Peer& peer) {
  const auto record = EncodeCameraReset();
  co_await peer.link.Send(record, "CameraRecord");
  co_await ReceiveStatus(peer, "CMD_CAMERA_RESET");
}

asio::awaitable<void> CheckOutSite(Peer& peer) {
  const auto record = EncodeSiteCheckOut();
  co_await peer.link.Send(record, "check-out");
}

asio::awaitable<void> KeepAlive(Peer& peer, std::int32_t sequence, std::uint32_t echoKind) {
  const auto keepAlive = EncodeKeepAlive(sequence);
  co_await peer.link.Send(keepAlive, "keep-alive");
  const auto echo = co_await peer.link.Receive(status_layout::kSize, "keep-alive echo");
  const StatusReply reply = DecodeStatus(echo);
  if (peer.transcript) {
    peer.transcript->Add("CMD_KEEPALIVE", "StatusRecord")
        .Hex("kind", reply.word)
        .Number("value", reply.value)
        .Hex("version", reply.version);
  }
  if (reply.word != echoKind || !std::equal(echo.begin() + 4, echo.end(), keepAlive.begin() + 4)) {
    throw PeerFailure(PeerStatus::kMalformed,
                      "the keep-alive came back as kind " + HexWord(reply.word) +
                          (reply.word == echoKind ? " with other content" : ""));
  }
}

asio::awaitable<void> AccountLogin(Peer& peer, Credentials credentials) {
  co_await SendUserRequest(peer, CMD_ACCOUNT_LOGIN, credentials);
  const auto bytes = co_await peer.link.Receive(user_layout::kSize, "UserRecord");
  const UserReply reply = DecodeUserReply(bytes);
  RecordUserReply(peer, "CMD_ACCOUNT_LOGIN", reply);
  if (reply.word == RSP_FAIL) {
    throw PeerFailure(PeerStatus::kRefused, "CMD_ACCOUNT_LOGIN answered RSP_FAIL");
  }
  if (reply.word != RSP_OK) {
    throw PeerFailure(PeerStatus::kMalformed,
                      "CMD_ACCOUNT_LOGIN answered with kind " + HexWord(reply.word));
  }
}

asio::awaitable<void> UserLogin(Peer& peer, Credentials credentials) {
  co_await SendUserRequest(peer, CMD_USER_LOGIN, credentials);
  co_await ReceiveStatus(peer, "CMD_USER_LOGIN");
}

asio::awaitable<std::int32_t> GroupCount(Peer& peer) {
  const auto request = EncodeGroupRequest(CMD_GROUP_COUNT);
  co_await peer.link.Send(request, "GroupRecord");
  const StatusReply reply = co_await ReceiveStatus(peer, "CMD_GROUP_COUNT");
  co_return reply.value;
}

asio::awaitable<void> GroupList(Peer& peer, std::int32_t count) {
  const auto request = EncodeGroupRequest(CMD_GROUP_LIST);
  co_await peer.link.Send(request, "GroupRecord");
  for (std::int32_t i = 0; i < count; ++i) {
    const auto bytes = co_await peer.link.Receive(group_layout::kSize, "GroupRecord");
    const GroupRecordReply reply = DecodeGroupRecord(bytes);
    if (peer.transcript) {
      peer.transcript->Add("CMD_GROUP_LIST", "GroupRecord")
          .Text("name", peer.text.ToUtf8(reply.group.name))
          .Number("level", reply.group.level)
          .Hex("authority", reply.group.authority)
          .Hex("version", reply.version);
    }
    if (reply.kind != 0) {
      throw PeerFailure(PeerStatus::kMalformed,
                        "a group entry carries kind " + HexWord(reply.kind) + " instead of 0");
    }
    co_await SendAcknowledgement(peer);
  }
}

asio::awaitable<void> UserList(Peer& peer) {
  const Credentials none;
  co_await SendUserRequest(peer, CMD_USER_LIST, none);
  const auto bytes = co_await peer.link.Receive(user_layout::kSize, "UserRecord");
  RecordUserReply(peer, "CMD_USER_LIST", DecodeUserReply(bytes));
  co_await SendAcknowledgement(peer);
}

asio::awaitable<void> CheckInInstance(Peer& peer, std::int32_t instance, InstanceHeader header,
                                      std::vector<HostCamera> cameras) {
  co_await SendHostFrame(peer, HOST_INSTANCE_CHECKIN, instance);
  co_await ReceiveHostFrame(peer, "HOST_INSTANCE_CHECKIN", 1);
  InstanceHeader wire = header;
  wire.siteName = peer.text.FromUtf8(header.siteName);
  wire.cameraCount = static_cast<std::int32_t>(cameras.size());
  const auto headerBlock = EncodeInstanceHeader(wire);
  co_await peer.link.Send(headerBlock, "InstanceHeader");
  for (const auto& camera : cameras) {
    co_await peer.link.WaitUntilServerHasRead();
    HostCamera wireCamera = camera;
    wireCamera.name = peer.text.FromUtf8(camera.name);
    const auto block = EncodeHostCamera(wireCamera);
    co_await peer.link.Send(block, "HostCameraRecord");
  }
  co_await ReceiveHostFrame(peer, "HOST_INSTANCE_CHECKIN", 1);
}

asio::awaitable<void> CheckOutInstance(Peer& peer, std::int32_t instance) {
  co_await SendHostFrame(peer, HOST_INSTANCE_CHECKOUT, instance);
  co_await ReceiveHostFrame(peer, "HOST_INSTANCE_CHECKOUT", 0);
}

asio::awaitable<void> UpdateHostCamera(Peer& peer, std::int32_t instance, HostCamera camera) {
  co_await SendHostFrame(peer, HOST_CAMERA_UPDATE, instance);
  co_await ReceiveHostFrame(peer, "HOST_CAMERA_UPDATE", 0);
  HostCamera wire = camera;
  wire.name = peer.text.FromUtf8(camera.name);
  const auto block = EncodeHostCamera(wire);
  co_await peer.link.Send(block, "HostCameraRecord");
  co_await ReceiveHostFrame(peer, "HOST_CAMERA_UPDATE", 0);
}

asio::awaitable<void> BeginHostLogin(Peer& peer) {
  co_await SendHostFrame(peer, HOST_USER_LOGIN, 0);
  co_await ReceiveHostFrame(peer, "HOST_USER_LOGIN", 1);
}

asio::awaitable<void> HostLogin(Peer& peer, Credentials credentials) {
  co_await SendHostFrame(peer, HOST_USER_LOGIN, 0);
  const HostFrame announced = co_await ReceiveHostFrame(peer, "HOST_USER_LOGIN", 1);
  const std::string name = peer.text.FromUtf8(credentials.user);
  const std::string password = peer.text.FromUtf8(credentials.password);
  const auto credentialsBlock =
      EncodeHostCredentials(name, HostPasswordInForm(announced.value, name, password));
  co_await peer.link.Send(credentialsBlock, "HostCredentials");
  co_await ReceiveHostFrame(peer, "HOST_USER_LOGIN", 1);

  const auto userBytes = co_await peer.link.Receive(host_user_layout::kSize, "HostUserInfo");
  const HostUserInfo user = DecodeHostUserInfo(userBytes);
  if (peer.transcript) {
    peer.transcript->Add("HOST_USER_LOGIN", "HostUserInfo")
        .Text("name", peer.text.ToUtf8(user.userName))
        .Text("group", peer.text.ToUtf8(user.groupName))
        .Hex("authority", user.authority);
  }
  for (int count = 0;; ++count) {
    if (count == kMaxListEntries) {
      throw PeerFailure(PeerStatus::kMalformed, "the site list of a host login has no end marker");
    }
    const auto bytes = co_await peer.link.Receive(host_site_layout::kSize, "HostSiteEntry");
    const HostSiteEntry entry = DecodeHostSiteEntry(bytes);
    if (entry.instance == -1) break;
    if (peer.transcript) {
      peer.transcript->Add("HOST_USER_LOGIN", "HostSiteEntry")
          .Number("instance", entry.instance)
          .Text("camera_authority", entry.cameraAuthority);
    }
  }
}

asio::awaitable<void> HostGroupList(Peer& peer) {
  co_await SendHostFrame(peer, HOST_GROUP_LIST, 0);
  co_await ReceiveHostFrame(peer, "HOST_GROUP_LIST", 0);
  for (int count = 0;; ++count) {
    if (count == kMaxListEntries) {
      throw PeerFailure(PeerStatus::kMalformed, "the host group list has no end marker");
    }
    const auto bytes = co_await peer.link.Receive(host_group_layout::kSize, "HostGroupEntry");
    const HostGroupEntry entry = DecodeHostGroupEntry(bytes);
    if (entry.level == -1) break;
    if (peer.transcript) {
      peer.transcript->Add("HOST_GROUP_LIST", "HostGroupEntry")
          .Text("name", peer.text.ToUtf8(entry.name))
          .Number("level", entry.level)
          .Hex("authority", entry.authority);
    }
  }
}

CameraRecord SimulatedCamera(std::int32_t index) {
  return {index, "Camera " + std::to_string(index + 1), 704, 480, 1, 0};
}

HostCamera SimulatedHostCamera(std::int32_t index) {
  return {index, 1, 1, "704x480", "Camera " + std::to_string(index + 1)};
}

}  // namespace orlentis::peer
