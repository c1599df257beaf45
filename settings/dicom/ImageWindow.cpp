// The main image window: SystemSetting/DICOMViewer/DICOMMainWin, holding the partial zoom
// (PartZoom) and the two overlay switches (ShowPatientInfo, ShowLabelInfo).
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;

namespace {

const ElementPath kMainWinPath = {u"SystemSetting", u"DICOMViewer", u"DICOMMainWin"};

// PartZoom carries all three values as attributes, in this order. It may stand anywhere under
// DICOMMainWin, so it is looked up from the first child.
constexpr Search kPartZoomSearch = Search::kFromFirst;
template <class Io, class Zoom>
void PartZoomLeaf(Io& io, Zoom& zoom) {
  if (!io.Element(u"PartZoom")) return;
  io.Attr(u"ZoomRatio", zoom.ZoomRatio);
  io.Attr(u"ZoomWidth", zoom.ZoomWidth);
  io.Attr(u"ZoomHeight", zoom.ZoomHeight);
}

// ShowLabelInfo is looked up after ShowPatientInfo. WinOption is the caller's and not stored.
template <class Io, class Win>
void SwitchLeaves(Io& io, Win& win) {
  io.Leaf(u"ShowPatientInfo", win.ShowPatientInfo);
  io.Leaf(u"ShowLabelInfo", win.ShowLabelInfo);
}

}  // namespace

int32_t XMLGetDicomPartZoomIn(PartZoomInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(
      kMainWinPath, [&](SettingsReader& r) { PartZoomLeaf(r, *info); }, kPartZoomSearch);
}

int32_t XMLSetDicomPartZoomIn(const PartZoomInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(
      kMainWinPath, [&](SettingsWriter& w) { PartZoomLeaf(w, *info); }, kPartZoomSearch);
}

int32_t XMLGetDICOMImageWinInfo(DICOMImageWinInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kMainWinPath, [&](SettingsReader& r) { SwitchLeaves(r, *info); });
}

int32_t XMLSetDICOMImageWinInfo(const DICOMImageWinInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kMainWinPath, [&](SettingsWriter& w) { SwitchLeaves(w, *info); });
}

void viewersettings::catalogue::DescribeDicomPartZoomIn(LeafTable& table, PartZoomInfo& zoom) {
  table.Access(kMainWinPath, kPartZoomSearch);
  PartZoomLeaf(table, zoom);
}

void viewersettings::catalogue::DescribeDICOMImageWinInfo(LeafTable& table,
                                                          DICOMImageWinInfo& win) {
  table.Access(kMainWinPath);
  SwitchLeaves(table, win);
}
