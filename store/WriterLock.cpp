#include "store/WriterLock.h"

#include <memory>

#include "platform/Env.h"
#include "store/Wait.h"

namespace viewersettings::store {
namespace {

using platform::CurrentEnv;
using platform::Status;

struct WriterState {
  int depth = 0;
  std::u16string dir;
  std::unique_ptr<platform::Lock> lock;
};
thread_local WriterState t_writer;

}  // namespace

WriterLock::WriterLock(const std::u16string& dir) {
  if (t_writer.depth > 0) {
    // Held further up this thread's stack: the same call, one level down.
    held_ = t_writer.dir == dir;
    if (held_) ++t_writer.depth;
    return;
  }
  Status status;
  std::unique_ptr<platform::Lock> lock = CurrentEnv().LockWriters(dir, CallDeadline(), &status);
  if (status != Status::kOk) return;
  t_writer.dir = dir;
  t_writer.lock = std::move(lock);
  t_writer.depth = 1;
  held_ = true;
}

WriterLock::~WriterLock() {
  if (held_ && --t_writer.depth == 0) t_writer.lock.reset();
}

}  // namespace viewersettings::store
