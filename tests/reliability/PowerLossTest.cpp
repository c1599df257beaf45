// Every setter with the power cut at each of its disk operations in turn, on a simulated disk that
// keeps only flushed content and synced names: after the restart the settings file holds the text
// from before the call or from after one of its write-backs, what a call reported stored survives
// a cut after it, and the store goes on from whatever the cut left.
#include <gtest/gtest.h>

#include <algorithm>

#include "ViewerSettings.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "support/ExportedCalls.h"
#include "support/SetterOutcomes.h"
#include "support/SimulatedDisk.h"

namespace {

using testing_support::SameBytes;
using testing_support::SetterCall;
using testing_support::SetterOutcomes;
using testing_support::SimulatedDisk;
using Renames = SimulatedDisk::Renames;
using Writes = SimulatedDisk::Writes;

class SetterUnderPowerLoss : public testing::TestWithParam<SetterCall> {
 protected:
  void SetUp() override {
    // The simulated disk's directory is the executable's.
    SetExeRootPathOverride(u"");
    // Nothing else holds a file on the simulated disk; a wait would be a fault of the store's.
    viewersettings::store::SetBusyWaitForTesting(std::chrono::milliseconds(50));
  }
  void TearDown() override {
    viewersettings::store::SetBusyWaitForTesting(viewersettings::store::kBusyWait);
  }
};

TEST_P(SetterUnderPowerLoss, LeavesTheOldTextOrAWrittenOneAfterEveryCut) {
  const SetterCall& setter = GetParam();
  const SetterOutcomes outcomes =
      testing_support::FindSetterOutcomes(setter.call, testing_support::StationSettingsBytes());
  ASSERT_EQ(outcomes.result, setter.success);
  const auto written = [&](const std::string& bytes) {
    return std::find(outcomes.texts.begin(), outcomes.texts.end(), bytes) != outcomes.texts.end();
  };

  int cuts = 0;
  for (const Renames renames : {Renames::kUndone, Renames::kKept}) {
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE("power cut at operation " + std::to_string(nth) +
                   (renames == Renames::kKept ? ", renames kept" : ", renames undone"));
      SimulatedDisk disk(u"station");
      const std::u16string path = viewersettings::store::GetSettingsFilePath();
      disk.Put(path, outcomes.Old());
      disk.CutPowerAt(nth);
      const int32_t result = setter.call();
      const bool cutDuringCall = disk.PowerIsCut();
      disk.PowerCycle(renames);
      const std::optional<std::string> bytes = disk.Content(path);
      ASSERT_TRUE(bytes) << "the settings file is gone";
      if (!cutDuringCall) {
        EXPECT_EQ(result, setter.success);
        EXPECT_TRUE(SameBytes(*bytes, outcomes.New()));
        break;
      }
      ++cuts;
      EXPECT_TRUE(written(*bytes));
      EXPECT_EQ(setter.call(), setter.success) << "after the restart";
      EXPECT_TRUE(SameBytes(disk.Content(path).value_or(""), outcomes.New()));
      EXPECT_FALSE(disk.Exists(path + u".tmp"));
    }
  }
  RecordProperty("power_cuts", cuts);
}

// Where the folder refuses new files, the file is rewritten in place, and a cut can leave it torn
// (Writes::kTorn: half of what was not flushed reached the disk). Its journal makes the next call,
// whatever it is, find the old text or a text the setter wrote, never a torn one.
TEST_P(SetterUnderPowerLoss, InPlaceLeavesNoTornFileAfterEveryCut) {
  const SetterCall& setter = GetParam();
  const SetterOutcomes outcomes = testing_support::FindSetterOutcomes(
      setter.call, testing_support::StationSettingsBytes(), testing_support::WriteBack::kInPlace);
  ASSERT_EQ(outcomes.result, setter.success);
  const auto written = [&](const std::string& bytes) {
    return std::find(outcomes.texts.begin(), outcomes.texts.end(), bytes) != outcomes.texts.end();
  };

  int cuts = 0;
  for (const Writes writes : {Writes::kLost, Writes::kTorn}) {
    for (const Renames renames : {Renames::kUndone, Renames::kKept}) {
      for (int nth = 1;; ++nth) {
        SCOPED_TRACE("power cut at operation " + std::to_string(nth) +
                     (writes == Writes::kTorn ? ", writes torn" : ", writes lost") +
                     (renames == Renames::kKept ? ", renames kept" : ", renames undone"));
        SimulatedDisk disk(u"station");
        disk.RefuseNewFilesIn(u"station");
        const std::u16string path = viewersettings::store::GetSettingsFilePath();
        disk.Put(path, outcomes.Old());
        disk.CutPowerAt(nth);
        const int32_t result = setter.call();
        const bool cutDuringCall = disk.PowerIsCut();
        disk.PowerCycle(renames, writes);
        if (!cutDuringCall) {
          EXPECT_EQ(result, setter.success);
          EXPECT_TRUE(SameBytes(disk.Content(path).value_or(""), outcomes.New()));
          break;
        }
        ++cuts;
        int32_t value = 0;
        XMLGetMinDiskSpace(&value);  // any call puts back what an interrupted rewrite tore
        EXPECT_TRUE(written(disk.Content(path).value_or("")));
        if (result == setter.success) {
          EXPECT_TRUE(SameBytes(disk.Content(path).value_or(""), outcomes.New()));
        }
        EXPECT_FALSE(disk.Exists(disk.JournalPath(path)));
        EXPECT_EQ(setter.call(), setter.success) << "after the restart";
        EXPECT_TRUE(SameBytes(disk.Content(path).value_or(""), outcomes.New()));
        EXPECT_EQ(disk.NamesIn(u"station"),
                  std::vector<std::u16string>{u"VorelViewerSysSetting.xml"});
      }
    }
  }
  RecordProperty("power_cuts", cuts);
}

// The rollback itself cut short, at each of its steps, after a rewrite cut short at each of its
// own: a later call still finishes it.
TEST_F(SetterUnderPowerLoss, InPlaceRollbackSurvivesCutsOfItsOwn) {
  const SetterOutcomes outcomes = testing_support::FindSetterOutcomes(
      [] { return XMLSetMinDiskSpace(4096); }, testing_support::StationSettingsBytes(),
      testing_support::WriteBack::kInPlace);
  const auto whole = [&](const std::optional<std::string>& bytes) {
    return bytes == outcomes.Old() || bytes == outcomes.New();
  };
  int cuts = 0;
  for (int first = 1;; ++first) {
    bool rollbackCut = true;
    for (int second = 1; rollbackCut; ++second) {
      SCOPED_TRACE("cuts at operation " + std::to_string(first) + " of the setter and " +
                   std::to_string(second) + " of the next call");
      SimulatedDisk disk(u"station");
      disk.RefuseNewFilesIn(u"station");
      const std::u16string path = viewersettings::store::GetSettingsFilePath();
      disk.Put(path, outcomes.Old());
      disk.CutPowerAt(first);
      XMLSetMinDiskSpace(4096);
      if (!disk.PowerIsCut()) return;  // the setter ran to its end: every cut was tried
      disk.PowerCycle(Renames::kUndone, Writes::kTorn);
      disk.CutPowerAt(second);
      int32_t value = 0;
      XMLGetMinDiskSpace(&value);
      rollbackCut = disk.PowerIsCut();
      disk.PowerCycle(Renames::kUndone, Writes::kTorn);
      ++cuts;
      EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
      EXPECT_TRUE(whole(disk.Content(path)));
      EXPECT_FALSE(disk.Exists(disk.JournalPath(path)));
    }
    RecordProperty("power_cuts", cuts);
  }
}

// The first run seeds the defaults in memory and writes the file once: a cut leaves no file (the
// next call creates it) or the complete first-run file, never a half-seeded one.
TEST_F(SetterUnderPowerLoss, FirstRunLeavesNoFileOrTheWholeDefaults) {
  std::string defaults;
  {
    SimulatedDisk disk(u"station");
    int32_t value = 0;
    ASSERT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
    defaults = disk.Content(viewersettings::store::GetSettingsFilePath()).value_or("");
  }
  for (const Renames renames : {Renames::kUndone, Renames::kKept}) {
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE("power cut at operation " + std::to_string(nth));
      SimulatedDisk disk(u"station");
      const std::u16string path = viewersettings::store::GetSettingsFilePath();
      disk.CutPowerAt(nth);
      int32_t value = 0;
      XMLGetMinDiskSpace(&value);
      const bool cutDuringCall = disk.PowerIsCut();
      disk.PowerCycle(renames);
      if (!cutDuringCall) break;
      const std::optional<std::string> bytes = disk.Content(path);
      EXPECT_TRUE(!bytes || *bytes == defaults);
      EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
      EXPECT_EQ(disk.Content(path).value_or(""), defaults);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EverySetter, SetterUnderPowerLoss,
                         testing::ValuesIn(testing_support::SetterCalls()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
