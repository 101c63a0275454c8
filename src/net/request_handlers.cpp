#include "net/request_handlers.h"

namespace orlentis {

asio::awaitable<void> RequestHandlers::SiteCheckIn(CConnSocket&, bool) {
  co_return;
}
asio::awaitable<void> RequestHandlers::SiteCheckOut(CConnSocket&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::CameraInfo(CConnSocket&, const CameraRecord&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::UserLogin(CConnSocket&, const UserRequest&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::AccountLogin(CConnSocket&, const UserRequest&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::GroupCount(CConnSocket&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::GroupList(CConnSocket&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostInstanceCheckIn(CConnSocket&, std::int32_t) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostInstanceCheckOut(CConnSocket&, std::int32_t) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostUserLogin(CConnSocket&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostGroupList(CConnSocket&) {
  co_return;
}
asio::awaitable<void> RequestHandlers::HostCameraUpdate(CConnSocket&, std::int32_t) {
  co_return;
}

}  // namespace orlentis
