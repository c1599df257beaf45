// The narrow platform layer: the executable's directory, exclusive file access, atomic
// replacement and the lock that serialises writers.
//
// Everything the library needs from the operating system goes through Env, so that tests can
// put a fault-injecting or simulated implementation in its place.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace viewersettings::platform {

#if defined(_WIN32)
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// Why an operation failed. kBusy means another opener holds the file or the lock: the caller
// may wait and try again. Every other failure is final.
enum class Status { kOk, kBusy, kNotFound, kFailed };

// An open file. Destruction closes it; Close reports whether closing succeeded.
class File {
 public:
  virtual ~File() = default;
  virtual bool Length(uint64_t* bytes) = 0;
  // Reads or writes exactly `bytes` at the current position; anything less is a failure.
  virtual bool Read(void* buffer, size_t bytes) = 0;
  virtual bool Write(const void* data, size_t bytes) = 0;
  // Returns once what was written has reached stable storage.
  virtual bool Flush() = 0;
  virtual bool Close() = 0;
};

// A held lock; destruction releases it.
class Lock {
 public:
  virtual ~Lock() = default;
};

enum class OpenMode {
  kReadExisting,   // read access to an existing file
  kWriteExisting,  // write access to an existing file, which is left as it is
  kCreateNew,      // a file that does not exist yet, read and write access
};

class Env {
 public:
  virtual ~Env() = default;
  // Directory of the host executable, as the system reports it.
  virtual std::u16string ExecutableDirectory() = 0;
  // Every open is without sharing: while another opener, in this process or another, holds the
  // file, the open fails with kBusy.
  virtual std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode, Status* status) = 0;
  // Puts `from` in the place of `to` in one step, so that `to` is always either the old or the
  // new file. kBusy while another opener holds `to`.
  virtual Status Replace(const std::u16string& from, const std::u16string& to) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
  // Makes the names in `dir` durable: a replacement survives a power cut once this returns.
  virtual bool SyncDirectory(const std::u16string& dir) = 0;
  // Takes the lock that writers of the settings files in `dir` hold from reading the file until
  // it is replaced, in this process and in every other, waiting for it until `deadline` (then
  // kBusy). Waiters are served as the system queues them, so a writer that calls again and again
  // cannot keep the others out. Not re-entrant.
  virtual std::unique_ptr<Lock> LockWriters(const std::u16string& dir,
                                            std::chrono::steady_clock::time_point deadline,
                                            Status* status) = 0;
};

// The real platform.
Env& DefaultEnv();
// The platform in use: the real one unless a test has put another in its place.
Env& CurrentEnv();
// Tests only: null restores the real platform.
void SetEnvForTesting(Env* env);

// The executable's directory: the override of SetExeRootPathOverride when one is set,
// else the platform's answer.
std::u16string GetExeRootPath();

}  // namespace viewersettings::platform
