#include "recorder/host_requests.h"

#include <algorithm>

#include "access/password_digest.h"
#include "access/roles.h"

namespace orlentis {
namespace {

constexpr std::int32_t kDigestForm = 1;

}  // namespace

HostFrameBytes EncodeHostRequest(std::int32_t operation, std::int32_t value) {
  return EncodeHostFrame({operation, RequiredHostFlag(operation), value});
}

RecordBytes<instance_header_layout::kSize> EncodeInstanceHeader(const InstanceHeader& header) {
  using namespace instance_header_layout;
  RecordBytes<kSize> block{};
  StoreText(block, kName, header.siteName, kNameWidth - 1);
  StoreI32(block, kWebPort, header.webServerPort);
  StoreI32(block, kCameraCount, header.cameraCount);
  return block;
}

RecordBytes<host_camera_layout::kSize> EncodeHostCamera(const HostCamera& camera) {
  using namespace host_camera_layout;
  RecordBytes<kSize> block{};
  StoreI32(block, kIndex, camera.index);
  StoreI32(block, kExistence, camera.existence);
  StoreI32(block, kStateFlag, camera.stateFlag);
  StoreText(block, kResolution, camera.resolution, kResolutionWidth - 1);
  StoreText(block, kName, camera.name, kNameWidth - 1);
  return block;
}

HostPassword HostPasswordDigest(std::string_view password) {
  static_assert(kPasswordDigestBytes == host_credentials_layout::kPasswordWidth);
  return Sha256(password);
}

HostPassword HostPasswordPlain(std::string_view password) {
  HostPassword plain{};
  const std::size_t length = std::min(password.size(), plain.size() - 1);
  std::copy_n(password.begin(), length, plain.begin());
  return plain;
}

HostPassword HostPasswordInForm(std::int32_t announcedForm, std::string_view userName,
                                std::string_view password) {
  const bool digestForm = announcedForm == kDigestForm || IsAdministratorName(userName);
  return digestForm ? HostPasswordDigest(password) : HostPasswordPlain(password);
}

RecordBytes<host_credentials_layout::kSize> EncodeHostCredentials(std::string_view userName,
                                                                  const HostPassword& password) {
  using namespace host_credentials_layout;
  RecordBytes<kSize> block{};
  StoreText(block, kName, userName, kNameWidth - 1);
  std::copy(password.begin(), password.end(), block.begin() + kPassword);
  return block;
}

}  // namespace orlentis
