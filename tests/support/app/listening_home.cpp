#include "support/app/listening_home.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "base/default_files.h"
#include "base/settings.h"
#include "support/net/recorder_wire.h"

namespace orlentis::testing {

std::uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

bool WriteListenSettings(const std::filesystem::path& home, std::uint16_t port) {
  WriteDefaultProgramFiles(home);
  Settings settings(home / "Setting.ini");
  PreferenceBlock preferences = settings.GetPreferences();
  preferences.listenAddress = "127.0.0.1";
  preferences.port = port;
  settings.SetPreferences(preferences);
  return settings.Save();
}

bool AnswersHostCheck(std::uint16_t port, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    WireClient client(port);
    if (client.Connected() && client.Send(CheckIn("CheckHostExist"))) {
      const auto reply = ReceiveStatus(client);
      if (reply && reply->word == RSP_OK) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace orlentis::testing
