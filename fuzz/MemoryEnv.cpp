#include "MemoryEnv.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Utf8.h"

namespace fuzzing {

using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

namespace {

[[noreturn]] void Misuse(const char* what, const std::u16string& path) {
  std::fprintf(stderr, "\n*** %s: %s\n", what, viewersettings::platform::ToUtf8(path).c_str());
  std::abort();
}

}  // namespace

class MemoryEnv::MemoryFile final : public viewersettings::platform::File {
 public:
  MemoryFile(MemoryEnv& env, const std::u16string& path) : env_(env), path_(path) {
    env_.openPaths_.insert(path_);
  }
  ~MemoryFile() override { Close(); }

  bool Length(uint64_t* bytes) override {
    *bytes = Content().size();
    return true;
  }

  bool Read(void* buffer, size_t bytes) override {
    const std::string& content = Content();
    if (position_ > content.size() || content.size() - position_ < bytes) return false;
    std::memcpy(buffer, content.data() + position_, bytes);
    position_ += bytes;
    return true;
  }

  bool Write(const void* data, size_t bytes) override {
    std::string& content = Content();
    if (content.size() < position_ + bytes) content.resize(position_ + bytes);
    std::memcpy(content.data() + position_, data, bytes);
    position_ += bytes;
    return true;
  }

  bool Flush() override { return open_; }

  bool Close() override {
    if (open_) env_.openPaths_.erase(path_);
    open_ = false;
    return true;
  }

 private:
  std::string& Content() {
    if (!open_) Misuse("a closed file was used", path_);
    return env_.files_.at(path_);
  }

  MemoryEnv& env_;
  std::u16string path_;
  size_t position_ = 0;
  bool open_ = true;
};

class MemoryEnv::WritersLock final : public viewersettings::platform::Lock {
 public:
  explicit WritersLock(MemoryEnv& env) : env_(env) { env_.writersLocked_ = true; }
  ~WritersLock() override { env_.writersLocked_ = false; }

 private:
  MemoryEnv& env_;
};

std::unique_ptr<viewersettings::platform::File> MemoryEnv::Open(const std::u16string& path,
                                                                OpenMode mode, Status* status) {
  if (openPaths_.count(path) != 0) Misuse("opened while this thread holds it open", path);
  const bool exists = files_.count(path) != 0;
  if (mode == OpenMode::kCreateNew ? exists : !exists) {
    *status = exists ? Status::kFailed : Status::kNotFound;
    return nullptr;
  }
  if (mode == OpenMode::kCreateNew) files_[path];
  *status = Status::kOk;
  return std::make_unique<MemoryFile>(*this, path);
}

Status MemoryEnv::Replace(const std::u16string& from, const std::u16string& to) {
  if (openPaths_.count(from) != 0) Misuse("renamed while open", from);
  if (openPaths_.count(to) != 0) Misuse("replaced while open", to);
  const auto source = files_.find(from);
  if (source == files_.end()) return Status::kNotFound;
  std::string content = std::move(source->second);
  files_.erase(source);
  files_[to] = std::move(content);
  return Status::kOk;
}

bool MemoryEnv::Remove(const std::u16string& path) {
  if (openPaths_.count(path) != 0) Misuse("removed while open", path);
  return files_.erase(path) > 0;
}

std::unique_ptr<viewersettings::platform::Lock> MemoryEnv::LockWriters(
    const std::u16string&, std::chrono::steady_clock::time_point, Status* status) {
  if (writersLocked_) Misuse("the writers' lock was taken twice on one thread", kDirectory);
  *status = Status::kOk;
  return std::make_unique<WritersLock>(*this);
}

}  // namespace fuzzing
