#include "platform/Env.h"

#include <atomic>
#include <mutex>

#include "ViewerSettings.h"

namespace viewersettings::platform {
namespace {

std::atomic<Env*> g_testEnv{nullptr};

std::mutex& OverrideMutex() {
  static std::mutex mutex;
  return mutex;
}

std::u16string& ExeRootOverride() {
  static std::u16string dir;
  return dir;
}

}  // namespace

Env& CurrentEnv() {
  Env* env = g_testEnv.load(std::memory_order_acquire);
  return env ? *env : DefaultEnv();
}

void SetEnvForTesting(Env* env) { g_testEnv.store(env, std::memory_order_release); }

std::u16string GetExeRootPath() {
  {
    std::lock_guard<std::mutex> lock(OverrideMutex());
    if (!ExeRootOverride().empty()) return ExeRootOverride();
  }
  return CurrentEnv().ExecutableDirectory();
}

}  // namespace viewersettings::platform

void SetExeRootPathOverride(const std::u16string& dir) {
  using namespace viewersettings::platform;
  std::lock_guard<std::mutex> lock(OverrideMutex());
  try {
    ExeRootOverride() = dir;
  } catch (...) {
    // Out of memory: keep the previous directory rather than let the exception cross the API.
  }
}
