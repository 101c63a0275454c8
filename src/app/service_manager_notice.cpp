#include "app/service_manager_notice.h"

#include <systemd/sd-daemon.h>

namespace orlentis {

void NotifyServiceReady(const std::string& status) {
  const std::string state = "READY=1\nSTATUS=" + status;
  sd_notify(0, state.c_str());
}

void NotifyServiceReloading() {
  sd_notify(0, "RELOADING=1");
}

void NotifyServiceStopping() {
  sd_notify(0, "STOPPING=1");
}

}  // namespace orlentis
