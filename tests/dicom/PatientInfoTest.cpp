// The patient-information overlay of one modality on real files: corner texts with markup,
// the separate DisplayInfo access, forward lookup and file errors.
#include <gtest/gtest.h>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;

DICOMModalityPatientInfo Sample() {
  DICOMModalityPatientInfo info;
  info.LeftTop = u"<Name> & \"ID\"";
  info.RightTop = u"it's";
  info.LeftBottom = u"";
  info.RightBottom = u"\u60A3\u8005\r\nline";
  info.DisplayInfo = {1, 2, 3, 4, -5};
  info.Color = 0x80FFFFFF;
  info.Height = -14;
  return info;
}

DICOMModalityPatientInfo Former() {
  DICOMModalityPatientInfo info;
  info.LeftTop = info.RightTop = info.LeftBottom = info.RightBottom = u"former";
  info.DisplayInfo = {91, 92, 93, 94, 95};
  info.Color = 96;
  info.Height = 97;
  return info;
}

void ExpectItems(const DICOMDisplayInfo& a, const DICOMDisplayInfo& b) {
  EXPECT_EQ(a.ZoomRatio, b.ZoomRatio);
  EXPECT_EQ(a.SeriesImageNo, b.SeriesImageNo);
  EXPECT_EQ(a.ImageSize, b.ImageSize);
  EXPECT_EQ(a.WidthLevel, b.WidthLevel);
  EXPECT_EQ(a.ImageDirection, b.ImageDirection);
}

void ExpectSame(const DICOMModalityPatientInfo& a, const DICOMModalityPatientInfo& b) {
  EXPECT_EQ(a.LeftTop, b.LeftTop);
  EXPECT_EQ(a.RightTop, b.RightTop);
  EXPECT_EQ(a.LeftBottom, b.LeftBottom);
  EXPECT_EQ(a.RightBottom, b.RightBottom);
  ExpectItems(a.DisplayInfo, b.DisplayInfo);
  EXPECT_EQ(a.Color, b.Color);
  EXPECT_EQ(a.Height, b.Height);
}

std::string WithPatientInfo(const std::string& children) {
  return "<SystemSetting><DICOMViewer><CT><PatientInfo>" + children +
         "</PatientInfo></CT></DICOMViewer></SystemSetting>";
}

TEST(PatientInfo, StoresMarkupAsEntitiesAndReadsItBackUnchanged) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  const DICOMModalityPatientInfo sample = Sample();
  EXPECT_EQ(XMLSetDICOMModalityPatientInfo(u"CT", &sample), XMLR_SET_OK);
  EXPECT_NE(dir.Text().find("<PatientInfo>\r\n"
                            "<LeftTop Value=\"&lt;Name&gt; &amp; &quot;ID&quot;\"/>\r\n"
                            "<RightTop Value=\"it&apos;s\"/>\r\n<LeftBottom Value=\"\"/>\r\n"),
            std::string::npos);
  EXPECT_NE(dir.Text().find("<Color Value=\"-2130706433\"/>\r\n<Height Value=\"-14\"/>\r\n"
                            "<DisplayInfo>\r\n<ImageDirection Value=\"-5\"/>\r\n"
                            "<ZoomRatio Value=\"1\"/>\r\n<WidthLevel Value=\"4\"/>\r\n"
                            "<SeriesImageNo Value=\"2\"/>\r\n<ImageSize Value=\"3\"/>\r\n"
                            "</DisplayInfo>\r\n</PatientInfo>"),
            std::string::npos);
  DICOMModalityPatientInfo info = Former();
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"CT", &info), XMLR_GET_OK);
  ExpectSame(info, sample);
}

TEST(PatientInfo, ReadsWhatItFindsAndKeepsTheRest) {
  const std::string leaves =
      "<LeftTop Value='a'/><RightTop Value='b'/><LeftBottom Value='c'/>"
      "<RightBottom Value='d'/><Color Value='5'/><Height Value='6'/>";
  const std::string items =
      "<DisplayInfo><ImageDirection Value='1'/><ZoomRatio Value='2'/><WidthLevel Value='3'/>"
      "<SeriesImageNo Value='4'/><ImageSize Value='5'/></DisplayInfo>";
  DICOMModalityPatientInfo found;
  found.LeftTop = u"a";
  found.RightTop = u"b";
  found.LeftBottom = u"c";
  found.RightBottom = u"d";
  found.Color = 5;
  found.Height = 6;
  found.DisplayInfo = {2, 4, 5, 3, 1};

  // DisplayInfo is its own level, looked up from the first child wherever it stands.
  SettingsDir dir;
  dir.Write(WithPatientInfo(items + leaves));
  DICOMModalityPatientInfo info = Former();
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"CT", &info), XMLR_GET_OK);
  ExpectSame(info, found);

  dir.Write(WithPatientInfo(leaves));
  info = Former();
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"CT", &info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(info.RightBottom, u"d");
  EXPECT_EQ(info.Height, 6);
  ExpectItems(info.DisplayInfo, Former().DisplayInfo);

  // Leaves are looked up after the one found last: Height before Color is not found.
  dir.Write(WithPatientInfo("<LeftTop Value='a'/><Height Value='6'/><Color Value='5'/>" + items));
  info = Former();
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"CT", &info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(info.LeftTop, u"a");
  EXPECT_EQ(info.RightTop, u"former");
  EXPECT_EQ(info.Color, 5u);
  EXPECT_EQ(info.Height, 97);
  ExpectItems(info.DisplayInfo, found.DisplayInfo);

  info = Former();
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"MR", &info), XMLR_GET_NOT_FOUND);
  ExpectSame(info, Former());
}

TEST(PatientInfo, UnreadableFileIsAFileErrorForBoth) {
  SettingsDir dir;
  std::filesystem::create_directory(dir.File());
  DICOMModalityPatientInfo info = Former();
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"CT", &info), XMLR_FILE_ERROR);
  ExpectSame(info, Former());
  EXPECT_EQ(XMLSetDICOMModalityPatientInfo(u"CT", &info), XMLR_FILE_ERROR);
}

}  // namespace
