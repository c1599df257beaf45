#include "support/FaultEnv.h"

namespace testing_support {

using viewersettings::platform::File;
using viewersettings::platform::Lock;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

namespace {

class FaultFile : public File {
 public:
  FaultFile(FaultEnv& env, std::unique_ptr<File> file) : env_(env), file_(std::move(file)) {}

  bool Length(uint64_t* bytes) override {
    return !env_.Fails(FaultEnv::Operation::kLength) && file_->Length(bytes);
  }
  bool Read(void* buffer, size_t bytes) override {
    return !env_.Fails(FaultEnv::Operation::kRead) && file_->Read(buffer, bytes);
  }
  bool Write(const void* data, size_t bytes) override {
    return !env_.Fails(FaultEnv::Operation::kWrite) && file_->Write(data, bytes);
  }
  bool Seek(uint64_t offset) override {
    return !env_.Fails(FaultEnv::Operation::kSeek) && file_->Seek(offset);
  }
  bool Truncate() override {
    return !env_.Fails(FaultEnv::Operation::kTruncate) && file_->Truncate();
  }
  bool Flush() override {
    return !env_.Fails(FaultEnv::Operation::kFlush) &&
           (!env_.SyncsToStableStorage() || file_->Flush());
  }
  bool Close() override {
    const bool closed = file_->Close();
    return !env_.Fails(FaultEnv::Operation::kClose) && closed;
  }

 private:
  FaultEnv& env_;
  std::unique_ptr<File> file_;
};

}  // namespace

void FaultEnv::FailNth(Operation operation, int nth) {
  failing_ = operation;
  failAt_ = nth == 0 ? 0 : Count(operation) + nth;
  failOnwards_ = false;
}

void FaultEnv::FailFrom(Operation operation, int nth) {
  FailNth(operation, nth);
  failOnwards_ = true;
}

void FaultEnv::FailNthOperation(int nth) {
  failTotalAt_ = nth == 0 ? 0 : total_ + nth;
}

bool FaultEnv::Fails(Operation operation) {
  const int count = ++counts_[static_cast<int>(operation)];
  ++total_;
  const bool failing = operation == failing_ && failAt_ > 0 &&
                       (count == failAt_ || (failOnwards_ && count > failAt_));
  return failing || total_ == failTotalAt_;
}

std::unique_ptr<File> FaultEnv::Open(const std::u16string& path, OpenMode mode, Status* status) {
  if (Fails(Operation::kOpen)) {
    *status = Status::kFailed;
    return nullptr;
  }
  if (mode == OpenMode::kCreateNew && !refusingDir_.empty() &&
      path.compare(0, refusingDir_.size(), refusingDir_) == 0 &&
      path.find_first_of(viewersettings::platform::kPathSeparator, refusingDir_.size() + 1) ==
          std::u16string::npos) {
    *status = Status::kDenied;
    return nullptr;
  }
  auto file = Real().Open(path, mode, status);
  if (!file) return nullptr;
  return std::make_unique<FaultFile>(*this, std::move(file));
}

Status FaultEnv::Replace(const std::u16string& from, const std::u16string& to) {
  return Fails(Operation::kReplace) ? Status::kFailed : Real().Replace(from, to);
}

bool FaultEnv::Remove(const std::u16string& path) {
  return !Fails(Operation::kRemove) && Real().Remove(path);
}

bool FaultEnv::SyncDirectory(const std::u16string& dir) {
  return !Fails(Operation::kSyncDirectory) && (!sync_ || Real().SyncDirectory(dir));
}

Status FaultEnv::FindJournal(const std::u16string& file) {
  return Fails(Operation::kFindJournal) ? Status::kFailed : Real().FindJournal(file);
}

std::unique_ptr<Lock> FaultEnv::LockWriters(const std::u16string& dir,
                                            std::chrono::steady_clock::time_point deadline,
                                            Status* status) {
  if (Fails(Operation::kLock)) {
    *status = Status::kFailed;
    return nullptr;
  }
  return Real().LockWriters(dir, deadline, status);
}

}  // namespace testing_support
