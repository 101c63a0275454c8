#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orlentis::testing {

// A real child process of the test, with its standard error captured in a file.
class ChildProcess {
 public:
  struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    std::filesystem::path workingFolder;   // empty: the test's own
    std::vector<std::string> environment;  // NAME=value, added to the test's
  };

  // A non-empty standardInput is what the child reads on its standard input; otherwise it
  // shares the test's.
  explicit ChildProcess(const Launch& launch, const std::string& standardInput = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits at most timeoutMs; the exit status, or 128 + signal for a killed child, or nothing
  // when it is still running.
  std::optional<int> Wait(int timeoutMs);
  void Signal(int signalNumber);
  // Waits until the standard error holds text, at most timeoutMs.
  bool WaitForError(const std::string& text, int timeoutMs);
  std::string ErrorOutput() const;
  std::string StandardOutput() const;
  int Pid() const { return pid_; }

 private:
  int pid_ = -1;
  std::optional<int> status_;
  std::filesystem::path errorFile_;
  std::filesystem::path outputFile_;
  std::filesystem::path inputFile_;
};

// Runs a child to its end (at most timeoutMs) and returns its exit status.
int RunToEnd(const ChildProcess::Launch& launch, int timeoutMs, std::string* errorOutput = nullptr);

}  // namespace orlentis::testing
