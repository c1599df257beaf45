#include "store/WriterLock.h"

#include <memory>

#include "platform/Env.h"
#include "store/Wait.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::Status;

// Nothing here needs destroying when the thread ends: with MinGW the storage of a thread_local
// can be freed before its destructor runs at the thread's exit, which crashed 64-bit processes.
// The outermost WriterLock owns the lock and the folder's name.
struct WriterState {
  int depth = 0;
  const std::u16string* dir = nullptr;
};
thread_local WriterState t_writer;

}  // namespace

WriterLock::WriterLock(const std::u16string& dir) {
  if (t_writer.depth > 0) {
    // Held further up this thread's stack: the same call, one level down.
    held_ = *t_writer.dir == dir;
    if (held_) ++t_writer.depth;
    return;
  }
  Status status;
  lock_ = CurrentEnv().LockWriters(dir, CallDeadline(), &status);
  if (status != Status::kOk) {
    lock_.reset();
    return;
  }
  dir_ = dir;
  t_writer.dir = &dir_;
  t_writer.depth = 1;
  held_ = true;
}

WriterLock::~WriterLock() {
  if (held_ && --t_writer.depth == 0) t_writer.dir = nullptr;
}

}  // namespace viewersettings::store
