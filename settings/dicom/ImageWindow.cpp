// The main image window: SystemSetting/DICOMViewer/DICOMMainWin, holding the partial zoom
// (PartZoom) and the two overlay switches (ShowPatientInfo, ShowLabelInfo).
#include "ViewerSettings.h"
#include "store/Frame.h"

using namespace viewersettings::store;

namespace {

const ElementPath kMainWinPath = {u"SystemSetting", u"DICOMViewer", u"DICOMMainWin"};

// PartZoom carries all three values as attributes, in this order.
template <class Io, class Zoom>
void ZoomAttributes(Io& io, Zoom& zoom) {
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

// PartZoom may stand anywhere under DICOMMainWin, so it is looked up from the first child.
int32_t XMLGetDicomPartZoomIn(PartZoomInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(
      kMainWinPath,
      [&](SettingsReader& r) {
        if (r.Element(u"PartZoom")) ZoomAttributes(r, *info);
      },
      Search::kFromFirst);
}

int32_t XMLSetDicomPartZoomIn(const PartZoomInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(
      kMainWinPath,
      [&](SettingsWriter& w) {
        if (w.Element(u"PartZoom")) ZoomAttributes(w, *info);
      },
      Search::kFromFirst);
}

int32_t XMLGetDICOMImageWinInfo(DICOMImageWinInfo* info) {
  if (!info) return XMLR_GET_NOT_FOUND;
  return Get(kMainWinPath, [&](SettingsReader& r) { SwitchLeaves(r, *info); });
}

int32_t XMLSetDICOMImageWinInfo(const DICOMImageWinInfo* info) {
  if (!info) return XMLR_SET_FAILED;
  return Set(kMainWinPath, [&](SettingsWriter& w) { SwitchLeaves(w, *info); });
}
