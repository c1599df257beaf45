// The ECG record on real files: the scalars and both lists, the subtree a first store builds,
// the filter reader's carry-over and where the filter writer puts its values.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ViewerSettings.h"
#include "settings/ecg/ECGLists.h"
#include "support/FaultEnv.h"
#include "support/SettingsDir.h"

// Found by argument-dependent lookup, so beside the records.
static bool operator==(const ECGColorEntry& x, const ECGColorEntry& y) {
  return x.Kind == y.Kind && x.Red == y.Red && x.Green == y.Green && x.Blue == y.Blue;
}
static bool operator==(const SmoothFilterEntry& x, const SmoothFilterEntry& y) {
  return x.Kind == y.Kind && x.ParamA == y.ParamA && x.ParamB == y.ParamB && x.ParamC == y.ParamC &&
         x.ParamD == y.ParamD;
}
static bool operator==(const ECGSettingInfo& x, const ECGSettingInfo& y) {
  return x.PageStyle == y.PageStyle && x.GridType == y.GridType &&
         x.DefaultSmoothMode == y.DefaultSmoothMode && x.ZoomWidth == y.ZoomWidth &&
         x.ZoomHeight == y.ZoomHeight && x.ZoomRatio == y.ZoomRatio && x.Colors == y.Colors &&
         x.SmoothFilters == y.SmoothFilters;
}

namespace {

using testing_support::FaultEnv;
using testing_support::kEmptyRoot;
using testing_support::SettingsDir;
using viewersettings::ecg::ReadECGColorSetting;
using viewersettings::ecg::ReadECGSmoothFilter;
using viewersettings::ecg::WriteECGColorSetting;
using viewersettings::ecg::WriteECGSmoothFilter;

using testing_support::kDecl;

ECGColorEntry Color(int kind, uint8_t red, uint8_t green, uint8_t blue) {
  return {static_cast<ECGColorKind>(kind), red, green, blue};
}
SmoothFilterEntry Filter(int kind, float a, float b, int16_t c, float d) {
  return {static_cast<SmoothFilterKind>(kind), a, b, c, d};
}
// Filters as the reader gives them back: kind 2 carries ParamA and ParamB of kind 1.
ECGSettingInfo FullRecord() {
  ECGSettingInfo info{1, -1, 2, 200, 150, 2.25f, {}, {}};
  info.Colors = {Color(0, 255, 0, 0), Color(1, 10, 20, 30), Color(2, 0, 0, 0),
                 Color(3, 255, 255, 255), Color(4, 1, 2, 3)};
  info.SmoothFilters = {Filter(0, 1, 0.5f, 1, 4), Filter(1, 0.25f, 0.75f, 7, 4),
                        Filter(2, 0.25f, 0.75f, 5, 4), Filter(3, 0.08f, 2.5f, 3, 1.2f)};
  return info;
}

const std::string kFullRecordText =
    kDecl +
    "<SystemSetting>\r\n<ECGViewer>\r\n<PageStyle Value=\"1\"/>\r\n<GridType Value=\"-1\"/>\r\n"
    "<SmoothFilter DefaultSmoothMode=\"2\">\r\n<SmoothFilterNone BaseLineWidth=\"0.500000\"/>\r\n"
    "<SmoothFilterI BaseLineWidth=\"0.750000\" Brightness=\"7\" Density=\"0.250000\"/>\r\n"
    "<SmoothFilterII Brightness=\"5\"/>\r\n<SmoothFilterIII QRSWidth=\"0.080000\" "
    "BaseLineWidth=\"2.500000\" Density=\"3\" Gamma=\"1.200000\"/>\r\n</SmoothFilter>\r\n"
    "<Magnifier ZoomRatio=\"2.250000\" ZoomWidth=\"200\" ZoomHeight=\"150\"/>\r\n"
    "<ColorSetting>\r\n<Wave Red=\"255\" Green=\"0\" Blue=\"0\"/>\r\n"
    "<Grid Red=\"10\" Green=\"20\" Blue=\"30\"/>\r\n<BackGround Red=\"0\" Green=\"0\" "
    "Blue=\"0\"/>\r\n"
    "<Infomation Red=\"255\" Green=\"255\" Blue=\"255\"/>\r\n<Scale Red=\"1\" Green=\"2\" "
    "Blue=\"3\"/>\r\n</ColorSetting>\r\n</ECGViewer>\r\n</SystemSetting>\r\n";

TEST(ECGSettingInfo, FirstStoreBuildsTheWholeSubtreeAndReadsBack) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  ECGSettingInfo info{9, 9, 9, 9, 9, 9.0f, {Color(1, 1, 1, 1)}, {Filter(1, 1, 1, 1, 1)}};
  EXPECT_EQ(XMLGetECGSettingInfo(&info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(info, (ECGSettingInfo{9, 9, 9, 9, 9, 9.0f, {}, {}}));

  const ECGSettingInfo full = FullRecord();
  ASSERT_EQ(XMLSetECGSettingInfo(&full), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kFullRecordText);
  EXPECT_EQ(XMLGetECGSettingInfo(&info), XMLR_GET_OK);
  EXPECT_EQ(info, full);
}

TEST(ECGSettingInfo, MissingMagnifierKeepsItsFieldsWithoutMarkingTheResult) {
  SettingsDir dir;
  std::string text = kFullRecordText;
  const size_t magnifier = text.find("<Magnifier");
  text.erase(magnifier, text.find("<ColorSetting") - magnifier);
  dir.Write(text, false);
  ECGSettingInfo info{};
  info.ZoomRatio = 3.5f;
  info.ZoomWidth = 7;
  EXPECT_EQ(XMLGetECGSettingInfo(&info), XMLR_GET_OK);
  EXPECT_EQ(info.PageStyle, 1);
  EXPECT_EQ(info.ZoomRatio, 3.5f);
  EXPECT_EQ(info.ZoomWidth, 7);
}

// Each scalar is searched after the one before it, in both directions, so a stray element ahead
// of PageStyle is neither read nor written.
TEST(ECGSettingInfo, ScalarTextsAreConvertedToTheFieldTypes) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting><ECGViewer><Magnifier ZoomWidth='1'/>"
            "<PageStyle Value='65535'/><GridType Value=' -3x'/><SmoothFilter/>"
            "<Magnifier ZoomRatio='0.000000' ZoomWidth='70000'/></ECGViewer></SystemSetting>");
  ECGSettingInfo info{5, 5, 5, 5, 5, 5.0f, {}, {}};
  EXPECT_EQ(XMLGetECGSettingInfo(&info), XMLR_GET_NOT_FOUND);  // both lists are missing
  EXPECT_EQ(info, (ECGSettingInfo{-1, -3, 0, 4464, 0, 0.0f, {}, {}}));

  info.ZoomRatio = 0.0000001f;
  ASSERT_EQ(XMLSetECGSettingInfo(&info), XMLR_SET_OK);
  EXPECT_NE(dir.Text().find("<PageStyle Value='-1'/>"), std::string::npos);
  EXPECT_NE(dir.Text().find("ZoomRatio='0.000000'"), std::string::npos);
  EXPECT_NE(dir.Text().find("<Magnifier ZoomWidth='1'/>"), std::string::npos);
}

TEST(ECGSettingInfo, FailingStepsMarkTheWholeAndLeaveTheOthersDone) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  {
    FaultEnv env;
    env.FailNth(FaultEnv::Operation::kRead, 2);  // the filter writer's read
    const ECGSettingInfo full = FullRecord();
    EXPECT_EQ(XMLSetECGSettingInfo(&full), XMLR_SET_FAILED);
  }
  EXPECT_NE(dir.Text().find("<Magnifier"), std::string::npos);
  EXPECT_NE(dir.Text().find("<Scale"), std::string::npos);
  EXPECT_EQ(dir.Text().find("<SmoothFilterNone"), std::string::npos);

  ECGSettingInfo info{};
  info.Colors = {Color(4, 4, 4, 4)};
  {
    FaultEnv env;
    env.FailNth(FaultEnv::Operation::kRead, 2);  // the colour reader's read
    EXPECT_EQ(XMLGetECGSettingInfo(&info), XMLR_GET_NOT_FOUND);
  }
  EXPECT_EQ(info.ZoomWidth, 200);
  EXPECT_EQ(info.Colors, std::vector<ECGColorEntry>{Color(4, 4, 4, 4)});

  std::filesystem::remove(dir.File());
  std::filesystem::create_directory(dir.File());
  EXPECT_EQ(XMLGetECGSettingInfo(&info), XMLR_FILE_ERROR);
  EXPECT_EQ(info.Colors.size(), 1u);
  EXPECT_EQ(XMLSetECGSettingInfo(&info), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLGetECGSettingInfo(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetECGSettingInfo(nullptr), XMLR_SET_FAILED);
}

TEST(ECGColorSetting, ReadsKindsInKindOrderKeepingTheLowBits) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting><ECGViewer><ColorSetting><Scale Red='300' Green='-1' Blue='7'/>"
            "<Grid Red='1'/><Grid Red='2'/></ColorSetting></ECGViewer></SystemSetting>");
  std::vector<ECGColorEntry> colors{Color(0, 9, 9, 9)};
  EXPECT_EQ(ReadECGColorSetting(colors), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(colors, (std::vector<ECGColorEntry>{Color(1, 1, 0, 0), Color(4, 44, 255, 7)}));
}

TEST(ECGColorSetting, SkipsUnknownKindsAndAddsMissingOnesAtTheEnd) {
  SettingsDir dir;
  const std::string viewer = kDecl + "<SystemSetting><ECGViewer><ColorSetting>";
  dir.Write(viewer + "<Grid/></ColorSetting><ColorSetting/></ECGViewer></SystemSetting>");
  EXPECT_EQ(WriteECGColorSetting({Color(4, 255, 0, 1), Color(7, 1, 1, 1), Color(-1, 1, 1, 1),
                                  Color(1, 5, 5, 5), Color(0, 2, 2, 2)}),
            XMLR_SET_OK);
  EXPECT_EQ(dir.Text(),
            viewer +
                "<Grid Red=\"5\" Green=\"5\" Blue=\"5\"/><Scale Red=\"255\" Green=\"0\" "
                "Blue=\"1\"/>\r\n<Wave Red=\"2\" Green=\"2\" Blue=\"2\"/>\r\n"
                "</ColorSetting><ColorSetting/></ECGViewer></SystemSetting>");
}

TEST(ECGSmoothFilter, WorkingEntryCarriesUnreadParametersAcrossKinds) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting><ECGViewer><SmoothFilter><SmoothFilterIII QRSWidth='0.08'/>"
            "<SmoothFilterII Brightness='5'/><SmoothFilterI BaseLineWidth='0.5' Density='2.5'/>"
            "</SmoothFilter></ECGViewer></SystemSetting>");
  std::vector<SmoothFilterEntry> filters{Filter(0, 9, 9, 9, 9)};
  EXPECT_EQ(ReadECGSmoothFilter(filters), XMLR_GET_NOT_FOUND);  // SmoothFilterNone is missing
  EXPECT_EQ(filters, (std::vector<SmoothFilterEntry>{Filter(1, 2.5f, 0.5f, 0, 4),
                                                     Filter(2, 2.5f, 0.5f, 5, 4),
                                                     Filter(3, 0.08f, 0, 0, 0)}));
}

struct FilterWriteCase {
  const char* name;
  std::string before;  // children of SmoothFilter
  std::vector<SmoothFilterEntry> filters;
  std::string after;
};

class ECGSmoothFilterWrite : public testing::TestWithParam<FilterWriteCase> {};

// Whatever the list's order, the values go where the reader takes them from.
TEST_P(ECGSmoothFilterWrite, StoresIntoTheElementsTheReaderTakes) {
  const auto file = [](const std::string& children) {
    return kDecl + "<SystemSetting><ECGViewer><SmoothFilter>" + children +
           "</SmoothFilter></ECGViewer></SystemSetting>";
  };
  SettingsDir dir;
  dir.Write(file(GetParam().before));
  EXPECT_EQ(WriteECGSmoothFilter(GetParam().filters), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), file(GetParam().after));
}

const std::string kAllFour =
    "<SmoothFilterNone BaseLineWidth='1'/><SmoothFilterI/><SmoothFilterII/>"
    "<SmoothFilterIII QRSWidth='1' BaseLineWidth='1' Density='1' Gamma='1'/>";

INSTANTIATE_TEST_SUITE_P(
    Files, ECGSmoothFilterWrite,
    testing::Values(
        FilterWriteCase{"ListOutOfKindOrder",
                        kAllFour,
                        {Filter(3, 2, 3, 4, 5), Filter(0, 0, 6, 0, 0)},
                        "<SmoothFilterNone BaseLineWidth='6.000000'/><SmoothFilterI/>"
                        "<SmoothFilterII/><SmoothFilterIII QRSWidth='2.000000' "
                        "BaseLineWidth='3.000000' Density='4' Gamma='5.000000'/>"},
        FilterWriteCase{"SecondElementOfANameIsNotWritten",
                        "<SmoothFilterNone/><SmoothFilterI/><SmoothFilterNone/>",
                        {Filter(1, 0, 0, 2, 0), Filter(0, 0, 6, 0, 0)},
                        "<SmoothFilterNone BaseLineWidth=\"6.000000\"/><SmoothFilterI "
                        "BaseLineWidth=\"0.000000\" Brightness=\"2\" Density=\"0.000000\"/>"
                        "<SmoothFilterNone/>"},
        FilterWriteCase{"MissingOnesFollowTheOneHandledLast",
                        "<SmoothFilterNone/><SmoothFilterIII/>",
                        {Filter(0, 0, 1, 0, 0), Filter(-1, 0, 0, 0, 0), Filter(1, 0, 0, 1, 0),
                         Filter(4, 0, 0, 0, 0), Filter(2, 0, 0, 2, 0)},
                        "<SmoothFilterNone BaseLineWidth=\"1.000000\"/><SmoothFilterI "
                        "BaseLineWidth=\"0.000000\" Brightness=\"1\" Density=\"0.000000\"/>\r\n"
                        "<SmoothFilterII Brightness=\"2\"/>\r\n<SmoothFilterIII/>"}),
    [](const testing::TestParamInfo<FilterWriteCase>& info) { return info.param.name; });

}  // namespace
