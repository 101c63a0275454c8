#pragma once

#include <optional>

namespace orlentis {

// Runs the server with its main window until Close passes its login or SIGTERM or SIGINT
// arrives, and returns the exit status; SIGHUP meanwhile reads the settings again, as in
// headless mode. Returns nothing, before anything has started, when there is no display to use
// (no DISPLAY or WAYLAND_DISPLAY, or its platform cannot start). A platform chosen with
// QT_QPA_PLATFORM is taken as it is. The caller has blocked SIGTERM and SIGINT in every thread.
std::optional<int> RunTrayProgram();

}  // namespace orlentis
