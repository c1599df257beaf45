// viewer-settings run in-process against temporary station folders: what show, get, set and init
// print and store, checked where it matters through the library's own getters.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"
#include "support/ToolRun.h"
#include "tools/viewer-settings/Cli.h"

namespace {

using testing_support::SettingsDir;
using testing_support::U;
using testing_support::Utf8;

using testing_support::kDecl;

using testing_support::Has;
using testing_support::Outcome;
using testing_support::RunIn;

TEST(CliShow, TheFirstRunFileShowsEveryGroupWithItsStatus) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const Outcome shown = RunIn(dir, {"show"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_TRUE(dir.Exists());
  // The first run seeds MinDiskSpace, the flags, the process name, the DICOM node and "General".
  const std::pair<const char*, const char*> statuses[] = {
      {"local", "partly stored"}, {"columns", "not stored"},      {"flags", "stored"},
      {"process", "stored"},      {"window", "not stored"},       {"dicom", "stored"},
      {"image-path", "stored"},   {"zoom", "not stored"},         {"image-window", "not stored"},
      {"modalities", "stored"},   {"Modality.General", "stored"}, {"ecg", "not stored"}};
  for (const auto& [group, status] : statuses) {
    const size_t header = shown.out.find("\n" + std::string(group) + ": ");
    ASSERT_NE(header, std::string::npos) << group;
    const std::string line =
        shown.out.substr(header + 1, shown.out.find('\n', header + 1) - header);
    EXPECT_TRUE(Has(line, ", " + std::string(status) + "\n")) << line;
  }
  EXPECT_TRUE(Has(shown.out, "  MinDiskSpace = 1000\n  LockStationTime: not stored\n"));
  EXPECT_TRUE(Has(shown.out, "  Modality.General.PatientInfo.Color = 64250  #FAFA00\n"));
  EXPECT_FALSE(Has(shown.out, "WindowLastPos.Left")) << "a group not stored lists no zeros";
}

TEST(CliShow, PartlyStoredGroupsNameTheFieldsTheGetterDidNotFind) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting><DICOMViewer><DICOMMainWin><ShowPatientInfo Value='1'/>"
            "</DICOMMainWin></DICOMViewer><ECGViewer><PageStyle Value='2'/><GridType Value='0'/>"
            "<SmoothFilter DefaultSmoothMode='3'/></ECGViewer></SystemSetting>");
  const Outcome window = RunIn(dir, {"show", "image-window"});
  EXPECT_TRUE(Has(window.out,
                  ", partly stored\n  DICOM.ShowPatientInfo = 1\n"
                  "  DICOM.ShowLabelInfo: not stored\n"));
  // A missing Magnifier is no failure of the ECG getter, yet its fields are not stored.
  const Outcome ecg = RunIn(dir, {"show", "ecg"});
  EXPECT_TRUE(Has(ecg.out, "  ECG.GridType = 0\n")) << ecg.out;
  EXPECT_TRUE(Has(ecg.out, "  ECG.ZoomRatio: not stored\n"));
  EXPECT_TRUE(Has(ecg.out, "  ECG.ColorSetting.Wave.Red: not stored\n"));
}

TEST(CliShow, JsonIsAnObjectKeyedByGroupWithNullForWhatIsNotStored) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting><WindowLastPos Left='-10' Top='20' Right='810'/>"
            "</SystemSetting>");
  EXPECT_EQ(RunIn(dir, {"show", "window", "--json"}).out,
            "{\n"
            "  \"window\": {\n"
            "    \"title\": \"Last window position (WindowLastPos)\",\n"
            "    \"status\": \"stored\",\n"
            "    \"values\": {\n"
            "      \"WindowLastPos.Left\": -10,\n"
            "      \"WindowLastPos.Right\": 810,\n"
            "      \"WindowLastPos.Top\": 20,\n"
            "      \"WindowLastPos.Bottom\": 0\n"
            "    }\n"
            "  }\n"
            "}\n");
  EXPECT_TRUE(Has(RunIn(dir, {"show", "zoom", "--json"}).out,
                  "\"values\": {\n      \"DICOM.PartZoom.ZoomRatio\": null,\n"));

  const std::u16string name = u"say \"hi\"\\\t\x01.exe";
  ASSERT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_OK);
  EXPECT_TRUE(Has(RunIn(dir, {"show", "process", "--json"}).out,
                  R"("DUZOProcessName": "say \"hi\"\\\t\u0001.exe")"));
}

TEST(CliGetSet, ValuesGoThroughTheSetterIntoTheRightFieldAndComeBack) {
  struct Row {
    const char* key;
    const char* value;
    const char* got;  // what get prints
    std::function<std::string()> library;
    const char* libraryText = nullptr;  // what the library's getter reads, when not `got`
  };
  const auto local = [] {
    LocalInfo info{};
    XMLGetLocalInfo(&info);
    return info;
  };
  const auto label = [] {
    DICOMLabelInfo info{};
    XMLGetDICOMLabelInfo(u"General", &info);
    return info;
  };
  const Row rows[] = {
      {"MinDiskSpace", "-5", "-5",
       [] {
         int32_t value = 0;
         XMLGetMinDiskSpace(&value);
         return std::to_string(value);
       }},
      {"StudyListUpdateTime", "30", "30",
       [&] { return std::to_string(local().StudyListUpdateTime); }},
      {"WindowLastPos.Top", "20", "20",
       [] {
         WindowRect rect{};
         XMLGetLastPos(&rect);
         return std::to_string(rect.Top);
       }},
      {"IsRealData", "7", "7", [] { return std::to_string(XMLIsRealData()); }},
      {"DUZOProcessName", "Ä & <b>.exe", "Ä & <b>.exe",
       [] { return Utf8(XMLGetDUZOProcessName()); }},
      {"DICOM.LocalMaxSCUCount", "-32768", "-32768",
       [] {
         DICOMLocalInfo info;
         XMLGetDICOMLocalInfo(&info);
         return std::to_string(info.LocalMaxSCUCount);
       }},
      {"DICOM.LocalImageDir", "D:\\Bilder \"ä\"", "D:\\Bilder \"ä\"",
       [] {
         std::u16string path;
         XMLGetDICOMImagePath(&path);
         return Utf8(path);
       }},
      {"DICOM.PartZoom.ZoomHeight", "200", "200",
       [] {
         PartZoomInfo zoom{};
         XMLGetDicomPartZoomIn(&zoom);
         return std::to_string(zoom.ZoomHeight);
       }},
      {"DICOM.ShowLabelInfo", "3", "3",
       [] {
         DICOMImageWinInfo win{};
         XMLGetDICOMImageWinInfo(&win);
         return std::to_string(win.ShowLabelInfo);
       }},
      {"Modality.General.PatientInfo.DisplayInfo.WidthLevel", "4", "4",
       [] {
         DICOMModalityPatientInfo info;
         XMLGetDICOMModalityPatientInfo(u"General", &info);
         return std::to_string(info.DisplayInfo.WidthLevel);
       }},
      {"Modality.General.Label.Symbol.Arrow.Size", "9", "9",
       [&] { return std::to_string(label().Arrow.Size); }},
      {"Modality.General.Label.Text.Font.CharSet", "0x86", "134",
       [&] { return std::to_string(label().Text.Font.lfCharSet); }},
      {"Modality.General.Label.Text.Font.Color", "0xFF00", "65280",
       [&] { return std::to_string(label().Text.Color); }},
      {"Modality.General.Label.Text.Font.FaceName", "Arial", "Arial",
       [&] {
         std::u16string face;
         for (const auto unit : label().Text.Font.lfFaceName) {
           if (unit == 0) break;
           face += static_cast<char16_t>(unit);
         }
         return Utf8(face);
       }},
      {"DICOM.Modality1", "C.T", "C.T",
       [] {
         std::vector<std::u16string> added;
         XMLGetDICOMAddedModality(&added);
         return Utf8(added.back());
       }},
      {"Modality.C.T.DisplayKIN", "-2", "-2",
       [] {
         int32_t value = 0;
         XMLGetDICOMDisplayKINImage(u"C.T", &value);
         return std::to_string(value);
       }},
      {"ECG.ZoomRatio", "2.25", "2.25",
       [] {
         ECGSettingInfo info{};
         XMLGetECGSettingInfo(&info);
         return std::to_string(info.ZoomRatio);
       },
       "2.250000"},
  };
  SettingsDir dir;
  for (const Row& row : rows) {
    const Outcome set = RunIn(dir, {"set", row.key, row.value});
    EXPECT_EQ(set.status, 0) << row.key << ": " << set.err;
    EXPECT_EQ(RunIn(dir, {"get", row.key}).out, std::string(row.got) + "\n") << row.key;
    EXPECT_EQ(row.library(), row.libraryText ? row.libraryText : row.got) << row.key;
  }
}

TEST(CliGetSet, SettingOneFieldStoresTheGroupAndNamesWhatWasNotStoredBefore) {
  SettingsDir dir;
  const Outcome set = RunIn(dir, {"set", "LockStationTime", "5"});
  EXPECT_EQ(set.out,
            "LockStationTime = 5\n"
            "  also stored, as it was not stored before: PatListMaxRecords = 0\n"
            "  also stored, as it was not stored before: StudyListUpdateTime = 0\n");
  LocalInfo info{};
  EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_GET_OK);
  EXPECT_EQ(info.MinDiskSpace, 1000);
  EXPECT_EQ(info.LockStationTime, 5);

  // Floats keep six decimals in the file; set says when the value it was given did not survive.
  EXPECT_TRUE(
      Has(RunIn(dir, {"set", "ECG.ZoomRatio", "1e-7"}).err, "ECG.ZoomRatio reads back as 0"));
  EXPECT_EQ(RunIn(dir, {"set", "ECG.ZoomRatio", "1.5"}).err, "");
}

TEST(CliGetSet, ValuesThatDoNotFitAreRefusedAndNothingIsWritten) {
  const std::pair<const char*, std::string> refused[] = {
      {"DICOM.LocalMaxSCPCount", "32768"},
      {"ECG.PageStyle", "-32769"},
      {"MinDiskSpace", "2147483648"},
      {"MinDiskSpace", "12abc"},
      {"MinDiskSpace", " 12"},
      {"MinDiskSpace", ""},
      {"ECG.ZoomRatio", "nan"},
      {"ECG.ZoomRatio", "1e39"},
      {"Modality.General.Label.Text.Font.Italic", "256"},
      {"Modality.General.PatientInfo.Color", "-1"},
      {"Modality.General.Label.Text.Font.FaceName", std::string(32, 'x')},
      {"DUZOProcessName", "bad \xff UTF-8"},
  };
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const std::string before = dir.Bytes();
  for (const auto& [key, value] : refused) {
    const Outcome set = RunIn(dir, {"set", key, value});
    EXPECT_EQ(set.status, 2) << key << " " << value;
    EXPECT_TRUE(Has(set.err, std::string("refused ") + key)) << set.err;
    EXPECT_TRUE(Has(set.err, "nothing was written")) << set.err;
  }
  EXPECT_EQ(dir.Bytes(), before);

  SettingsDir fresh;
  EXPECT_EQ(RunIn(fresh, {"set", "MinDiskSpace", "x"}).status, 2);
  EXPECT_EQ(RunIn(fresh, {"show", "nothing"}).status, 2);
  EXPECT_FALSE(fresh.Exists()) << "refused arguments must not even create the file";
}

TEST(CliExit, StatusAndMessageTellNotFoundFromErrors) {
  struct Row {
    std::string file;  // empty: no file; "-": an empty file
    std::vector<std::string> args;
    int status;
    const char* message;  // part of stderr
  };
  const std::string root = kDecl + "<SystemSetting/>";
  const Row rows[] = {
      {root,
       {"get", "WindowLastPos.Left"},
       1,
       "WindowLastPos.Left is not stored (XMLGetLastPos answered XMLR_GET_NOT_FOUND"},
      {root, {"get", "ECG.ColorSetting.Grid.Blue"}, 1, "is not stored"},
      {root, {"get", "NoSuchKey"}, 2, "unknown key \"NoSuchKey\""},
      {root, {"show", "nothing"}, 2, "unknown group \"nothing\""},
      {root, {"set", "DICOM.ImagePath", "x"}, 2, "read only"},
      {root, {"set", "PatListHeader.1.ColumnName", "x"}, 2, "only the one after its last entry"},
      {root, {"set", "MinDiskSpace"}, 2, "VALUE is required"},
      {root, {"set", "Modality.C T.DisplayKIN", "1"}, 2, "may not hold white space"},
      {kDecl + "<Settings/>",
       {"set", "MinDiskSpace", "1"},
       2,
       "its root element is <Settings>, not <SystemSetting>"},
      {"-", {"get", "MinDiskSpace"}, 2, "damaged: it is empty, so no setting can be read"},
      {"-", {"show"}, 2, "damaged: it is empty"},
      {root, {"show", "--help"}, 0, ""},
  };
  for (const Row& row : rows) {
    SettingsDir dir;
    if (row.file == "-") {
      dir.WriteBytes("");
    } else if (!row.file.empty()) {
      dir.Write(row.file);
    }
    const Outcome outcome = RunIn(dir, row.args);
    EXPECT_EQ(outcome.status, row.status) << row.args[0] << " " << row.args[1];
    EXPECT_TRUE(Has(outcome.err, row.message)) << outcome.err;
    if (Has(outcome.err, "answered")) {
      EXPECT_TRUE(Has(outcome.err, dir.File().string())) << "names the file: " << outcome.err;
    }
  }
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(viewersettings::cli::Run({"--dir", "/no/such/dir", "show"}, out, err), 2);
  EXPECT_TRUE(Has(err.str(), "/no/such/dir: no such directory"));
}

TEST(CliInit, CreatesTheFirstRunFileOnceAndSaysWhere) {
  SettingsDir dir;
  const Outcome created = RunIn(dir, {"init"});
  EXPECT_EQ(created.status, 0);
  EXPECT_EQ(created.out, dir.File().string() + ": created with the first-run defaults\n");
  ASSERT_TRUE(dir.Exists());
  EXPECT_EQ(dir.Bytes().substr(0, 2), "\xFF\xFE");

  ASSERT_EQ(RunIn(dir, {"set", "MinDiskSpace", "7"}).status, 0);
  const std::string before = dir.Bytes();
  const Outcome again = RunIn(dir, {"init"});
  EXPECT_EQ(again.out, dir.File().string() + ": already there, left as it is\n");
  EXPECT_EQ(dir.Bytes(), before);
}

}  // namespace
