// The platform on POSIX systems.
//
// Windows opens files without sharing; here every open takes an exclusive, non-blocking flock
// right after open() and before anything else happens to the file, so that a file held by
// another call (thread or process) makes the open fail as busy. Writers are serialised by a
// flock on the directory: unlike the settings file, which each write replaces by a new one, the
// directory stays the same object, so a writer that waited never holds the lock of a file that
// is no longer there.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Env.h"
#include "text/Utf8.h"

namespace viewersettings::platform {
namespace {

using text::FromUtf8;
using text::ToUtf8;

int OpenRetryingInterrupts(const std::string& name, int flags, mode_t permissions = 0666) {
  int fd;
  do {
    fd = open(name.c_str(), flags, permissions);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Takes the exclusive lock without waiting; kBusy when another open file description holds it.
Status LockExclusively(int fd) {
  int locked;
  do {
    locked = flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked == 0) return Status::kOk;
  return errno == EWOULDBLOCK ? Status::kBusy : Status::kFailed;
}

// A file that its mode lets no one write.
bool IsReadOnly(const struct stat& info) {
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

Status StatusOfErrno() {
  switch (errno) {
    case ENOENT:
      return Status::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return Status::kDenied;
    default:
      return Status::kFailed;
  }
}

// Gives `to` the extended attributes of `from` that it lacks: access control lists and security
// labels live there. Any that cannot be given means the file would not stay what it was.
Status CopyExtendedAttributes(const std::string& from, const std::string& to) {
#if defined(__linux__)
  const auto valueOf = [](const std::string& file, const char* name, std::string* value) {
    const ssize_t size = getxattr(file.c_str(), name, nullptr, 0);
    if (size < 0) return false;
    value->assign(static_cast<size_t>(size), '\0');
    const ssize_t got = getxattr(file.c_str(), name, &(*value)[0], value->size());
    if (got < 0) return false;
    value->resize(static_cast<size_t>(got));
    return true;
  };
  // The names, each NUL-terminated; nothing where the file system keeps none.
  const auto namesOf = [](const std::string& file, std::string* names) {
    ssize_t size = listxattr(file.c_str(), nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    names->assign(static_cast<size_t>(size), '\0');
    size = listxattr(file.c_str(), &(*names)[0], names->size());
    if (size < 0) return false;
    names->resize(static_cast<size_t>(size));
    return true;
  };
  const auto each = [](const std::string& names, auto&& visit) {
    for (size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
      if (!visit(names.c_str() + at)) return false;
    }
    return true;
  };
  std::string wanted;
  std::string present;
  if (!namesOf(from, &wanted) || !namesOf(to, &present)) return Status::kDenied;
  std::string value;
  std::string current;
  const bool copied = each(wanted, [&](const char* name) {
    if (!valueOf(from, name, &value)) return false;
    if (valueOf(to, name, &current) && current == value) return true;  // a label both have
    return setxattr(to.c_str(), name, value.data(), value.size(), 0) == 0;
  });
  // What the new file got from its directory (a default access list) and the old one lacked.
  const bool trimmed = each(present, [&](const char* name) {
    return getxattr(from.c_str(), name, nullptr, 0) >= 0 || removexattr(to.c_str(), name) == 0;
  });
  if (!copied || !trimmed) return Status::kDenied;
#else
  (void)from;
  (void)to;
#endif
  return Status::kOk;
}

// Gives the new file `source` what made the old one (`old`, the stat of `target`) the file it
// was: owner and group first, since a change of owner clears the set-id bits, then the
// permissions, then the extended attributes.
Status TakeIdentity(const std::string& source, const std::string& target, const struct stat& old) {
  struct stat fresh;
  if (stat(source.c_str(), &fresh) != 0) return StatusOfErrno();
  if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
      chown(source.c_str(), old.st_uid, old.st_gid) != 0) {
    return errno == EPERM ? Status::kDenied : StatusOfErrno();
  }
  if ((fresh.st_mode & 07777) != (old.st_mode & 07777) &&
      chmod(source.c_str(), old.st_mode & 07777) != 0) {
    return StatusOfErrno();
  }
  return CopyExtendedAttributes(target, source);
}

// The owners below are made before the descriptor is opened and then adopt it, so that running
// out of memory can never leave a descriptor (and with it the file's lock) behind.
class PosixFile final : public File {
 public:
  void Adopt(int fd) { fd_ = fd; }
  ~PosixFile() override { Close(); }

  bool Length(uint64_t* bytes) override {
    struct stat info;
    if (fstat(fd_, &info) != 0) return false;
    *bytes = static_cast<uint64_t>(info.st_size);
    return true;
  }

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

  bool Seek(uint64_t offset) override {
    return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
  }

  bool Truncate() override {
    const off_t position = lseek(fd_, 0, SEEK_CUR);
    if (position < 0) return false;
    int cut;
    do {
      cut = ftruncate(fd_, position);
    } while (cut != 0 && errno == EINTR);
    return cut == 0;
  }

  bool Flush() override { return fsync(fd_) == 0; }

  bool Close() override {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

class DirectoryLock final : public Lock {
 public:
  void Adopt(int fd) { fd_ = fd; }
  int Descriptor() const { return fd_; }
  // Lets go of the descriptor without closing it: another owner closes it.
  void Release() { fd_ = -1; }
  ~DirectoryLock() override {
    if (fd_ >= 0) close(fd_);
  }

 private:
  int fd_ = -1;
};

// The name of a settings file's journal, made without the heap since every call looks for it:
// in /var/tmp, which outlives a restart where /tmp often does not, and named after the user
// too, since the directory is shared.
class JournalName {
 public:
  const char* Of(const std::u16string& file) {
    std::snprintf(name_, sizeof name_, "/var/tmp/VorelViewerSysSetting-%lu-%016llx.journal",
                  static_cast<unsigned long>(geteuid()),
                  static_cast<unsigned long long>(HashPath(file)));
    return name_;
  }

 private:
  char name_[80];
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

  std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode, Status* status) override {
    int flags = O_CLOEXEC;
    mode_t permissions = 0666;
    switch (mode) {
      case OpenMode::kReadExisting:
        flags |= O_RDONLY;
        break;
      case OpenMode::kWriteExisting:
        flags |= O_WRONLY;
        break;
      case OpenMode::kUpdateExisting:
        flags |= O_RDWR;
        break;
      case OpenMode::kCreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
      case OpenMode::kCreatePrivate:
        // O_EXCL never follows a link planted under the name.
        flags |= O_RDWR | O_CREAT | O_EXCL;
        permissions = 0600;
        break;
      case OpenMode::kReadPrivate:
        flags |= O_RDONLY | O_NOFOLLOW;
        break;
    }
    const bool isPrivate = mode == OpenMode::kCreatePrivate || mode == OpenMode::kReadPrivate;
    const bool writesExisting =
        mode == OpenMode::kWriteExisting || mode == OpenMode::kUpdateExisting;
    const std::string name = ToUtf8(path);
    auto file = std::make_unique<PosixFile>();
    const int fd = OpenRetryingInterrupts(name, flags, permissions);
    if (fd < 0) {
      // A link where a private file should be is someone else's.
      *status = isPrivate && errno == ELOOP ? Status::kDenied : StatusOfErrno();
      struct stat refused;
      if (writesExisting && *status == Status::kDenied && stat(name.c_str(), &refused) == 0 &&
          IsReadOnly(refused)) {
        *status = Status::kReadOnly;
      }
      return nullptr;
    }
    file->Adopt(fd);
    struct stat info;
    // A directory or device standing where the file should be is not a settings file; Windows
    // refuses to open a directory as a file too.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      *status = Status::kFailed;
      return nullptr;
    }
    if (isPrivate && (info.st_uid != geteuid() || (info.st_mode & 022) != 0)) {
      *status = Status::kDenied;
      return nullptr;
    }
    // The system lets root write such a file; the library does not.
    if (writesExisting && IsReadOnly(info)) {
      *status = Status::kReadOnly;
      return nullptr;
    }
    *status = LockExclusively(fd);
    if (*status != Status::kOk) return nullptr;
    return file;
  }

  std::u16string ResolveLinks(const std::u16string& path) override {
    std::string name = ToUtf8(path);
    bool followed = false;
    // No further than the system follows links, so a loop of them ends.
    for (int hops = 0; hops < 40; ++hops) {
      char buffer[PATH_MAX];
      const ssize_t length = readlink(name.c_str(), buffer, sizeof buffer);
      if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) break;
      std::string target(buffer, static_cast<size_t>(length));
      if (target[0] != '/') {
        const size_t slash = name.rfind('/');
        if (slash != std::string::npos) target.insert(0, name, 0, slash + 1);
      }
      name = std::move(target);
      followed = true;
    }
    return followed ? FromUtf8(name) : path;
  }

  Status Replace(const std::u16string& from, const std::u16string& to) override {
    const std::string source = ToUtf8(from);
    const std::string target = ToUtf8(to);
    struct stat old;
    if (stat(target.c_str(), &old) == 0) {
      // A new file in its place would leave the other names with the old text.
      if (old.st_nlink > 1) return Status::kDenied;
      const Status kept = TakeIdentity(source, target, old);
      if (kept != Status::kOk) return kept;
    } else if (errno != ENOENT) {
      return StatusOfErrno();
    }
    if (rename(source.c_str(), target.c_str()) == 0) return Status::kOk;
    return StatusOfErrno();
  }

  bool Remove(const std::u16string& path) override { return unlink(ToUtf8(path).c_str()) == 0; }

  bool SyncDirectory(const std::u16string& dir) override {
    const int fd = OpenRetryingInterrupts(ToUtf8(dir), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
  }

  std::u16string JournalPath(const std::u16string& file) override {
    JournalName name;
    return FromUtf8(name.Of(file));
  }

  Status FindJournal(const std::u16string& file) override {
    JournalName name;
    struct stat info;
    if (lstat(name.Of(file), &info) != 0) return StatusOfErrno();
    const bool own = S_ISREG(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 022) == 0;
    return own ? Status::kOk : Status::kDenied;
  }

  std::unique_ptr<Lock> LockWriters(const std::u16string& dir,
                                    std::chrono::steady_clock::time_point deadline,
                                    Status* status) override {
    const std::string name = ToUtf8(dir);
    auto lock = std::make_unique<DirectoryLock>();
    const int fd = OpenRetryingInterrupts(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      *status = StatusOfErrno();
      return nullptr;
    }
    lock->Adopt(fd);
    *status = LockExclusively(fd);
    if (*status == Status::kBusy) *status = WaitForLock(*lock, deadline);
    if (*status != Status::kOk) return nullptr;
    return lock;
  }

 private:
  // A blocking flock is served in the kernel's order, where trying again and again would let a
  // writer that calls without pause take the lock back every time. flock has no time limit, so
  // the blocking call is made on a thread of its own while this one waits until the deadline; a
  // waiter that gives up leaves the descriptor to that thread, which lets the lock go as soon as
  // it gets it.
  static Status WaitForLock(DirectoryLock& lock, std::chrono::steady_clock::time_point deadline) {
    struct Wait {
      std::mutex mutex;
      std::condition_variable done;
      bool finished = false;
      bool abandoned = false;
      bool locked = false;
    };
    auto wait = std::make_shared<Wait>();
    const int fd = lock.Descriptor();
    std::thread([wait, fd] {
      int result;
      do {
        result = flock(fd, LOCK_EX);
      } while (result != 0 && errno == EINTR);
      std::lock_guard<std::mutex> guard(wait->mutex);
      if (wait->abandoned) {
        close(fd);
        return;
      }
      wait->locked = result == 0;
      wait->finished = true;
      wait->done.notify_one();
    }).detach();
    std::unique_lock<std::mutex> guard(wait->mutex);
    if (wait->done.wait_until(guard, deadline, [&] { return wait->finished; })) {
      return wait->locked ? Status::kOk : Status::kFailed;
    }
    wait->abandoned = true;
    lock.Release();
    return Status::kBusy;
  }
};

}  // namespace

Env& DefaultEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace viewersettings::platform
