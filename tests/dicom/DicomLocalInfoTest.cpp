// The local DICOM node settings and the image path on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "ViewerSettings.h"
#include "support/SettingsDir.h"

namespace {

using testing_support::kEmptyRoot;
using testing_support::SettingsDir;
using testing_support::U;

using testing_support::kDecl;

std::string NetSetting(const std::string& leaves) {
  return kDecl + "<SystemSetting><DICOMViewer><DICOMNetSetting>" + leaves +
         "</DICOMNetSetting></DICOMViewer></SystemSetting>";
}

// Every field, stored or not, in declared order.
auto Fields(const DICOMLocalInfo& i) {
  return std::tie(i.RemoteAETitle, i.RemotePort, i.LocalMaxSCPCount, i.LocalMaxSCUCount,
                  i.LocalDelayTime, i.NetOption, i.UseStudyUID, i.CheckStudyUID, i.LocalImageDir,
                  i.LocalSCUDir, i.LocalSCPDir, i.TransferSyntaxUID);
}

TEST(DicomLocalInfo, StoresTheEightLeavesInOrderAndReadsThemBack) {
  SettingsDir dir;
  dir.Write(kEmptyRoot);
  DICOMLocalInfo stored;
  stored.RemoteAETitle = u"NotStored";
  stored.LocalMaxSCPCount = -1;
  stored.LocalDelayTime = 90;
  stored.UseStudyUID = 1;
  stored.CheckStudyUID = -7;
  stored.LocalImageDir = U("D:\\Bilder & \"Serien\"\\");
  stored.LocalSCUDir = u"<scu>'";
  ASSERT_EQ(XMLSetDICOMLocalInfo(&stored), XMLR_SET_OK);
  EXPECT_EQ(dir.Text(), kDecl +
                            "<SystemSetting>\r\n<DICOMViewer>\r\n<DICOMNetSetting>\r\n"
                            "<UseStudyUID Value=\"1\"/>\r\n<CheckStudyUID Value=\"-7\"/>\r\n"
                            "<LocalMaxSCPCount Value=\"-1\"/>\r\n"
                            "<LocalMaxSCUCount Value=\"30\"/>\r\n"
                            "<LocalDelayTime Value=\"90\"/>\r\n"
                            "<LocalImageDir Value=\"D:\\Bilder &amp; &quot;Serien&quot;\\\"/>\r\n"
                            "<LocalSCUDir Value=\"&lt;scu&gt;&apos;\"/>\r\n"
                            "<LocalSCPDir Value=\"\"/>\r\n"
                            "</DICOMNetSetting>\r\n</DICOMViewer>\r\n</SystemSetting>\r\n");

  DICOMLocalInfo read;
  read.LocalSCPDir = u"replaced by the empty text";
  DICOMLocalInfo expected = stored;
  expected.RemoteAETitle = read.RemoteAETitle;  // never read
  ASSERT_EQ(XMLGetDICOMLocalInfo(&read), XMLR_GET_OK);
  EXPECT_EQ(Fields(read), Fields(expected));
  std::u16string path;
  EXPECT_EQ(XMLGetDICOMImagePath(&path), XMLR_GET_OK);
  EXPECT_EQ(path, stored.LocalImageDir);
}

TEST(DicomLocalInfo, NarrowFieldsKeepTheLowBitsOfTheNumberRead) {
  SettingsDir dir;
  dir.Write(
      NetSetting("<UseStudyUID/><CheckStudyUID Value='x1'/><LocalMaxSCPCount Value='70000'/>"
                 "<LocalMaxSCUCount Value=' -5'/><LocalDelayTime Value='12ab'/><LocalImageDir/>"
                 "<LocalSCUDir Value='u'/><LocalSCPDir Value='p'/>"));
  DICOMLocalInfo read;
  read.UseStudyUID = 9;
  read.LocalImageDir = u"old";
  DICOMLocalInfo expected;
  std::tie(expected.LocalMaxSCPCount, expected.LocalMaxSCUCount, expected.LocalDelayTime) =
      std::make_tuple(4464, -5, 12);
  std::tie(expected.LocalSCUDir, expected.LocalSCPDir) = std::make_tuple(u"u", u"p");
  ASSERT_EQ(XMLGetDICOMLocalInfo(&read), XMLR_GET_OK);
  EXPECT_EQ(Fields(read), Fields(expected));
}

TEST(DicomLocalInfo, LeavesAreSearchedForwardButTheImagePathFromTheFirstChild) {
  SettingsDir dir;
  dir.Write(NetSetting(
      "<LocalImageDir Value='first'/><CheckStudyUID Value='5'/><UseStudyUID Value='1'/>"
      "<LocalMaxSCPCount Value='2'/><LocalMaxSCUCount Value='3'/><LocalDelayTime Value='4'/>"
      "<LocalSCUDir Value='scu'/><LocalSCPDir Value='scp'/>"));
  DICOMLocalInfo read;
  read.LocalImageDir = u"kept";
  DICOMLocalInfo expected = read;
  std::tie(expected.UseStudyUID, expected.LocalMaxSCPCount, expected.LocalMaxSCUCount,
           expected.LocalDelayTime) = std::make_tuple(1, 2, 3, 4);
  std::tie(expected.LocalSCUDir, expected.LocalSCPDir) = std::make_tuple(u"scu", u"scp");
  EXPECT_EQ(XMLGetDICOMLocalInfo(&read), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(Fields(read), Fields(expected));
  std::u16string path;
  EXPECT_EQ(XMLGetDICOMImagePath(&path), XMLR_GET_OK);
  EXPECT_EQ(path, u"first");

  // Storing over such a file adds the leaves it cannot find ahead, so that reading agrees.
  expected.CheckStudyUID = 6;
  expected.LocalImageDir = u"second";
  ASSERT_EQ(XMLSetDICOMLocalInfo(&expected), XMLR_SET_OK);
  DICOMLocalInfo reread;
  EXPECT_EQ(XMLGetDICOMLocalInfo(&reread), XMLR_GET_OK);
  EXPECT_EQ(Fields(reread), Fields(expected));
}

TEST(DicomLocalInfo, MissingElementsAndUnreadableFilesLeaveTheCallersDataAlone) {
  SettingsDir dir;
  dir.Write(kDecl + "<SystemSetting><DICOMViewer><DICOMMainWin/></DICOMViewer></SystemSetting>");
  DICOMLocalInfo info;
  info.LocalDelayTime = 5;
  info.LocalImageDir = u"mine";
  const DICOMLocalInfo before = info;
  std::u16string path = u"mine";
  EXPECT_EQ(XMLGetDICOMLocalInfo(&info), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetDICOMImagePath(&path), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetDICOMLocalInfo(nullptr), XMLR_GET_NOT_FOUND);
  EXPECT_EQ(XMLGetDICOMImagePath(nullptr), XMLR_GET_NOT_FOUND);
  const std::string bytes = dir.Bytes();
  EXPECT_EQ(XMLSetDICOMLocalInfo(nullptr), XMLR_SET_FAILED);
  EXPECT_EQ(dir.Bytes(), bytes);

  std::filesystem::remove(dir.File());
  std::filesystem::create_directory(dir.File());
  EXPECT_EQ(XMLGetDICOMLocalInfo(&info), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLGetDICOMImagePath(&path), XMLR_FILE_ERROR);
  EXPECT_EQ(XMLSetDICOMLocalInfo(&info), XMLR_FILE_ERROR);
  EXPECT_EQ(Fields(info), Fields(before));
  EXPECT_EQ(path, u"mine");
}

}  // namespace
