#include "net/request_handlers.h"

namespace orlentis {

asio::awaitable<void> RequestHandlers::SiteCheckIn(RecorderConnection&, bool) {
  co_return;
}
asio::awaitable<void> RequestHandlers::SiteCheckOut(RecorderConnection&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::CameraInfo(RecorderConnection&, const CameraRecord&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::UserLogin(RecorderConnection&, const UserRequest&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::AccountLogin(RecorderConnection&, const UserRequest&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::GroupCount(RecorderConnection&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::GroupList(RecorderConnection&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostInstanceCheckIn(RecorderConnection&, std::int32_t) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostInstanceCheckOut(RecorderConnection&, std::int32_t) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostUserLogin(RecorderConnection&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostGroupList(RecorderConnection&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostCameraUpdate(RecorderConnection&, std::int32_t) {
  co_return;
}

}  // namespace orlentis
