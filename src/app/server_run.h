#pragma once

namespace orlentis {

// Runs the server without a window until SIGTERM or SIGINT arrives; returns the exit status.
// The caller has blocked both signals in every thread.
int RunHeadlessServer();

}  // namespace orlentis
