#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/program_files.h"
#include "base/settings.h"
#include "support/orlentis_process.h"
#include "support/recorder_wire.h"
#include "support/temp_folder.h"

namespace orlentis::testing {
namespace {

// A port that nothing listens on at the moment.
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

void WriteListenSettings(const TempFolder& home, std::uint16_t port) {
  WriteDefaultProgramFiles(home.Path());
  Settings settings(home / "Setting.ini");
  PreferenceBlock preferences = settings.GetPreferences();
  preferences.listenAddress = "127.0.0.1";
  preferences.port = port;
  settings.SetPreferences(preferences);
  ASSERT_TRUE(settings.Save());
}

// The server is ready when its port answers a host check.
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

TEST(HeadlessServerTest, ServesRecordersAndStopsCleanlyOnSigterm) {
  TempFolder home;
  const std::uint16_t port = FreePort();
  WriteListenSettings(home, port);
  ChildProcess server(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(AnswersHostCheck(port, 30000)) << server.ErrorOutput();
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(20000), 0);
}

TEST(HeadlessServerTest, PortInUseIsReportedAndTheServerKeepsRunning) {
  TempFolder first;
  TempFolder second;
  const std::uint16_t port = FreePort();
  WriteListenSettings(first, port);
  WriteListenSettings(second, port);
  ChildProcess listening(HeadlessLaunch(first.Path()));
  ASSERT_TRUE(AnswersHostCheck(port, 30000)) << listening.ErrorOutput();
  ChildProcess withoutListener(HeadlessLaunch(second.Path()));
  EXPECT_TRUE(withoutListener.WaitForError("cannot listen on 127.0.0.1:", 30000))
      << withoutListener.ErrorOutput();
  withoutListener.Signal(SIGINT);
  EXPECT_EQ(withoutListener.Wait(20000), 0);
  listening.Signal(SIGTERM);
  EXPECT_EQ(listening.Wait(20000), 0);
}

}  // namespace
}  // namespace orlentis::testing
