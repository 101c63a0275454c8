// Writes the seed corpus of the recorder-protocol fuzz target: one file per exchange, each a
// connection that goes through it as a recorder would, made with the recorder's own encoders.
// Usage: orlentis-fuzz-corpus FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "access/roles.h"
#include "fuzz_server.h"
#include "recorder/host_requests.h"
#include "recorder/record_requests.h"
#include "write_sequence.h"

namespace orlentis {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Writes = std::vector<Bytes>;

template <std::size_t N>
Bytes ToBytes(const RecordBytes<N>& record) {
  return Bytes(record.begin(), record.end());
}

// The first-start groups a list walks through, one acknowledgement each.
constexpr int kDefaultGroups = 4;

Bytes SiteCheckIn(std::uint32_t kind = CMD_SITE_CHECKIN, std::string_view tag = "") {
  return ToBytes(EncodeSiteRecord(kind, u"Fuzz Site", tag, 8080));
}

Bytes AdminRequest(std::uint32_t kind, std::string_view password = FuzzServer::kAdminPassword) {
  return ToBytes(EncodeUserRequest(kind, {std::string(kAdministratorName), std::string(password)}));
}

Bytes Camera(std::int32_t index) {
  return ToBytes(EncodeCameraInfo({index, "Camera " + std::to_string(index + 1), 704, 480, 1, 0}));
}

Bytes HostCameraBlock(std::int32_t index) {
  return ToBytes(EncodeHostCamera({index, 1, 1, "704x480", "Camera " + std::to_string(index + 1)}));
}

Writes InstanceCheckIn(std::int32_t instance) {
  return {ToBytes(EncodeHostRequest(HOST_INSTANCE_CHECKIN, instance)),
          ToBytes(EncodeInstanceHeader({"Fuzz Instance", 8081, 2})), HostCameraBlock(0),
          HostCameraBlock(1)};
}

Writes Then(Writes first, const Writes& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

Writes GroupListWithAcknowledgements() {
  Writes writes{SiteCheckIn(), ToBytes(EncodeGroupRequest(CMD_GROUP_LIST))};
  for (int i = 0; i < kDefaultGroups; ++i) writes.push_back(ToBytes(EncodeAcknowledgement()));
  return writes;
}

Bytes KeepAliveEcho() {
  Bytes echo = ToBytes(EncodeKeepAlive(7));
  const std::uint32_t kind = CMD_KEEPALIVE_ECHO;
  for (int i = 0; i < 4; ++i) echo[static_cast<std::size_t>(i)] = (kind >> (8 * i)) & 0xff;
  return echo;
}

std::map<std::string, Writes> Exchanges() {
  const Bytes checkIn = SiteCheckIn();
  const Bytes hostLogin = ToBytes(EncodeHostRequest(HOST_USER_LOGIN, 0));
  return {
      {"site_checkin", {checkIn}},
      {"site_update", {checkIn, SiteCheckIn(CMD_SITE_UPDATE)}},
      {"site_checkout", {checkIn, ToBytes(EncodeSiteCheckOut())}},
      {"host_check", {SiteCheckIn(CMD_SITE_CHECKIN, kHostCheckTag)}},
      {"camera_reset", {checkIn, ToBytes(EncodeCameraReset())}},
      {"camera_info", {checkIn, ToBytes(EncodeCameraReset()), Camera(0), Camera(1)}},
      {"keepalive", {checkIn, ToBytes(EncodeKeepAlive(7))}},
      {"keepalive_echo", {checkIn, KeepAliveEcho()}},
      {"user_login", {checkIn, AdminRequest(CMD_USER_LOGIN)}},
      {"user_login_refused", {checkIn, AdminRequest(CMD_USER_LOGIN, "wrong")}},
      {"user_logout", {checkIn, AdminRequest(CMD_USER_LOGOUT)}},
      {"user_status", {checkIn, AdminRequest(CMD_USER_STATUS)}},
      {"user_list", {checkIn, AdminRequest(CMD_USER_LIST), ToBytes(EncodeAcknowledgement())}},
      {"account_login",
       {SiteCheckIn(CMD_SITE_CHECKIN, kAccountCheckTag), AdminRequest(CMD_ACCOUNT_LOGIN)}},
      {"group_count", {checkIn, ToBytes(EncodeGroupRequest(CMD_GROUP_COUNT))}},
      {"group_list", GroupListWithAcknowledgements()},
      {"host_user_login",
       {hostLogin, ToBytes(EncodeHostCredentials(kAdministratorName,
                                                 HostPasswordDigest(FuzzServer::kAdminPassword)))}},
      {"host_user_login_plain",
       {hostLogin, ToBytes(EncodeHostCredentials("Manager", HostPasswordPlain("secret")))}},
      {"host_group_list", {ToBytes(EncodeHostRequest(HOST_GROUP_LIST, 0))}},
      {"host_instance_checkin", InstanceCheckIn(1)},
      {"host_instance_checkout",
       Then(InstanceCheckIn(1), {ToBytes(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 1))})},
      {"host_camera_update",
       Then(InstanceCheckIn(1),
            {ToBytes(EncodeHostRequest(HOST_CAMERA_UPDATE, 1)), HostCameraBlock(0)})},
      {"host_unknown_operation", {ToBytes(EncodeHostFrame({9, 0, 0}))}},
  };
}

}  // namespace
}  // namespace orlentis

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orlentis-fuzz-corpus FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const auto& [name, writes] : orlentis::Exchanges()) {
    const auto input = orlentis::JoinWrites(writes);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(input.data()),
               static_cast<std::streamsize>(input.size()));
  }
  return 0;
}
