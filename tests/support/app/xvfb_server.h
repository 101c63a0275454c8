#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/base/child_process.h"

namespace orlentis::testing {

// The full path of an installed program (searched in PATH); empty when there is none.
std::filesystem::path FindProgram(const std::string& name);

// A virtual X server (Xvfb) of the test's own, on a display number nothing else uses; it has
// no window manager and no system tray. Stopped when the object goes away.
class XvfbServer {
 public:
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Running() const { return process_ != nullptr; }
  // ":N", for DISPLAY.
  const std::string& Display() const { return display_; }

  // The map state of the top-level window called name as xwininfo reports it ("IsViewable",
  // "IsUnMapped"); empty when there is no such window.
  std::string WindowMapState(const std::string& name) const;

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
};

}  // namespace orlentis::testing
