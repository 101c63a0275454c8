#include "support/base/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "support/base/temp_folder.h"

namespace orlentis::testing {
namespace {

std::filesystem::path NewCaptureFile(const char* kind) {
  static int counter = 0;
  return std::filesystem::temp_directory_path() / ("orlentis-child-" + std::to_string(::getpid()) +
                                                   "-" + std::to_string(++counter) + "." + kind);
}

[[noreturn]] void ExecChild(const ChildProcess::Launch& launch, const std::filesystem::path& out,
                            const std::filesystem::path& err, const std::filesystem::path& in) {
  if (!in.empty()) {
    const int inFd = ::open(in.c_str(), O_RDONLY);
    ::dup2(inFd, STDIN_FILENO);
  }
  const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(outFd, STDOUT_FILENO);
  ::dup2(errFd, STDERR_FILENO);
  if (!launch.workingFolder.empty() && ::chdir(launch.workingFolder.c_str()) != 0) ::_exit(126);
  for (const auto& entry : launch.environment) ::putenv(const_cast<char*>(entry.c_str()));
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(launch.program.c_str()));
  for (const auto& argument : launch.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(launch.program.c_str(), argv.data());
  ::_exit(127);
}

int DecodeStatus(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ChildProcess::ChildProcess(const Launch& launch, const std::string& standardInput)
    : errorFile_(NewCaptureFile("err")), outputFile_(NewCaptureFile("out")) {
  if (!standardInput.empty()) {
    inputFile_ = NewCaptureFile("in");
    WriteWholeFile(inputFile_, standardInput);
  }
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) ExecChild(launch, outputFile_, errorFile_, inputFile_);
}

ChildProcess::~ChildProcess() {
  if (!status_) {
    ::kill(pid_, SIGKILL);
    Wait(5000);
  }
  std::error_code error;
  std::filesystem::remove(errorFile_, error);
  std::filesystem::remove(outputFile_, error);
  if (!inputFile_.empty()) std::filesystem::remove(inputFile_, error);
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!status_) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = DecodeStatus(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

// Once reaped, the number may already belong to another process.
void ChildProcess::Signal(int signalNumber) {
  if (!status_) ::kill(pid_, signalNumber);
}

bool ChildProcess::WaitForError(const std::string& text, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ErrorOutput().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return ErrorOutput().find(text) != std::string::npos;
}

std::string ChildProcess::ErrorOutput() const {
  return ReadWholeFile(errorFile_);
}
std::string ChildProcess::StandardOutput() const {
  return ReadWholeFile(outputFile_);
}

int RunToEnd(const ChildProcess::Launch& launch, int timeoutMs, std::string* errorOutput) {
  ChildProcess child(launch);
  const auto status = child.Wait(timeoutMs);
  if (errorOutput != nullptr) *errorOutput = child.ErrorOutput();
  return status.value_or(-1);
}

}  // namespace orlentis::testing
