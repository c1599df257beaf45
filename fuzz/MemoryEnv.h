// A platform whose files live in memory, so that a settings call costs no system calls.
//
// The library runs on one thread here, so nothing it does may ever find a file or the writers'
// lock held: that would be a handle or lock it forgot to release, or one it takes twice. Nor may
// it remove or rename a file it holds open, which Windows refuses. Each of these ends the run on
// the spot, with the stack that shows where.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/Env.h"

namespace fuzzing {

class MemoryEnv final : public viewersettings::platform::Env {
 public:
  static constexpr char16_t kDirectory[] = u"/viewer";

  // Path to content, in bytes.
  std::map<std::u16string, std::string>& Files() { return files_; }
  size_t OpenFiles() const { return openPaths_.size(); }
  bool WritersLocked() const { return writersLocked_; }

  std::u16string ExecutableDirectory() override { return kDirectory; }
  std::unique_ptr<viewersettings::platform::File> Open(
      const std::u16string& path, viewersettings::platform::OpenMode mode,
      viewersettings::platform::Status* status) override;
  viewersettings::platform::Status Replace(const std::u16string& from,
                                           const std::u16string& to) override;
  bool Remove(const std::u16string& path) override;
  bool SyncDirectory(const std::u16string&) override { return true; }
  std::unique_ptr<viewersettings::platform::Lock> LockWriters(
      const std::u16string& dir, std::chrono::steady_clock::time_point deadline,
      viewersettings::platform::Status* status) override;

 private:
  class MemoryFile;
  class WritersLock;

  std::map<std::u16string, std::string> files_;
  std::set<std::u16string> openPaths_;
  bool writersLocked_ = false;
};

}  // namespace fuzzing
