// The catalogue's table and its keys: what each setting takes, where it lives, which key names it.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "ViewerSettings.h"
#include "catalogue/Catalogue.h"
#include "support/SettingsDir.h"
#include "text/Utf8.h"

namespace {

using namespace viewersettings::catalogue;
using viewersettings::text::ToUtf8;

const Setting& SettingOf(const std::string& key) {
  const std::optional<KeyMatch> match = MatchKey(key);
  if (!match) throw std::runtime_error("no setting for " + key);
  return Settings()[match->setting];
}

TEST(Catalogue, EverySettingHasItsTypeRangePathAndGroup) {
  struct Row {
    const char* key;
    const char* takes;
    const char* path;  // element@attribute below the root
    const char* getter;
    bool settable;
  };
  const Row rows[] = {
      {"MinDiskSpace", "an integer from -2147483648 to 2147483647",
       "LocalSetting/MinDiskSpace@Value", "XMLGetMinDiskSpace", true},
      {"PatListMaxRecords", "an integer from -2147483648 to 2147483647",
       "LocalSetting/PatListMaxRecords@Value", "XMLGetLocalInfo", true},
      {"PatListHeader.3.ColumnWidth", "an integer from -32768 to 32767",
       "LocalSetting/PatListHeader/Item@ColumnWidth", "XMLGetPatListHeaderInfo", true},
      {"WindowLastPos.Bottom", "an integer from -2147483648 to 2147483647", "WindowLastPos@Bottom",
       "XMLGetLastPos", true},
      {"DICOM.LocalDelayTime", "an integer from -32768 to 32767",
       "DICOMViewer/DICOMNetSetting/LocalDelayTime@Value", "XMLGetDICOMLocalInfo", true},
      {"DICOM.ImagePath", "text", "DICOMViewer/DICOMNetSetting/LocalImageDir@Value",
       "XMLGetDICOMImagePath", false},
      {"DICOM.Modality12", "a modality name", "DICOMViewer/Modality<n>@Value",
       "XMLGetDICOMAddedModality", true},
      {"Modality.CT.Label.Text.Font.Height", "an integer from -2147483648 to 2147483647",
       "DICOMViewer/<name>/Label/Text/Font/Height@Value", "XMLGetDICOMLabelInfo", true},
      {"Modality.CT.Label.Text.Font.CharSet", "an integer from 0 to 255",
       "DICOMViewer/<name>/Label/Text/Font/CharSet@Value", "XMLGetDICOMLabelInfo", true},
      {"Modality.CT.Label.Text.Font.FaceName", "text of at most 31 UTF-16 units",
       "DICOMViewer/<name>/Label/Text/Font/FaceName@Value", "XMLGetDICOMLabelInfo", true},
      {"Modality.CT.PatientInfo.Color", "a colour 0x00BBGGRR, an integer from 0 to 4294967295",
       "DICOMViewer/<name>/PatientInfo/Color@Value", "XMLGetDICOMModalityPatientInfo", true},
      {"ECG.DefaultSmoothMode", "an integer from -32768 to 32767",
       "ECGViewer/SmoothFilter@DefaultSmoothMode", "XMLGetECGSettingInfo", true},
      {"ECG.ZoomRatio", "a decimal number", "ECGViewer/Magnifier@ZoomRatio", "XMLGetECGSettingInfo",
       true},
      {"ECG.ColorSetting.Infomation.Red", "an integer from 0 to 255",
       "ECGViewer/ColorSetting/Infomation@Red", "XMLGetECGSettingInfo", true},
      {"ECG.SmoothFilter.SmoothFilterIII.Density", "an integer from -32768 to 32767",
       "ECGViewer/SmoothFilter/SmoothFilterIII@Density", "XMLGetECGSettingInfo", true},
  };
  for (const Row& row : rows) {
    const Setting& setting = SettingOf(row.key);
    EXPECT_EQ(WhatItTakes(setting.kind).rfind(row.takes, 0), 0u) << row.key;
    EXPECT_EQ(ToUtf8(setting.path) + "@" + ToUtf8(setting.attribute), row.path) << row.key;
    EXPECT_EQ(Groups()[setting.group].getter, row.getter) << row.key;
    EXPECT_EQ(setting.settable, row.settable) << row.key;
  }
  // One setting per leaf and attribute: every key of the table is another place in the file,
  // but for the image path that a getter of its own reads.
  std::set<std::u16string> places;
  for (const Setting& setting : Settings()) {
    if (setting.settable) {
      EXPECT_TRUE(places.insert(setting.path + u"@" + setting.attribute).second) << setting.key;
    }
  }
}

TEST(Catalogue, KeysNameModalitiesAndEntriesAsTheFileCanHoldThem) {
  const std::optional<KeyMatch> dotted = MatchKey("Modality.C.T.Label.Text.Unit");
  ASSERT_TRUE(dotted);
  EXPECT_EQ(dotted->modality, u"C.T");
  EXPECT_EQ(Settings()[dotted->setting].key, "Modality.<name>.Label.Text.Unit");
  const std::optional<KeyMatch> unicode = MatchKey("Modality.\xC3\x84rztlich.DisplayKIN");
  ASSERT_TRUE(unicode);
  EXPECT_EQ(unicode->modality, u"\u00C4rztlich");
  const std::optional<KeyMatch> column = MatchKey("PatListHeader.6.ColumnName");
  ASSERT_TRUE(column);
  EXPECT_EQ(column->number, 6);

  for (const char* unknown :
       {"", "minDiskSpace", "MinDiskSpace.", "Modality..DisplayKIN", "Modality.C T.DisplayKIN",
        "Modality.<name>.DisplayKIN", "Modality.a/b.DisplayKIN", "Modality.General",
        "PatListHeader.01.ColumnName", "PatListHeader.-1.ColumnName",
        "PatListHeader.<n>.ColumnName", "DICOM.Modality", "DICOM.Modality1x",
        "ECG.ColorSetting.Purple.Red", "DICOM.Modality0 "}) {
    EXPECT_FALSE(MatchKey(unknown)) << unknown;
  }
}

TEST(Catalogue, TheForwardSearchedLeavesAreThoseOfTheGroupsThatSearchForward) {
  const std::vector<ForwardSearch> searches = ForwardSearched();
  ASSERT_EQ(searches.size(), 10u);
  EXPECT_EQ(searches.front().path,
            (std::vector<std::u16string>{u"DICOMViewer", u"DICOMNetSetting"}));
  EXPECT_EQ(searches.front().leaves.size(), 8u);
  EXPECT_EQ(searches.back().path, std::vector<std::u16string>{u"ECGViewer"});
  EXPECT_EQ(searches.back().leaves, (std::vector<std::u16string>{u"PageStyle", u"GridType",
                                                                 u"SmoothFilter", u"Magnifier"}));
  for (const ForwardSearch& search : searches) {
    EXPECT_TRUE(search.path.front() != u"LocalSetting") << "LocalSetting is read from the first";
  }
}

// Whether a key is stored is read from the document, for every group: also for the value getters,
// which answer a value whether or not the file holds their element, and for the label font, which
// its getter reads aside and takes whole.
TEST(Catalogue, ReadsAsStoredTheKeysWhoseElementsTheFileHoldsAndNoOthers) {
  std::string font = "<Font>";
  for (const char* leaf : {"Height", "Width", "Escapment", "Orientation", "Weight", "Italic",
                           "Underline", "StrikeOut", "CharSet", "OutPrecision", "ClipPrecision",
                           "Quality", "PitchAndFamily", "Color", "FaceName"}) {
    font += std::string("<") + leaf + " Value=\"1\"/>";
  }
  font += "</Font>";
  const std::string fontKeys = "Modality.CT.Label.Text.Font.";
  const std::string ct = "<DICOMViewer><ModalityCount Value=\"1\"/><Modality0 Value=\"CT\"/>";
  struct Row {
    std::string body;  // below the root
    std::vector<std::string> keys;
  };
  const Row rows[] = {
      {"", {}},
      {"<IsRealData Value=\"1\"/>", {"IsRealData"}},
      {"<AutoLoopPlay Value=\"0\"/>", {"AutoLoopPlay"}},
      {"<DUZOProcessName Value=\"\"/>", {"DUZOProcessName"}},
      {"<LocalSetting><LockStationTime Value=\"5\"/></LocalSetting>", {"LockStationTime"}},
      {"<ECGViewer><Magnifier ZoomRatio=\"2\"/></ECGViewer>",
       {"ECG.ZoomRatio", "ECG.ZoomWidth", "ECG.ZoomHeight"}},
      {ct + "<CT><DisplayKIN Value=\"0\"/></CT></DICOMViewer>",
       {"DICOM.Modality0", "Modality.CT.DisplayKIN"}},
      {ct + "<CT><Label><Text>" + font + "</Text></Label></CT></DICOMViewer>",
       {"DICOM.Modality0", fontKeys + "Height", fontKeys + "Width", fontKeys + "Escapment",
        fontKeys + "Orientation", fontKeys + "Weight", fontKeys + "Italic", fontKeys + "Underline",
        fontKeys + "StrikeOut", fontKeys + "CharSet", fontKeys + "OutPrecision",
        fontKeys + "ClipPrecision", fontKeys + "Quality", fontKeys + "PitchAndFamily",
        fontKeys + "Color", fontKeys + "FaceName"}},
  };
  for (const Row& row : rows) {
    const testing_support::SettingsDir dir;
    dir.Write(testing_support::kDecl + "<SystemSetting>" + row.body + "</SystemSetting>\r\n");
    std::vector<Entry> entries;
    ASSERT_EQ(ReadAll(&entries), XMLR_GET_OK) << row.body;
    std::vector<std::string> keys;
    for (const Entry& entry : entries) keys.push_back(entry.key);
    EXPECT_EQ(keys, row.keys) << row.body;
  }
}

}  // namespace
