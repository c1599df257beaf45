// The list of added modalities on real files.
#include <gtest/gtest.h>

#include <filesystem>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::kEmptyRoot;
using testing_support::SettingsDir;
using Names = std::vector<std::u16string>;

using testing_support::kDecl;

std::string Viewer(const std::string& children) {
  return kDecl + "<SystemSetting><DICOMViewer>" + children + "</DICOMViewer></SystemSetting>";
}

TEST(AddedModality, StoresCountAndNamesAndReadsThemBack) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  const Names general{u"General"};
  ASSERT_EQ(XMLSetDICOMAddedModality(&general), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<DICOMViewer>\r\n<ModalityCount Value=\"1\"/>\r\n"
                            "<Modality0 Value=\"General\"/>\r\n</DICOMViewer>\r\n"
                            "</SystemSetting>\r\n");
  Names read{u"old", u"older"};
  ASSERT_EQ(XMLGetDICOMAddedModality(&read), XMLR_GET_OK);
  EXPECT_EQ(read, general);

  const Names none;
  ASSERT_EQ(XMLSetDICOMAddedModality(&none), XMLR_SET_OK);
  ASSERT_EQ(XMLGetDICOMAddedModality(&read), XMLR_GET_OK);
  EXPECT_TRUE(read.empty());
}

TEST(AddedModality, AShorterListLeavesTheElementsBeyondItsCount) {
  SettingsDir dir;
  dir.Write(Viewer("<DICOMNetSetting/><CT/>"));
  const Names three{u"CT", u"A&B <\"x\">", u"MR"};
  ASSERT_EQ(XMLSetDICOMAddedModality(&three), XMLR_SET_OK);
  const Names one{u"US'"};
  ASSERT_EQ(XMLSetDICOMAddedModality(&one), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), Viewer("<DICOMNetSetting/><CT/><ModalityCount Value=\"1\"/>\r\n"
                               "<Modality0 Value=\"US&apos;\"/>\r\n"
                               "<Modality1 Value=\"A&amp;B &lt;&quot;x&quot;&gt;\"/>\r\n"
                               "<Modality2 Value=\"MR\"/>\r\n"));
  Names read;
  ASSERT_EQ(XMLGetDICOMAddedModality(&read), XMLR_GET_OK);
  EXPECT_EQ(read, one);
  ASSERT_EQ(XMLSetDICOMAddedModality(&three), XMLR_SET_OK);
  ASSERT_EQ(XMLGetDICOMAddedModality(&read), XMLR_GET_OK);
  EXPECT_EQ(read, three);
}

struct ListCase {
  const char* name;
  std::string children;
  int32_t code;
  Names names;
};

class AddedModalityList : public testing::TestWithParam<ListCase> {};

TEST_P(AddedModalityList, IsReadForwardFromTheCount) {
  SettingsDir dir;
  dir.Write(Viewer(GetParam().children));
  Names read{u"before"};
  EXPECT_EQ(XMLGetDICOMAddedModality(&read), GetParam().code);
  EXPECT_EQ(read, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, AddedModalityList,
    testing::Values(
        ListCase{"NoCount", "<Modality0 Value='CT'/>", XMLR_GET_NOT_FOUND, {}},
        ListCase{"NamesBeforeTheCount",
                 "<Modality0 Value='CT'/><ModalityCount Value='1'/>",
                 XMLR_GET_NOT_FOUND,
                 {}},
        ListCase{"MinusOne", "<ModalityCount Value='-1'/><Modality0 Value='CT'/>", XMLR_GET_OK, {}},
        ListCase{"NegativeIn16Bits",
                 "<ModalityCount Value='40000'/><Modality0 Value='CT'/>",
                 XMLR_GET_OK,
                 {}},
        ListCase{"LowBitsOnly",
                 "<ModalityCount Value='65537'/><Modality0 Value='CT'/><Modality1 Value='MR'/>",
                 XMLR_GET_OK,
                 {u"CT"}},
        ListCase{"GapIsSkipped",
                 "<ModalityCount Value='3'/><Modality0 Value='CT'/><Modality2 Value='MR'/>",
                 XMLR_GET_NOT_FOUND,
                 {u"CT", u"MR"}},
        ListCase{"OutOfOrder",
                 "<ModalityCount Value='3'/><Modality1 Value='MR'/><Modality0 Value='CT'/>"
                 "<Modality2 Value='US'/>",
                 XMLR_GET_NOT_FOUND,
                 {u"CT", u"US"}},
        ListCase{"LongerNamesDoNotMatch",
                 "<ModalityCount Value='2'/><Modality0 Value='CT'/><Modality10 Value='X'/>"
                 "<Modality1 Value='MR'/>",
                 XMLR_GET_OK,
                 {u"CT", u"MR"}}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

TEST(AddedModality, RefusedListsAndUnreadableFilesChangeNothing) {
  SettingsDir dir;
  dir.Write(Viewer("<ModalityCount Value='1'/><Modality0 Value='CT'/>"));
  const std::string before = dir.Bytes();
  const Names tooMany(32768, u"CT");
  EXPECT_EQ(XMLSetDICOMAddedModality(&tooMany), XMLR_SET_FAILED);
  EXPECT_EQ(XMLSetDICOMAddedModality(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(XMLGetDICOMAddedModality(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(dir.Bytes(), before);

  std::filesystem::remove(dir.File());
  std::filesystem::create_directory(dir.File());
  Names kept{u"kept"};
  EXPECT_EQ(XMLGetDICOMAddedModality(&kept), XMLR_FILE_ERROR);
  EXPECT_EQ(kept, Names{u"kept"});
  EXPECT_EQ(XMLSetDICOMAddedModality(&kept), XMLR_FILE_ERROR);
}

}  // namespace
