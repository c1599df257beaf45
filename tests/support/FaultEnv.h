// Test support: a platform that passes everything to the real one, except the file operations
// a test tells it to fail.
#pragma once

#include <memory>
#include <string>

#include "platform/Env.h"

namespace testing_support {

class FaultEnv : public viewersettings::platform::Env {
 public:
  enum class Operation { kOpen, kLength, kSeek, kRead, kWrite, kClose };

  FaultEnv();
  ~FaultEnv() override;

  // Fails the `nth` (1-based) call of `operation` from now on; 0 fails none.
  void FailNth(Operation operation, int nth);
  // Calls of `operation` seen so far.
  int Count(Operation operation) const { return counts_[static_cast<int>(operation)]; }

  std::u16string ExecutableDirectory() override;
  std::unique_ptr<viewersettings::platform::File> Open(
      const std::u16string& path, viewersettings::platform::OpenMode mode) override;
  bool Remove(const std::u16string& path) override;

  // True when this call of `operation` is to fail.
  bool Fails(Operation operation);

 private:
  int counts_[6] = {};
  Operation failing_ = Operation::kOpen;
  int failAt_ = 0;
};

}  // namespace testing_support
