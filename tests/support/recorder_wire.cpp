#include "support/recorder_wire.h"

#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "socket_queues.h"

namespace orlentis::testing {

Bytes SiteCheckInBlock(std::uint32_t kind, std::u16string_view name, std::string_view tag,
                       std::int32_t webServerPort, std::string_view claimedAddress) {
  Bytes block = ToBytes(SiteRecord::Make(kind, name, tag, webServerPort).Bytes());
  StoreText(block, site_layout::kAddress, claimedAddress, site_layout::kAddressWidth - 1);
  StoreI32(block, site_layout::kPort, claimedAddress.empty() ? 0 : 1234);
  return block;
}

Bytes CameraInfoBlock(const CameraRecord& camera) {
  return ToBytes(EncodeCameraRecord(CMD_CAMERA_INFO, camera));
}

Bytes UserRequestBlock(std::uint32_t kind, std::string_view name, std::string_view password) {
  return ToBytes(EncodeUserRequest(kind, {std::string(name), std::string(password)}));
}

Bytes HostRequest(std::int32_t operation, std::int32_t flag, std::int32_t value) {
  return ToBytes(EncodeHostFrame({operation, flag, value}));
}

Bytes HostCredentialsBlock(std::string_view name, std::string_view passwordField) {
  using namespace host_credentials_layout;
  Bytes block(kSize, 0);
  StoreText(block, kName, name, kNameWidth - 1);
  std::copy_n(passwordField.begin(), std::min(passwordField.size(), kPasswordWidth),
              block.begin() + kPassword);
  return block;
}

std::string Sha256(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

std::optional<HostFrame> ReceiveHostFrame(WireClient& client) {
  const auto bytes = client.ReceiveExactly(host_frame_layout::kSize);
  if (!bytes || LoadU32(*bytes, host_frame_layout::kKind) != CMD_HOST) return std::nullopt;
  return DecodeHostFrame(*bytes);
}

std::optional<StatusReply> ReceiveStatusReply(WireClient& client) {
  const auto bytes = client.ReceiveExactly(status_layout::kSize);
  if (!bytes) return std::nullopt;
  return DecodeStatus(*bytes);
}

std::optional<StatusReply> Ask(WireClient& client, std::span<const std::uint8_t> request) {
  if (!client.Send(request)) return std::nullopt;
  return ReceiveStatusReply(client);
}

bool WaitUntilServerHasRead(std::uint16_t serverPort, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (peer::BytesQueuedToServer(peer::kAnyClient, serverPort)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::string TextField(const Bytes& record, std::size_t offset, std::size_t width) {
  return LoadText(record, offset, width);
}

}  // namespace orlentis::testing
