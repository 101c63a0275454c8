#include "recorder/record_requests.h"

#include <algorithm>

namespace orlentis {
namespace {

template <std::size_t N>
RecordBytes<N> KindOnly(std::uint32_t kind) {
  RecordBytes<N> record{};
  StoreU32(record, 0, kind);
  return record;
}

}  // namespace

RecordBytes<site_layout::kSize> EncodeSiteRecord(std::uint32_t kind, std::u16string_view name,
                                                 std::string_view tag, std::int32_t webServerPort) {
  using namespace site_layout;
  RecordBytes<kSize> record{};
  StoreU32(record, kKind, kind);
  const std::size_t characters = std::min(name.size(), kNameWidth / 2 - 1);
  for (std::size_t i = 0; i < characters; ++i) {
    record[kName + 2 * i] = static_cast<std::uint8_t>(name[i]);
    record[kName + 2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
  }
  StoreText(record, kTag, tag, kTagWidth - 1);
  StoreI32(record, kWebPort, webServerPort);
  return record;
}

StatusBytes EncodeSiteCheckOut() {
  return KindOnly<status_layout::kSize>(CMD_SITE_CHECKOUT);
}

RecordBytes<camera_layout::kSize> EncodeCameraInfo(const CameraRecord& camera) {
  using namespace camera_layout;
  RecordBytes<kSize> record{};
  StoreU32(record, kKind, CMD_CAMERA_INFO);
  StoreI32(record, kIndex, camera.index);
  StoreText(record, kName, camera.name, kNameWidth - 1);
  StoreI32(record, kWidth, camera.width);
  StoreI32(record, kHeight, camera.height);
  StoreI32(record, kStateA, camera.stateA);
  StoreI32(record, kStateB, camera.stateB);
  return record;
}

RecordBytes<camera_layout::kSize> EncodeCameraReset() {
  return KindOnly<camera_layout::kSize>(CMD_CAMERA_RESET);
}

RecordBytes<user_layout::kSize> EncodeUserRequest(std::uint32_t kind, const UserRequest& request) {
  using namespace user_layout;
  RecordBytes<kSize> record{};
  StoreU32(record, kWord, kind);
  StoreText(record, kName, request.name, kNameWidth - 1);
  StoreText(record, kPassword, request.password, kPasswordWidth - 1);
  return record;
}

RecordBytes<group_layout::kSize> EncodeGroupRequest(std::uint32_t kind) {
  return KindOnly<group_layout::kSize>(kind);
}

StatusBytes EncodeKeepAlive(std::int32_t sequence) {
  return EncodeStatus(CMD_KEEPALIVE, sequence);
}

StatusBytes EncodeAcknowledgement() {
  return EncodeStatus(RSP_OK, 0);
}

}  // namespace orlentis
