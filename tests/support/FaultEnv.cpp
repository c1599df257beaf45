#include "support/FaultEnv.h"

namespace testing_support {

using viewersettings::platform::DefaultEnv;
using viewersettings::platform::File;
using viewersettings::platform::OpenMode;

namespace {

class FaultFile : public File {
 public:
  FaultFile(FaultEnv& env, std::unique_ptr<File> file) : env_(env), file_(std::move(file)) {}

  bool Length(uint64_t* bytes) override {
    return !env_.Fails(FaultEnv::Operation::kLength) && file_->Length(bytes);
  }
  bool SeekToStart() override {
    return !env_.Fails(FaultEnv::Operation::kSeek) && file_->SeekToStart();
  }
  bool Read(void* buffer, size_t bytes) override {
    return !env_.Fails(FaultEnv::Operation::kRead) && file_->Read(buffer, bytes);
  }
  bool Write(const void* data, size_t bytes) override {
    return !env_.Fails(FaultEnv::Operation::kWrite) && file_->Write(data, bytes);
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

FaultEnv::FaultEnv() { viewersettings::platform::SetEnvForTesting(this); }
FaultEnv::~FaultEnv() { viewersettings::platform::SetEnvForTesting(nullptr); }

void FaultEnv::FailNth(Operation operation, int nth) {
  failing_ = operation;
  failAt_ = nth == 0 ? 0 : Count(operation) + nth;
}

bool FaultEnv::Fails(Operation operation) {
  const int count = ++counts_[static_cast<int>(operation)];
  return operation == failing_ && count == failAt_;
}

std::u16string FaultEnv::ExecutableDirectory() { return DefaultEnv().ExecutableDirectory(); }

std::unique_ptr<File> FaultEnv::Open(const std::u16string& path, OpenMode mode) {
  if (Fails(Operation::kOpen)) return nullptr;
  auto file = DefaultEnv().Open(path, mode);
  if (!file) return nullptr;
  return std::make_unique<FaultFile>(*this, std::move(file));
}

bool FaultEnv::Remove(const std::u16string& path) { return DefaultEnv().Remove(path); }

}  // namespace testing_support
