#include <array>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/steady_timer.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>
#include <utility>

#include "base/language.h"
#include "base/text_ids.h"
#include "directory/site_directory.h"
#include "directory/unwritten_site_writes.h"
#include "net/recorder_connection.h"
#include "net/recorder_services.h"
#include "store/database_maintenance.h"

namespace orlentis {
namespace {

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
  if (connection.HoldsUnwritten()) {
    connection.Unwritten().CheckIn();
    co_await connection.Send(EncodeStatus(RSP_OK, 0));
    co_return;
  }
  const SiteAnnouncement site{connection.PeerAddress(), StoredSiteName(connection),
                              connection.StoredCheckIn().WebServerPort()};
  const auto work = MakeDatabaseWork<DbResult<std::int32_t>>(
      [site, action = GetLanguageText(kTextSiteCheckIn),
       detail = SiteLogDetail(connection.StoredCheckIn())] {
        return CheckInSite(site, action, detail);
      });
  const DbOutcome waited = co_await AwaitDatabase(SiteWrites(connection), work);
  const DbResult<std::int32_t> siteRow = Flattened(waited, *work);
  // While the database is unavailable the connection keeps the site it knew; after a failure
  // it knows none. Either way the check-in is written once the database can be used.
  if (siteRow.outcome != DbOutcome::kSkipped) {
    connection.RememberSiteRow(siteRow.ValueOr(kNoSiteRow));
  }
  if (!siteRow.Done()) {
    connection.Unwritten().CheckIn();
    KeepForWriting(connection, co_await asio::this_coro::executor);
  }
  co_await connection.Send(EncodeStatus(RSP_OK, 0));
}

asio::awaitable<void> RecorderServices::SiteCheckOut(RecorderConnection& connection) {
  const auto work = MakeDatabaseWork<DbResult<bool>>(
      [address = connection.PeerAddress(), name = StoredSiteName(connection),
       action = GetLanguageText(kTextSiteCheckOut),
       detail = SiteLogDetail(connection.StoredCheckIn())] {
        return CheckOutSite(address, name, action, detail);
      });
  co_await AwaitDatabase(SiteWrites(connection), work);
}

asio::awaitable<void> RecorderServices::CameraInfo(RecorderConnection& connection,
                                                   const CameraRecord& record) {
  const CameraAnnouncement camera{
      record.index, true, (record.stateA != 0 ? 1 : 0) | (record.stateB != 0 ? 2 : 0),
      Resolution(record.width, record.height), text_->ToUtf8(record.name)};
  if (connection.HoldsUnwritten()) {
    connection.Unwritten().Camera(connection.CameraSetStarting(), camera);
    connection.CameraSetStarted();
    co_await connection.Send(EncodeStatus(RSP_OK, 0, 0));
    co_return;
  }
  const auto work = MakeDatabaseWork<DbOutcome>(
      [siteId = connection.SiteRowId(), startsNewSet = connection.CameraSetStarting(), camera] {
        return StoreSiteCamera(siteId, startsNewSet, camera);
      });
  const DbOutcome outcome = Flattened(co_await AwaitDatabase(SiteWrites(connection), work), *work);
  // A failed write rolled the new set's start back too: the set starts among what is written
  // once the database can be used.
  if (outcome != DbOutcome::kDone) {
    connection.Unwritten().Camera(connection.CameraSetStarting(), camera);
    KeepForWriting(connection, co_await asio::this_coro::executor);
  }
  connection.CameraSetStarted();
  co_await connection.Send(EncodeStatus(RSP_OK, 0, 0));
}

void RecorderServices::KeepForWriting(RecorderConnection& connection,
                                      const asio::any_io_executor& executor) {
  holdingUnwritten_.push_back(connection.weak_from_this());
  if (std::exchange(writingUnwritten_, true)) return;
  asio::co_spawn(executor, WriteUnwrittenWhenPossible(), asio::detached);
}

// Sites that checked out or whose connection ended meanwhile are left as the database has
// them: nothing they sent is brought back.
asio::awaitable<void> RecorderServices::WriteUnwrittenWhenPossible() {
  asio::steady_timer pause(co_await asio::this_coro::executor);
  while (!holdingUnwritten_.empty()) {
    pause.expires_after(kUnwrittenRetryPeriod);
    co_await pause.async_wait(asio::use_awaitable);
    std::erase_if(holdingUnwritten_, [](const auto& held) {
      const auto connection = held.lock();
      return !connection || !connection->Alive() || !connection->Open();
    });
    if (DatabaseMaintenance::Instance().IsUnavailable()) continue;
    for (const auto& held : std::exchange(holdingUnwritten_, {})) {
      const auto connection = held.lock();
      if (connection && !co_await WriteUnwritten(*connection)) holdingUnwritten_.push_back(held);
    }
  }
  writingUnwritten_ = false;
}

asio::awaitable<bool> RecorderServices::WriteOrKeep(
    RecorderConnection& connection, std::shared_ptr<DatabaseWork<DbResult<bool>>> work,
    const KeepInstanceWrite& keep) {
  if (connection.HoldsUnwritten()) co_await WriteUnwritten(connection);
  if (connection.HoldsUnwritten()) {
    keep(connection.UnwrittenInstances());
    co_return false;
  }
  const DbResult<bool> written =
      Flattened(co_await AwaitDatabase(SiteWrites(connection), work), *work);
  if (!written.Done()) {
    keep(connection.UnwrittenInstances());
    KeepForWriting(connection, co_await asio::this_coro::executor);
  }
  co_return written.ValueOr(false);
}

// A site that checked out keeps nothing; a host's instances are written while its connection
// lasts.
asio::awaitable<bool> RecorderServices::WriteUnwritten(RecorderConnection& connection) {
  if (connection.WritingUnwritten()) co_return false;
  UnwrittenSiteWrites site = std::exchange(connection.Unwritten(), {});
  if (connection.Kind() != ConnectionKind::kSite) site = {};
  UnwrittenInstanceWrites instances = std::exchange(connection.UnwrittenInstances(), {});
  if (site.Empty() && instances.Empty()) co_return true;
  connection.SetWritingUnwritten(true);
  const SiteAnnouncement announced{connection.PeerAddress(), StoredSiteName(connection),
                                   connection.StoredCheckIn().WebServerPort()};
  const auto work = MakeDatabaseWork<DbResult<std::int32_t>>(
      [announced, action = GetLanguageText(kTextSiteCheckIn),
       detail = SiteLogDetail(connection.StoredCheckIn()), siteId = connection.SiteRowId(), site,
       instances] {
        DbResult<std::int32_t> row{DbOutcome::kDone, siteId};
        if (!site.Empty()) row = WriteUnwrittenSiteWrites(announced, action, detail, siteId, site);
        if (row.Done() && !instances.Empty()) {
          row.outcome = WriteUnwrittenInstanceWrites(announced.peerAddress, instances);
        }
        return row;
      });
  const DbResult<std::int32_t> siteRow =
      Flattened(co_await AwaitDatabase(SiteWrites(connection), work), *work);
  connection.SetWritingUnwritten(false);
  if (siteRow.Done()) {
    connection.RememberSiteRow(*siteRow.value);
  } else {
    // What came meanwhile came after them.
    site.Then(connection.Unwritten());
    connection.Unwritten() = std::move(site);
    instances.Then(connection.UnwrittenInstances());
    connection.UnwrittenInstances() = std::move(instances);
  }
  co_return !connection.HoldsUnwritten();
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
  const auto work = MakeDatabaseWork<DbResult<bool>>(
      [site, instance, cameras] { return CheckInInstance(site, instance, cameras); });
  // Named: GCC 12 destroys a temporary that lives across a suspension twice.
  const KeepInstanceWrite keep = [&](UnwrittenInstanceWrites& kept) {
    kept.CheckIn(instance, site, cameras);
  };
  const bool written = co_await WriteOrKeep(connection, work, keep);
  co_await connection.Send(Verdict(written, 1));
}

asio::awaitable<void> RecorderServices::HostInstanceCheckOut(RecorderConnection& connection,
                                                             std::int32_t instance) {
  const auto work =
      MakeDatabaseWork<DbResult<bool>>([address = connection.PeerAddress(), instance] {
        return CheckOutInstance(address, instance);
      });
  const KeepInstanceWrite keep = [&](UnwrittenInstanceWrites& kept) { kept.CheckOut(instance); };
  const bool found = co_await WriteOrKeep(connection, work, keep);
  co_await connection.Send(Verdict(found, 0));
}

asio::awaitable<void> RecorderServices::HostCameraUpdate(RecorderConnection& connection,
                                                         std::int32_t instance) {
  co_await connection.Send(EncodeHostFrame({1, 0, 0}));
  std::array<std::uint8_t, host_camera_layout::kSize> cameraBlock{};
  if (!co_await connection.ReceiveExactly(cameraBlock)) co_return;
  CameraAnnouncement camera = FromHostCamera(DecodeHostCamera(cameraBlock), *text_);
  camera.exists = true;
  const auto work =
      MakeDatabaseWork<DbResult<bool>>([address = connection.PeerAddress(), instance, camera] {
        return UpdateInstanceCamera(address, instance, camera);
      });
  const KeepInstanceWrite keep = [&](UnwrittenInstanceWrites& kept) {
    kept.Camera(instance, camera);
  };
  const bool found = co_await WriteOrKeep(connection, work, keep);
  co_await connection.Send(Verdict(found, 0));
}

}  // namespace orlentis
