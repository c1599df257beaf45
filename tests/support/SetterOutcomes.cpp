#include "support/SetterOutcomes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

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

// Counts operations as FaultEnv does, and notes where each write-back starts (every one takes the
// writers' lock first) and what each replacement put in place.
class StepRecorder : public FaultEnv {
 public:
  explicit StepRecorder(SetterOutcomes& outcomes) : outcomes_(outcomes) {}

  std::unique_ptr<Lock> LockWriters(const std::u16string& dir,
                                    std::chrono::steady_clock::time_point deadline,
                                    Status* status) override {
    outcomes_.stepStarts.push_back(Total() + 1);
    return FaultEnv::LockWriters(dir, deadline, status);
  }

  Status Replace(const std::u16string& from, const std::u16string& to) override {
    const Status status = FaultEnv::Replace(from, to);
    if (status == Status::kOk) outcomes_.texts.push_back(BytesOf(to));
    return status;
  }

 private:
  SetterOutcomes& outcomes_;
};

std::string FinalTextWithFailure(const std::function<int32_t()>& setter, const std::string& bytes,
                                 FaultEnv::Operation operation, int nth) {
  SettingsDir dir;
  dir.WriteBytes(bytes);
  FaultEnv env;
  env.SyncToStableStorage(false);
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

SetterOutcomes FindSetterOutcomes(const std::function<int32_t()>& setter,
                                  const std::string& bytes) {
  SetterOutcomes outcomes;
  outcomes.texts.push_back(bytes);
  {
    SettingsDir dir;
    dir.WriteBytes(bytes);
    StepRecorder recorder(outcomes);
    recorder.SyncToStableStorage(false);
    outcomes.result = setter();
  }
  // Each step reads the file once (taking its length) and replaces it once.
  for (int step = 1; step <= static_cast<int>(outcomes.stepStarts.size()); ++step) {
    outcomes.failedAtRead.push_back(
        FinalTextWithFailure(setter, bytes, FaultEnv::Operation::kLength, step));
    outcomes.failedAtReplace.push_back(
        FinalTextWithFailure(setter, bytes, FaultEnv::Operation::kReplace, step));
  }
  return outcomes;
}

}  // namespace testing_support
