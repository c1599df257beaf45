// The local DICOM node: SystemSetting/DICOMViewer/DICOMNetSetting and its eight leaves.
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;

namespace {

const ElementPath kNetSettingPath = {u"SystemSetting", u"DICOMViewer", u"DICOMNetSetting"};

// The leaves in file order. Each is looked up after the one found or added last, in both
// directions, so a setter and the getter after it agree on which element holds a value.
// RemoteAETitle, RemotePort, NetOption and TransferSyntaxUID are not stored.
template <class Io, class Info>
void NetLeaves(Io& io, Info& info) {
  io.Leaf(u"UseStudyUID", info.UseStudyUID);
  io.Leaf(u"CheckStudyUID", info.CheckStudyUID);
  io.Leaf(u"LocalMaxSCPCount", info.LocalMaxSCPCount);
  io.Leaf(u"LocalMaxSCUCount", info.LocalMaxSCUCount);
  io.Leaf(u"LocalDelayTime", info.LocalDelayTime);
  io.Leaf(u"LocalImageDir", info.LocalImageDir);
  io.Leaf(u"LocalSCUDir", info.LocalSCUDir);
  io.Leaf(u"LocalSCPDir", info.LocalSCPDir);
}

// Only the image directory, wherever it stands among its siblings.
constexpr Search kImagePathSearch = Search::kFromFirst;
template <class Io>
void ImagePathLeaf(Io& io, std::u16string& path) {
  io.Leaf(u"LocalImageDir", path);
}

}  // namespace

int32_t XMLGetDICOMLocalInfo(DICOMLocalInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kNetSettingPath, [&](SettingsReader& r) { NetLeaves(r, *info); });
}

int32_t XMLSetDICOMLocalInfo(const DICOMLocalInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kNetSettingPath, [&](SettingsWriter& w) { NetLeaves(w, *info); });
}

int32_t XMLGetDICOMImagePath(std::u16string* path) {
  if (!path) return XMLR_GET_NOT_FOUND;
  return Get(
      kNetSettingPath, [&](SettingsReader& r) { ImagePathLeaf(r, *path); }, kImagePathSearch);
}

void viewersettings::catalogue::DescribeDICOMLocalInfo(LeafTable& table, DICOMLocalInfo& info) {
  table.Access(kNetSettingPath);
  NetLeaves(table, info);
}

void viewersettings::catalogue::DescribeDICOMImagePath(LeafTable& table, std::u16string& path) {
  table.Access(kNetSettingPath, kImagePathSearch);
  ImagePathLeaf(table, path);
}
