#include "support/Unprivileged.h"

#if !defined(_WIN32)

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

#include <string>

namespace testing_support {
namespace {

// Hands every failure in the forked process to the test's process through a pipe.
class FailuresToPipe : public testing::EmptyTestEventListener {
 public:
  explicit FailuresToPipe(int fd) : fd_(fd) {}
  void OnTestPartResult(const testing::TestPartResult& result) override {
    if (!result.failed()) return;
    std::string report = std::string(result.file_name() ? result.file_name() : "?") + ":" +
                         std::to_string(result.line_number()) + ": " + result.message() + "\n";
    for (size_t at = 0; at < report.size();) {
      const ssize_t put = write(fd_, report.data() + at, report.size() - at);
      if (put <= 0) return;
      at += static_cast<size_t>(put);
    }
  }

 private:
  int fd_;
};

}  // namespace

bool RunningAsRoot() {
  return geteuid() == 0;
}

void RunAsOrdinaryUser(const std::function<void()>& part) {
  if (!RunningAsRoot()) {
    part();
    return;
  }
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr) << "no user nobody on this system";
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFds[0]);
    testing::UnitTest::GetInstance()->listeners().Append(new FailuresToPipe(pipeFds[1]));
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
      ADD_FAILURE() << "cannot become the user nobody";
      _exit(1);
    }
    part();
    _exit(0);
  }
  close(pipeFds[1]);
  std::string failures;
  char buffer[4096];
  for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    failures.append(buffer, static_cast<size_t>(got));
  }
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  EXPECT_TRUE(failures.empty()) << "as the user nobody:\n" << failures;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the process of the user nobody ended abnormally (" << status << ")";
}

}  // namespace testing_support

#endif
