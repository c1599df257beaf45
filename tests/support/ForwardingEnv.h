// Test support: a platform that hands every call to the real one. Test platforms derive from it
// and change only what they are about. It puts itself in place of the platform for its lifetime.
#pragma once

#include "platform/Env.h"

namespace testing_support {

class ForwardingEnv : public viewersettings::platform::Env {
 public:
  ForwardingEnv() { viewersettings::platform::SetEnvForTesting(this); }
  ~ForwardingEnv() override { viewersettings::platform::SetEnvForTesting(nullptr); }

  std::u16string ExecutableDirectory() override { return Real().ExecutableDirectory(); }
  std::unique_ptr<viewersettings::platform::File> Open(
      const std::u16string& path, viewersettings::platform::OpenMode mode,
      viewersettings::platform::Status* status) override {
    return Real().Open(path, mode, status);
  }
  std::u16string ResolveLinks(const std::u16string& path) override {
    return Real().ResolveLinks(path);
  }
  viewersettings::platform::Status Replace(const std::u16string& from,
                                           const std::u16string& to) override {
    return Real().Replace(from, to);
  }
  bool Remove(const std::u16string& path) override { return Real().Remove(path); }
  bool SyncDirectory(const std::u16string& dir) override { return Real().SyncDirectory(dir); }
  std::u16string JournalPath(const std::u16string& file) override {
    return Real().JournalPath(file);
  }
  viewersettings::platform::Status FindJournal(const std::u16string& file) override {
    return Real().FindJournal(file);
  }
  std::unique_ptr<viewersettings::platform::Lock> LockWriters(
      const std::u16string& dir, std::chrono::steady_clock::time_point deadline,
      viewersettings::platform::Status* status) override {
    return Real().LockWriters(dir, deadline, status);
  }

 protected:
  static viewersettings::platform::Env& Real() { return viewersettings::platform::DefaultEnv(); }
};

}  // namespace testing_support
