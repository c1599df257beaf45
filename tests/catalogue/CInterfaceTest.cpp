// The C interface against the groups' own exported functions: one key of every group stored by
// key gives the file the group's setter gives it, and what a caller of the C functions meets.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "ViewerSettings.h"
#include "catalogue/Catalogue.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;
using testing_support::U;
using testing_support::Utf8;
using Units = std::basic_string<VSChar>;

Units C(const std::u16string& text) {
  return Units(text.begin(), text.end());
}
Units C(const std::string& utf8) {
  return C(U(utf8));
}

// The result and the value, with a buffer of the full length.
std::pair<int32_t, std::string> Get(const std::string& key) {
  int32_t length = -1;
  const int32_t result = XMLGetSetting(C(key).c_str(), nullptr, 0, &length);
  if (result != XMLR_GET_OK) return {result, ""};
  Units buffer(static_cast<size_t>(length) + 1, 0);
  EXPECT_EQ(XMLGetSetting(C(key).c_str(), buffer.data(), length + 1, &length), XMLR_GET_OK);
  return {result, Utf8(std::u16string(buffer.begin(), buffer.begin() + length))};
}

int32_t Set(const std::string& key, const std::string& value) {
  return XMLSetSetting(C(key).c_str(), C(value).c_str());
}

int32_t SetAll(const std::vector<std::pair<std::string, std::string>>& pairs,
               int32_t* refused = nullptr) {
  std::vector<Units> texts;
  for (const auto& [key, value] : pairs) {
    texts.push_back(C(key));
    texts.push_back(C(value));
  }
  std::vector<const VSChar*> keys;
  std::vector<const VSChar*> values;
  for (size_t i = 0; i < texts.size(); i += 2) {
    keys.push_back(texts[i].c_str());
    values.push_back(texts[i + 1].c_str());
  }
  return XMLSetSettings(static_cast<int32_t>(pairs.size()), keys.data(), values.data(), refused);
}

std::vector<std::string> ListedKeys() {
  int32_t length = -1;
  EXPECT_EQ(XMLListSettings(nullptr, 0, &length), XMLR_GET_OK);
  Units buffer(static_cast<size_t>(length) + 1, 'x');
  EXPECT_EQ(XMLListSettings(buffer.data(), length + 1, &length), XMLR_GET_OK);
  std::vector<std::string> keys;
  for (size_t at = 0; buffer[at] != 0; at = buffer.find(VSChar(0), at) + 1) {
    keys.push_back(Utf8(
        std::u16string(buffer.begin() + static_cast<std::ptrdiff_t>(at),
                       buffer.begin() + static_cast<std::ptrdiff_t>(buffer.find(VSChar(0), at)))));
  }
  return keys;
}

struct GroupCase {
  const char* key;
  const char* value;
  const char* read;           // what XMLGetSetting answers afterwards
  std::function<void()> own;  // the same change through the group's own functions
};

const std::vector<GroupCase>& GroupCases() {
  static const std::vector<GroupCase> cases = {
      {"MinDiskSpace", "2048", "2048", [] { XMLSetMinDiskSpace(2048); }},
      {"LockStationTime", "5", "5",
       [] {
         LocalInfo info{};
         XMLGetLocalInfo(&info);
         info.LockStationTime = 5;
         XMLSetLocalInfo(&info);
       }},
      {"PatListHeader.0.ColumnName", "Name", "Name",
       [] {
         std::vector<PatListColumn> columns;
         XMLGetPatListHeaderInfo(&columns);
         PatListColumn column;
         column.ColumnNo = 0;
         column.ColumnName = u"Name";
         columns.push_back(column);
         XMLSetPatListHeaderInfo(&columns);
       }},
      {"IsRealData", "0", "0", [] { XMLSetRealData(0); }},
      {"AutoLoopPlay", "-3", "-3", [] { XMLSetAutoLoopPlay(-3); }},
      {"DUZOProcessName", "a<b> & \"c\" \xC3\xA9.exe", "a<b> & \"c\" \xC3\xA9.exe",
       [] {
         const std::u16string name = U("a<b> & \"c\" \xC3\xA9.exe");
         XMLSetDUZOProcessName(&name);
       }},
      {"WindowLastPos.Top", "20", "20",
       [] {
         WindowRect rect{};
         XMLGetLastPos(&rect);
         rect.Top = 20;
         XMLSetLastPos(&rect);
       }},
      {"DICOM.LocalImageDir", "D:\\Images\\", "D:\\Images\\",
       [] {
         DICOMLocalInfo info;
         XMLGetDICOMLocalInfo(&info);
         info.LocalImageDir = u"D:\\Images\\";
         XMLSetDICOMLocalInfo(&info);
       }},
      {"DICOM.PartZoom.ZoomHeight", "0x10", "16",
       [] {
         PartZoomInfo zoom{};
         XMLGetDicomPartZoomIn(&zoom);
         zoom.ZoomHeight = 16;
         XMLSetDicomPartZoomIn(&zoom);
       }},
      {"DICOM.ShowLabelInfo", "1", "1",
       [] {
         DICOMImageWinInfo win{};
         XMLGetDICOMImageWinInfo(&win);
         win.ShowLabelInfo = 1;
         XMLSetDICOMImageWinInfo(&win);
       }},
      {"DICOM.Modality1", "CT", "CT",
       [] {
         std::vector<std::u16string> names;
         XMLGetDICOMAddedModality(&names);
         names.push_back(u"CT");
         XMLSetDICOMAddedModality(&names);
       }},
      {"Modality.General.DisplayKIN", "0", "0", [] { XMLSetDICOMDisplayKINImage(u"General", 0); }},
      {"Modality.General.PatientInfo.DisplayInfo.WidthLevel", "4", "4",
       [] {
         DICOMModalityPatientInfo info;
         XMLGetDICOMModalityPatientInfo(u"General", &info);
         info.DisplayInfo.WidthLevel = 4;
         XMLSetDICOMModalityPatientInfo(u"General", &info);
       }},
      {"Modality.General.Label.Text.Font.FaceName", "Arial", "Arial",
       [] {
         DICOMLabelInfo label = DICOMModalityInfo().Label;
         XMLGetDICOMLabelInfo(u"General", &label);
         const std::u16string face = u"Arial";
         std::copy(face.begin(), face.end(), label.Text.Font.lfFaceName);
         XMLSetDICOMLabelInfo(u"General", &label);
       }},
      {"ECG.ZoomRatio", "2.25", "2.250000",
       [] {
         ECGSettingInfo info{};
         XMLGetECGSettingInfo(&info);
         info.ZoomRatio = 2.25f;
         XMLSetECGSettingInfo(&info);
       }},
  };
  return cases;
}

TEST(CInterface, OneKeyOfEveryGroupStoresWhatTheGroupsOwnFunctionsStore) {
  SettingsDir dir;
  ASSERT_EQ(Get("MinDiskSpace").first, XMLR_GET_OK);  // the first-run file
  const std::string firstRun = dir.Bytes();
  std::set<size_t> groups;
  for (const GroupCase& each : GroupCases()) {
    dir.WriteBytes(firstRun);
    each.own();
    const std::string expected = dir.Bytes();
    ASSERT_NE(expected, firstRun) << each.key;
    dir.WriteBytes(firstRun);
    EXPECT_EQ(Set(each.key, each.value), XMLR_SET_OK) << each.key;
    EXPECT_EQ(dir.Bytes(), expected) << each.key;
    EXPECT_EQ(Get(each.key), std::make_pair(XMLR_GET_OK, std::string(each.read))) << each.key;
    groups.insert(
        viewersettings::catalogue::Settings()[viewersettings::catalogue::MatchKey(each.key)
                                                  ->setting]
            .group);
  }
  const auto& all = viewersettings::catalogue::Groups();
  for (size_t group = 0; group < all.size(); ++group) {
    EXPECT_TRUE(all[group].setter.empty() || groups.count(group)) << all[group].getter;
  }
}

TEST(CInterface, AnEntryOfAListIsAddedWithItsGroupsOtherFieldsAtTheirInitialValues) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  EXPECT_EQ(Set("ECG.ColorSetting.Grid.Blue", "9"), XMLR_SET_OK);
  ECGSettingInfo info{};
  XMLGetECGSettingInfo(&info);
  ASSERT_EQ(info.Colors.size(), 1u);
  EXPECT_EQ(info.Colors[0].Kind, ECGColorGrid);
  EXPECT_EQ(info.Colors[0].Blue, 9);
  EXPECT_EQ(Get("ECG.ColorSetting.Grid.Red"), std::make_pair(XMLR_GET_OK, std::string("0")));
  EXPECT_EQ(Get("ECG.ColorSetting.Wave.Red").first, XMLR_GET_NOT_FOUND);

  // Columns are read by number up to the first missing one, so only the next one can be added;
  // several at once are added in number order whatever order they come in.
  const std::string before = dir.Bytes();
  EXPECT_EQ(Set("PatListHeader.1.ColumnName", "Second"), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), before);
  EXPECT_EQ(SetAll({{"PatListHeader.1.ColumnName", "Second"},
                    {"PatListHeader.0.ColumnWidth", "80"},
                    {"PatListHeader.0.ColumnName", "First"}}),
            XMLR_SET_OK);
  std::vector<PatListColumn> columns;
  XMLGetPatListHeaderInfo(&columns);
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].ColumnName, u"First");
  EXPECT_EQ(columns[0].ColumnWidth, 80);
  EXPECT_EQ(columns[1].ColumnName, u"Second");
  EXPECT_EQ(columns[1].ColumnWidth, -1);
  EXPECT_EQ(Set("PatListHeader.7.ColumnName", "x"), XMLR_SET_FAILED);
}

TEST(CInterface, SeveralKeysOfGroupsThatShareALeafAreAllStored) {
  SettingsDir dir;
  // MinDiskSpace has a setter of its own, and XMLSetLocalInfo stores it too: the second setter
  // must not put back the value from before.
  for (const auto& order : {std::vector<std::string>{"MinDiskSpace", "LockStationTime"},
                            std::vector<std::string>{"LockStationTime", "MinDiskSpace"}}) {
    ASSERT_EQ(SetAll({{order[0], "7"}, {order[1], "7"}}), XMLR_SET_OK);
    LocalInfo info{};
    EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_GET_OK);
    EXPECT_EQ(info.MinDiskSpace, 7) << order[0];
    EXPECT_EQ(info.LockStationTime, 7) << order[0];
    ASSERT_EQ(SetAll({{"MinDiskSpace", "1"}, {"LockStationTime", "1"}}), XMLR_SET_OK);
  }
}

TEST(CInterface, NothingIsWrittenUnlessEveryKeyAndValueFits) {
  SettingsDir dir;
  ASSERT_EQ(Set("MinDiskSpace", "5"), XMLR_SET_OK);
  const std::string before = dir.Bytes();
  struct Refused {
    std::vector<std::pair<std::string, std::string>> pairs;
    int32_t code;
    int32_t index;  // of the pair the caller is told was refused
  };
  const Refused refused[] = {
      {{{"MinDiskSpace", "6"}, {"NoSuchKey", "1"}}, XMLR_UNKNOWN_KEY, 1},
      {{{"MinDiskSpace", "6"}, {"Modality.C T.DisplayKIN", "1"}}, XMLR_UNKNOWN_KEY, 1},
      {{{"MinDiskSpace", "6"}, {"DICOM.LocalMaxSCPCount", "32768"}}, XMLR_BAD_VALUE, 1},
      {{{"MinDiskSpace", " 6"}}, XMLR_BAD_VALUE, 0},
      {{{"MinDiskSpace", "6"}, {"ECG.ZoomRatio", "nan"}}, XMLR_BAD_VALUE, 1},
      {{{"Modality.General.Label.Text.Font.FaceName", std::string(32, 'x')}}, XMLR_BAD_VALUE, 0},
      {{{"Modality.General.Label.Text.Font.Italic", "256"}}, XMLR_BAD_VALUE, 0},
      {{{"DICOM.Modality1", "C T"}}, XMLR_BAD_VALUE, 0},
      {{{"MinDiskSpace", "6"}, {"DICOM.ImagePath", "D:\\"}}, XMLR_SET_FAILED, 1},
      {{{"MinDiskSpace", "6"}, {"DICOM.Modality5", "CT"}}, XMLR_SET_FAILED, 1},
      // the first of several refused; the one refused of a key given twice
      {{{"ECG.PageStyle", "x"}, {"MinDiskSpace", "6"}, {"NoSuchKey", "1"}}, XMLR_BAD_VALUE, 0},
      {{{"MinDiskSpace", "6"}, {"MinDiskSpace", "x"}}, XMLR_BAD_VALUE, 1},
      {{{"DICOM.Modality1", "CT"}, {"MinDiskSpace", "6"}, {"DICOM.Modality3", "MR"}},
       XMLR_SET_FAILED,
       2},
  };
  for (const auto& [pairs, code, index] : refused) {
    int32_t at = -2;
    EXPECT_EQ(SetAll(pairs, &at), code) << pairs.back().first;
    EXPECT_EQ(at, index) << pairs.back().first;
    EXPECT_EQ(dir.Bytes(), before) << pairs.back().first;
  }
  int32_t at = -2;
  EXPECT_EQ(SetAll({{"MinDiskSpace", "6"}}, &at), XMLR_SET_OK);
  EXPECT_EQ(at, -1);
  ASSERT_EQ(Set("MinDiskSpace", "5"), XMLR_SET_OK);
  const Units minDiskSpace = C(std::string("MinDiskSpace"));
  const Units six = C(std::string("6"));
  const Units bad = C(std::string("x"));
  const VSChar* keys[] = {minDiskSpace.c_str(), minDiskSpace.c_str(), nullptr};
  const VSChar* values[] = {six.c_str(), six.c_str(), six.c_str()};
  EXPECT_EQ(XMLSetSettings(3, keys, values, &at), XMLR_UNKNOWN_KEY);
  EXPECT_EQ(at, 2);
  values[1] = bad.c_str();  // refused before the null key
  EXPECT_EQ(XMLSetSettings(3, keys, values, &at), XMLR_BAD_VALUE);
  EXPECT_EQ(at, 1);
  EXPECT_EQ(XMLSetSetting(minDiskSpace.c_str(), nullptr), XMLR_BAD_VALUE);
  EXPECT_EQ(XMLSetSettings(-1, nullptr, nullptr, &at), XMLR_BAD_VALUE);
  EXPECT_EQ(at, -1);
  EXPECT_EQ(XMLSetSettings(0, nullptr, nullptr, nullptr), XMLR_SET_OK);
  EXPECT_EQ(dir.Bytes(), before);
}

TEST(CInterface, BuffersAreCutToFitAndTheLengthTellsWhatToRetryWith) {
  SettingsDir dir;
  const std::u16string name = u"ab\U0001F600.exe";  // a surrogate pair at units 2 and 3
  ASSERT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_OK);
  const Units key = C(std::string("DUZOProcessName"));
  Units buffer(16, 'x');
  int32_t length = -1;
  for (const auto& [capacity, kept] : {std::pair<int32_t, size_t>{1, 0}, {3, 2}, {4, 2}, {5, 4}}) {
    buffer.assign(16, 'x');
    EXPECT_EQ(XMLGetSetting(key.c_str(), buffer.data(), capacity, &length), XMLR_GET_OK);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(buffer.substr(0, kept + 1), C(name.substr(0, kept)) + VSChar(0)) << capacity;
    EXPECT_EQ(buffer[kept + 1], 'x') << capacity;
  }
  EXPECT_EQ(XMLGetSetting(key.c_str(), buffer.data(), 9, nullptr), XMLR_GET_OK);
  EXPECT_EQ(buffer.substr(0, 9), C(name) + VSChar(0));

  // Not stored, unknown: neither the buffer nor the length is touched.
  buffer.assign(16, 'x');
  length = 77;
  EXPECT_EQ(XMLGetSetting(C(std::string("WindowLastPos.Left")).c_str(), buffer.data(), 16, &length),
            XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetSetting(C(std::string("Nothing")).c_str(), buffer.data(), 16, &length),
            XMLR_UNKNOWN_KEY);
  EXPECT_EQ(XMLGetSetting(nullptr, buffer.data(), 16, &length), XMLR_UNKNOWN_KEY);
  EXPECT_EQ(buffer, Units(16, 'x'));
  EXPECT_EQ(length, 77);

  // The list: whole keys and its end, or only its end.
  buffer.assign(16, 'x');
  EXPECT_EQ(XMLListSettings(buffer.data(), 16, &length), XMLR_GET_OK);
  EXPECT_EQ(buffer.substr(0, 14), C(std::string("MinDiskSpace")) + VSChar(0) + VSChar(0));
  buffer.assign(16, 'x');
  EXPECT_EQ(XMLListSettings(buffer.data(), 13, &length), XMLR_GET_OK);
  EXPECT_EQ(buffer.substr(0, 2), Units(1, 0) + VSChar('x'));
}

TEST(CInterface, WhatAGetterLeavesAsItWasIsNotStoredWhateverTheValue) {
  SettingsDir dir;
  // The values with which a record is filled to see what the getter leaves, and the limits.
  for (const char* value : {"-1515870811", "1515870810", "-2147483648", "0"}) {
    ASSERT_EQ(Set("WindowLastPos.Left", value), XMLR_SET_OK);
    EXPECT_EQ(Get("WindowLastPos.Left"), std::make_pair(XMLR_GET_OK, std::string(value)));
  }
  std::string file = testing_support::kEmptyRoot;
  file.replace(file.find("<SystemSetting/>"), 16,
               "<SystemSetting><ECGViewer><PageStyle Value='-23131'/></ECGViewer></SystemSetting>");
  dir.Write(file);
  EXPECT_EQ(Get("ECG.PageStyle"), std::make_pair(XMLR_GET_OK, std::string("-23131")));
  EXPECT_EQ(Get("ECG.GridType").first, XMLR_GET_NOT_FOUND);
  EXPECT_EQ(Get("ECG.ZoomRatio").first, XMLR_GET_NOT_FOUND);
}

TEST(CInterface, TheListHasTheKeysOfEveryAddedModalityAndEveryKeyReads) {
  SettingsDir dir;
  const std::vector<std::u16string> names = {u"General", u"C.T", u"General"};
  ASSERT_EQ(XMLSetDICOMAddedModality(&names), XMLR_SET_OK);
  ASSERT_EQ(XMLSetDICOMDisplayKINImage(u"C.T", 0), XMLR_SET_OK);
  ASSERT_EQ(XMLSetDICOMDisplayKINImage(u"MR", 0), XMLR_SET_OK);  // not in the list
  const std::vector<std::string> keys = ListedKeys();
  std::set<std::string> unique(keys.begin(), keys.end());
  EXPECT_EQ(unique.size(), keys.size());
  EXPECT_TRUE(unique.count("Modality.C.T.DisplayKIN"));
  EXPECT_TRUE(unique.count("DICOM.Modality2"));
  EXPECT_FALSE(unique.count("Modality.MR.DisplayKIN"));
  EXPECT_FALSE(unique.count("Modality.C.T.PatientInfo.Color")) << "not stored for C.T";
  for (const std::string& key : keys) EXPECT_EQ(Get(key).first, XMLR_GET_OK) << key;
}

TEST(CInterface, AFileThatCannotBeHadIsReportedEvenWhereTheGroupsGetterCannotSayIt) {
  SettingsDir dir;
  dir.WriteBytes("");
  // XMLIsRealData answers 1 and XMLGetDICOMLabelInfo "not found" for an empty file.
  for (const char* key :
       {"IsRealData", "DUZOProcessName", "Modality.General.Label.Text.Unit", "MinDiskSpace"}) {
    EXPECT_EQ(Get(key).first, XMLR_FILE_ERROR) << key;
    EXPECT_EQ(Set(key, "1"), XMLR_FILE_ERROR) << key;
  }
  int32_t length = -1;
  EXPECT_EQ(XMLListSettings(nullptr, 0, &length), XMLR_FILE_ERROR);
  EXPECT_EQ(dir.Bytes(), "");
}

#if !defined(_WIN32)
// The writers' lock that XMLSetSettings holds over its groups is the one each setter takes, also
// where the settings file is a link into another folder.
TEST(CInterface, SettersByKeyStoreThroughALinkedSettingsFile) {
  SettingsDir shared;
  ASSERT_EQ(Get("MinDiskSpace").first, XMLR_GET_OK);
  SettingsDir station;
  std::filesystem::create_symlink(shared.File(), station.File());
  EXPECT_EQ(SetAll({{"MinDiskSpace", "5"}, {"LockStationTime", "6"}}), XMLR_SET_OK);
  EXPECT_EQ(Get("MinDiskSpace"), std::make_pair(XMLR_GET_OK, std::string("5")));
  EXPECT_EQ(Get("LockStationTime"), std::make_pair(XMLR_GET_OK, std::string("6")));
}
#endif

TEST(CInterface, ConcurrentSettersOfOneGroupLoseNoChange) {
  SettingsDir dir;
  // Each call reads the label group and stores it whole; the writers' lock is held from the
  // reading to the storing, so neither thread stores a value of the other's from before.
  constexpr int kRounds = 20;
  std::atomic<int> failures{0};
  const auto writer = [&](const std::string& key) {
    for (int round = 1; round <= kRounds; ++round) {
      if (Set(key, std::to_string(round)) != XMLR_SET_OK) ++failures;
    }
  };
  std::thread height(writer, "Modality.General.Label.Text.Font.Height");
  std::thread unit(writer, "Modality.General.Label.Text.Unit");
  height.join();
  unit.join();
  EXPECT_EQ(failures, 0);
  DICOMLabelInfo label{};
  ASSERT_EQ(XMLGetDICOMLabelInfo(u"General", &label), XMLR_GET_OK);
  EXPECT_EQ(label.Text.Font.lfHeight, kRounds);
  EXPECT_EQ(label.Text.Unit, kRounds);
}

}  // namespace
