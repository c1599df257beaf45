// Removing elements from the settings file: the elements named and no others go, and a file that
// holds none of them is not written.
#include <gtest/gtest.h>

#include <filesystem>

#include "ViewerSettings.h"
#include "store/Removal.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::SettingsDir;
using viewersettings::store::ElementToRemove;
using viewersettings::store::RemoveElements;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"unicode\"?>\r\n";

TEST(RemoveElements, TakesOutWhatItNamesWithTheLinesTheyStoodOn) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting>\r\n<LocalSetting>\r\n<PatListHeader>\r\n"
            "<Item ColumnNo=\"0\" ColumnName=\"A\"/>\r\n<Item ColumnNo=\"1\" ColumnName=\"B\"/>\r\n"
            "<Item ColumnNo=\"1\" ColumnName=\"again\"/>\r\n</PatListHeader>\r\n</LocalSetting>\r\n"
            "<WindowLastPos Left=\"1\"/>\r\n<!-- kept -->\r\n</SystemSetting>\r\n");
  EXPECT_EQ(RemoveElements({{{u"LocalSetting", u"PatListHeader", u"Item"}, u"ColumnNo", u"1"},
                            {{u"WindowLastPos"}}}),
            XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<LocalSetting>\r\n<PatListHeader>\r\n"
                            "<Item ColumnNo=\"0\" ColumnName=\"A\"/>\r\n</PatListHeader>\r\n"
                            "</LocalSetting>\r\n<!-- kept -->\r\n</SystemSetting>\r\n");

  // Nothing there to remove: the file is not written at all.
  const std::string bytes = dir.Bytes();
  const auto modified = std::filesystem::last_write_time(dir.File());
  EXPECT_EQ(RemoveElements({{{u"WindowLastPos"}}, {{u"ECGViewer", u"ColorSetting"}}}), XMLR_SET_OK);
  EXPECT_EQ(dir.Bytes(), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(dir.File()), modified);
}

}  // namespace
