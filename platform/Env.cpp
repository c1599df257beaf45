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

void SetEnvForTesting(Env* env) {
  g_testEnv.store(env, std::memory_order_release);
}

uint64_t HashPath(const std::u16string& path) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char16_t unit : path) {
#if defined(_WIN32)
    if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - (u'a' - u'A'));
#endif
    hash = (hash ^ unit) * 1099511628211ull;
  }
  return hash;
}

std::u16string Hex64(uint64_t value) {
  std::u16string digits;
  for (int shift = 60; shift >= 0; shift -= 4) digits += u"0123456789abcdef"[(value >> shift) & 15];
  return digits;
}

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
