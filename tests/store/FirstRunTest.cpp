// First run: a missing settings file is created with its skeleton and seeded through the
// setters; the expected text below is worked out by hand from what each seeding call adds.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "ViewerSettings.h"
#include "platform/Env.h"
#include "support/ForwardingEnv.h"
#include "support/SettingsDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::SettingsDir;
using testing_support::U;
using testing_support::Utf8;
using viewersettings::platform::CurrentEnv;
using viewersettings::platform::File;
using viewersettings::platform::kPathSeparator;
using viewersettings::platform::OpenMode;
using viewersettings::platform::Status;

std::string ExpectedFirstRunText(const std::string& imageDir, const std::string& scuDir,
                                 const std::string& scpDir) {
  return "<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n"
         "<SystemSetting>\r\n"
         "<LocalSetting>\r\n"
         "<MinDiskSpace Value=\"1000\"/>\r\n"
         "</LocalSetting>\r\n"
         "<IsRealData Value=\"1\"/>\r\n"
         "<AutoLoopPlay Value=\"1\"/>\r\n"
         "<DICOMViewer>\r\n"
         "<DICOMNetSetting>\r\n"
         "<UseStudyUID Value=\"0\"/>\r\n"
         "<CheckStudyUID Value=\"0\"/>\r\n"
         "<LocalMaxSCPCount Value=\"30\"/>\r\n"
         "<LocalMaxSCUCount Value=\"30\"/>\r\n"
         "<LocalDelayTime Value=\"60\"/>\r\n"
         "<LocalImageDir Value=\"" + imageDir + "\"/>\r\n"
         "<LocalSCUDir Value=\"" + scuDir + "\"/>\r\n"
         "<LocalSCPDir Value=\"" + scpDir + "\"/>\r\n"
         "</DICOMNetSetting>\r\n"
         "<ModalityCount Value=\"1\"/>\r\n"
         "<Modality0 Value=\"General\"/>\r\n"
         "<General>\r\n"
         "<DisplayKIN Value=\"1\"/>\r\n"
         "<PatientInfo>\r\n"
         "<LeftTop Value=\"\"/>\r\n"
         "<RightTop Value=\"\"/>\r\n"
         "<LeftBottom Value=\"\"/>\r\n"
         "<RightBottom Value=\"\"/>\r\n"
         "<Color Value=\"64250\"/>\r\n"
         "<Height Value=\"10\"/>\r\n"
         "<DisplayInfo>\r\n"
         "<ImageDirection Value=\"0\"/>\r\n"
         "<ZoomRatio Value=\"0\"/>\r\n"
         "<WidthLevel Value=\"0\"/>\r\n"
         "<SeriesImageNo Value=\"0\"/>\r\n"
         "<ImageSize Value=\"0\"/>\r\n"
         "</DisplayInfo>\r\n"
         "</PatientInfo>\r\n"
         "<Label>\r\n"
         "<Symbol>\r\n"
         "<Point>\r\n<Style Value=\"0\"/>\r\n<Size Value=\"3\"/>\r\n</Point>\r\n"
         "<Line>\r\n<Style Value=\"0\"/>\r\n<Size Value=\"1\"/>\r\n</Line>\r\n"
         "<Arrow>\r\n<Style Value=\"2\"/>\r\n<Size Value=\"15\"/>\r\n</Arrow>\r\n"
         "</Symbol>\r\n"
         "<Text>\r\n"
         "<Unit Value=\"0\"/>\r\n"
         "<Precision Value=\"2\"/>\r\n"
         "<Font>\r\n"
         "<Height Value=\"10\"/>\r\n"
         "<Width Value=\"0\"/>\r\n"
         "<Escapment Value=\"0\"/>\r\n"
         "<Orientation Value=\"0\"/>\r\n"
         "<Weight Value=\"0\"/>\r\n"
         "<Italic Value=\"\"/>\r\n"
         "<Underline Value=\"\"/>\r\n"
         "<StrikeOut Value=\"\"/>\r\n"
         "<CharSet Value=\"\"/>\r\n"
         "<OutPrecision Value=\"\"/>\r\n"
         "<ClipPrecision Value=\"\"/>\r\n"
         "<Quality Value=\"\"/>\r\n"
         "<PitchAndFamily Value=\"\"/>\r\n"
         "<Color Value=\"255\"/>\r\n"
         "<FaceName Value=\"\"/>\r\n"
         "</Font>\r\n"
         "</Text>\r\n"
         "</Label>\r\n"
         "</General>\r\n"
         "</DICOMViewer>\r\n"
         "<DUZOProcessName Value=\"DUZO.exe\"/>\r\n"
         "</SystemSetting>\r\n";
}

bool operator==(const LOGFONTW& a, const LOGFONTW& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectDefaultModality(const DICOMModalityInfo& info) {
  const DICOMModalityInfo defaults;
  EXPECT_EQ(info.DisplayKIN, defaults.DisplayKIN);
  const DICOMModalityPatientInfo& p = info.PatientInfo;
  EXPECT_EQ(p.LeftTop + p.RightTop + p.LeftBottom + p.RightBottom, u"");
  EXPECT_EQ(p.Color, 64250u);
  EXPECT_EQ(p.Height, 10);
  EXPECT_EQ(std::memcmp(&p.DisplayInfo, &defaults.PatientInfo.DisplayInfo, sizeof p.DisplayInfo),
            0);
  const DICOMLabelInfo& l = info.Label;
  EXPECT_EQ(l.Point.Style * 100 + l.Point.Size, 3);
  EXPECT_EQ(l.Line.Style * 100 + l.Line.Size, 1);
  EXPECT_EQ(l.Arrow.Style * 100 + l.Arrow.Size, 215);
  EXPECT_EQ(l.Text.Unit, 0);
  EXPECT_EQ(l.Text.Precision, 2);
  EXPECT_EQ(l.Text.Color, 255u);
  EXPECT_TRUE(l.Text.Font == defaults.Label.Text.Font);
}

TEST(FirstRun, AnyCallOnAMissingFileWritesTheDefaultsAndAnswersFromThem) {
  SettingsDir dir;
  const std::string root = Utf8(dir.Path().u16string()) + static_cast<char>(kPathSeparator);
  int32_t minDisk = 0;
  ASSERT_EQ(XMLGetMinDiskSpace(&minDisk), XMLR_GET_OK);
  EXPECT_EQ(minDisk, 1000);

  EXPECT_EQ(dir.Bytes().substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(dir.Text(), ExpectedFirstRunText(root + "Data\\", root + "Ormask\\SCPTemplate\\",
                                             root + "Ormask\\SCUTemplate\\"));

  EXPECT_EQ(XMLIsRealData(), 1);
  EXPECT_EQ(XMLIsAutoLoopPlay(), 1);
  EXPECT_EQ(XMLGetDUZOProcessName(), u"DUZO.exe");
  DICOMLocalInfo node;
  node.RemotePort = 11112;
  EXPECT_EQ(XMLGetDICOMLocalInfo(&node), XMLR_GET_OK);
  EXPECT_EQ(node.RemotePort, 11112);
  EXPECT_EQ(node.LocalMaxSCPCount + node.LocalMaxSCUCount + node.LocalDelayTime, 120);
  EXPECT_EQ(Utf8(node.LocalImageDir), root + "Data\\");
  std::vector<std::u16string> modalities;
  EXPECT_EQ(XMLGetDICOMAddedModality(&modalities), XMLR_GET_OK);
  EXPECT_EQ(modalities, std::vector<std::u16string>{u"General"});
  DICOMModalityInfo general;
  general.DisplayKIN = 9;
  general.Label.Text.Font.lfFaceName[0] = u'x';
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"General", &general), XMLR_GET_OK);
  ExpectDefaultModality(general);
}

TEST(FirstRun, ASetterOnAMissingFileStoresOverTheDefaults) {
  SettingsDir dir;
  EXPECT_EQ(XMLSetRealData(0), XMLR_SET_OK);
  EXPECT_EQ(XMLIsRealData(), 0);
  int32_t minDisk = 0;
  EXPECT_EQ(XMLGetMinDiskSpace(&minDisk), XMLR_GET_OK);
  EXPECT_EQ(minDisk, 1000);
}

// An executable root of exactly `length` characters, separator included, below the test
// directory; empty where the file system refuses such a path.
fs::path LongRoot(const SettingsDir& dir, size_t length) {
  fs::path path = dir.Path();
  std::error_code error;
  while (path.u16string().size() + 1 < length) {
    const size_t room = length - 1 - path.u16string().size() - 1;  // one more separator
    if (room == 0) return {};
    path /= std::string(std::min<size_t>(room, 200), 'd');
    if (!fs::create_directory(path, error) && error) return {};
  }
  return path.u16string().size() + 1 == length ? path : fs::path();
}

TEST(FirstRun, LongExecutableRootsFallBackFieldByField) {
  const struct {
    size_t rootLength;
    bool imageDirKept, templatesKept;
  } cases[] = {{100, true, true}, {790, true, false}, {796, false, false}};
  for (const auto& c : cases) {
    SettingsDir dir;
    const fs::path root = LongRoot(dir, c.rootLength);
    if (root.empty()) {
      std::printf("skipped: cannot make a %zu-character directory here\n", c.rootLength);
      continue;
    }
    SetExeRootPathOverride(root.u16string());
    DICOMLocalInfo node;
    const int32_t result = XMLGetDICOMLocalInfo(&node);
    if (result == XMLR_FILE_ERROR) {
      std::printf("skipped: the file system refuses a %zu-character path\n", c.rootLength);
      continue;
    }
    ASSERT_EQ(result, XMLR_GET_OK);
    const std::u16string rootText = root.u16string() + kPathSeparator;
    EXPECT_EQ(node.LocalImageDir, c.imageDirKept ? rootText + u"Data\\" : u"C:\\Data\\");
    EXPECT_EQ(node.LocalSCUDir, c.templatesKept ? rootText + u"Ormask\\SCPTemplate\\"
                                                : u"C:\\Ormask\\SCPTemplate\\");
    EXPECT_EQ(node.LocalSCPDir, c.templatesKept ? rootText + u"Ormask\\SCUTemplate\\"
                                                : u"C:\\Ormask\\SCUTemplate\\");
  }
}

// A platform on which the settings file cannot be opened for writing, as for a read-only file
// (permissions do not stop root, who runs the tests in CI).
class ReadOnlyFileEnv : public testing_support::ForwardingEnv {
 public:
  std::unique_ptr<File> Open(const std::u16string& path, OpenMode mode, Status* status) override {
    if (mode == OpenMode::kReadExisting) return Real().Open(path, mode, status);
    *status = Status::kFailed;
    return nullptr;
  }
};

TEST(FirstRun, AnExistingFileThatCannotBeWrittenIsNeverSeeded) {
  SettingsDir dir;
  dir.Write("<SystemSetting><IsRealData Value='0'/></SystemSetting>");
  const std::string before = dir.Bytes();
  {
    ReadOnlyFileEnv readOnly;
    EXPECT_EQ(XMLSetRealData(5), XMLR_SET_FAILED);
    EXPECT_EQ(XMLIsRealData(), 0);
  }
  EXPECT_EQ(dir.Bytes(), before);

  // A real read-only file, where permissions apply.
  fs::permissions(dir.File(), fs::perms::owner_read);
  Status status;
  if (CurrentEnv().Open(dir.File().u16string(), OpenMode::kWriteExisting, &status)) {
    std::printf("skipped: permissions do not stop this user from writing\n");
  } else {
    EXPECT_EQ(XMLSetRealData(5), XMLR_SET_FAILED);
    EXPECT_EQ(XMLIsRealData(), 0);
  }
  fs::permissions(dir.File(), fs::perms::owner_all);
  EXPECT_EQ(dir.Bytes(), before);
}

TEST(FirstRun, AMissingFileInADirectoryThatCannotBeWrittenIsAnError) {
  SettingsDir dir;
  const fs::path missing = dir.Path() / "no-such-directory";
  SetExeRootPathOverride(missing.u16string());
  int32_t value = 7;
  EXPECT_EQ(XMLGetMinDiskSpace(&value), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetMinDiskSpace(1), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLIsRealData(), 1);
  EXPECT_EQ(value, 7);
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
