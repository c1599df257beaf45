// The local DICOM node: SystemSetting/DICOMViewer/DICOMNetSetting and its eight leaves.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"

using namespace viewersettings::store;

namespace {

const ElementPath kNetSettingPath = {u"SystemSetting", u"DICOMViewer", u"DICOMNetSetting"};

// The leaves in file order. Each is looked up after the one found or added last, in both
// directions, so a setter and the getter after it agree on which element holds a value.
// RemoteAETitle, RemotePort, NetOption and TransferSyntaxUID are not stored.
const FileAccess kNetSettingAccess = {kNetSettingPath};
template <class Visitor, class Info>
void NetLeaves(Visitor& visit, Info& info) {
  visit.Leaf(u"UseStudyUID", info.UseStudyUID);
  visit.Leaf(u"CheckStudyUID", info.CheckStudyUID);
  visit.Leaf(u"LocalMaxSCPCount", info.LocalMaxSCPCount);
  visit.Leaf(u"LocalMaxSCUCount", info.LocalMaxSCUCount);
  visit.Leaf(u"LocalDelayTime", info.LocalDelayTime);
  visit.Leaf(u"LocalImageDir", info.LocalImageDir);
  visit.Leaf(u"LocalSCUDir", info.LocalSCUDir);
  visit.Leaf(u"LocalSCPDir", info.LocalSCPDir);
}

// Only the image directory, wherever it stands among its siblings.
const FileAccess kImagePathAccess = {kNetSettingPath, Search::kFromFirst};
template <class Visitor>
void ImagePathLeaf(Visitor& visit, std::u16string& path) {
  visit.Leaf(u"LocalImageDir", path);
}

}  // namespace

int32_t XMLGetDICOMLocalInfo(DICOMLocalInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kNetSettingAccess, [&](SettingsReader& r) { NetLeaves(r, *info); });
}

int32_t XMLSetDICOMLocalInfo(const DICOMLocalInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kNetSettingAccess, [&](SettingsWriter& w) { NetLeaves(w, *info); });
}

int32_t XMLGetDICOMImagePath(std::u16string* path) {
  if (!path) return XMLR_GET_NOT_FOUND;
  return Get(kImagePathAccess, [&](SettingsReader& r) { ImagePathLeaf(r, *path); });
}

namespace viewersettings::settings {

// DICOM.UseStudyUID, DICOM.CheckStudyUID, ..., DICOM.LocalSCPDir
GroupEntry DicomNodeGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMLocalInfo";
  group.setter = "XMLSetDICOMLocalInfo";
  group.keyPrefix = "DICOM.";
  group.keyFromLevel = 3;
  group.section = "dicom";
  group.sectionTitle = "DICOM node (DICOMViewer/DICOMNetSetting)";
  group.make = Records<DICOMLocalInfo>(
      XMLGetDICOMLocalInfo, XMLSetDICOMLocalInfo,
      OneAccess(kNetSettingAccess, NetLeaves<LeafRecorder, DICOMLocalInfo>));
  return group;
}

// DICOM.ImagePath: the image directory once more, through the getter that looks for it anywhere;
// read only.
GroupEntry ImagePathGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMImagePath";
  group.keyPrefix = "DICOM.";
  group.keyFromLevel = 3;
  group.renamed = {{u"LocalImageDir", "ImagePath"}};
  group.section = "image-path";
  group.sectionTitle = "DICOM image path";
  group.sectionNote =
      "the image directory looked up wherever it stands; set it as DICOM.LocalImageDir";
  group.make = Records<std::u16string>(XMLGetDICOMImagePath, nullptr,
                                       OneAccess(kImagePathAccess, ImagePathLeaf<LeafRecorder>));
  return group;
}

}  // namespace viewersettings::settings
