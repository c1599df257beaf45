// Waiting for a file or lock that another call holds.
//
// A call that meets the settings file held by another call waits for it, up to kBusyWait in all,
// before it fails: so a getter does not answer "missing" only because another module was
// writing at that moment. One exported call shares one deadline across all its file accesses.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/Env.h"

namespace viewersettings::store {

constexpr std::chrono::milliseconds kBusyWait{2000};

// Tests only: how long a call waits for a busy file from now on.
void SetBusyWaitForTesting(std::chrono::milliseconds wait);

// Marks one exported call. The outermost scope on a thread fixes the deadline that every wait
// inside it shares: a call made of several accesses to the file opens one before the first.
class CallScope {
 public:
  CallScope();
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
};

// Calls `attempt` (which sets a platform::Status) until it is not kBusy or the deadline of the
// current call has passed, pausing briefly in between. Returns the last status.
template <class Attempt>
platform::Status RetryWhileBusy(Attempt&& attempt);

// Whether the current call may go on waiting, and a pause before the next attempt.
bool WaitBeforeRetry();
// When the current call stops waiting (now, outside any call).
std::chrono::steady_clock::time_point CallDeadline();

template <class Attempt>
platform::Status RetryWhileBusy(Attempt&& attempt) {
  platform::Status status;
  do {
    status = attempt();
  } while (status == platform::Status::kBusy && WaitBeforeRetry());
  return status;
}

// Opens a file, waiting while another opener holds it.
std::unique_ptr<platform::File> OpenWhenFree(const std::u16string& path, platform::OpenMode mode,
                                             platform::Status* status);

}  // namespace viewersettings::store
