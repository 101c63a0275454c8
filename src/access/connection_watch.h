#pragma once

#include <ldap.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orlentis {

// Follows the connection libldap opens for one handle: whether it was made at all, and a
// deadline for making it secure. libldap's TLS handshake (Debian's, over GnuTLS) keeps reading
// from a directory that accepted the connection but never answers, past every timeout of the
// handle; at the deadline the connection is shut down under it, which ends the handshake with
// an error. Must outlive the handle: libldap keeps the callback until the handle is freed.
class ConnectionWatch {
 public:
  ConnectionWatch() = default;
  ~ConnectionWatch();
  ConnectionWatch(const ConnectionWatch&) = delete;
  ConnectionWatch& operator=(const ConnectionWatch&) = delete;

  // Has libldap report ld's connections here.
  bool Attach(LDAP* ld);
  // From now on, a connection still open after limit is shut down, until Disarm().
  void Arm(std::chrono::milliseconds limit);
  void Disarm();
  // Whether a connection to the directory was made.
  bool Reached() const;

 private:
  static int Added(LDAP* ld, Sockbuf* sb, LDAPURLDesc* srv, sockaddr* addr, ldap_conncb* ctx);
  static void Removed(LDAP* ld, Sockbuf* sb, ldap_conncb* ctx);
  void Watch(std::chrono::steady_clock::time_point deadline);

  ldap_conncb callback_{&Added, &Removed, this};
  mutable std::mutex mutex_;
  std::condition_variable disarmed_;
  bool armed_ = false;
  bool reached_ = false;
  int socket_ = -1;  // the open connection's, or -1
  std::thread watcher_;
};

}  // namespace orlentis
