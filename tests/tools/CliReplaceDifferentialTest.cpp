// import taking lists whole and import --replace removing what the export does not hold, between
// temporary station folders; the station's file then read by the engine and by pugixml alike.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <sstream>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"
#include "support/ToolRun.h"
#include "tools/viewer-settings/Cli.h"
#include "xmldoc/XmlDocument.h"

namespace {

using testing_support::SettingsDir;

using testing_support::Has;
using testing_support::Outcome;
using testing_support::RunIn;

void SetAll(const SettingsDir& dir, const std::vector<std::pair<std::string, std::string>>& all) {
  for (const auto& [key, value] : all) {
    ASSERT_EQ(RunIn(dir, {"set", key, value}).status, 0) << key;
  }
}

// Station A, the reference: two columns, the modalities General and CT, ECG settings.
void FurnishA(const SettingsDir& a) {
  SetAll(a, {{"PatListHeader.0.ColumnName", "Name"},
             {"PatListHeader.1.ColumnName", "Born"},
             {"DICOM.Modality1", "CT"},
             {"Modality.CT.DisplayKIN", "0"},
             {"ECG.ColorSetting.Wave.Red", "200"}});
}

// Station B: a column more, the modality US between them with display settings of its own, a
// window position, a second ECG colour.
void FurnishB(const SettingsDir& b) {
  SetAll(b, {{"PatListHeader.0.ColumnName", "Name"},
             {"PatListHeader.1.ColumnName", "Born"},
             {"PatListHeader.2.ColumnName", "Ward"},
             {"DICOM.Modality1", "US"},
             {"DICOM.Modality2", "CT"},
             {"Modality.US.Label.Text.Font.FaceName", "Arial"},
             {"Modality.CT.DisplayKIN", "0"},
             {"WindowLastPos.Left", "20"},
             {"ECG.ColorSetting.Wave.Red", "200"},
             {"ECG.ColorSetting.Grid.Blue", "9"}});
}

// The file reads as a whole document to the engine and to a conforming parser.
void ExpectBothParse(const SettingsDir& dir) {
  const std::string bytes = dir.Bytes();
  pugi::xml_document reference;
  const pugi::xml_parse_result result = reference.load_buffer(bytes.data(), bytes.size());
  EXPECT_TRUE(result) << result.description();
  EXPECT_STREQ(reference.document_element().name(), "SystemSetting");
  CXmlDocument doc;
  EXPECT_TRUE(doc.ParseText(testing_support::U(dir.Text()).c_str())) << dir.Text();
}

TEST(CliImportLists, AListTheExportHoldsIsTakenWholeAndTheRestStays) {
  SettingsDir a;
  SettingsDir b;
  FurnishA(a);
  FurnishB(b);
  const Outcome exported = RunIn(a, {"export", "--exclude", "station"});
  const Outcome imported = RunIn(b, {"import", "-"}, exported.out);
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_TRUE(Has(imported.out, "DICOM.Modality1 = CT\n")) << imported.out;
  EXPECT_TRUE(Has(imported.out, "removed PatListHeader.2.ColumnName\n"));
  EXPECT_TRUE(Has(imported.out, "removed DICOM.Modality2\n"));
  EXPECT_TRUE(Has(imported.out, "removed ECG.ColorSetting.Grid.Blue\n"));

  // The getters read exactly A's lists, whole: the count of modalities agrees.
  std::vector<std::u16string> modalities;
  EXPECT_EQ(XMLGetDICOMAddedModality(&modalities), XMLR_GET_OK);
  EXPECT_EQ(modalities, (std::vector<std::u16string>{u"General", u"CT"}));
  std::vector<PatListColumn> columns;
  XMLGetPatListHeaderInfo(&columns);
  EXPECT_EQ(columns.size(), 2u);
  // What lies outside the lists stays without --replace.
  EXPECT_EQ(RunIn(b, {"diff", "--exclude", "station", a.Path().string()}).status, 0);
  EXPECT_EQ(RunIn(b, {"get", "WindowLastPos.Left"}).out, "20\n");
  ExpectBothParse(b);
}

TEST(CliImportLists, ReplaceMakesTheStationHoldExactlyTheExport) {
  SettingsDir a;
  SettingsDir b;
  FurnishA(a);
  FurnishB(b);
  const std::string exported = RunIn(a, {"export"}).out;
  const Outcome replaced = RunIn(b, {"import", "--replace", "-"}, exported);
  ASSERT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_TRUE(Has(replaced.out, "removed WindowLastPos.Left\n")) << replaced.out;
  EXPECT_TRUE(Has(replaced.out, "removed Modality.US.Label.Text.Font.FaceName\n"));
  const Outcome diff = RunIn(b, {"diff", a.Path().string()});
  EXPECT_EQ(diff.status, 0) << diff.out;
  EXPECT_EQ(RunIn(b, {"export"}).out, exported);
  EXPECT_FALSE(Has(b.Text(), "<US>")) << "the display settings of US are gone with it";
  ExpectBothParse(a);
  ExpectBothParse(b);
  EXPECT_TRUE(Has(RunIn(b, {"import", "--replace", "-"}, exported).out, "nothing to change"));

  // What --exclude names is kept; a setting whose element keeps another cannot go alone.
  SettingsDir c;
  FurnishB(c);
  SetAll(c, {{"WindowLastPos.Right", "800"}});
  const Outcome kept = RunIn(c, {"import", "--replace", "--exclude", "station", "-"}, exported);
  ASSERT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(RunIn(c, {"get", "WindowLastPos.Right"}).out, "800\n");
  const std::string before = c.Bytes();
  const Outcome alone = RunIn(c, {"import", "--replace", "-"},
                              R"({"WindowLastPos.Left": 20, "WindowLastPos.Top": 0,
                                  "WindowLastPos.Bottom": 0})");
  EXPECT_EQ(alone.status, 2);
  EXPECT_TRUE(Has(alone.err,
                  "refused WindowLastPos.Right: it cannot be removed alone: its element "
                  "WindowLastPos also holds WindowLastPos.Left, which stays"))
      << alone.err;
  EXPECT_EQ(c.Bytes(), before);
}

}  // namespace
