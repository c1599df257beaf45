// All display settings of one modality at once: the default state as stored on a fresh file,
// and the composite results.
#include <gtest/gtest.h>

#include <cstring>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;

// The file that storing the default state for "General" makes of an empty root, one element
// per line; the library writes "\r\n" line breaks.
std::string DefaultFile() {
  const std::string lines = R"(<?xml version="1.0" encoding="unicode"?>
<SystemSetting>
<DICOMViewer>
<General>
<DisplayKIN Value="1"/>
<PatientInfo>
<LeftTop Value=""/>
<RightTop Value=""/>
<LeftBottom Value=""/>
<RightBottom Value=""/>
<Color Value="64250"/>
<Height Value="10"/>
<DisplayInfo>
<ImageDirection Value="0"/>
<ZoomRatio Value="0"/>
<WidthLevel Value="0"/>
<SeriesImageNo Value="0"/>
<ImageSize Value="0"/>
</DisplayInfo>
</PatientInfo>
<Label>
<Symbol>
<Point>
<Style Value="0"/>
<Size Value="3"/>
</Point>
<Line>
<Style Value="0"/>
<Size Value="1"/>
</Line>
<Arrow>
<Style Value="2"/>
<Size Value="15"/>
</Arrow>
</Symbol>
<Text>
<Unit Value="0"/>
<Precision Value="2"/>
<Font>
<Height Value="10"/>
<Width Value="0"/>
<Escapment Value="0"/>
<Orientation Value="0"/>
<Weight Value="0"/>
<Italic Value=""/>
<Underline Value=""/>
<StrikeOut Value=""/>
<CharSet Value=""/>
<OutPrecision Value=""/>
<ClipPrecision Value=""/>
<Quality Value=""/>
<PitchAndFamily Value=""/>
<Color Value="255"/>
<FaceName Value=""/>
</Font>
</Text>
</Label>
</General>
</DICOMViewer>
</SystemSetting>
)";
  std::string text;
  for (const char c : lines) {
    if (c == '\n') text += '\r';
    if (c != '\r') text += c;  // whatever line breaks this source was checked out with
  }
  return text;
}

// A record unlike the default state in every field.
DICOMModalityInfo Scrambled() {
  DICOMModalityInfo info;
  info.DisplayKIN = -9;
  info.PatientInfo.LeftTop = info.PatientInfo.RightBottom = u"x";
  info.PatientInfo.DisplayInfo = {9, 9, 9, 9, 9};
  info.PatientInfo.Color = 9;
  info.PatientInfo.Height = 9;
  std::memset(&info.Label, 0x39, sizeof info.Label);
  return info;
}

TEST(ModalityInfo, DefaultStateStoresTheFirstRunSubtreeAndReadsBack) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  const DICOMModalityInfo defaults;
  EXPECT_EQ(XMLSetDICOMModalityInfo(u"General", &defaults), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), DefaultFile());

  // Read back into a record unlike it, the default state stores the same text again.
  DICOMModalityInfo info = Scrambled();
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"General", &info), XMLR_GET_OK);
  dir.Write(testing_support::kEmptyRoot);
  EXPECT_EQ(XMLSetDICOMModalityInfo(u"General", &info), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), DefaultFile());
  for (const char16_t unit : info.Label.Text.Font.lfFaceName) EXPECT_EQ(unit, 0);
}

TEST(ModalityInfo, MissingPartsKeepTheirFields) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  const DICOMModalityInfo defaults;
  ASSERT_EQ(XMLSetDICOMDisplayKINImage(u"CT", 1), XMLR_SET_OK);
  ASSERT_EQ(XMLSetDICOMLabelInfo(u"CT", &defaults.Label), XMLR_SET_OK);

  DICOMModalityInfo info = Scrambled();
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"CT", &info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(info.DisplayKIN, 1);
  EXPECT_EQ(info.Label.Arrow.Size, 15);
  EXPECT_EQ(info.Label.Text.Font.lfHeight, 10);
  EXPECT_EQ(info.PatientInfo.LeftTop, u"x");
  EXPECT_EQ(info.PatientInfo.DisplayInfo.WidthLevel, 9);
  EXPECT_EQ(info.PatientInfo.Height, 9);

  info = Scrambled();
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"MR", &info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(info.DisplayKIN, -9);
  EXPECT_EQ(info.PatientInfo.Height, 9);
  EXPECT_EQ(info.Label.Text.Unit, 0x39393939);
}

TEST(ModalityInfo, UnreadableFileIsOnlyAMissingOrFailedPart) {
  SettingsDir dir;
  std::filesystem::create_directory(dir.File());
  DICOMModalityInfo info;
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"General", &info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetDICOMModalityInfo(u"General", &info), XMLR_SET_FAILED);
}

}  // namespace
