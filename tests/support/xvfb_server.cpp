#include "support/xvfb_server.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace orlentis::testing {
namespace {

constexpr int kStartMs = 10000;
constexpr int kFirstDisplay = 90;
constexpr int kDisplaysTried = 60;

std::filesystem::path SocketOf(int display) {
  return "/tmp/.X11-unix/X" + std::to_string(display);
}

bool DisplayInUse(int display) {
  return std::filesystem::exists(SocketOf(display)) ||
         std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock");
}

ChildProcess::Launch Program(const std::string& name, std::vector<std::string> arguments) {
  ChildProcess::Launch launch;
  launch.program = FindProgram(name).string();
  launch.arguments = std::move(arguments);
  return launch;
}

}  // namespace

std::filesystem::path FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const auto candidate = std::filesystem::path(folder) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Another test process may take the same free number at the same moment; the loser's Xvfb
// ends at once, and the next number is tried.
XvfbServer::XvfbServer() {
  if (FindProgram("Xvfb").empty()) return;
  const int start = kFirstDisplay + ::getpid() % kDisplaysTried;
  for (int offset = 0; offset < kDisplaysTried && !process_; ++offset) {
    const int display = kFirstDisplay + (start - kFirstDisplay + offset) % kDisplaysTried;
    if (DisplayInUse(display)) continue;
    auto process =
        std::make_unique<ChildProcess>(Program("Xvfb", {":" + std::to_string(display), "-nolisten",
                                                        "tcp", "-screen", "0", "1024x768x24"}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMs);
    while (std::chrono::steady_clock::now() < deadline && !process->Wait(0)) {
      // The socket is ours when our server is still up a moment after it appeared.
      if (std::filesystem::exists(SocketOf(display)) && !process->Wait(100)) {
        process_ = std::move(process);
        display_ = ":" + std::to_string(display);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

XvfbServer::~XvfbServer() {
  if (!process_) return;
  process_->Signal(SIGTERM);
  process_->Wait(kStartMs);
}

std::string XvfbServer::WindowMapState(const std::string& name) const {
  ChildProcess query(Program("xwininfo", {"-display", display_, "-name", name}));
  if (query.Wait(kStartMs) != 0) return {};
  const std::string output = query.StandardOutput();
  const std::string label = "Map State: ";
  const auto at = output.find(label);
  if (at == std::string::npos) return {};
  const auto end = output.find('\n', at);
  return output.substr(at + label.size(), end - at - label.size());
}

}  // namespace orlentis::testing
