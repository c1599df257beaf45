// viewer-settings export, import, reset and diff, run in-process between temporary station
// folders.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"
#include "support/ToolRun.h"
#include "tools/viewer-settings/Cli.h"

namespace {

using namespace std::string_literals;
using testing_support::SettingsDir;
using testing_support::Utf8;

using testing_support::Has;
using testing_support::Outcome;
using testing_support::RunIn;

// A station whose settings reach into every group and every list.
void Furnish(const SettingsDir& dir) {
  const std::vector<std::pair<std::string, std::string>> settings = {
      {"MinDiskSpace", "2048"},
      {"StudyListUpdateTime", "30"},
      {"PatListHeader.0.ColumnName", "Name \xC3\xA4"},
      {"PatListHeader.1.ColumnName", "Born"},
      {"PatListHeader.1.ColumnWidth", "0x40"},
      {"IsRealData", "0"},
      {"DUZOProcessName", "say \"hi\"\\\t.exe"},
      {"WindowLastPos.Right", "-810"},
      {"DICOM.LocalImageDir", "D:\\Images\\"},
      {"DICOM.PartZoom.ZoomRatio", "3"},
      {"DICOM.Modality1", "C.T"},
      {"Modality.C.T.Label.Text.Font.FaceName", "Arial"},
      {"Modality.C.T.PatientInfo.Color", "#FFFFFF"},
      {"ECG.ZoomRatio", "1.1"},
      {"ECG.ColorSetting.Scale.Green", "200"},
      {"ECG.SmoothFilter.SmoothFilterIII.Gamma", "0.25"},
  };
  for (const auto& [key, value] : settings) {
    ASSERT_EQ(RunIn(dir, {"set", key, value}).status, 0) << key;
  }
}

TEST(CliTransfer, ExportThenImportIntoAFreshFolderGivesTheSameValues) {
  SettingsDir station;
  Furnish(station);
  const Outcome exported = RunIn(station, {"export"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_TRUE(Has(exported.out, "\n  \"ECG.ZoomRatio\": 1.1,\n")) << exported.out;
  EXPECT_TRUE(Has(exported.out, "\n  \"Modality.C.T.PatientInfo.Color\": 16777215,\n"));
  EXPECT_TRUE(Has(exported.out, R"("DUZOProcessName": "say \"hi\"\\\t.exe")"));
  EXPECT_FALSE(Has(exported.out, "DICOM.ImagePath")) << "read only: import could not store it";

  SettingsDir fresh;
  const Outcome imported = RunIn(fresh, {"import", "-"}, exported.out);
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(RunIn(fresh, {"export"}).out, exported.out);
  EXPECT_EQ(RunIn(fresh, {"diff", station.Path().string()}).status, 0);

  // From a file, into a station whose settings differ.
  SettingsDir other;
  ASSERT_EQ(RunIn(other, {"set", "MinDiskSpace", "1"}).status, 0);
  const std::string file = (fresh.Path() / "station.json").string();
  std::ofstream(file) << exported.out;
  ASSERT_EQ(RunIn(other, {"import", file}).status, 0);
  EXPECT_EQ(RunIn(other, {"export"}).out, exported.out);
}

// The value getters answer a value whether or not the file stores it; an export holds only what
// the file stores, so that an import leaves another station's values of the others as they are.
TEST(CliTransfer, AnExportHoldsNoValueThatTheFileDoesNotStore) {
  SettingsDir bare;
  bare.Write(testing_support::kDecl +
             "<SystemSetting><LocalSetting><MinDiskSpace Value=\"7\"/></LocalSetting>"
             "</SystemSetting>\r\n");
  const Outcome exported = RunIn(bare, {"export"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, "{\n  \"MinDiskSpace\": 7\n}\n");

  SettingsDir station;
  ASSERT_EQ(RunIn(station, {"set", "IsRealData", "0"}).status, 0);
  ASSERT_EQ(RunIn(station, {"set", "DUZOProcessName", "Other.exe"}).status, 0);
  ASSERT_EQ(RunIn(station, {"import", "-"}, exported.out).status, 0);
  EXPECT_EQ(RunIn(station, {"get", "IsRealData"}).out, "0\n");
  EXPECT_EQ(RunIn(station, {"get", "DUZOProcessName"}).out, "Other.exe\n");
  EXPECT_EQ(RunIn(station, {"get", "MinDiskSpace"}).out, "7\n");
}

TEST(CliTransfer, ImportWritesNothingUnlessEveryKeyAndValueFits) {
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const std::string before = dir.Bytes();
  const std::pair<std::string, std::string> refused[] = {
      {R"({"MinDiskSpace": 5, "DICOM.LocalMaxSCPCount": 40000})",
       "refused DICOM.LocalMaxSCPCount = \"40000\": it takes an integer from -32768 to 32767"},
      {R"({"MinDiskSpace": 5, "NoSuchKey": 1})", "unknown key \"NoSuchKey\""},
      {R"({"MinDiskSpace": 5, "DICOM.ImagePath": "D:\\"})", "read only"},
      {R"({"MinDiskSpace": 5, "PatListHeader.2.ColumnName": "x"})", "only the one after"},
      {R"({"MinDiskSpace": 1e3})", "refused MinDiskSpace = \"1e3\""},
      {R"({"MinDiskSpace": 5,})", "not an export of settings (line 1: expected a member's name"},
      {"{\"MinDiskSpace\": 5,\n \"IsRealData\": true}", "line 2: expected text in double quotes"},
      {R"({"DUZOProcessName": "\ud800"})", "not an export of settings"},
      {R"([1])", "expected an object"},
  };
  for (const auto& [json, message] : refused) {
    const Outcome outcome = RunIn(dir, {"import", "-"}, json);
    EXPECT_EQ(outcome.status, 2) << json;
    EXPECT_TRUE(Has(outcome.err, message)) << json << "\n" << outcome.err;
    EXPECT_EQ(dir.Bytes(), before) << json;
  }
  EXPECT_EQ(RunIn(dir, {"import", (dir.Path() / "none.json").string()}).status, 2);
  const Outcome empty = RunIn(dir, {"import", "-"}, " {} ");
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(dir.Bytes(), before);
}

// ASCII and "ä" as UTF-16 code units, in either byte order.
std::string Utf16(const std::string& json, bool bigEndian) {
  std::string bytes;
  for (const char16_t unit : testing_support::U(json)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(CliTransfer, ImportReadsJsonInTheEncodingsWindowsToolsWrite) {
  const std::string json = "{\"PatListHeader.0.ColumnName\": \"N\xC3\xA4me\", \"MinDiskSpace\": 7}";
  const std::string kUtf8Mark = "\xEF\xBB\xBF";
  const std::string kLeMark = "\xFF\xFE";
  const std::string kBeMark = "\xFE\xFF";
  const std::pair<const char*, std::string> accepted[] = {
      {"UTF-8", json},
      {"UTF-8 with a byte-order mark", kUtf8Mark + json},
      {"UTF-16LE with a byte-order mark", kLeMark + Utf16(json, false)},
      {"UTF-16BE with a byte-order mark", kBeMark + Utf16(json, true)},
  };
  for (const auto& [encoding, bytes] : accepted) {
    SettingsDir dir;
    const Outcome outcome = RunIn(dir, {"import", "-"}, bytes);
    EXPECT_EQ(outcome.status, 0) << encoding << ": " << outcome.err;
    EXPECT_EQ(RunIn(dir, {"get", "PatListHeader.0.ColumnName"}).out, "N\xC3\xA4me\n") << encoding;
    EXPECT_EQ(RunIn(dir, {"get", "MinDiskSpace"}).out, "7\n") << encoding;
  }

  const std::pair<std::string, std::string> refused[] = {
      {Utf16(json, false), "UTF-16 without a byte-order mark"},
      {Utf16(json, true), "UTF-16 without a byte-order mark"},
      {"{\"DUZOProcessName\": \"N\xE4me\"}", "bytes not valid in UTF-8 at byte 22"},
      {kUtf8Mark + "{\"DUZOProcessName\": \"\xC3\"}", "bytes not valid in UTF-8 at byte 24"},
      {kLeMark + Utf16(json, false) + "\x00\xD8"s, "not valid UTF-16LE: it holds an unpaired"},
      {kBeMark + Utf16(json, true) + "}", "UTF-16BE text of an odd number of bytes"},
      {"{\"MinDiskSpace\": 7}\0"s, "a zero byte at byte 19"},
  };
  SettingsDir dir;
  ASSERT_EQ(RunIn(dir, {"init"}).status, 0);
  const std::string before = dir.Bytes();
  for (const auto& [bytes, message] : refused) {
    const Outcome outcome = RunIn(dir, {"import", "-"}, bytes);
    EXPECT_EQ(outcome.status, 2) << message;
    EXPECT_TRUE(Has(outcome.err, message)) << outcome.err;
  }
  EXPECT_EQ(dir.Bytes(), before);
}

TEST(CliTransfer, ResetPutsBackWhatTheFirstRunStoresAndRefusesWhereItStoresNothing) {
  SettingsDir dir;
  Furnish(dir);
  Outcome reset = RunIn(dir, {"reset", "MinDiskSpace"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_EQ(reset.out, "MinDiskSpace = 1000\n");
  // The directories are this station's, not those of the scratch folder of the first run.
  ASSERT_EQ(RunIn(dir, {"reset", "DICOM.LocalImageDir"}).status, 0);
  std::u16string imageDir;
  XMLGetDICOMImagePath(&imageDir);
  EXPECT_EQ(Utf8(imageDir), (dir.Path() / "Data\\").string());

  const std::string before = dir.Bytes();
  for (const char* target : {"WindowLastPos.Right", "ecg", "columns"}) {
    reset = RunIn(dir, {"reset", target});
    EXPECT_EQ(reset.status, 2) << target;
    EXPECT_TRUE(Has(reset.err, "the first run stores no value")) << reset.err;
  }
  EXPECT_EQ(RunIn(dir, {"reset", "nothing"}).status, 2);
  EXPECT_EQ(dir.Bytes(), before);

  // A group: what has a first-run value is reset, the rest is named and left.
  reset = RunIn(dir, {"reset", "local"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_TRUE(Has(reset.out,
                  "left as they are, as the first run stores no value for them: "
                  "LockStationTime PatListMaxRecords StudyListUpdateTime\n"));
  LocalInfo local{};
  XMLGetLocalInfo(&local);
  EXPECT_EQ(local.StudyListUpdateTime, 30);
  // Any modality takes the display settings that the first run stores for its modality.
  ASSERT_EQ(RunIn(dir, {"reset", "Modality.C.T"}).status, 0);
  DICOMModalityInfo ct;
  ct.DisplayKIN = 7;
  ASSERT_EQ(XMLGetDICOMModalityInfo(u"C.T", &ct), XMLR_GET_OK);
  const DICOMModalityInfo initial;
  EXPECT_EQ(ct.DisplayKIN, initial.DisplayKIN);
  EXPECT_EQ(ct.PatientInfo.Color, initial.PatientInfo.Color);
  EXPECT_EQ(ct.Label.Arrow.Size, initial.Label.Arrow.Size);
  EXPECT_EQ(ct.Label.Text.Font.lfFaceName[0], 0);
}

TEST(CliTransfer, DiffListsTheKeysThatDifferFromAnotherFolderOrAnExport) {
  SettingsDir here;
  SettingsDir there;
  ASSERT_EQ(RunIn(here, {"set", "DICOM.LocalImageDir", "D:\\"}).status, 0);
  ASSERT_EQ(RunIn(there, {"set", "DICOM.LocalImageDir", "D:\\"}).status, 0);
  ASSERT_EQ(RunIn(there, {"set", "MinDiskSpace", "5"}).status, 0);
  ASSERT_EQ(RunIn(there, {"set", "WindowLastPos.Left", "1"}).status, 0);
  ASSERT_EQ(RunIn(here, {"set", "ECG.ZoomRatio", "0.5"}).status, 0);
  // The directories that the first run stores differ between the two folders.
  for (const char* key : {"DICOM.LocalSCUDir", "DICOM.LocalSCPDir"}) {
    ASSERT_EQ(RunIn(there, {"set", key, "x"}).status, 0);
    ASSERT_EQ(RunIn(here, {"set", key, "x"}).status, 0);
  }
  const Outcome diff = RunIn(here, {"diff", there.Path().string()});
  EXPECT_EQ(diff.status, 1);
  EXPECT_TRUE(Has(diff.out, "MinDiskSpace: 1000 here, 5 there\n")) << diff.out;
  EXPECT_TRUE(Has(diff.out, "ECG.ZoomRatio: 0.5 here, not stored there\n"));
  EXPECT_TRUE(Has(diff.out, "WindowLastPos.Left: not stored here, 1 there\n"));
  EXPECT_FALSE(Has(diff.out, "LocalImageDir"));

  const std::string file = (here.Path() / "there.json").string();
  std::ofstream(file) << RunIn(there, {"export"}).out;
  EXPECT_EQ(RunIn(here, {"diff", file}).out, diff.out);
  std::ofstream(file) << RunIn(here, {"export"}).out;
  const Outcome same = RunIn(here, {"diff", file});
  EXPECT_EQ(same.status, 0);
  EXPECT_TRUE(Has(same.out, "no differences"));

  std::ofstream(file) << R"({"MinDiskSpace": "many"})";
  EXPECT_EQ(RunIn(here, {"diff", file}).status, 2);
  SettingsDir empty;
  const Outcome none = RunIn(here, {"diff", empty.Path().string()});
  EXPECT_EQ(none.status, 2);
  EXPECT_TRUE(Has(none.err, "no settings file"));
  EXPECT_FALSE(empty.Exists()) << "diff does not create another station's file";
}

}  // namespace
