// The narrow platform layer: the executable's directory, exclusive file access, atomic
// replacement that keeps the replaced file's identity, a place of the caller's own for rollback
// copies, and the lock that serialises writers.
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
// may wait and try again. kDenied means the system refuses this way for this caller (no right to
// create a file in the directory, a replacement that could not keep the file's owner or links),
// where another way may still work. kReadOnly means an open for writing found a file that no one
// may write (no write permission at all; the read-only attribute on Windows): it is refused
// whoever asks, the system's administrator included. Every other failure is final.
enum class Status { kOk, kBusy, kNotFound, kDenied, kFailed, kReadOnly };

// An open file. Destruction closes it; Close reports whether closing succeeded.
class File {
 public:
  virtual ~File() = default;
  virtual bool Length(uint64_t* bytes) = 0;
  // Reads or writes exactly `bytes` at the current position; anything less is a failure.
  virtual bool Read(void* buffer, size_t bytes) = 0;
  virtual bool Write(const void* data, size_t bytes) = 0;
  // Moves the position to `offset` bytes from the start.
  virtual bool Seek(uint64_t offset) = 0;
  // Ends the file at the current position.
  virtual bool Truncate() = 0;
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
  kReadExisting,    // read access to an existing file
  kWriteExisting,   // write access to an existing file, which is left as it is
  kUpdateExisting,  // read and write access to an existing file, which is left as it is
  kCreateNew,       // a file that does not exist yet, read and write access
  // A file of the caller's own, which nobody else can have made or changed: kCreatePrivate makes
  // one that only its owner can read and write; kReadPrivate opens one for reading and answers
  // kDenied for a file that another user owns or may change.
  kCreatePrivate,
  kReadPrivate,
};

class Env {
 public:
  virtual ~Env() = default;
  // Directory of the host executable, as the system reports it.
  virtual std::u16string ExecutableDirectory() = 0;
  // Every open is without sharing: while another opener, in this process or another, holds the
  // file, the open fails with kBusy.
  virtual std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode, Status* status) = 0;
  // The file that `path` names once symbolic links are followed; `path` itself where it is none.
  // A link whose target does not exist yet names that target.
  virtual std::u16string ResolveLinks(const std::u16string& path) = 0;
  // Puts `from` in the place of `to` in one step, so that `to` is always either the old or the
  // new file, and keeps what makes `to` the file it is: its owner, group and permissions, its
  // access control list and attributes, its other names. kDenied, with both files as they were,
  // where that cannot be kept (another hard link, an owner the caller may not give). A missing
  // `to` is created. kBusy while another opener holds `to`.
  virtual Status Replace(const std::u16string& from, const std::u16string& to) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
  // Makes the names in `dir` durable: a replacement survives a power cut once this returns.
  virtual bool SyncDirectory(const std::u16string& dir) = 0;
  // Where a rollback copy of `file` is kept while `file` is rewritten in place: a name of the
  // calling user's own in the user's temporary directory (the file's own directory may refuse new
  // files), the same in every call for the same `file`, and one that no other name shares.
  virtual std::u16string JournalPath(const std::u16string& file) = 0;
  // One look at JournalPath(file), quick enough for every call: kOk where a file of the caller's
  // own stands there, kDenied where one stands there that is not (another user's, one that
  // others may change, a link), kNotFound where none does.
  virtual Status FindJournal(const std::u16string& file) = 0;
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

// A hash of a path as the platform compares paths (ASCII letters folded where names ignore case),
// so that one file gets one name for what belongs to it.
uint64_t HashPath(const std::u16string& path);
// Sixteen lower-case hexadecimal digits.
std::u16string Hex64(uint64_t value);

// The executable's directory: the override of SetExeRootPathOverride when one is set,
// else the platform's answer.
std::u16string GetExeRootPath();

}  // namespace viewersettings::platform
