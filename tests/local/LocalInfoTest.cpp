// The four local station settings and the patient-list columns on real files.
#include <gtest/gtest.h>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

// Beside the records, for argument-dependent lookup; internal, so no other test sees them.
static bool operator==(const LocalInfo& a, const LocalInfo& b) {
  return a.LockStationTime == b.LockStationTime && a.PatListMaxRecords == b.PatListMaxRecords &&
         a.StudyListUpdateTime == b.StudyListUpdateTime && a.MinDiskSpace == b.MinDiskSpace;
}

static bool operator==(const PatListColumn& a, const PatListColumn& b) {
  return a.ColumnNo == b.ColumnNo && a.ColumnName == b.ColumnName && a.ColumnWidth == b.ColumnWidth;
}

namespace {

using testing_support::SettingsDir;

using testing_support::kDecl;

std::string Local(const std::string& children) {
  return kDecl + "<SystemSetting>\r\n<LocalSetting>\r\n" + children +
         "</LocalSetting>\r\n</SystemSetting>\r\n";
}

// LocalSetting as the first run leaves it.
const std::string kSeeded = Local("<MinDiskSpace Value=\"1000\"/>\r\n");
const std::string kLocalLeaves =
    "<MinDiskSpace Value=\"2000\"/>\r\n<LockStationTime Value=\"5\"/>\r\n"
    "<PatListMaxRecords Value=\"200\"/>\r\n<StudyListUpdateTime Value=\"30\"/>\r\n";
const std::string kHeader =
    "<PatListHeader>\r\n<Item ColumnNo=\"0\" ColumnName=\"A\" ColumnWidth=\"120\"/>\r\n"
    "<Item ColumnNo=\"1\" ColumnName=\"B\" ColumnWidth=\"80\"/>\r\n</PatListHeader>\r\n";
const LocalInfo kStored{5, 200, 30, 2000};

TEST(LocalInfo, SeededFileGainsTheThreeLeavesAfterMinDiskSpace) {
  SettingsDir dir;
  dir.Write(kSeeded);
  LocalInfo info{-7, -7, -7, -7};
  EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(info, (LocalInfo{-7, -7, -7, 1000}));

  EXPECT_EQ(XMLSetLocalInfo(&kStored), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), Local(kLocalLeaves));
  EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_GET_OK);
  EXPECT_EQ(info, kStored);
  int32_t minDiskSpace = 0;
  EXPECT_EQ(XMLGetMinDiskSpace(&minDiskSpace), XMLR_GET_OK);
  EXPECT_EQ(minDiskSpace, 2000);

  const LocalInfo negative{-1, -1, -1, -1};
  EXPECT_EQ(XMLSetLocalInfo(&negative), XMLR_SET_OK);
  EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_GET_OK);
  EXPECT_EQ(info, negative);
}

TEST(LocalInfo, BothSettersGiveTheSameOrderWhicheverRunsFirst) {
  const std::vector<PatListColumn> columns{{0, u"A", 120}, {1, u"B", 80}};
  for (const bool localFirst : {true, false}) {
    SettingsDir dir;
    dir.Write(kSeeded);
    if (localFirst) {
      ASSERT_EQ(XMLSetLocalInfo(&kStored), XMLR_SET_OK);
    }
    ASSERT_EQ(XMLSetPatListHeaderInfo(&columns), XMLR_GET_OK);
    if (!localFirst) {
      ASSERT_EQ(XMLSetLocalInfo(&kStored), XMLR_SET_OK);
    }
    EXPECT_EQ(dir.Text(), Local(kLocalLeaves + kHeader)) << localFirst;
  }
}

struct LocalCase {
  const char* name;
  std::string before;  // children of LocalSetting
  std::string after;   // the same after storing kStored
};

class SetLocalInfo : public testing::TestWithParam<LocalCase> {};

// Every leaf the getter reads is the one updated, so what is stored reads back.
TEST_P(SetLocalInfo, UpdatesTheLeavesTheGetterReads) {
  SettingsDir dir;
  dir.Write(Local(GetParam().before));
  ASSERT_EQ(XMLSetLocalInfo(&kStored), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), Local(GetParam().after));
  LocalInfo info{};
  EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_GET_OK);
  EXPECT_EQ(info, kStored);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SetLocalInfo,
    testing::Values(
        LocalCase{"LeafBeforeMinDiskSpace",
                  "<LockStationTime Value='1'/><MinDiskSpace Value='2'/>"
                  "<PatListMaxRecords Value='3'/><StudyListUpdateTime Value='4'/>",
                  "<LockStationTime Value='5'/><MinDiskSpace Value='2000'/>"
                  "<PatListMaxRecords Value='200'/><StudyListUpdateTime Value='30'/>"},
        LocalCase{"MissingLeavesFollowThePreviousOne",
                  "<StudyListUpdateTime Value='4'/>\r\n<MinDiskSpace Value='2'/>\r\n",
                  "<StudyListUpdateTime Value='30'/>\r\n<MinDiskSpace Value='2000'/>\r\n"
                  "<LockStationTime Value=\"5\"/>\r\n<PatListMaxRecords Value=\"200\"/>\r\n"},
        // MinDiskSpace goes last; the leaves after it follow the LockStationTime found earlier.
        LocalCase{"MissingMinDiskSpaceIsAddedLast", "<LockStationTime Value='1'/>\r\n" + kHeader,
                  "<LockStationTime Value='5'/>\r\n<PatListMaxRecords Value=\"200\"/>\r\n"
                  "<StudyListUpdateTime Value=\"30\"/>\r\n" +
                      kHeader + "<MinDiskSpace Value=\"2000\"/>\r\n"}),
    [](const testing::TestParamInfo<LocalCase>& info) { return info.param.name; });

struct ColumnsCase {
  const char* name;
  std::string items;  // children of PatListHeader
  int32_t code;
  std::vector<PatListColumn> columns;
};

class GetPatListHeader : public testing::TestWithParam<ColumnsCase> {};

TEST_P(GetPatListHeader, ReadsAGapFreeRunFromColumnZero) {
  SettingsDir dir;
  dir.Write(Local("<PatListHeader>" + GetParam().items + "</PatListHeader>"));
  std::vector<PatListColumn> columns{{9, u"stale", 9}};
  EXPECT_EQ(XMLGetPatListHeaderInfo(&columns), GetParam().code);
  EXPECT_EQ(columns, GetParam().columns);
}

std::string Item(const std::string& number, const std::string& name, const std::string& width) {
  return "<Item ColumnNo='" + number + "' ColumnName='" + name + "' ColumnWidth='" + width + "'/>";
}

INSTANTIATE_TEST_SUITE_P(
    Documents, GetPatListHeader,
    testing::Values(
        ColumnsCase{"AllSevenInReverse",
                    Item("6", "G", "6") + Item("5", "F", "5") + Item("4", "E", "4") +
                        Item("3", "D", "3") + "<Other ColumnNo='2'/>" + Item("2", "C", "2") +
                        Item("1", "B", "1") + Item("0", "A &amp; Z", "0") + Item("7", "H", "7"),
                    XMLR_GET_OK,
                    {{0, u"A & Z", 0},
                     {1, u"B", 1},
                     {2, u"C", 2},
                     {3, u"D", 3},
                     {4, u"E", 4},
                     {5, u"F", 5},
                     {6, u"G", 6}}},
        ColumnsCase{"StopsAtTheFirstGap",
                    Item("0", "A", "70000") + Item("1", "B", "-2") + Item("3", "D", "3"),
                    XMLR_GET_NOT_FOUND,
                    {{0, u"A", 4464}, {1, u"B", -2}}},
        ColumnsCase{"NumbersMatchOnlyInTheirExactForm",
                    Item("00", "A", "1") + Item(" 0", "A", "1"),
                    XMLR_GET_NOT_FOUND,
                    {}},
        ColumnsCase{"TheFirstOfTwoEqualNumbersCounts",
                    Item("0", "first", "1") + Item("0", "second", "2"),
                    XMLR_GET_NOT_FOUND,
                    {{0, u"first", 1}}}),
    [](const testing::TestParamInfo<ColumnsCase>& info) { return info.param.name; });

TEST(SetPatListHeader, UpdatesTheFirstMatchAndAddsAfterTheLastItem) {
  SettingsDir dir;
  const std::string header = "<PatListHeader>\r\n" + Item("2", "old", "1") + "\r\n" +
                             Item("2", "twin", "2") + "\r\n<Note/>\r\n</PatListHeader>\r\n";
  dir.Write(Local(header));
  const std::vector<PatListColumn> columns{{2, u"x", 10}, {5, u"<y>", -3}, {2, u"z", 30}};
  EXPECT_EQ(XMLSetPatListHeaderInfo(&columns), XMLR_GET_OK);
  EXPECT_EQ(dir.Text(),
            Local("<PatListHeader>\r\n" + Item("2", "z", "30") + "\r\n" + Item("2", "twin", "2") +
                  "\r\n<Item ColumnNo=\"5\" ColumnName=\"&lt;y&gt;\" "
                  "ColumnWidth=\"-3\"/>\r\n<Note/>\r\n</PatListHeader>\r\n"));
}

TEST(SetPatListHeader, SeededFileGainsTheHeaderAsTheLastChild) {
  SettingsDir dir;
  dir.Write(kSeeded);
  const std::vector<PatListColumn> columns{{0, u"A", 120}, {1, u"B", 80}};
  EXPECT_EQ(XMLSetPatListHeaderInfo(&columns), XMLR_GET_OK);
  EXPECT_EQ(dir.Text(), Local("<MinDiskSpace Value=\"1000\"/>\r\n" + kHeader));
  std::vector<PatListColumn> read;
  EXPECT_EQ(XMLGetPatListHeaderInfo(&read), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(read, columns);
}

TEST(SetPatListHeader, ItemsThatCannotBeStoredAreReported) {
  SettingsDir dir;
  dir.Write(kDecl + "<Settings><LocalSetting/></Settings>");
  const std::string before = dir.Bytes();
  const std::vector<PatListColumn> columns{{0, u"A", 120}};
  EXPECT_EQ(XMLSetPatListHeaderInfo(&columns), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), before);
}

TEST(LocalSettings, UnreadableFileLeavesRecordsAndListsAlone) {
  SettingsDir dir;
  dir.WriteBytes("");
  LocalInfo info{1, 2, 3, 4};
  std::vector<PatListColumn> columns{{3, u"kept", 4}};
  EXPECT_EQ(XMLGetLocalInfo(&info), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetLocalInfo(&info), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLGetPatListHeaderInfo(&columns), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetPatListHeaderInfo(&columns), XMLR_FILE_ERROR);
  EXPECT_EQ(info, (LocalInfo{1, 2, 3, 4}));
  EXPECT_EQ(columns, (std::vector<PatListColumn>{{3, u"kept", 4}}));
  EXPECT_EQ(dir.Bytes(), "");
}

TEST(LocalSettings, NullRecordsAreRefusedWithoutTouchingTheFile) {
  SettingsDir dir;
  dir.Write(kSeeded);
  const std::string before = dir.Bytes();
  EXPECT_EQ(XMLGetLocalInfo(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetLocalInfo(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(XMLGetPatListHeaderInfo(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetPatListHeaderInfo(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), before);
}

}  // namespace
