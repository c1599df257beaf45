// The platform on POSIX systems. Windows opens files without sharing; here every open takes an
// exclusive, non-blocking flock right after open() and before any truncation, so a file held by
// another call (thread or process) makes the open fail and is never cut by the failed opener.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/Env.h"
#include "platform/Utf8.h"

namespace viewersettings::platform {
namespace {

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { Close(); }

  bool Length(uint64_t* bytes) override {
    struct stat info;
    if (fstat(fd_, &info) != 0) return false;
    *bytes = static_cast<uint64_t>(info.st_size);
    return true;
  }

  bool SeekToStart() override { return lseek(fd_, 0, SEEK_SET) == 0; }

  bool Read(void* buffer, size_t bytes) override {
    auto* out = static_cast<char*>(buffer);
    while (bytes > 0) {
      const ssize_t got = read(fd_, out, bytes);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      out += got;
      bytes -= static_cast<size_t>(got);
    }
    return true;
  }

  bool Write(const void* data, size_t bytes) override {
    const auto* in = static_cast<const char*>(data);
    while (bytes > 0) {
      const ssize_t put = write(fd_, in, bytes);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      in += put;
      bytes -= static_cast<size_t>(put);
    }
    return true;
  }

  bool Close() override {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

class PosixEnv final : public Env {
 public:
  std::u16string ExecutableDirectory() override {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return std::u16string();
    std::string exe(path, static_cast<size_t>(length));
    const size_t slash = exe.rfind('/');
    return FromUtf8(slash == std::string::npos ? std::string() : exe.substr(0, slash));
  }

  std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::kReadExisting: flags |= O_RDONLY; break;
      case OpenMode::kCreateWrite: flags |= O_WRONLY | O_CREAT; break;
      case OpenMode::kCreateReadWrite: flags |= O_RDWR | O_CREAT; break;
      case OpenMode::kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    }
    const std::string name = ToUtf8(path);
    int fd;
    do {
      fd = open(name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    auto file = std::make_unique<PosixFile>(fd);
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    int locked;
    do {
      locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) return nullptr;
    const bool truncate = mode == OpenMode::kCreateWrite || mode == OpenMode::kCreateReadWrite;
    if (truncate && ftruncate(fd, 0) != 0) return nullptr;
    return file;
  }

  bool Remove(const std::u16string& path) override { return unlink(ToUtf8(path).c_str()) == 0; }
};

}  // namespace

Env& DefaultEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace viewersettings::platform
