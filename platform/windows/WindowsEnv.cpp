// The platform on Windows: the host executable's directory from GetModuleFileNameW, files opened
// with CreateFileW without sharing, so that a file held by another call makes the open fail as
// busy, replacement with a write-through MoveFileExW, and a named mutex per directory for the
// writers' lock, which outlives the files that each write replaces.
#include <windows.h>

#include "platform/Env.h"

namespace viewersettings::platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 strings are passed to the system");

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Another opener holds the file (or, for a replacement, has the target open).
bool IsBusyError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

Status StatusOf(DWORD error) {
  if (IsBusyError(error)) return Status::kBusy;
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Status::kNotFound;
  return Status::kFailed;
}

// The owners below are made before the handle is opened and then adopt it, so that running out
// of memory can never leave the file held without sharing, or the mutex owned.
class WindowsFile final : public File {
 public:
  void Adopt(HANDLE handle) { handle_ = handle; }
  ~WindowsFile() override { Close(); }

  bool Length(uint64_t* bytes) override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return false;
    *bytes = static_cast<uint64_t>(size.QuadPart);
    return true;
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

  bool Flush() override { return FlushFileBuffers(handle_) != 0; }

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class WritersMutex final : public Lock {
 public:
  void Adopt(HANDLE mutex) { mutex_ = mutex; }
  ~WritersMutex() override {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_ = nullptr;
};

class WindowsEnv final : public Env {
 public:
  std::u16string ExecutableDirectory() override {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
      const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(&path[0]),
                                              static_cast<DWORD>(path.size()));
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

  std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode, Status* status) override {
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
      case OpenMode::kReadExisting:
        break;
      case OpenMode::kWriteExisting:
        access = GENERIC_WRITE;
        break;
      case OpenMode::kCreateNew:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    }
    auto file = std::make_unique<WindowsFile>();
    const HANDLE handle = CreateFileW(Wide(path), access, 0 /* no sharing */, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *status = StatusOf(GetLastError());
      return nullptr;
    }
    file->Adopt(handle);
    *status = Status::kOk;
    return file;
  }

  Status Replace(const std::u16string& from, const std::u16string& to) override {
    if (MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Status::kOk;
    }
    // A target that another handle holds open refuses to be replaced, with either error.
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? Status::kBusy : StatusOf(error);
  }

  bool Remove(const std::u16string& path) override { return DeleteFileW(Wide(path)) != 0; }

  // The replacement is made with write-through; there is no directory to flush on its own.
  bool SyncDirectory(const std::u16string&) override { return true; }

  std::unique_ptr<Lock> LockWriters(const std::u16string& dir,
                                    std::chrono::steady_clock::time_point deadline,
                                    Status* status) override {
    const std::u16string name = WritersMutexName(dir);
    auto lock = std::make_unique<WritersMutex>();
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide(name));
    if (mutex == nullptr) {
      *status = Status::kFailed;
      return nullptr;
    }
    // An abandoned mutex (its holder died) passes to the next waiter, which is what a crashed
    // writer should leave behind: its temporary file never replaced the settings.
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const DWORD waited = WaitForSingleObject(mutex, wait.count() > 0 ? wait.count() : 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      CloseHandle(mutex);
      *status = waited == WAIT_TIMEOUT ? Status::kBusy : Status::kFailed;
      return nullptr;
    }
    lock->Adopt(mutex);
    *status = Status::kOk;
    return lock;
  }

 private:
  // Named after the directory, with ASCII letters folded as the file system folds them, so that
  // every process writing the same settings file meets the same mutex.
  static std::u16string WritersMutexName(const std::u16string& dir) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char16_t unit : dir) {
      const char16_t folded = (unit >= u'a' && unit <= u'z') ? unit - (u'a' - u'A') : unit;
      hash = (hash ^ folded) * 1099511628211ull;
    }
    std::u16string name = u"Local\\ViewerSettingsWriters-";
    for (int shift = 60; shift >= 0; shift -= 4) name += u"0123456789abcdef"[(hash >> shift) & 15];
    return name;
  }
};

}  // namespace

Env& DefaultEnv() {
  static WindowsEnv env;
  return env;
}

}  // namespace viewersettings::platform
