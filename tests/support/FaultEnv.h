// Test support: a platform that passes everything to the real one, except the operations a test
// tells it to fail.
#pragma once

#include <memory>
#include <string>

#include "support/ForwardingEnv.h"

namespace testing_support {

class FaultEnv : public ForwardingEnv {
 public:
  enum class Operation { kOpen, kLength, kRead, kWrite, kFlush, kClose, kReplace, kRemove,
                         kSyncDirectory, kLock, kCount };

  // Fails the `nth` (1-based) call of `operation` from now on; 0 fails none.
  void FailNth(Operation operation, int nth);
  // Fails the `nth` (1-based) operation of any kind from now on; 0 fails none.
  void FailNthOperation(int nth);
  // Calls seen so far, of one kind or of all.
  int Count(Operation operation) const { return counts_[static_cast<int>(operation)]; }
  int Total() const { return total_; }

  std::unique_ptr<viewersettings::platform::File> Open(
      const std::u16string& path, viewersettings::platform::OpenMode mode,
      viewersettings::platform::Status* status) override;
  viewersettings::platform::Status Replace(const std::u16string& from,
                                           const std::u16string& to) override;
  bool Remove(const std::u16string& path) override;
  bool SyncDirectory(const std::u16string& dir) override;
  std::unique_ptr<viewersettings::platform::Lock> TryLockWriters(
      const std::u16string& dir, viewersettings::platform::Status* status) override;

  // Counts a call of `operation`; true when it is the one to fail.
  bool Fails(Operation operation);

 private:
  int counts_[static_cast<int>(Operation::kCount)] = {};
  int total_ = 0;
  Operation failing_ = Operation::kOpen;
  int failAt_ = 0;       // of `failing_`
  int failTotalAt_ = 0;  // of all
};

}  // namespace testing_support
