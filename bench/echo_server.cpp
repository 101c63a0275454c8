// The floor under the keep-alive cells of bench/run: a server that does nothing but send each
// 140-byte record back as it came, on one thread over epoll and non-blocking sockets, the way
// the network worker serves its connections. What Orlentis reaches below this is the cost of
// its own dispatching, not of the kernel's sockets.
//
//   echo_server PORT
//
// Listens on 127.0.0.1:PORT until it is killed; says so on standard error once it does.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

namespace {

constexpr std::size_t kRecordSize = 140;
constexpr int kBacklog = 4096;
constexpr int kEventsPerWait = 256;

struct Connection {
  std::array<std::uint8_t, kRecordSize> record{};
  std::size_t received = 0;
  std::size_t sent = 0;  // of a whole record that could not go out at once
  bool waitingToSend = false;
};

[[noreturn]] void Fail(const char* what) {
  std::perror(what);
  std::exit(1);
}

void MakeNonBlocking(int fd) {
  if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) Fail("fcntl");
}

int Listen(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) Fail("socket");
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) Fail("bind");
  if (::listen(fd, kBacklog) != 0) Fail("listen");
  MakeNonBlocking(fd);
  return fd;
}

class EchoServer {
 public:
  explicit EchoServer(std::uint16_t port) : listener_(Listen(port)), poll_(::epoll_create1(0)) {
    if (poll_ < 0) Fail("epoll_create1");
    Watch(listener_, EPOLLIN, EPOLL_CTL_ADD);
  }

  [[noreturn]] void Run() {
    std::array<epoll_event, kEventsPerWait> events{};
    for (;;) {
      const int ready = ::epoll_wait(poll_, events.data(), kEventsPerWait, -1);
      if (ready < 0 && errno != EINTR) Fail("epoll_wait");
      for (int i = 0; i < ready; ++i) {
        const int fd = events[static_cast<std::size_t>(i)].data.fd;
        if (fd == listener_) {
          AcceptAll();
        } else {
          Serve(fd);
        }
      }
    }
  }

 private:
  void Watch(int fd, std::uint32_t events, int operation) {
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    if (::epoll_ctl(poll_, operation, fd, &event) != 0) Fail("epoll_ctl");
  }

  void AcceptAll() {
    for (;;) {
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK);
      if (fd < 0) return;  // EAGAIN, or a connection gone before it was taken
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      connections_[fd] = Connection{};
      Watch(fd, EPOLLIN, EPOLL_CTL_ADD);
    }
  }

  void Close(int fd) {
    ::close(fd);
    connections_.erase(fd);
  }

  // Reads until the socket is empty, sending back every record as soon as it is whole. A
  // record the socket cannot take at once is finished when it becomes writable; nothing more
  // is read meanwhile.
  void Serve(int fd) {
    Connection& connection = connections_[fd];
    if (connection.received == kRecordSize && !Flush(fd, connection)) return;
    for (;;) {
      const ssize_t count = ::read(fd, connection.record.data() + connection.received,
                                   kRecordSize - connection.received);
      if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) return Close(fd);
      if (count < 0) return;
      connection.received += static_cast<std::size_t>(count);
      if (connection.received == kRecordSize && !Flush(fd, connection)) return;
    }
  }

  // Sends what is left of the record; false when the connection is closed or must wait.
  bool Flush(int fd, Connection& connection) {
    while (connection.sent < kRecordSize) {
      // A peer may be gone by the time its answer goes out: that ends the connection, not
      // the process.
      const ssize_t count = ::send(fd, connection.record.data() + connection.sent,
                                   kRecordSize - connection.sent, MSG_NOSIGNAL);
      if (count < 0 && errno == EAGAIN) {
        if (!connection.waitingToSend) Watch(fd, EPOLLOUT, EPOLL_CTL_MOD);
        connection.waitingToSend = true;
        return false;
      }
      if (count < 0 && errno != EINTR) {
        Close(fd);
        return false;
      }
      if (count > 0) connection.sent += static_cast<std::size_t>(count);
    }
    connection.received = 0;
    connection.sent = 0;
    if (connection.waitingToSend) Watch(fd, EPOLLIN, EPOLL_CTL_MOD);
    connection.waitingToSend = false;
    return true;
  }

  int listener_;
  int poll_;
  std::unordered_map<int, Connection> connections_;
};

}  // namespace

int main(int argc, char** argv) {
  const long port = argc == 2 ? std::strtol(argv[1], nullptr, 10) : 0;
  if (port < 1 || port > 65535) {
    std::fprintf(stderr, "usage: echo_server PORT\n");
    return 2;
  }
  EchoServer server(static_cast<std::uint16_t>(port));
  std::fprintf(stderr, "echo_server: listening on 127.0.0.1:%ld\n", port);
  server.Run();
}
