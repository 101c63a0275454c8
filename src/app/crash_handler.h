#pragma once

#include <string>

namespace orlentis {

// Installs the handler for fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT). On a
// crash it writes <name>.dmp into the current directory (signal, faulting address,
// backtrace), prints "<saved text> <path>" on standard error, and lets the process die of
// the signal. The texts it needs are fetched here, never inside the handler.
void InstallCrashHandler(const std::string& applicationName, const std::string& savedText);

}  // namespace orlentis
