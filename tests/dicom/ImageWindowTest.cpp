// The partial zoom and the overlay switches of the main image window on real files.
#include <gtest/gtest.h>

#include <filesystem>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::kEmptyRoot;
using testing_support::SettingsDir;

using testing_support::kDecl;

std::string MainWin(const std::string& children) {
  return kDecl + "<SystemSetting><DICOMViewer><DICOMMainWin>" + children +
         "</DICOMMainWin></DICOMViewer></SystemSetting>";
}

TEST(ImageWindow, BothPairsBuildTheirElementsAndReadThemBack) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  PartZoomInfo zoom{7, 7, 7};
  EXPECT_EQ(XMLGetDicomPartZoomIn(&zoom), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(zoom.ZoomRatio, 7);

  const PartZoomInfo storedZoom{2, 300, -40};
  const DICOMImageWinInfo storedWin{99, 1, 0};
  ASSERT_EQ(XMLSetDicomPartZoomIn(&storedZoom), XMLR_SET_OK);
  ASSERT_EQ(XMLSetDICOMImageWinInfo(&storedWin), XMLR_SET_OK);
  // Storing again replaces the values in place.
  ASSERT_EQ(XMLSetDicomPartZoomIn(&storedZoom), XMLR_SET_OK);
  ASSERT_EQ(XMLSetDICOMImageWinInfo(&storedWin), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<DICOMViewer>\r\n<DICOMMainWin>\r\n"
                            "<PartZoom ZoomRatio=\"2\" ZoomWidth=\"300\" ZoomHeight=\"-40\"/>\r\n"
                            "<ShowPatientInfo Value=\"1\"/>\r\n<ShowLabelInfo Value=\"0\"/>\r\n"
                            "</DICOMMainWin>\r\n</DICOMViewer>\r\n</SystemSetting>\r\n");

  ASSERT_EQ(XMLGetDicomPartZoomIn(&zoom), XMLR_GET_OK);
  EXPECT_EQ(zoom.ZoomRatio, 2);
  EXPECT_EQ(zoom.ZoomWidth, 300);
  EXPECT_EQ(zoom.ZoomHeight, -40);
  DICOMImageWinInfo win{-3, 5, 5};
  ASSERT_EQ(XMLGetDICOMImageWinInfo(&win), XMLR_GET_OK);
  EXPECT_EQ(win.WinOption, -3);
  EXPECT_EQ(win.ShowPatientInfo, 1);
  EXPECT_EQ(win.ShowLabelInfo, 0);
}

TEST(ImageWindow, PartZoomIsFoundAnywhereAndUpdatedWhereItStands) {
  SettingsDir dir;
  dir.Write(MainWin("<ShowPatientInfo Value='1'/><PartZoom ZoomRatio='3' ZoomWidth=' 64x'/>"));
  PartZoomInfo zoom{9, 9, 9};
  ASSERT_EQ(XMLGetDicomPartZoomIn(&zoom), XMLR_GET_OK);
  EXPECT_EQ(zoom.ZoomRatio, 3);
  EXPECT_EQ(zoom.ZoomWidth, 64);
  EXPECT_EQ(zoom.ZoomHeight, 0);

  const PartZoomInfo stored{4, 5, 6};
  ASSERT_EQ(XMLSetDicomPartZoomIn(&stored), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), MainWin("<ShowPatientInfo Value='1'/>"
                                "<PartZoom ZoomRatio='4' ZoomWidth='5' ZoomHeight=\"6\"/>"));
}

struct SwitchCase {
  const char* name;
  std::string children;
  int32_t code;
  int32_t patient;
  int32_t label;
};

class ImageWinSwitches : public testing::TestWithParam<SwitchCase> {};

// ShowLabelInfo is looked up after ShowPatientInfo, or from the first child when that is missing.
TEST_P(ImageWinSwitches, AreReadForward) {
  SettingsDir dir;
  dir.Write(MainWin(GetParam().children));
  DICOMImageWinInfo win{-1, -1, -1};
  EXPECT_EQ(XMLGetDICOMImageWinInfo(&win), GetParam().code);
  EXPECT_EQ(win.WinOption, -1);
  EXPECT_EQ(win.ShowPatientInfo, GetParam().patient);
  EXPECT_EQ(win.ShowLabelInfo, GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ImageWinSwitches,
    testing::Values(
        SwitchCase{"InOrder", "<ShowPatientInfo Value='2'/><PartZoom/><ShowLabelInfo Value='3'/>",
                   XMLR_GET_OK, 2, 3},
        SwitchCase{"LabelFirst", "<ShowLabelInfo Value='3'/><ShowPatientInfo Value='2'/>",
                   XMLR_GET_NOT_FOUND, 2, -1},
        SwitchCase{"NoPatient", "<ShowLabelInfo Value='3'/>", XMLR_GET_NOT_FOUND, -1, 3},
        SwitchCase{"NoValues", "<ShowPatientInfo/><ShowLabelInfo Value=''/>", XMLR_GET_OK, 0, 0}),
    [](const testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

TEST(ImageWindow, UnreadableFileOrNullRecordChangesNothing) {
  SettingsDir dir;
  std::filesystem::create_directory(dir.File());
  PartZoomInfo zoom{1, 2, 3};
  DICOMImageWinInfo win{1, 2, 3};
  EXPECT_EQ(XMLGetDicomPartZoomIn(&zoom), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetDicomPartZoomIn(&zoom), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLGetDICOMImageWinInfo(&win), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetDICOMImageWinInfo(&win), XMLR_FILE_ERROR);
  EXPECT_EQ(zoom.ZoomHeight, 3);
  EXPECT_EQ(win.ShowLabelInfo, 3);
  EXPECT_EQ(XMLGetDicomPartZoomIn(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetDicomPartZoomIn(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(XMLGetDICOMImageWinInfo(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetDICOMImageWinInfo(nullptr), XMLR_SET_FAILED);
}

}  // namespace
