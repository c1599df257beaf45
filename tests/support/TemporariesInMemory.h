// Test support: while one lives, temporary directories (SettingsDir's included) are made in
// memory where the system offers it, /dev/shm on Linux. For sweeps of thousands of write-backs:
// on a journalled disk that others are busy with, each replacement of a file can take
// milliseconds.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

class TemporariesInMemory {
 public:
  TemporariesInMemory() {
#if defined(__linux__)
    if (!std::filesystem::is_directory("/dev/shm")) return;
    if (const char* previous = std::getenv("TMPDIR")) previous_ = previous;
    changed_ = setenv("TMPDIR", "/dev/shm", 1) == 0;
#endif
  }
  ~TemporariesInMemory() {
#if defined(__linux__)
    if (!changed_) return;
    if (previous_) {
      setenv("TMPDIR", previous_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
#endif
  }
  TemporariesInMemory(const TemporariesInMemory&) = delete;
  TemporariesInMemory& operator=(const TemporariesInMemory&) = delete;

 private:
  std::optional<std::string> previous_;
  bool changed_ = false;
};

}  // namespace testing_support
