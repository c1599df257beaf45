// viewer-settings check: findings with their lines on crafted files, and a file left as it was.
#include <gtest/gtest.h>

#include <sstream>

#include "support/SettingsDir.h"
#include "tools/viewer-settings/Check.h"
#include "tools/viewer-settings/Cli.h"

namespace {

using testing_support::kEmptyRoot;
using testing_support::SettingsDir;
using viewersettings::cli::CheckSettingsFile;
using viewersettings::cli::Finding;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"unicode\"?>\n";

// Lines and the start of each message, in the order check reports them.
void ExpectFindings(const std::vector<Finding>& found,
                    const std::vector<std::pair<int, std::string>>& expected) {
  ASSERT_EQ(found.size(), expected.size());
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].line, expected[i].first) << found[i].message;
    EXPECT_EQ(found[i].message.substr(0, expected[i].second.size()), expected[i].second);
  }
}

TEST(CliCheck, FindsDuplicatesMisplacedLeavesAndIgnoredTextWithTheirLines) {
  SettingsDir dir;
  dir.Write(kDecl +                                                                    // 1
            "<SystemSetting>\n"                                                        // 2
            "<LocalSetting><PatListHeader><Item ColumnNo='0'/><Item ColumnNo='1'/>\n"  // 3
            "<Item ColumnNo='0'/><Item ColumnNo='00'/></PatListHeader></LocalSetting>\n"
            "<LocalSetting/>\n"                                           // 5
            "<DICOMViewer><DICOMNetSetting><CheckStudyUID Value='1'/>\n"  // 6
            "<UseStudyUID Value='1'/><LocalSCPDir/><LocalImageDir/></DICOMNetSetting>\n"
            "<ModalityCount Value='2'/><Modality1 Value='CT'/><Modality0 Value='MR'/>\n"
            "<CT><Label><Text><Precision Value='1'/><Unit Value='2'/></Text></Label></CT>\n"
            "</DICOMViewer><ECGViewer><GridType/><PageStyle/><Magnifier/></ECGViewer>\n"  // 10
            "</SystemSetting>\n"                                                          // 11
            "<Extra/>\n");
  ExpectFindings(
      CheckSettingsFile(dir.File()).findings,
      {{4, "second <Item ColumnNo=\"0\"> under <PatListHeader>, the first is on line 3"},
       {5, "second <LocalSetting> under <SystemSetting>, the first is on line 3"},
       {6, "<CheckStudyUID> stands before <UseStudyUID> (line 7) under <DICOMNetSetting>"},
       {7, "<LocalSCPDir> stands before <LocalImageDir> (line 7)"},
       {8, "<Modality1> stands before <Modality0> (line 8) under <DICOMViewer>"},
       {9, "<Precision> stands before <Unit> (line 9) under <Text>"},
       {10, "<GridType> stands before <PageStyle> (line 10) under <ECGViewer>"},
       {12, "a second top-level element <Extra> follows the root"}});
}

TEST(CliCheck, ReportsWhatKeepsTheLibraryFromReadingTheFileAtAll) {
  struct Row {
    std::string text;
    bool byteOrderMark;
    std::vector<std::pair<int, std::string>> expected;
  };
  const Row rows[] = {
      {kDecl + "<SystemSetting/>", false, {{1, "missing byte-order mark: the library reads"}}},
      {kDecl + "<SystemSetting><A></B></SystemSetting>",
       true,
       {{2, "the engine cannot parse the file (End tag does not correspond to A)"}}},
      {kDecl + "<SystemSetting>\n<LocalSetting>\n<MinDiskSpace Value=\"10",
       true,
       {{4, "the engine cannot parse the file (End of tag not found)"}}},
      {kDecl, true, {{2, "the engine cannot parse the file (Element tag not found)"}}},
      {kDecl + "\n<Settings><A/><A/></Settings>",
       true,
       {{3, "the root element is <Settings>, not <SystemSetting>"},
        {3, "second <A> under <Settings>, the first is on line 3"}}},
      {kDecl + "MinDiskSpace=1000\n<SystemSetting/>\n</SystemSetting> and words",
       true,
       {{2, "text before the root element"}, {4, "text after the root element"}}},
  };
  for (const Row& row : rows) {
    SettingsDir dir;
    dir.Write(row.text, row.byteOrderMark);
    ExpectFindings(CheckSettingsFile(dir.File()).findings, row.expected);
  }
}

TEST(CliCheck, SaysWhichEncodingItFoundAndReportsBytesNotValidInItByLine) {
  const struct {
    std::string bytes;
    std::string encoding;
  } files[] = {
      {"<?xml version=\"1.0\"?><SystemSetting/>", "UTF-8 without a byte-order mark"},
      {"\xEF\xBB\xBF<SystemSetting/>", "UTF-8 with a byte-order mark"},
      {std::string("\xFE\xFF\0<\0S\0/\0>", 10), "UTF-16BE with a byte-order mark"},
      {std::string("\0<\0S\0/\0>", 8), "UTF-16BE without a byte-order mark"},
  };
  for (const auto& file : files) {
    SettingsDir dir;
    dir.WriteBytes(file.bytes);
    const auto report = CheckSettingsFile(dir.File());
    EXPECT_EQ(report.encoding, file.encoding);
    // The UTF-16BE ones have a root <S>: their one finding.
    for (const Finding& finding : report.findings) {
      EXPECT_EQ(finding.message.find("the root element is <S>"), 0u) << finding.message;
    }
  }

  SettingsDir dir;
  dir.WriteBytes(kDecl +                                                              // 1
                 "<SystemSetting>\n"                                                  // 2
                 "<LocalImageDir Value='D:\\R\xF6ntgen\\'/>\n"                        // 3
                 "<LocalSCUDir Value='\xE2\x9C \xC0\xAF \xFF \xFE \xED\xA0\x80'/>\n"  // 4
                 "</SystemSetting>\n\xF0\x9F\x98");                                   // 6, cut off
  const auto report = CheckSettingsFile(dir.File());
  EXPECT_EQ(report.encoding, "UTF-8 without a byte-order mark");
  ExpectFindings(report.findings,
                 {{3,
                   "bytes that are not UTF-8 (F6): getters read each such sequence as U+FFFD, "
                   "and setters refuse to write the file"},
                  {4, "bytes that are not UTF-8 (E2 9C, C0, AF, FF and 4 more)"},
                  {6, "bytes that are not UTF-8 (F0 9F 98)"},
                  {6, "text after the root element"}});
}

TEST(CliCheck, ExitStatusAndOutputAndTheFileIsNeverWritten) {
  const auto run = [](const SettingsDir& dir, std::string& out) {
    std::ostringstream output;
    std::ostringstream errors;
    const int status =
        viewersettings::cli::Run({"--dir", dir.Path().string(), "check"}, output, errors);
    out = output.str() + errors.str();
    return status;
  };
  std::string out;
  SettingsDir missing;
  EXPECT_EQ(run(missing, out), 1);
  EXPECT_FALSE(missing.Exists());

  SettingsDir clean;
  clean.Write(kEmptyRoot);
  EXPECT_EQ(run(clean, out), 0);
  EXPECT_EQ(out, clean.File().string() + ": UTF-16LE with a byte-order mark\n" +
                     clean.File().string() + ": nothing that would surprise the library\n");

  SettingsDir empty;
  empty.WriteBytes("");
  EXPECT_EQ(run(empty, out), 1);
  EXPECT_EQ(empty.Bytes(), "");

  SettingsDir broken;
  broken.Write(kDecl + "<SystemSetting>\n<A/><A/>\n</SystemSetting>", false);
  const std::string before = broken.Bytes();
  EXPECT_EQ(run(broken, out), 1);
  const std::string file = broken.File().string();
  EXPECT_NE(out.find(file + ":1: missing byte-order mark"), std::string::npos) << out;
  EXPECT_NE(out.find(file + ":3: second <A> under <SystemSetting>"), std::string::npos) << out;
  EXPECT_EQ(broken.Bytes(), before);
}

}  // namespace
