// The local DICOM node: SystemSetting/DICOMViewer/DICOMNetSetting and its eight leaves.
#include "ViewerSettings.h"
#include "store/Frame.h"

using namespace viewersettings::store;

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

}  // namespace

int32_t XMLGetDICOMLocalInfo(DICOMLocalInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kNetSettingPath, [&](SettingsReader& r) { NetLeaves(r, *info); });
}

int32_t XMLSetDICOMLocalInfo(const DICOMLocalInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kNetSettingPath, [&](SettingsWriter& w) { NetLeaves(w, *info); });
}

// Only the image directory, wherever it stands among its siblings.
int32_t XMLGetDICOMImagePath(std::u16string* path) {
  if (!path) return XMLR_GET_NOT_FOUND;
  return Get(
      kNetSettingPath, [&](SettingsReader& r) { r.Leaf(u"LocalImageDir", *path); },
      Search::kFromFirst);
}
