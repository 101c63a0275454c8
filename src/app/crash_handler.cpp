#include "app/crash_handler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace orlentis {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kTextSize = 512;
constexpr std::size_t kAlternateStackSize = 64 * 1024;

// Filled at installation: the handler itself must not allocate.
char dumpName[kTextSize] = "Application.dmp";
char savedMessage[kTextSize] = "Saved dump file to";

void CopyText(char* target, const std::string& text) {
  const std::size_t length = std::min(text.size(), kTextSize - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

void WriteText(int fd, const char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0) {
    const ssize_t n = ::write(fd, text, length);
    if (n <= 0) return;
    text += n;
    length -= static_cast<std::size_t>(n);
  }
}

void WriteNumber(int fd, unsigned long value, int base) {
  char digits[32];
  int at = sizeof digits - 1;
  digits[at] = '\0';
  do {
    digits[--at] = "0123456789abcdef"[value % static_cast<unsigned>(base)];
    value /= static_cast<unsigned>(base);
  } while (value != 0 && at > 0);
  if (base == 16) WriteText(fd, "0x");
  WriteText(fd, digits + at);
}

void WriteReport(int fd, int signalNumber, const siginfo_t* info) {
  WriteText(fd, "signal: ");
  WriteNumber(fd, static_cast<unsigned long>(signalNumber), 10);
  WriteText(fd, " (");
  WriteText(fd, sigabbrev_np(signalNumber) != nullptr ? sigabbrev_np(signalNumber) : "?");
  WriteText(fd, ")\ncode: ");
  WriteNumber(fd, static_cast<unsigned long>(info->si_code), 10);
  WriteText(fd, "\naddress: ");
  WriteNumber(fd, reinterpret_cast<unsigned long>(info->si_addr), 16);
  WriteText(fd, "\nprocess: ");
  WriteNumber(fd, static_cast<unsigned long>(::getpid()), 10);
  WriteText(fd, "\nbacktrace:\n");
  void* frames[64];
  const int count = ::backtrace(frames, 64);
  ::backtrace_symbols_fd(frames, count, fd);
}

void OnFatalSignal(int signalNumber, siginfo_t* info, void*) {
  char folder[4096];
  const int fd = ::open(dumpName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd >= 0) {
    WriteReport(fd, signalNumber, info);
    ::close(fd);
    WriteText(STDERR_FILENO, savedMessage);
    WriteText(STDERR_FILENO, " ");
    if (::getcwd(folder, sizeof folder) != nullptr) {
      WriteText(STDERR_FILENO, folder);
      WriteText(STDERR_FILENO, "/");
    }
    WriteText(STDERR_FILENO, dumpName);
    WriteText(STDERR_FILENO, "\n");
  }
  // The handler was installed with SA_RESETHAND: the signal raised again ends the process
  // with its default action instead of coming back here.
  ::raise(signalNumber);
}

}  // namespace

void InstallCrashHandler(const std::string& applicationName, const std::string& savedText) {
  CopyText(dumpName,
           (applicationName.empty() ? std::string("Application") : applicationName) + ".dmp");
  std::string message = savedText;
  while (!message.empty() && message.back() == ' ') message.pop_back();
  if (!message.empty()) CopyText(savedMessage, message);

  // Loads the unwinder now; the first backtrace() call may allocate.
  void* warmUp[1];
  ::backtrace(warmUp, 1);

  // Stack overflows need a stack of their own to report on.
  static std::vector<char> alternateStack(kAlternateStackSize);
  stack_t stack{};
  stack.ss_sp = alternateStack.data();
  stack.ss_size = alternateStack.size();
  ::sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : kFatalSignals) ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace orlentis
