// Every exported function with each of its allocations failing in turn, on a station's settings
// file: no exception leaves the function, it answers with its failure result, and the file is
// left old or new.
//
// What is accepted, and why: on an existing file the one path of the library that absorbs a
// failed allocation is the removal of a temporary file that a folder refusing new files never
// let it make; the call then goes on and stores. Every other call that meets one fails. A setter
// answers XMLR_SET_FAILED (or, there, its success with the new text); its file is
// the new text only where the allocation failed after the new text was in place (the directory's
// sync), and otherwise what a clean failure of that write-back step leaves (a composite goes on
// with its later steps, by design). A getter answers its failure result and never changes the
// file. Nothing stays behind either. The first run, which by design ignores the failures of the
// setters that seed it, is not swept here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <thread>

#include "ViewerSettings.h"
#include "alloc/FailingAllocator.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "support/ExportedCalls.h"
#include "support/FaultEnv.h"
#include "support/SetterOutcomes.h"
#include "support/SettingsDir.h"
#include "support/TemporariesInMemory.h"

namespace {

using testing_support::FaultEnv;
using testing_support::GetterCall;
using testing_support::SameBytes;
using testing_support::SetterCall;
using testing_support::SetterOutcomes;
using testing_support::SettingsDir;
using testing_support::StationSettingsBytes;
using testing_support::WriteBack;
using viewersettings::platform::DefaultEnv;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

// The allocation to fail in the next library call, and how many that call made.
long g_failAt = 0;
long g_allocations = 0;

void EnterLibrary() {
  allocation_testing::StartCounting(g_failAt);
}
void LeaveLibrary() {
  g_allocations = allocation_testing::StopCounting();
}

// Descriptors the process holds, where the system lists them. (Windows has a count of handles,
// but wine does not keep it; what a call leaves held is also tried below, on every system.)
long OpenDescriptors() {
#if defined(__linux__)
  return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                         std::filesystem::directory_iterator()));
#else
  return 0;
#endif
}

struct FailedRun {
  int32_t result = 0;
  bool threw = false;
  bool metFailure = false;
  long leakedDescriptors = 0;
};

// Runs `call` on a fresh copy of `bytes` with the `nth` allocation of the library call failing.
FailedRun RunFailing(const SettingsDir& dir, const std::string& bytes,
                     const std::function<int32_t()>& call, long nth,
                     WriteBack writeBack = WriteBack::kReplace) {
  dir.WriteBytes(bytes);
  // The real files, without waiting for stable storage on every one of thousands of calls.
  FaultEnv files;
  files.SyncToStableStorage(false);
  if (writeBack == WriteBack::kInPlace) files.RefuseNewFilesIn(dir.Path().u16string());
  FailedRun run;
  const long descriptors = OpenDescriptors();
  g_failAt = nth;
  try {
    run.result = call();
  } catch (...) {
    run.threw = true;
  }
  g_failAt = 0;
  run.metFailure = g_allocations >= nth;
  run.leakedDescriptors = OpenDescriptors() - descriptors;
  return run;
}

// Nothing of the call stays behind: no temporary file, no descriptor, and neither the settings
// file (every open is exclusive) nor the writers' lock stays held; the lock is tried from another
// thread, since its holder may take it again.
testing::AssertionResult NothingLeftBehind(const FailedRun& run, const SettingsDir& dir) {
  std::string left;
  if (std::filesystem::exists(dir.File().u16string() + u".tmp")) left += " the temporary file,";
  if (run.leakedDescriptors != 0) left += " open descriptors,";
  Status status;
  if (!DefaultEnv().Open(dir.File().u16string(), OpenMode::kReadExisting, &status)) {
    left += " the settings file held open,";
  }
  bool lockFree = false;
  std::thread([&] {
    Status lockStatus;
    lockFree = DefaultEnv().LockWriters(viewersettings::store::GetExeRoot(),
                                        std::chrono::steady_clock::now(), &lockStatus) != nullptr;
  }).join();
  if (!lockFree) left += " the writers' lock held,";
  if (left.empty()) return testing::AssertionSuccess();
  left.pop_back();
  return testing::AssertionFailure() << "left behind:" << left;
}

// The hooks count the library call alone, not the making of its arguments.
class AllocationFailure : public testing::Test {
 protected:
  void SetUp() override { testing_support::SetLibraryCallHooks(EnterLibrary, LeaveLibrary); }
  void TearDown() override { testing_support::SetLibraryCallHooks(nullptr, nullptr); }

  testing_support::TemporariesInMemory temporaries_;
};

// A journal that an interrupted rewrite in place left is gone after the next call, which finds
// the file as the interrupted call left it.
testing::AssertionResult NoJournalAfterTheNextCall(const SettingsDir& dir) {
  const std::filesystem::path journal(
      DefaultEnv().JournalPath(viewersettings::store::GetSettingsFilePath()));
  if (!std::filesystem::exists(journal)) return testing::AssertionSuccess();
  const std::string left = dir.Bytes();
  int32_t value = 0;
  XMLGetMinDiskSpace(&value);
  if (std::filesystem::exists(journal)) return testing::AssertionFailure() << "the journal stays";
  if (dir.Bytes() != left) return testing::AssertionFailure() << "the journal changed the file";
  return testing::AssertionSuccess();
}

class SetterAllocationFailure
    : public AllocationFailure,
      public testing::WithParamInterface<std::tuple<SetterCall, WriteBack>> {};

TEST_P(SetterAllocationFailure, FailsAndLeavesTheFileOldOrNew) {
  const auto& [setter, writeBack] = GetParam();
  const SetterOutcomes outcomes =
      testing_support::FindSetterOutcomes(setter.call, StationSettingsBytes(), writeBack);
  ASSERT_EQ(outcomes.result, setter.success);
  std::vector<std::string> accepted = outcomes.failedAtWrite;
  accepted.push_back(outcomes.New());

  SettingsDir dir;
  long points = 0;
  for (long nth = 1;; ++nth) {
    const FailedRun run = RunFailing(dir, outcomes.Old(), setter.call, nth, writeBack);
    SCOPED_TRACE("allocation " + std::to_string(nth));
    ASSERT_FALSE(run.threw) << "an exception left the library";
    const std::string bytes = dir.Bytes();
    if (!run.metFailure) {
      EXPECT_EQ(run.result, setter.success);
      EXPECT_TRUE(SameBytes(bytes, outcomes.New()));
      break;
    }
    ++points;
    if (writeBack == WriteBack::kInPlace && run.result == setter.success) {
      EXPECT_TRUE(SameBytes(bytes, outcomes.New()));
    } else {
      EXPECT_EQ(run.result, XMLR_SET_FAILED);
    }
    EXPECT_TRUE(std::count(accepted.begin(), accepted.end(), bytes) > 0)
        << "a file that no clean failure of a step leaves";
    // Anything held would fail every later call.
    ASSERT_TRUE(NothingLeftBehind(run, dir));
    EXPECT_TRUE(NoJournalAfterTheNextCall(dir));
  }
  EXPECT_GT(points, 0);
  RecordProperty("allocation_failures", static_cast<int>(points));
}

INSTANTIATE_TEST_SUITE_P(EverySetter, SetterAllocationFailure,
                         testing_support::EverySetterAndWriteBack(testing_support::SetterCalls()),
                         testing_support::SetterAndWriteBackName);

class GetterAllocationFailure : public AllocationFailure,
                                public testing::WithParamInterface<GetterCall> {};

TEST_P(GetterAllocationFailure, AnswersItsFailureAndLeavesTheFile) {
  const GetterCall& getter = GetParam();
  const std::string& station = StationSettingsBytes();
  SettingsDir dir;
  dir.WriteBytes(station);
  const int32_t truth = getter.call();
  const auto isFailure = [&](int32_t result) {
    return std::find(getter.failures.begin(), getter.failures.end(), result) !=
           getter.failures.end();
  };
  ASSERT_FALSE(isFailure(truth)) << "the station file answers as a failure would";

  long points = 0;
  for (long nth = 1;; ++nth) {
    const FailedRun run = RunFailing(dir, station, getter.call, nth);
    SCOPED_TRACE("allocation " + std::to_string(nth));
    ASSERT_FALSE(run.threw) << "an exception left the library";
    if (!run.metFailure) {
      EXPECT_EQ(run.result, truth);
      break;
    }
    ++points;
    EXPECT_TRUE(isFailure(run.result)) << run.result;
    EXPECT_TRUE(SameBytes(dir.Bytes(), station));
    // Anything held would fail every later call.
    ASSERT_TRUE(NothingLeftBehind(run, dir));
  }
  EXPECT_GT(points, 0);
  RecordProperty("allocation_failures", static_cast<int>(points));
}

INSTANTIATE_TEST_SUITE_P(EveryGetter, GetterAllocationFailure,
                         testing::ValuesIn(testing_support::GetterCalls()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AllocationFailure, ExeRootOverrideKeepsThePreviousDirectory) {
  SettingsDir dir;
  const std::u16string elsewhere(300, u'd');
  g_failAt = 1;
  EnterLibrary();
  SetExeRootPathOverride(elsewhere);
  LeaveLibrary();
  g_failAt = 0;
  ASSERT_EQ(g_allocations, 1);
  EXPECT_EQ(viewersettings::platform::GetExeRootPath(), dir.Path().u16string());
}

}  // namespace
