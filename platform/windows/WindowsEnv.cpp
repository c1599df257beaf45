// The platform on Windows: the host executable's directory from GetModuleFileNameW, and files
// opened with CreateFileW without sharing, so that a file held by another call makes the open
// fail and is never truncated by the failed opener.
#include <windows.h>

#include "platform/Env.h"

namespace viewersettings::platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 strings are passed to the system");

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

class WindowsFile final : public File {
 public:
  explicit WindowsFile(HANDLE handle) : handle_(handle) {}
  ~WindowsFile() override { Close(); }

  bool Length(uint64_t* bytes) override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return false;
    *bytes = static_cast<uint64_t>(size.QuadPart);
    return true;
  }

  bool SeekToStart() override {
    LARGE_INTEGER zero{};
    return SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN) != 0;
  }

  bool Read(void* buffer, size_t bytes) override {
    auto* out = static_cast<char*>(buffer);
    while (bytes > 0) {
      const DWORD chunk = bytes > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes);
      DWORD got = 0;
      if (!ReadFile(handle_, out, chunk, &got, nullptr) || got == 0) return false;
      out += got;
      bytes -= got;
    }
    return true;
  }

  bool Write(const void* data, size_t bytes) override {
    const auto* in = static_cast<const char*>(data);
    while (bytes > 0) {
      const DWORD chunk = bytes > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes);
      DWORD put = 0;
      if (!WriteFile(handle_, in, chunk, &put, nullptr) || put == 0) return false;
      in += put;
      bytes -= put;
    }
    return true;
  }

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

class WindowsEnv final : public Env {
 public:
  std::u16string ExecutableDirectory() override {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
      const DWORD length = GetModuleFileNameW(
          nullptr, reinterpret_cast<wchar_t*>(&path[0]), static_cast<DWORD>(path.size()));
      if (length == 0) return std::u16string();
      if (length < path.size()) {
        path.resize(length);
        break;
      }
      path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
    const size_t slash = path.find_last_of(u'\\');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
  }

  std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode) override {
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
      case OpenMode::kReadExisting: break;
      case OpenMode::kCreateWrite:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
      case OpenMode::kCreateReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
      case OpenMode::kCreateNew:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    }
    const HANDLE handle = CreateFileW(Wide(path), access, 0 /* no sharing */, nullptr,
                                      disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WindowsFile>(handle);
  }

  bool Remove(const std::u16string& path) override { return DeleteFileW(Wide(path)) != 0; }
};

}  // namespace

Env& DefaultEnv() {
  static WindowsEnv env;
  return env;
}

}  // namespace viewersettings::platform
