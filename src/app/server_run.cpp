#include "app/server_run.h"

#include <signal.h>

#include "app/options.h"

namespace orlentis {
namespace {

int WaitForStopSignal() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  int received = 0;
  while (sigwait(&signals, &received) != 0) {
  }
  return received;
}

}  // namespace

int RunHeadlessServer() {
  WaitForStopSignal();
  return kExitOk;
}

}  // namespace orlentis
