#include "store/Wait.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace viewersettings::store {
namespace {

using Clock = std::chrono::steady_clock;
using platform::CurrentEnv;
using platform::Status;

std::atomic<int64_t> g_busyWaitMs{kBusyWait.count()};

struct CallState {
  int depth = 0;
  Clock::time_point deadline;
  std::chrono::milliseconds pause{0};
};
thread_local CallState t_call;

// Nothing here needs destroying when the thread ends: with MinGW the storage of a thread_local
// can be freed before its destructor runs at the thread's exit, which crashed 64-bit processes.
// The outermost WriterLock owns the lock and the folder's name.
struct WriterState {
  int depth = 0;
  const std::u16string* dir = nullptr;
};
thread_local WriterState t_writer;

}  // namespace

void SetBusyWaitForTesting(std::chrono::milliseconds wait) {
  g_busyWaitMs = wait.count();
}

CallScope::CallScope() {
  if (t_call.depth++ == 0) {
    t_call.deadline = Clock::now() + std::chrono::milliseconds(g_busyWaitMs.load());
    t_call.pause = std::chrono::milliseconds(0);
  }
}

CallScope::~CallScope() {
  --t_call.depth;
}

bool WaitBeforeRetry() {
  const Clock::time_point now = Clock::now();
  if (t_call.depth == 0 || now >= t_call.deadline) return false;
  // Short pauses first, since most holders are other settings calls of a millisecond or two.
  t_call.pause = std::min(std::max(t_call.pause * 2, std::chrono::milliseconds(1)),
                          std::chrono::milliseconds(16));
  std::this_thread::sleep_for(std::min<Clock::duration>(t_call.pause, t_call.deadline - now));
  return true;
}

Clock::time_point CallDeadline() {
  return t_call.depth > 0 ? t_call.deadline : Clock::now();
}

std::unique_ptr<platform::File> OpenWhenFree(const std::u16string& path, platform::OpenMode mode,
                                             Status* status) {
  std::unique_ptr<platform::File> file;
  *status = RetryWhileBusy([&] {
    Status attempt;
    file = CurrentEnv().Open(path, mode, &attempt);
    return attempt;
  });
  return file;
}

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
