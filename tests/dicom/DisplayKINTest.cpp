// The key-image switch of one modality on real files.
#include <gtest/gtest.h>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;

using testing_support::kDecl;

TEST(DisplayKIN, StoresUnderAnEmptyRootAndReadsBack) {
  SettingsDir dir;
  dir.Write(testing_support::kEmptyRoot);
  EXPECT_EQ(XMLSetDICOMDisplayKINImage(u"1CT", -2), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<DICOMViewer>\r\n<1CT>\r\n"
                            "<DisplayKIN Value=\"-2\"/>\r\n</1CT>\r\n</DICOMViewer>\r\n"
                            "</SystemSetting>\r\n");
  int32_t value = 0;
  EXPECT_EQ(XMLGetDICOMDisplayKINImage(u"1CT", &value), XMLR_GET_OK);
  EXPECT_EQ(value, -2);
}

TEST(DisplayKIN, ReadsTheLeafOfTheNamedModalityOnly) {
  struct Case {
    std::string modality;  // the children of DICOMViewer
    int32_t code;
    int32_t value;
  };
  const Case cases[] = {
      {"<CT><Other/><DisplayKIN Value=' 7x'/></CT>", XMLR_GET_OK, 7},
      {"<CT><DisplayKIN Value=''/></CT>", XMLR_GET_OK, 0},
      {"<CT><DisplayKIN/></CT>", XMLR_GET_OK, 0},
      {"<CT><Label/></CT>", XMLR_GET_NOT_FOUND, 42},
      {"<CTX><DisplayKIN Value='3'/></CTX>", XMLR_GET_NOT_FOUND, 42},
      {"<MR><DisplayKIN Value='3'/></MR><CT><DisplayKIN Value='4'/></CT>", XMLR_GET_OK, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modality);
    SettingsDir dir;
    dir.Write(kDecl + "<SystemSetting><DICOMViewer>" + c.modality +
              "</DICOMViewer></SystemSetting>");
    int32_t value = 42;
    EXPECT_EQ(XMLGetDICOMDisplayKINImage(u"CT", &value), c.code);
    EXPECT_EQ(value, c.value);
  }
}

TEST(DisplayKIN, UnreadableFileIsAFileError) {
  SettingsDir dir;
  std::filesystem::create_directory(dir.File());
  int32_t value = 42;
  EXPECT_EQ(XMLGetDICOMDisplayKINImage(u"CT", &value), XMLR_FILE_ERROR);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(XMLSetDICOMDisplayKINImage(u"CT", 1), XMLR_FILE_ERROR);
}

}  // namespace
