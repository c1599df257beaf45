// Test support: a platform that passes everything to the real one, except the operations a test
// tells it to fail.
#pragma once

#include <memory>
#include <string>

#include "support/ForwardingEnv.h"

namespace testing_support {

class FaultEnv : public ForwardingEnv {
 public:
  enum class Operation {
    kOpen,
    kLength,
    kRead,
    kWrite,
    kSeek,
    kTruncate,
    kFlush,
    kClose,
    kReplace,
    kRemove,
    kSyncDirectory,
    kFindJournal,
    kLock,
    kCount
  };

  // Fails the `nth` (1-based) call of `operation` from now on; 0 fails none.
  void FailNth(Operation operation, int nth);
  // Fails the `nth` (1-based) call of `operation` from now on and every one after it.
  void FailFrom(Operation operation, int nth);
  // Fails the `nth` (1-based) operation of any kind from now on; 0 fails none.
  void FailNthOperation(int nth);
  // Whether Flush and SyncDirectory reach stable storage (they do unless told otherwise). Sweeps
  // that run thousands of calls only for what each does when an operation fails turn this off:
  // on a busy disk every sync costs milliseconds, and what survives a power cut is the
  // simulated disk's business.
  void SyncToStableStorage(bool sync) { sync_ = sync; }
  bool SyncsToStableStorage() const { return sync_; }
  // From now on the directory `dir` refuses new files (an open to create one answers kDenied), as
  // a folder does that its user may not write.
  void RefuseNewFilesIn(const std::u16string& dir) { refusingDir_ = dir; }
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
  viewersettings::platform::Status FindJournal(const std::u16string& file) override;
  std::unique_ptr<viewersettings::platform::Lock> LockWriters(
      const std::u16string& dir, std::chrono::steady_clock::time_point deadline,
      viewersettings::platform::Status* status) override;

  // Counts a call of `operation`; true when it is the one to fail.
  bool Fails(Operation operation);

 private:
  int counts_[static_cast<int>(Operation::kCount)] = {};
  int total_ = 0;
  Operation failing_ = Operation::kOpen;
  int failAt_ = 0;  // of `failing_`
  bool failOnwards_ = false;
  int failTotalAt_ = 0;  // of all
  bool sync_ = true;
  std::u16string refusingDir_;
};

}  // namespace testing_support
