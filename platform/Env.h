// The narrow platform layer: the executable's directory and exclusive file access.
//
// Everything the library needs from the operating system goes through Env, so that tests can
// put a fault-injecting implementation in its place.
#pragma once

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

// An open file. Destruction closes it; Close reports whether closing succeeded.
class File {
 public:
  virtual ~File() = default;
  virtual bool Length(uint64_t* bytes) = 0;
  virtual bool SeekToStart() = 0;
  // Reads or writes exactly `bytes`; anything less is a failure.
  virtual bool Read(void* buffer, size_t bytes) = 0;
  virtual bool Write(const void* data, size_t bytes) = 0;
  virtual bool Close() = 0;
};

enum class OpenMode {
  kReadExisting,     // existing file only, read access
  kCreateWrite,      // create or truncate, write access
  kCreateReadWrite,  // create or truncate, read and write access
  kCreateNew,        // create a file that does not exist yet, read and write access
};

class Env {
 public:
  virtual ~Env() = default;
  // Directory of the host executable, as the system reports it.
  virtual std::u16string ExecutableDirectory() = 0;
  // Every open is without sharing: it fails while another opener, in this process or another,
  // holds the file, and a failed open never truncates it. Null on failure.
  virtual std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
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
