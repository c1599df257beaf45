// The writers' lock of the settings files of one directory.
#pragma once

#include <memory>
#include <string>

#include "platform/Env.h"

namespace viewersettings::store {

// The lock that every writer of the settings files in `dir` holds from reading the file until
// its replacement is in place, so that concurrent setters (threads or processes) never lose a
// change. Re-entrant on one thread: the first-run defaults are stored by setters that run
// inside the call that holds it.
class WriterLock {
 public:
  explicit WriterLock(const std::u16string& dir);
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  bool Held() const { return held_; }

 private:
  bool held_ = false;
  // Where this is the thread's outermost holder.
  std::u16string dir_;
  std::unique_ptr<platform::Lock> lock_;
};

}  // namespace viewersettings::store
