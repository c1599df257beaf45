#include "support/SimulatedDisk.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/Utf8.h"

namespace testing_support {

using viewersettings::platform::kPathSeparator;
using viewersettings::platform::Lock;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

namespace {

std::u16string WithoutTrailingSeparators(std::u16string path) {
  while (!path.empty() && path.back() == kPathSeparator) path.pop_back();
  return path;
}

// Where a path's directory ends and its name begins.
size_t NameStart(const std::u16string& path) {
  const size_t separator = path.find_last_of(kPathSeparator);
  return separator == std::u16string::npos ? 0 : separator + 1;
}

}  // namespace

class SimulatedDisk::OpenFile final : public viewersettings::platform::File {
 public:
  OpenFile(SimulatedDisk& disk, const std::u16string& path, std::shared_ptr<Inode> inode,
           bool writable)
      : disk_(disk), path_(path), inode_(std::move(inode)), writable_(writable) {
    ++inode_->openers;
  }
  ~OpenFile() override { Release(); }

  bool Length(uint64_t* bytes) override {
    if (!Usable()) return false;
    *bytes = inode_->content.size();
    return true;
  }

  bool Read(void* buffer, size_t bytes) override {
    if (!Usable() || position_ + bytes > inode_->content.size()) return false;
    std::memcpy(buffer, inode_->content.data() + position_, bytes);
    position_ += bytes;
    return true;
  }

  bool Write(const void* data, size_t bytes) override {
    if (!Usable() || !writable_) return false;
    std::string& content = inode_->content;
    if (content.size() < position_ + bytes) content.resize(position_ + bytes);
    std::memcpy(&content[position_], data, bytes);
    position_ += bytes;
    return true;
  }

  bool Seek(uint64_t offset) override {
    if (!Usable()) return false;
    position_ = static_cast<size_t>(offset);
    return true;
  }

  bool Truncate() override {
    if (!Usable() || !writable_) return false;
    inode_->content.resize(position_);
    return true;
  }

  bool Flush() override {
    if (!Usable()) return false;
    inode_->durable = inode_->content;
    return true;
  }

  bool Close() override {
    if (!Usable()) return false;
    Release();
    return true;
  }

 private:
  // Counts the operation; false when the power is cut or the file is closed.
  bool Usable() {
    const bool powered = disk_.Operate();
    if (!open_) disk_.ReportMisuse("a closed file was used", path_);
    return powered && open_;
  }

  void Release() {
    if (open_) --inode_->openers;
    open_ = false;
  }

  SimulatedDisk& disk_;
  std::u16string path_;
  std::shared_ptr<Inode> inode_;
  bool writable_;
  bool open_ = true;
  size_t position_ = 0;
};

class SimulatedDisk::WritersLock final : public Lock {
 public:
  explicit WritersLock(bool& locked) : locked_(locked) { locked_ = true; }
  ~WritersLock() override { locked_ = false; }

 private:
  bool& locked_;
};

SimulatedDisk::SimulatedDisk(std::u16string executableDirectory, Misuse misuse)
    : executableDirectory_(std::move(executableDirectory)), misuse_(misuse) {
  directories_[WithoutTrailingSeparators(executableDirectory_)];
  directories_[u"journals"];
  viewersettings::platform::SetEnvForTesting(this);
}

SimulatedDisk::~SimulatedDisk() {
  viewersettings::platform::SetEnvForTesting(nullptr);
}

SimulatedDisk::Location SimulatedDisk::Locate(const std::u16string& path) {
  const size_t nameStart = NameStart(path);
  const auto found = directories_.find(WithoutTrailingSeparators(path.substr(0, nameStart)));
  return {found == directories_.end() ? nullptr : &found->second, path.substr(nameStart)};
}

void SimulatedDisk::Put(const std::u16string& path, const std::string& bytes) {
  const Location location = Locate(path);
  auto inode = std::make_shared<Inode>();
  inode->content = inode->durable = bytes;
  location.directory->names[location.name] = inode;
  location.directory->durableNames[location.name] = inode;
}

std::optional<std::string> SimulatedDisk::Content(const std::u16string& path) const {
  const size_t nameStart = NameStart(path);
  const auto directory = directories_.find(WithoutTrailingSeparators(path.substr(0, nameStart)));
  if (directory == directories_.end()) return std::nullopt;
  const auto found = directory->second.names.find(path.substr(nameStart));
  if (found == directory->second.names.end()) return std::nullopt;
  return found->second->content;
}

int SimulatedDisk::OpenFiles() const {
  int open = 0;
  for (const auto& [path, directory] : directories_) {
    for (const auto& [name, inode] : directory.names) open += inode->openers;
  }
  return open;
}

std::vector<std::u16string> SimulatedDisk::NamesIn(const std::u16string& dir) const {
  std::vector<std::u16string> names;
  const auto found = directories_.find(WithoutTrailingSeparators(dir));
  if (found == directories_.end()) return names;
  for (const auto& [name, inode] : found->second.names) names.push_back(name);
  return names;
}

void SimulatedDisk::CutPowerAt(int nth) {
  cutAt_ = operations_ + nth;
}

void SimulatedDisk::PowerCycle(Renames renames, Writes writes) {
  for (auto& [path, directory] : directories_) {
    if (renames == Renames::kUndone) {
      directory.names = directory.durableNames;
    } else {
      directory.durableNames = directory.names;
    }
    for (auto& [name, inode] : directory.names) {
      if (writes == Writes::kTorn && inode->content != inode->durable) {
        const size_t reached = inode->content.size() / 2;
        inode->durable = inode->content.substr(0, reached) +
                         (inode->durable.size() > reached ? inode->durable.substr(reached) : "");
      }
      inode->content = inode->durable;
      inode->openers = 0;
    }
  }
  cutAt_ = 0;
}

void SimulatedDisk::RefuseNewFilesIn(const std::u16string& dir) {
  directories_[WithoutTrailingSeparators(dir)].refusesNewFiles = true;
}

Status SimulatedDisk::FindJournal(const std::u16string& file) {
  if (!Operate()) return Status::kFailed;
  return Exists(JournalPath(file)) ? Status::kOk : Status::kNotFound;
}

std::u16string SimulatedDisk::JournalPath(const std::u16string& file) {
  return u"journals" + std::u16string(1, kPathSeparator) + u"journal-" +
         viewersettings::platform::Hex64(viewersettings::platform::HashPath(file));
}

bool SimulatedDisk::Operate() {
  ++operations_;
  return !PowerIsCut();
}

void SimulatedDisk::ReportMisuse(const char* what, const std::u16string& path) const {
  if (misuse_ == Misuse::kFails) return;
  std::fprintf(stderr, "\n*** %s: %s\n", what, viewersettings::text::ToUtf8(path).c_str());
  std::abort();
}

std::unique_ptr<viewersettings::platform::File> SimulatedDisk::Open(const std::u16string& path,
                                                                    OpenMode mode, Status* status) {
  *status = Status::kFailed;
  if (!Operate()) return nullptr;
  const Location location = Locate(path);
  if (!location.directory) {
    *status = Status::kNotFound;
    return nullptr;
  }
  Names& names = location.directory->names;
  const auto found = names.find(location.name);
  if (found != names.end() && found->second->openers > 0) ReportMisuse("opened while open", path);
  if (mode == OpenMode::kCreateNew || mode == OpenMode::kCreatePrivate) {
    if (found != names.end()) return nullptr;
    if (location.directory->refusesNewFiles) {
      *status = Status::kDenied;
      return nullptr;
    }
    auto inode = std::make_shared<Inode>();
    names[location.name] = inode;
    *status = Status::kOk;
    return std::make_unique<OpenFile>(*this, path, inode, true);
  }
  if (found == names.end()) {
    *status = Status::kNotFound;
    return nullptr;
  }
  if (found->second->openers > 0) {
    *status = Status::kBusy;
    return nullptr;
  }
  *status = Status::kOk;
  const bool writable = mode == OpenMode::kWriteExisting || mode == OpenMode::kUpdateExisting;
  return std::make_unique<OpenFile>(*this, path, found->second, writable);
}

Status SimulatedDisk::Replace(const std::u16string& from, const std::u16string& to) {
  if (!Operate()) return Status::kFailed;
  const Location source = Locate(from);
  const Location target = Locate(to);
  if (!source.directory || !target.directory) return Status::kNotFound;
  const auto moving = source.directory->names.find(source.name);
  if (moving == source.directory->names.end()) return Status::kNotFound;
  const auto replaced = target.directory->names.find(target.name);
  const bool movingOpen = moving->second->openers > 0;
  const bool replacedOpen =
      replaced != target.directory->names.end() && replaced->second->openers > 0;
  if (movingOpen) ReportMisuse("renamed while open", from);
  if (replacedOpen) ReportMisuse("replaced while open", to);
  if (movingOpen || replacedOpen) return Status::kBusy;
  std::shared_ptr<Inode> inode = moving->second;
  source.directory->names.erase(moving);
  target.directory->names[target.name] = std::move(inode);
  return Status::kOk;
}

bool SimulatedDisk::Remove(const std::u16string& path) {
  if (!Operate()) return false;
  const Location location = Locate(path);
  if (!location.directory) return false;
  const auto found = location.directory->names.find(location.name);
  if (found == location.directory->names.end()) return false;
  if (found->second->openers > 0) {
    ReportMisuse("removed while open", path);
    return false;
  }
  location.directory->names.erase(found);
  return true;
}

bool SimulatedDisk::SyncDirectory(const std::u16string& dir) {
  if (!Operate()) return false;
  const auto found = directories_.find(WithoutTrailingSeparators(dir));
  if (found == directories_.end()) return false;
  found->second.durableNames = found->second.names;
  return true;
}

std::unique_ptr<Lock> SimulatedDisk::LockWriters(const std::u16string& dir,
                                                 std::chrono::steady_clock::time_point,
                                                 Status* status) {
  if (writersLocked_) {
    ReportMisuse("the writers' lock taken while held", dir);
    *status = Status::kBusy;
    return nullptr;
  }
  *status = Status::kOk;
  return std::make_unique<WritersLock>(writersLocked_);
}

}  // namespace testing_support
