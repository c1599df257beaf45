// Modality names become element names: a name that would corrupt the file or address another
// modality's element is refused by every per-modality function before the file is touched.
#include <gtest/gtest.h>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;

// Most start with "CT": unchecked, the engine would take them for the stored modality "CT"
// (its name comparison stops at these characters, and the path stops at an embedded NUL).
const std::u16string kRefused[] = {
    u"",          u"CT x",  u"CT\t", u"CT\r\n", u"CT\x01", u"CT=1",
    u"CT/",       u"CT[0]", u"CT]",  u"CT<",    u"CT>",    u"CT\\",
    u"CT?",       u"CT!",   u"CT\"", u"CT'",    u"CT&",    u"CT/><DICOMNetSetting",
    {u"CT\0X", 4}};

TEST(ModalityName, OtherNamesAreStoredDigitsFirstIncluded) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  for (const std::u16string name : {u"1CT", u"MR-3.T2_b", u"\u00DCbersicht", u"CT#2", u"X:Y"}) {
    EXPECT_EQ(XMLSetDICOMDisplayKINImage(name, 4), XMLR_SET_OK) << testing_support::Utf8(name);
  }
}

TEST(ModalityName, RefusedNamesLeaveRecordAndFileUntouched) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  const DICOMModalityInfo defaults;
  ASSERT_EQ(XMLSetDICOMModalityInfo(u"CT", &defaults), XMLR_SET_OK);
  const std::string before = dir.Bytes();

  for (const std::u16string& name : kRefused) {
    SCOPED_TRACE(testing_support::Utf8(name));
    DICOMModalityInfo info;
    info.DisplayKIN = 7;
    info.PatientInfo.Height = 77;
    info.PatientInfo.DisplayInfo.ZoomRatio = 777;
    info.Label.Point.Size = 7777;
    info.Label.Text.Font.lfHeight = 77777;
    EXPECT_EQ(XMLGetDICOMDisplayKINImage(name, &info.DisplayKIN), XMLR_GET_NOT_FOUND);
    EXPECT_EQ(XMLGetDICOMModalityPatientInfo(name, &info.PatientInfo), XMLR_GET_NOT_FOUND);
    EXPECT_EQ(XMLGetDICOMLabelInfo(name, &info.Label), XMLR_GET_NOT_FOUND);
    EXPECT_EQ(XMLGetDICOMModalityInfo(name, &info), XMLR_GET_NOT_FOUND);
    EXPECT_EQ(info.DisplayKIN, 7);
    EXPECT_EQ(info.PatientInfo.Height, 77);
    EXPECT_EQ(info.PatientInfo.DisplayInfo.ZoomRatio, 777);
    EXPECT_EQ(info.Label.Point.Size, 7777);
    EXPECT_EQ(info.Label.Text.Font.lfHeight, 77777);

    EXPECT_EQ(XMLSetDICOMDisplayKINImage(name, 5), XMLR_SET_FAILED);
    EXPECT_EQ(XMLSetDICOMModalityPatientInfo(name, &info.PatientInfo), XMLR_SET_FAILED);
    EXPECT_EQ(XMLSetDICOMLabelInfo(name, &info.Label), XMLR_SET_FAILED);
    EXPECT_EQ(XMLSetDICOMModalityInfo(name, &info), XMLR_SET_FAILED);
    EXPECT_EQ(dir.Bytes(), before);
  }
}

TEST(ModalityName, NullRecordsAreRefusedBeforeTheFile) {
  SettingsDir dir;
  dir.WriteBytes("");  // any access would answer XMLR_FILE_ERROR
  EXPECT_EQ(XMLGetDICOMDisplayKINImage(u"CT", nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetDICOMModalityPatientInfo(u"CT", nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetDICOMLabelInfo(u"CT", nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetDICOMModalityInfo(u"CT", nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetDICOMModalityPatientInfo(u"CT", nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(XMLSetDICOMLabelInfo(u"CT", nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(XMLSetDICOMModalityInfo(u"CT", nullptr), XMLR_SET_FAILED);
}

}  // namespace
