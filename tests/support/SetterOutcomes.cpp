#include "support/SetterOutcomes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "support/FaultEnv.h"
#include "support/SettingsDir.h"

namespace testing_support {
namespace {

using viewersettings::platform::Lock;
using viewersettings::platform::Status;

std::string BytesOf(const std::u16string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A held writers' lock that calls `released` once it is let go.
class ReportingLock : public Lock {
 public:
  ReportingLock(std::unique_ptr<Lock> lock, std::function<void()> released)
      : lock_(std::move(lock)), released_(std::move(released)) {}
  ~ReportingLock() override {
    lock_.reset();
    released_();
  }

 private:
  std::unique_ptr<Lock> lock_;
  std::function<void()> released_;
};

// Counts operations as FaultEnv does, and notes where each write-back starts (every one takes the
// writers' lock first) and what the file holds once it has ended (when it lets the lock go).
class StepRecorder : public FaultEnv {
 public:
  StepRecorder(SetterOutcomes& outcomes, std::u16string file)
      : outcomes_(outcomes), file_(std::move(file)) {}

  std::unique_ptr<Lock> LockWriters(const std::u16string& dir,
                                    std::chrono::steady_clock::time_point deadline,
                                    Status* status) override {
    outcomes_.stepStarts.push_back(Total() + 1);
    std::unique_ptr<Lock> lock = FaultEnv::LockWriters(dir, deadline, status);
    if (!lock) return nullptr;
    return std::make_unique<ReportingLock>(std::move(lock),
                                           [this] { outcomes_.texts.push_back(BytesOf(file_)); });
  }

 private:
  SetterOutcomes& outcomes_;
  std::u16string file_;
};

void PrepareWriteBack(FaultEnv& env, const SettingsDir& dir, WriteBack writeBack) {
  env.SyncToStableStorage(false);
  if (writeBack == WriteBack::kInPlace) env.RefuseNewFilesIn(dir.Path().u16string());
}

// The undisturbed run: the texts after each step and where each step starts.
SetterOutcomes Record(const std::function<int32_t()>& setter, const std::string& bytes,
                      WriteBack writeBack) {
  SetterOutcomes outcomes;
  outcomes.texts.push_back(bytes);
  SettingsDir dir;
  dir.WriteBytes(bytes);
  StepRecorder recorder(outcomes, dir.File().u16string());
  PrepareWriteBack(recorder, dir, writeBack);
  outcomes.result = setter();
  return outcomes;
}

std::string FinalTextWithFailure(const std::function<int32_t()>& setter, const std::string& bytes,
                                 FaultEnv::Operation operation, int nth) {
  SettingsDir dir;
  dir.WriteBytes(bytes);
  FaultEnv env;
  PrepareWriteBack(env, dir, WriteBack::kReplace);
  env.FailNth(operation, nth);
  setter();
  return dir.Bytes();
}

}  // namespace

testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  const auto differ = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  return testing::AssertionFailure() << actual.size() << " bytes instead of " << expected.size()
                                     << ", differing from byte " << differ.first - actual.begin();
}

size_t SetterOutcomes::StepOf(int nth) const {
  const auto after = std::upper_bound(stepStarts.begin(), stepStarts.end(), nth);
  return after == stepStarts.begin() ? 0 : static_cast<size_t>(after - stepStarts.begin() - 1);
}

SetterOutcomes FindSetterOutcomes(const std::function<int32_t()>& setter, const std::string& bytes,
                                  WriteBack writeBack) {
  SetterOutcomes outcomes = Record(setter, bytes, WriteBack::kReplace);
  // Each step reads the file once (taking its length) and replaces it once.
  for (int step = 1; step <= static_cast<int>(outcomes.stepStarts.size()); ++step) {
    outcomes.failedAtRead.push_back(
        FinalTextWithFailure(setter, bytes, FaultEnv::Operation::kLength, step));
    outcomes.failedAtWrite.push_back(
        FinalTextWithFailure(setter, bytes, FaultEnv::Operation::kReplace, step));
  }
  if (writeBack == WriteBack::kInPlace) {
    const SetterOutcomes inPlace = Record(setter, bytes, WriteBack::kInPlace);
    EXPECT_EQ(inPlace.result, outcomes.result);
    EXPECT_TRUE(inPlace.texts == outcomes.texts) << "a rewrite in place stores other texts";
    outcomes.stepStarts = inPlace.stepStarts;
  }
  return outcomes;
}

}  // namespace testing_support
