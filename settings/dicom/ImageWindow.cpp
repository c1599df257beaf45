// The main image window: SystemSetting/DICOMViewer/DICOMMainWin, holding the partial zoom
// (PartZoom) and the two overlay switches (ShowPatientInfo, ShowLabelInfo).
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "store/Access.h"

using namespace viewersettings::store;

namespace {

const ElementPath kMainWinPath = {u"SystemSetting", u"DICOMViewer", u"DICOMMainWin"};

// PartZoom carries all three values as attributes, in this order. It may stand anywhere under
// DICOMMainWin, so it is looked up from the first child.
const FileAccess kPartZoomAccess = {kMainWinPath, Search::kFromFirst};
template <class Visitor, class Zoom>
void PartZoomLeaf(Visitor& visit, Zoom& zoom) {
  if (!visit.Element(u"PartZoom")) return;
  visit.Attr(u"ZoomRatio", zoom.ZoomRatio);
  visit.Attr(u"ZoomWidth", zoom.ZoomWidth);
  visit.Attr(u"ZoomHeight", zoom.ZoomHeight);
}

// ShowLabelInfo is looked up after ShowPatientInfo. WinOption is the caller's and not stored.
const FileAccess kSwitchesAccess = {kMainWinPath};
template <class Visitor, class Win>
void SwitchLeaves(Visitor& visit, Win& win) {
  visit.Leaf(u"ShowPatientInfo", win.ShowPatientInfo);
  visit.Leaf(u"ShowLabelInfo", win.ShowLabelInfo);
}

}  // namespace

int32_t XMLGetDicomPartZoomIn(PartZoomInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kPartZoomAccess, [&](SettingsReader& r) { PartZoomLeaf(r, *info); });
}

int32_t XMLSetDicomPartZoomIn(const PartZoomInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kPartZoomAccess, [&](SettingsWriter& w) { PartZoomLeaf(w, *info); });
}

int32_t XMLGetDICOMImageWinInfo(DICOMImageWinInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kSwitchesAccess, [&](SettingsReader& r) { SwitchLeaves(r, *info); });
}

int32_t XMLSetDICOMImageWinInfo(const DICOMImageWinInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kSwitchesAccess, [&](SettingsWriter& w) { SwitchLeaves(w, *info); });
}

namespace viewersettings::settings {

// DICOM.PartZoom.ZoomRatio, DICOM.PartZoom.ZoomWidth, DICOM.PartZoom.ZoomHeight
GroupEntry PartZoomGroup() {
  GroupEntry group;
  group.getter = "XMLGetDicomPartZoomIn";
  group.setter = "XMLSetDicomPartZoomIn";
  group.keyPrefix = "DICOM.";
  group.keyFromLevel = 3;
  group.section = "zoom";
  group.sectionTitle = "Partial zoom (DICOMViewer/DICOMMainWin/PartZoom)";
  group.make =
      Records<PartZoomInfo>(XMLGetDicomPartZoomIn, XMLSetDicomPartZoomIn,
                            OneAccess(kPartZoomAccess, PartZoomLeaf<LeafRecorder, PartZoomInfo>));
  return group;
}

// DICOM.ShowPatientInfo, DICOM.ShowLabelInfo
GroupEntry ImageWinGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMImageWinInfo";
  group.setter = "XMLSetDICOMImageWinInfo";
  group.keyPrefix = "DICOM.";
  group.keyFromLevel = 3;
  group.section = "image-window";
  group.sectionTitle = "Image window switches (DICOMViewer/DICOMMainWin)";
  group.make = Records<DICOMImageWinInfo>(
      XMLGetDICOMImageWinInfo, XMLSetDICOMImageWinInfo,
      OneAccess(kSwitchesAccess, SwitchLeaves<LeafRecorder, DICOMImageWinInfo>));
  return group;
}

}  // namespace viewersettings::settings
