#include <array>

#include "base/language.h"
#include "directory/site_directory.h"
#include "net/recorder_connection.h"
#include "net/recorder_services.h"
#include "store/event_log.h"

namespace orlentis {
namespace {

constexpr int kTextSiteCheckIn = 198;
constexpr int kTextSiteCheckOut = 199;

// "address:port" of the stored check-in, the detail of both site log entries.
std::string SiteLogDetail(const SiteRecord& record) {
  return record.PeerAddress() + ":" + std::to_string(record.WebServerPort());
}

std::string Resolution(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

CameraAnnouncement FromHostCamera(const HostCamera& camera, const CodePageText& text) {
  return {camera.index, camera.existence == 1, camera.stateFlag, text.ToUtf8(camera.resolution),
          text.ToUtf8(camera.name)};
}

HostFrameBytes Verdict(bool succeeded, std::int32_t flag) {
  return EncodeHostFrame({succeeded ? 1 : 0, flag, 0});
}

}  // namespace

asio::awaitable<void> RecorderServices::SiteCheckIn(RecorderConnection& connection, bool) {
  const SiteAnnouncement site{connection.PeerAddress(), StoredSiteName(connection),
                              connection.StoredCheckIn().WebServerPort()};
  const auto siteRow = CheckInSite(site, GetLanguageText(kTextSiteCheckIn),
                                   SiteLogDetail(connection.StoredCheckIn()));
  // While the database is unavailable the connection keeps the site it knew; after a failure
  // it knows none.
  if (siteRow.outcome != DbOutcome::kSkipped) {
    connection.RememberSiteRow(siteRow.ValueOr(kNoSiteRow));
  }
  co_await connection.Send(EncodeStatus(RSP_OK, 0));
}

asio::awaitable<void> RecorderServices::SiteCheckOut(RecorderConnection& connection) {
  const std::string name = StoredSiteName(connection);
  CheckOutSite(connection.PeerAddress(), name);
  AppendLogEntry(name, GetLanguageText(kTextSiteCheckOut),
                 SiteLogDetail(connection.StoredCheckIn()), true);
  co_return;
}

asio::awaitable<void> RecorderServices::CameraInfo(RecorderConnection& connection,
                                                   const CameraRecord& record) {
  const CameraAnnouncement camera{
      record.index, true, (record.stateA != 0 ? 1 : 0) | (record.stateB != 0 ? 2 : 0),
      Resolution(record.width, record.height), text_->ToUtf8(record.name)};
  const DbOutcome outcome =
      StoreSiteCamera(connection.SiteRowId(), connection.CameraSetStarting(), camera);
  // A failed write rolled the new set's start back too, so the next camera starts it again.
  if (outcome == DbOutcome::kDone) connection.CameraSetStarted();
  co_await connection.Send(EncodeStatus(RSP_OK, 0, 0));
}

asio::awaitable<void> RecorderServices::HostInstanceCheckIn(RecorderConnection& connection,
                                                            std::int32_t instance) {
  co_await connection.Send(EncodeHostFrame({1, 1, 0}));
  std::array<std::uint8_t, instance_header_layout::kSize> headerBlock{};
  if (!co_await connection.ReceiveExactly(headerBlock)) co_return;
  const InstanceHeader header = DecodeInstanceHeader(headerBlock);
  std::vector<CameraAnnouncement> cameras;
  for (std::int32_t i = 0; i < header.cameraCount; ++i) {
    std::array<std::uint8_t, host_camera_layout::kSize> cameraBlock{};
    if (!co_await connection.ReceiveExactly(cameraBlock)) co_return;
    // Cameras beyond the slots are read off the wire and ignored.
    if (cameras.size() < kCameraSlots) {
      cameras.push_back(FromHostCamera(DecodeHostCamera(cameraBlock), *text_));
    }
  }
  const SiteAnnouncement site{connection.PeerAddress(), text_->ToUtf8(header.siteName),
                              header.webServerPort};
  const bool written = CheckInInstance(site, instance, cameras).ValueOr(false);
  co_await connection.Send(Verdict(written, 1));
}

asio::awaitable<void> RecorderServices::HostInstanceCheckOut(RecorderConnection& connection,
                                                             std::int32_t instance) {
  const bool found = CheckOutInstance(connection.PeerAddress(), instance).ValueOr(false);
  co_await connection.Send(Verdict(found, 0));
}

asio::awaitable<void> RecorderServices::HostCameraUpdate(RecorderConnection& connection,
                                                         std::int32_t instance) {
  co_await connection.Send(EncodeHostFrame({1, 0, 0}));
  std::array<std::uint8_t, host_camera_layout::kSize> cameraBlock{};
  if (!co_await connection.ReceiveExactly(cameraBlock)) co_return;
  CameraAnnouncement camera = FromHostCamera(DecodeHostCamera(cameraBlock), *text_);
  camera.exists = true;
  const bool found =
      UpdateInstanceCamera(connection.PeerAddress(), instance, camera).ValueOr(false);
  co_await connection.Send(Verdict(found, 0));
}

}  // namespace orlentis
