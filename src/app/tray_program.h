#pragma once

#include <optional>

namespace orlentis {

// Runs the server with its main window until Close passes its login or SIGTERM or SIGINT
// arrives, and returns the exit status; returns nothing, before anything has started, when
// there is no display to use (no DISPLAY or WAYLAND_DISPLAY, or its platform cannot start).
// A platform chosen with QT_QPA_PLATFORM is taken as it is. The caller has blocked both
// signals in every thread.
std::optional<int> RunTrayProgram();

}  // namespace orlentis
