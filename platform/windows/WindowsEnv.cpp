// The platform on Windows: the host executable's directory from GetModuleFileNameW, files opened
// with CreateFileW without sharing, so that a file held by another call makes the open fail as
// busy, replacement with ReplaceFileW, which keeps the replaced file's security descriptor,
// attributes, creation time and streams (a missing file is created by a write-through
// MoveFileExW), and a named mutex per directory for the writers' lock, which outlives the files
// that each write replaces.
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
  if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) return Status::kDenied;
  return Status::kFailed;
}

// How many names the file has; 0 when that cannot be learnt. Opening for no access conflicts
// with no other opener.
DWORD LinksOf(const std::u16string& path) {
  const HANDLE handle =
      CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  return known ? info.nNumberOfLinks : 0;
}

// Whether another opener holds the file without sharing it.
bool IsHeldOpen(const std::u16string& path) {
  const HANDLE handle =
      CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return false;
  }
  return IsBusyError(GetLastError());
}

// ReplaceFileW gives the new file the old one's attributes; not every implementation does
// (wine's does not), so those that can be set are set again where they differ.
void KeepAttributes(const std::u16string& path, DWORD old) {
  constexpr DWORD kSettable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;
  const DWORD now = GetFileAttributesW(Wide(path));
  if (old == INVALID_FILE_ATTRIBUTES || now == INVALID_FILE_ATTRIBUTES) return;
  if ((now & kSettable) == (old & kSettable)) return;
  const DWORD wanted =
      ((now & ~kSettable) | (old & kSettable)) & (kSettable | FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(Wide(path), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL);
}

// ReplaceFileW has no write-through: the replaced file is flushed afterwards, which commits its
// new place with it. Where another opener has it meanwhile, its content was flushed before.
void FlushReplaced(const std::u16string& path) {
  const HANDLE handle =
      CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(handle);
  CloseHandle(handle);
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

  bool Seek(uint64_t offset) override {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN) != 0;
  }

  bool Truncate() override { return SetEndOfFile(handle_) != 0; }

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
      // The user's temporary directory is the user's own: private files need nothing more.
      case OpenMode::kReadExisting:
      case OpenMode::kReadPrivate:
        break;
      case OpenMode::kWriteExisting:
        access = GENERIC_WRITE;
        break;
      case OpenMode::kUpdateExisting:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
      case OpenMode::kCreateNew:
      case OpenMode::kCreatePrivate:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    }
    auto file = std::make_unique<WindowsFile>();
    const auto open = [&] {
      return CreateFileW(Wide(path), access, 0 /* no sharing */, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE handle = open();
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND &&
        disposition == OPEN_EXISTING && mode != OpenMode::kReadPrivate &&
        GetFileAttributesW(Wide(BackupPathOf(path))) != INVALID_FILE_ATTRIBUTES) {
      // ReplaceFileW moves the old file to its backup name before the new one takes its place:
      // in between, the file is being replaced, not missing.
      if (!RestoreInterruptedReplacement(path)) {
        *status = Status::kBusy;
        return nullptr;
      }
      handle = open();
    }
    if (handle == INVALID_HANDLE_VALUE) {
      *status = StatusOf(GetLastError());
      // The read-only attribute refuses writers, administrators included.
      if (*status == Status::kDenied && access != GENERIC_READ && disposition == OPEN_EXISTING) {
        const DWORD attributes = GetFileAttributesW(Wide(path));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
          *status = Status::kReadOnly;
        }
      }
      return nullptr;
    }
    file->Adopt(handle);
    *status = Status::kOk;
    return file;
  }

  // Links are the file system's business on Windows; the path is the file.
  std::u16string ResolveLinks(const std::u16string& path) override { return path; }

  Status Replace(const std::u16string& from, const std::u16string& to) override {
    if (GetFileAttributesW(Wide(to)) == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND) return StatusOf(error);
      // Nothing to keep: the first file is moved into place.
      if (MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Status::kOk;
      }
      return StatusOf(GetLastError());
    }
    // A new file in its place would leave the other names with the old text.
    if (LinksOf(to) > 1) return Status::kDenied;
    const DWORD attributes = GetFileAttributesW(Wide(to));
    // With a backup name, every partial outcome leaves the old file under one of two names.
    const std::u16string backup = BackupPathOf(to);
    DeleteFileW(Wide(backup));
    if (ReplaceFileW(Wide(to), Wide(from), Wide(backup), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
      DeleteFileW(Wide(backup));
      KeepAttributes(to, attributes);
      FlushReplaced(to);
      return Status::kOk;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      // The old file went to the backup name and the new one could not follow it into place:
      // the old one goes back.
      MoveFileExW(Wide(backup), Wide(to), MOVEFILE_WRITE_THROUGH);
      return Status::kFailed;
    }
    // Both files kept their names. A target that another opener holds may give another error
    // than a sharing violation (which one differs between systems), so it is asked directly.
    if (IsBusyError(error) || IsHeldOpen(to)) return Status::kBusy;
    return error == ERROR_ACCESS_DENIED ? Status::kDenied : Status::kFailed;
  }

  bool Remove(const std::u16string& path) override { return DeleteFileW(Wide(path)) != 0; }

  // The replacement is made with write-through; there is no directory to flush on its own.
  bool SyncDirectory(const std::u16string&) override { return true; }

  std::u16string JournalPath(const std::u16string& file) override {
    std::u16string dir(MAX_PATH + 1, u'\0');
    const DWORD length =
        GetTempPathW(static_cast<DWORD>(dir.size()), reinterpret_cast<wchar_t*>(&dir[0]));
    dir.resize(length > 0 && length < dir.size() ? length : 0);
    return dir + u"VorelViewerSysSetting-" + Hex64(HashPath(file)) + u".journal";
  }

  // The user's temporary directory is the user's own: any file there is.
  Status FindJournal(const std::u16string& file) override {
    if (GetFileAttributesW(Wide(JournalPath(file))) != INVALID_FILE_ATTRIBUTES) return Status::kOk;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? Status::kNotFound : StatusOf(error);
  }

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
  static std::u16string BackupPathOf(const std::u16string& path) { return path + u".old"; }

  // A file missing while its backup exists: a replacement is under way, unless the writer that
  // made it was stopped midway. Nobody replaces while the writers' mutex of the directory is
  // free (or held on this very thread, which is not replacing now): then the old file goes back.
  // False while another writer holds the mutex.
  static bool RestoreInterruptedReplacement(const std::u16string& path) {
    const std::u16string dir = path.substr(0, path.find_last_of(u'\\') + 1);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide(WritersMutexName(dir)));
    if (mutex == nullptr) return false;
    const DWORD waited = WaitForSingleObject(mutex, 0);
    const bool held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (held && GetFileAttributesW(Wide(path)) == INVALID_FILE_ATTRIBUTES) {
      MoveFileExW(Wide(BackupPathOf(path)), Wide(path), MOVEFILE_WRITE_THROUGH);
    }
    if (held) ReleaseMutex(mutex);
    CloseHandle(mutex);
    return held;
  }

  // Named after the directory, with ASCII letters folded as the file system folds them, so that
  // every process writing the same settings file meets the same mutex.
  static std::u16string WritersMutexName(const std::u16string& dir) {
    return u"Local\\ViewerSettingsWriters-" + Hex64(HashPath(dir));
  }
};

}  // namespace

Env& DefaultEnv() {
  static WindowsEnv env;
  return env;
}

}  // namespace viewersettings::platform
