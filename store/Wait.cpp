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

}  // namespace viewersettings::store
