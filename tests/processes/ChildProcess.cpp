#include "processes/ChildProcess.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;
#endif

#include "platform/Env.h"
#include "support/SettingsDir.h"

namespace testing_support {

std::u16string WorkerPath() {
  const std::u16string dir = viewersettings::platform::DefaultEnv().ExecutableDirectory();
#if defined(_WIN32)
  return dir + u"\\settings_worker.exe";
#else
  return dir + u"/settings_worker";
#endif
}

#if defined(_WIN32)

namespace {

// One argument as the C runtime of the child splits its command line again: in quotes, with
// quotes escaped and the backslashes before a quote doubled.
std::u16string Quoted(const std::u16string& argument) {
  std::u16string quoted = u"\"";
  size_t backslashes = 0;
  for (char16_t unit : argument) {
    if (unit == u'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(unit == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
    backslashes = 0;
    quoted += unit;
  }
  quoted.append(2 * backslashes, u'\\');
  return quoted + u'"';
}

}  // namespace

ChildProcess::ChildProcess(const std::u16string& program,
                           const std::vector<std::u16string>& arguments) {
  std::u16string commandLine = Quoted(program);
  for (const std::u16string& argument : arguments) commandLine += u' ' + Quoted(argument);
  // The child reports its failures on the test's own error output.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  started_ = CreateProcessW(reinterpret_cast<const wchar_t*>(program.c_str()),
                            reinterpret_cast<wchar_t*>(&commandLine[0]), nullptr, nullptr, TRUE, 0,
                            nullptr, nullptr, &startup, &info) != 0;
  if (!started_) return;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
}

ChildProcess::~ChildProcess() {
  Kill();
  if (process_) CloseHandle(process_);
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  if (!started_ || exitCode_) return exitCode_;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  exitCode_ = GetExitCodeProcess(process_, &code) ? static_cast<int>(code) : -1;
  return exitCode_;
}

void ChildProcess::Kill() {
  if (!started_ || exitCode_) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, INFINITE);
  exitCode_ = -1;
}

#else

ChildProcess::ChildProcess(const std::u16string& program,
                           const std::vector<std::u16string>& arguments) {
  std::vector<std::string> strings{Utf8(program)};
  for (const std::u16string& argument : arguments) strings.push_back(Utf8(argument));
  std::vector<char*> argv;
  for (std::string& text : strings) argv.push_back(&text[0]);
  argv.push_back(nullptr);
  pid_t pid;
  started_ = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
  if (started_) pid_ = pid;
}

ChildProcess::~ChildProcess() {
  Kill();
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  if (!started_ || exitCode_) return exitCode_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return exitCode_;
    }
    if (done < 0 && errno != EINTR) {
      exitCode_ = -1;  // not our child any more: nothing left to wait for
      return exitCode_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void ChildProcess::Kill() {
  if (!started_ || exitCode_) return;
  kill(pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  exitCode_ = -1;
}

#endif

}  // namespace testing_support
