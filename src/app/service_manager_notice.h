#pragma once

#include <string>

namespace orlentis {

// What systemd learns of a service of Type=notify. Outside systemd (NOTIFY_SOCKET unset) each
// call does nothing.
void NotifyServiceReady(const std::string& status);
void NotifyServiceReloading();
void NotifyServiceStopping();

}  // namespace orlentis
