// The viewer flags, the companion process name and the last window position on real files.
#include <gtest/gtest.h>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

// Beside the record, for argument-dependent lookup; internal, so no other test sees it.
static bool operator==(const WindowRect& a, const WindowRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

namespace {

using testing_support::kEmptyRoot;
using testing_support::SettingsDir;

using testing_support::kDecl;

TEST(ViewerFlags, FlagsAndNameAreStoredUnderTheRootAndReadBack) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  EXPECT_EQ(XMLIsRealData(), 1);
  EXPECT_EQ(XMLIsAutoLoopPlay(), 1);
  EXPECT_EQ(XMLGetDUZOProcessName(), u"");

  const std::u16string name = u"C:\\DUZO & <co> \"x\" 'y'.exe";
  EXPECT_EQ(XMLSetRealData(7), XMLR_SET_OK);
  EXPECT_EQ(XMLSetAutoLoopPlay(0), XMLR_SET_OK);
  EXPECT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<IsRealData Value=\"7\"/>\r\n"
                            "<AutoLoopPlay Value=\"0\"/>\r\n<DUZOProcessName "
                            "Value=\"C:\\DUZO &amp; &lt;co&gt; &quot;x&quot; &apos;y&apos;.exe\"/>"
                            "\r\n</SystemSetting>\r\n");
  EXPECT_EQ(XMLIsRealData(), 7);
  EXPECT_EQ(XMLIsAutoLoopPlay(), 0);
  EXPECT_EQ(XMLGetDUZOProcessName(), name);
}

TEST(ViewerFlags, ElementsWithoutValueReadAsZeroAndEmpty) {
  SettingsDir dir;
  dir.Write(kDecl +
            "<SystemSetting><IsRealData/><AutoLoopPlay Value='on'/><DUZOProcessName/>"
            "<WindowLastPos Top='5'/></SystemSetting>");
  EXPECT_EQ(XMLIsRealData(), 0);
  EXPECT_EQ(XMLIsAutoLoopPlay(), 0);
  EXPECT_EQ(XMLGetDUZOProcessName(), u"");
  WindowRect rect{-7, -7, -7, -7};
  EXPECT_EQ(XMLGetLastPos(&rect), XMLR_GET_OK);
  EXPECT_EQ(rect, (WindowRect{0, 5, 0, 0}));
}

TEST(ViewerFlags, RootOfAnotherNameStoresNothingAndSaysSo) {
  SettingsDir dir;
  dir.Write(kDecl + "<Settings><IsRealData Value='3'/></Settings>");
  const std::string before = dir.Bytes();
  const std::u16string name = u"DUZO.exe";
  const WindowRect rect{1, 2, 3, 4};
  EXPECT_EQ(XMLSetRealData(0), XMLR_SET_FAILED);
  EXPECT_EQ(XMLSetAutoLoopPlay(0), XMLR_SET_FAILED);
  EXPECT_EQ(XMLSetDUZOProcessName(&name), XMLR_SET_FAILED);
  EXPECT_EQ(XMLSetLastPos(&rect), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), before);
  EXPECT_EQ(XMLIsRealData(), 1);
}

TEST(ViewerFlags, TextWithoutARootGainsTheFlagAsItsRoot) {
  SettingsDir dir;
  dir.Write(kDecl);
  EXPECT_EQ(XMLSetRealData(4), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl + "<IsRealData Value=\"4\"/>\r\n");
  EXPECT_EQ(XMLIsRealData(), 4);
}

TEST(LastPos, IsStoredAsLeftRightTopBottom) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  WindowRect rect{-7, -7, -7, -7};
  EXPECT_EQ(XMLGetLastPos(&rect), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(rect, (WindowRect{-7, -7, -7, -7}));

  const WindowRect stored{10, 20, 810, -620};
  EXPECT_EQ(XMLSetLastPos(&stored), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<WindowLastPos Left=\"10\" Right=\"810\" "
                            "Top=\"20\" Bottom=\"-620\"/>\r\n</SystemSetting>\r\n");
  EXPECT_EQ(XMLGetLastPos(&rect), XMLR_GET_OK);
  EXPECT_EQ(rect, stored);
}

TEST(ViewerFlags, UnreadableFileGivesDefaultsAndErrors) {
  SettingsDir dir;
  dir.WriteBytes("");
  const std::u16string name = u"DUZO.exe";
  WindowRect rect{1, 2, 3, 4};
  EXPECT_EQ(XMLIsRealData(), 1);
  EXPECT_EQ(XMLIsAutoLoopPlay(), 1);
  EXPECT_EQ(XMLGetDUZOProcessName(), u"");
  EXPECT_EQ(XMLGetLastPos(&rect), XMLR_FILE_ERROR);
  EXPECT_EQ(rect, (WindowRect{1, 2, 3, 4}));
  EXPECT_EQ(XMLSetRealData(0), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetAutoLoopPlay(0), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetDUZOProcessName(&name), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetLastPos(&rect), XMLR_FILE_ERROR);
  EXPECT_EQ(dir.Bytes(), "");
}

TEST(ViewerFlags, NullArgumentsAreRefusedWithoutTouchingTheFile) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  const std::string before = dir.Bytes();
  EXPECT_EQ(XMLSetDUZOProcessName(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(XMLGetLastPos(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLSetLastPos(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), before);
}

}  // namespace
