// Test support: starting the settings worker as a child process, waiting for it and killing it,
// with posix_spawn and signals on Linux and CreateProcessW and TerminateProcess on Windows.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// settings_worker, which the build puts beside the test executable.
std::u16string WorkerPath();

class ChildProcess {
 public:
  // Starts `program` with `arguments`; Started() tells whether that worked.
  ChildProcess(const std::u16string& program, const std::vector<std::u16string>& arguments);
  // A child that still runs is killed, so that no test leaves one behind.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return started_; }
  // The exit code once the child has ended within `timeout`, else nothing. A child ended by a
  // signal gives -1.
  std::optional<int> WaitFor(std::chrono::milliseconds timeout);
  // Ends the child at once, wherever it is, and waits until it is gone.
  void Kill();

 private:
  bool started_ = false;
  std::optional<int> exitCode_;
#if defined(_WIN32)
  void* process_ = nullptr;
#else
  int pid_ = -1;
#endif
};

}  // namespace testing_support
