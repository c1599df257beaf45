// The model getter and setter on real files: read walk, write walk, write-back, failures.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "store/SettingsFile.h"
#include "store/Wait.h"
#include "support/FaultEnv.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::FaultEnv;
using testing_support::SettingsDir;
using testing_support::U;
using viewersettings::platform::CurrentEnv;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

using testing_support::kDecl;

TEST(SettingsPath, TrailingSeparatorsAreFoldedIntoOne) {
  const std::u16string sep(1, viewersettings::platform::kPathSeparator);
  for (const std::u16string& dir :
       {std::u16string(u"base"), u"base" + sep, u"base" + sep + sep + sep}) {
    SetExeRootPathOverride(dir);
    EXPECT_EQ(viewersettings::store::GetSettingsFilePath(),
              u"base" + sep + u"VorelViewerSysSetting.xml");
  }
  SetExeRootPathOverride(sep + sep);
  EXPECT_EQ(viewersettings::store::GetSettingsFilePath(), sep + u"VorelViewerSysSetting.xml");
  SetExeRootPathOverride(u"");
}

struct GetCase {
  const char* name;
  std::string body;  // the document after the declaration
  int32_t code;
  int32_t value;
};

class GetMinDiskSpace : public testing::TestWithParam<GetCase> {};

TEST_P(GetMinDiskSpace, ReadsTheFirstMatchingLeaf) {
  SettingsDir dir;
  dir.Write(kDecl + GetParam().body);
  int32_t value = 4242;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), GetParam().code);
  EXPECT_EQ(value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, GetMinDiskSpace,
    testing::Values(
        GetCase{"EmptyRoot", "<SystemSetting/>\r\n", XMLR_GET_NOT_FOUND, 4242},
        GetCase{"Nested",
                "<SystemSetting>\r\n<LocalSetting>\r\n<MinDiskSpace Value=\"2048\"/>\r\n"
                "</LocalSetting>\r\n</SystemSetting>\r\n",
                XMLR_GET_OK, 2048},
        GetCase{"MissingLevelIsSkipped", "<SystemSetting><MinDiskSpace Value='7'/></SystemSetting>",
                XMLR_GET_OK, 7},
        GetCase{"NoValue",
                "<SystemSetting><LocalSetting><MinDiskSpace/></LocalSetting></SystemSetting>",
                XMLR_GET_OK, 0},
        GetCase{"Letters",
                "<SystemSetting><LocalSetting><MinDiskSpace Value='abc'/></LocalSetting>"
                "</SystemSetting>",
                XMLR_GET_OK, 0},
        GetCase{"BlankSignDigitsLetters",
                "<SystemSetting><LocalSetting><MinDiskSpace Value=' -12ab'/></LocalSetting>"
                "</SystemSetting>",
                XMLR_GET_OK, -12},
        GetCase{"OnlyTheFirstLevelIsSearched",
                "<SystemSetting><LocalSetting/><LocalSetting><MinDiskSpace Value='9'/>"
                "</LocalSetting></SystemSetting>",
                XMLR_GET_NOT_FOUND, 4242},
        GetCase{"OtherRoot",
                "<Settings><LocalSetting><MinDiskSpace Value='9'/></LocalSetting></Settings>",
                XMLR_GET_NOT_FOUND, 4242},
        GetCase{"DoesNotParse",
                "<SystemSetting><LocalSetting><MinDiskSpace Value='9'/></LocalSetting>",
                XMLR_GET_NOT_FOUND, 4242}),
    [](const testing::TestParamInfo<GetCase>& info) { return info.param.name; });

TEST(SetMinDiskSpace, BuildsTheMissingPathUnderAnEmptyRoot) {
  SettingsDir dir;
  dir.Write(kDecl + "<SystemSetting/>\r\n");
  EXPECT_EQ(XMLSetMinDiskSpace(500), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<LocalSetting>\r\n<MinDiskSpace Value=\"500\"/>\r\n"
                            "</LocalSetting>\r\n</SystemSetting>\r\n");
  int32_t value = 0;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
  EXPECT_EQ(value, 500);
}

TEST(SetMinDiskSpace, ReplacesTheValueInPlaceAndKeepsEverythingElse) {
  SettingsDir dir;
  const std::string before =
      "<!-- station 4 -->\n<SystemSetting>\n  <LocalSetting  >\n"
      "    <MinDiskSpace Value='1000' Unit=\"MB\"/>\n    <Other  a = \"1\"/>\n"
      "  </LocalSetting>\n  <IsRealData Value=\"1\"/>\n</SystemSetting>\n";
  dir.Write(kDecl + before);
  EXPECT_EQ(XMLSetMinDiskSpace(-1), XMLR_SET_OK);
  std::string after = before;
  after.replace(after.find("1000"), 4, "-1");
  EXPECT_EQ(dir.Text(), kDecl + after);
}

TEST(SetMinDiskSpace, KeepsTheFilesByteOrderMarkOrItsAbsence) {
  for (const bool bom : {true, false}) {
    SettingsDir dir;
    dir.Write(kDecl + "<SystemSetting/>", bom);
    ASSERT_EQ(XMLSetMinDiskSpace(1), XMLR_SET_OK);
    EXPECT_EQ(dir.Bytes().rfind("\xFF\xFE", 0) == 0, bom);
  }
}

TEST(SetMinDiskSpace, OtherRootFailsAndLeavesTheTextAsItWas) {
  SettingsDir dir;
  dir.Write(kDecl + "<Settings><LocalSetting/></Settings>");
  const std::string before = dir.Bytes();
  EXPECT_EQ(XMLSetMinDiskSpace(5), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), before);
}

TEST(SetMinDiskSpace, TextWithoutARootGainsTheWholePathAtItsEnd) {
  SettingsDir dir;
  dir.Write(kDecl);
  EXPECT_EQ(XMLSetMinDiskSpace(3), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<LocalSetting>\r\n<MinDiskSpace Value=\"3\"/>\r\n"
                            "</LocalSetting>\r\n</SystemSetting>\r\n");
}

TEST(SettingsFile, ZeroLengthFileIsAnErrorAndStaysEmpty) {
  SettingsDir dir;
  dir.WriteBytes("");
  int32_t value = 77;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetMinDiskSpace(1), XMLR_FILE_ERROR);
  EXPECT_EQ(value, 77);
  EXPECT_TRUE(dir.Exists());
  EXPECT_EQ(dir.Bytes(), "");
}

TEST(SettingsFile, OddLengthFileIsReadWithoutOverrun) {
  SettingsDir dir;
  dir.Write(kDecl + "<SystemSetting><MinDiskSpace Value='8'/></SystemSetting>");
  dir.WriteBytes(dir.Bytes() + "x");
  int32_t value = 0;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
  EXPECT_EQ(value, 8);
  // The last byte comes back as a whole code unit with a zero high byte.
  ASSERT_EQ(XMLSetMinDiskSpace(9), XMLR_SET_OK);
  const std::string bytes = dir.Bytes();
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string("x\0", 2));
}

TEST(SettingsFile, HeldFileIsWaitedForBrieflyAndNeverDamaged) {
  SettingsDir dir;
  dir.Write(kDecl + "<SystemSetting><MinDiskSpace Value='8'/></SystemSetting>");
  const std::string before = dir.Bytes();
  viewersettings::store::SetBusyWaitForTesting(std::chrono::milliseconds(100));
  for (const auto mode : {OpenMode::kReadExisting, OpenMode::kWriteExisting}) {
    Status status;
    auto holder = CurrentEnv().Open(dir.File().u16string(), mode, &status);
    ASSERT_TRUE(holder);
    int32_t value = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_FILE_ERROR);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(XMLSetMinDiskSpace(2), XMLR_FILE_ERROR);
    EXPECT_EQ(value, 1);
    holder.reset();
    EXPECT_EQ(dir.Bytes(), before);
  }

  // A holder that lets go within the wait: the call goes through.
  viewersettings::store::SetBusyWaitForTesting(viewersettings::store::kBusyWait);
  Status status;
  auto holder = CurrentEnv().Open(dir.File().u16string(), OpenMode::kReadExisting, &status);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    holder.reset();
  });
  EXPECT_EQ(XMLSetMinDiskSpace(3), XMLR_SET_OK);
  release.join();
  int32_t value = 0;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
  EXPECT_EQ(value, 3);
}

TEST(SettingsFile, ReadAndWriteErrorsAreReportedAndTheFileKept) {
  SettingsDir dir;
  dir.Write(kDecl + "<SystemSetting><MinDiskSpace Value='8'/></SystemSetting>");
  const std::string original = dir.Bytes();
  FaultEnv env;
  int32_t value = 1;
  for (const auto operation : {FaultEnv::Operation::kLength, FaultEnv::Operation::kRead}) {
    env.FailNth(operation, 1);
    EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_FILE_ERROR);
    EXPECT_EQ(value, 1);
  }
  for (const auto operation :
       {FaultEnv::Operation::kWrite, FaultEnv::Operation::kFlush, FaultEnv::Operation::kReplace}) {
    env.FailNth(operation, 1);
    EXPECT_EQ(XMLSetMinDiskSpace(2), XMLR_SET_FAILED);
    EXPECT_EQ(dir.Bytes(), original);
    EXPECT_FALSE(std::filesystem::exists(dir.File().u16string() + u".tmp"));
  }
  env.FailNth(FaultEnv::Operation::kOpen, 0);
  EXPECT_EQ(XMLSetMinDiskSpace(4), XMLR_SET_OK);
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_GET_OK);
  EXPECT_EQ(value, 4);
}

TEST(SettingsFile, NullOutputIsRefused) {
  SettingsDir dir;
  dir.Write(kDecl + "<SystemSetting><MinDiskSpace Value='8'/></SystemSetting>");
  EXPECT_EQ(XMLGetMinDiskSpace(nullptr), XMLR_GET_NOT_FOUND);
}

}  // namespace

namespace {

// Hand-edited text the engine cannot edit faithfully: the setter refuses rather than write a
// file that reads differently, or not at all.
TEST(SetterGuard, EditsThatWouldNotReadBackAreNotWritten) {
  const struct {
    const char* name;
    std::string body;
    int32_t (*set)();
  } cases[] = {
      {"EmptyElementWithTwoSlashes", "<SystemSetting><LocalSetting//></SystemSetting>",
       [] { return XMLSetMinDiskSpace(5); }},
      {"UnquotedValue",
       "<SystemSetting><LocalSetting><MinDiskSpace Value=7/></LocalSetting></SystemSetting>",
       [] { return XMLSetMinDiskSpace(5); }},
      {"UnclosedQuote",
       "<SystemSetting><LocalSetting><MinDiskSpace Value=\"5/><LockStationTime Value='1'/>"
       "<PatListMaxRecords/></LocalSetting></SystemSetting>",
       [] {
         const LocalInfo info{1, 2, 3, 4};
         return XMLSetLocalInfo(&info);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsDir dir;
    dir.Write(kDecl + c.body);
    const std::string before = dir.Bytes();
    EXPECT_EQ(c.set(), XMLR_SET_FAILED);
    EXPECT_EQ(dir.Bytes(), before);
  }
}

}  // namespace
