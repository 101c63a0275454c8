#include "support/app/xvfb_server.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace orlentis::testing {
namespace {

constexpr int kStartMs = 10000;

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

// Xvfb picks a free display number itself and writes it to its standard output only once it
// accepts clients: a socket that merely exists may belong to a server still starting, or to
// another test's. Without -noreset it starts over whenever its last client leaves, such as
// each xwininfo of WindowMapState, and a program connecting meanwhile is turned away.
XvfbServer::XvfbServer() {
  if (FindProgram("Xvfb").empty()) return;
  auto process = std::make_unique<ChildProcess>(Program(
      "Xvfb", {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "1024x768x24"}));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMs);
  while (std::chrono::steady_clock::now() < deadline && !process->Wait(0)) {
    const std::string output = process->StandardOutput();
    if (!output.empty() && output.back() == '\n') {
      display_ = ":" + output.substr(0, output.size() - 1);
      process_ = std::move(process);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
