// Every exported function with each of its platform operations failing in turn, on a station's
// settings file: a setter leaves the file wholly old or wholly new and says so when the new text
// was not stored; a getter never changes the file and answers truly or with its failure result.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "support/ExportedCalls.h"
#include "support/FaultEnv.h"
#include "support/SetterOutcomes.h"
#include "support/SettingsDir.h"
#include "support/TemporariesInMemory.h"

namespace {

using testing_support::FaultEnv;
using testing_support::FindSetterOutcomes;
using testing_support::GetterCall;
using testing_support::SameBytes;
using testing_support::SetterCall;
using testing_support::SetterOutcomes;
using testing_support::SettingsDir;
using testing_support::StationSettingsBytes;
using testing_support::WriteBack;

struct FaultedRun {
  int32_t result;
  bool metFault;
};

// Runs `call` on a fresh copy of `bytes` with the `nth` platform operation failing.
FaultedRun RunWithFault(const SettingsDir& dir, const std::string& bytes,
                        const std::function<int32_t()>& call, int nth,
                        WriteBack writeBack = WriteBack::kReplace) {
  dir.WriteBytes(bytes);
  FaultEnv env;
  env.SyncToStableStorage(false);
  if (writeBack == WriteBack::kInPlace) env.RefuseNewFilesIn(dir.Path().u16string());
  env.FailNthOperation(nth);
  const int32_t result = call();
  return {result, env.Total() >= nth};
}

bool TemporaryFileLeft(const SettingsDir& dir) {
  return std::filesystem::exists(dir.File().u16string() + u".tmp");
}

bool JournalLeft() {
  return std::filesystem::exists(
      std::filesystem::path(viewersettings::platform::CurrentEnv().JournalPath(
          viewersettings::store::GetSettingsFilePath())));
}

class SetterUnderFaults : public testing::TestWithParam<std::tuple<SetterCall, WriteBack>> {
  testing_support::TemporariesInMemory temporaries_;
};

// A fault in one write-back step leaves the file as if that step had failed cleanly, at its read
// or at its write: never a mixture within a step, never a truncated or partial file. Rewritten in
// place, a fault may leave the rollback journal; the next call then finds the file as it is and
// drops it.
TEST_P(SetterUnderFaults, LeavesTheFileOldOrNewAndReportsWhatWasNotStored) {
  const auto& [setter, writeBack] = GetParam();
  const SetterOutcomes outcomes =
      FindSetterOutcomes(setter.call, StationSettingsBytes(), writeBack);
  ASSERT_EQ(outcomes.result, setter.success);
  ASSERT_EQ(outcomes.texts.size(), outcomes.stepStarts.size() + 1);
  for (size_t step = 1; step < outcomes.texts.size(); ++step) {
    ASSERT_NE(outcomes.texts[step], outcomes.texts[step - 1])
        << "step " << step << " changes nothing";
  }

  SettingsDir dir;
  int faults = 0;
  for (int nth = 1;; ++nth) {
    const FaultedRun run = RunWithFault(dir, outcomes.Old(), setter.call, nth, writeBack);
    const std::string bytes = dir.Bytes();
    if (!run.metFault) {
      EXPECT_EQ(run.result, setter.success);
      EXPECT_TRUE(SameBytes(bytes, outcomes.New()));
      break;
    }
    ++faults;
    SCOPED_TRACE("operation " + std::to_string(nth));
    const size_t step = outcomes.StepOf(nth);
    EXPECT_TRUE(bytes == outcomes.New() || bytes == outcomes.failedAtRead[step] ||
                bytes == outcomes.failedAtWrite[step])
        << "step " << step + 1 << " left a file that no clean failure gives";
    if (bytes != outcomes.New()) {
      EXPECT_NE(run.result, setter.success);
    }
    EXPECT_FALSE(TemporaryFileLeft(dir));
    if (JournalLeft()) {
      int32_t value = 0;
      XMLGetMinDiskSpace(&value);
      EXPECT_FALSE(JournalLeft());
      EXPECT_EQ(dir.Bytes(), bytes);
    }
  }
  // A write-back is a dozen operations or more: the lock, the read (open, length, read, the
  // look for a journal, close), the check that the file can be written, the temporary file
  // (remove, create, write, flush, close), the replacement and the directory's sync; in place,
  // the rewrite and its journal instead of the temporary file and the replacement.
  EXPECT_GE(faults, 12 * static_cast<int>(outcomes.stepStarts.size()));
  RecordProperty("faults", faults);
}

INSTANTIATE_TEST_SUITE_P(EverySetter, SetterUnderFaults,
                         testing_support::EverySetterAndWriteBack(testing_support::SetterCalls()),
                         testing_support::SetterAndWriteBackName);

class GetterUnderFaults : public testing::TestWithParam<GetterCall> {
  testing_support::TemporariesInMemory temporaries_;
};

TEST_P(GetterUnderFaults, NeverChangesTheFileAndAnswersTrulyOrFails) {
  const GetterCall& getter = GetParam();
  const std::string& station = StationSettingsBytes();
  SettingsDir dir;
  dir.WriteBytes(station);
  const int32_t truth = getter.call();
  ASSERT_EQ(std::count(getter.failures.begin(), getter.failures.end(), truth), 0)
      << "the station file answers as a failure would";

  int faults = 0;
  for (int nth = 1;; ++nth) {
    const FaultedRun run = RunWithFault(dir, station, getter.call, nth);
    if (!run.metFault) {
      EXPECT_EQ(run.result, truth);
      break;
    }
    ++faults;
    SCOPED_TRACE("operation " + std::to_string(nth));
    EXPECT_TRUE(run.result == truth ||
                std::count(getter.failures.begin(), getter.failures.end(), run.result) > 0)
        << run.result;
    EXPECT_TRUE(SameBytes(dir.Bytes(), station));
    EXPECT_FALSE(TemporaryFileLeft(dir));
  }
  EXPECT_GE(faults, 4);  // each read is an open, a length, a read and a close
  RecordProperty("faults", faults);
}

INSTANTIATE_TEST_SUITE_P(EveryGetter, GetterUnderFaults,
                         testing::ValuesIn(testing_support::GetterCalls()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
