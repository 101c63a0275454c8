#include "access/connection_watch.h"

#include <sys/socket.h>

namespace orlentis {

ConnectionWatch::~ConnectionWatch() {
  Disarm();
}

bool ConnectionWatch::Attach(LDAP* ld) {
  return ldap_set_option(ld, LDAP_OPT_CONNECT_CB, &callback_) == LDAP_OPT_SUCCESS;
}

void ConnectionWatch::Arm(std::chrono::milliseconds limit) {
  Disarm();
  std::lock_guard lock(mutex_);
  armed_ = true;
  watcher_ = std::thread(&ConnectionWatch::Watch, this, std::chrono::steady_clock::now() + limit);
}

void ConnectionWatch::Disarm() {
  {
    std::lock_guard lock(mutex_);
    armed_ = false;
  }
  disarmed_.notify_all();
  if (watcher_.joinable()) watcher_.join();
}

bool ConnectionWatch::Reached() const {
  std::lock_guard lock(mutex_);
  return reached_;
}

// Shutting down leaves the descriptor to libldap, which closes it; Removed() runs before that
// under the same lock, so the descriptor shut down is never one reused meanwhile.
void ConnectionWatch::Watch(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (disarmed_.wait_until(lock, deadline, [this] { return !armed_; })) return;
  if (socket_ >= 0) ::shutdown(socket_, SHUT_RDWR);
}

int ConnectionWatch::Added(LDAP*, Sockbuf* sb, LDAPURLDesc*, sockaddr*, ldap_conncb* ctx) {
  auto* watch = static_cast<ConnectionWatch*>(ctx->lc_arg);
  int socket = -1;
  ber_sockbuf_ctrl(sb, LBER_SB_OPT_GET_FD, &socket);
  std::lock_guard lock(watch->mutex_);
  watch->reached_ = true;
  watch->socket_ = socket;
  return 0;
}

void ConnectionWatch::Removed(LDAP*, Sockbuf*, ldap_conncb* ctx) {
  auto* watch = static_cast<ConnectionWatch*>(ctx->lc_arg);
  std::lock_guard lock(watch->mutex_);
  watch->socket_ = -1;
}

}  // namespace orlentis
