// The patient-information overlay of one modality: SystemSetting/DICOMViewer/<modality>/
// PatientInfo. The corner texts, colour and height are one access to the file, the
// image-information items under DisplayInfo a second one.
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "settings/dicom/ModalityName.h"
#include "store/Frame.h"
#include "store/Wait.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;
using viewersettings::dicom::IsUsableModalityName;

namespace {

template <class Io, class Info>
void OverlayLeaves(Io& io, Info& info) {
  io.Leaf(u"LeftTop", info.LeftTop);
  io.Leaf(u"RightTop", info.RightTop);
  io.Leaf(u"LeftBottom", info.LeftBottom);
  io.Leaf(u"RightBottom", info.RightBottom);
  io.Leaf(u"Color", info.Color);
  io.Leaf(u"Height", info.Height);
}

// The file keeps these leaves in another order than the record's fields.
template <class Io, class Items>
void DisplayInfoLeaves(Io& io, Items& items) {
  io.Leaf(u"ImageDirection", items.ImageDirection);
  io.Leaf(u"ZoomRatio", items.ZoomRatio);
  io.Leaf(u"WidthLevel", items.WidthLevel);
  io.Leaf(u"SeriesImageNo", items.SeriesImageNo);
  io.Leaf(u"ImageSize", items.ImageSize);
}

int32_t ReadDisplayInfo(const std::u16string& modality, DICOMDisplayInfo& out) {
  return Get({u"SystemSetting", u"DICOMViewer", modality.c_str(), u"PatientInfo", u"DisplayInfo"},
             [&](SettingsReader& r) { DisplayInfoLeaves(r, out); });
}

int32_t WriteDisplayInfo(const std::u16string& modality, const DICOMDisplayInfo& in) {
  return Set({u"SystemSetting", u"DICOMViewer", modality.c_str(), u"PatientInfo", u"DisplayInfo"},
             [&](SettingsWriter& w) { DisplayInfoLeaves(w, in); });
}

}  // namespace

int32_t XMLGetDICOMModalityPatientInfo(const std::u16string& modality,
                                       DICOMModalityPatientInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  CallScope call;
  const int32_t result = Get({u"SystemSetting", u"DICOMViewer", modality.c_str(), u"PatientInfo"},
                             [&](SettingsReader& r) { OverlayLeaves(r, *info); });
  if (result == XMLR_FILE_ERROR) return result;
  // A failure of the second access, even for want of the file, is only a missing part here.
  if (ReadDisplayInfo(modality, info->DisplayInfo) != XMLR_GET_OK) return XMLR_GET_NOT_FOUND;
  return result;
}

int32_t XMLSetDICOMModalityPatientInfo(const std::u16string& modality,
                                       const DICOMModalityPatientInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  CallScope call;
  const int32_t result = Set({u"SystemSetting", u"DICOMViewer", modality.c_str(), u"PatientInfo"},
                             [&](SettingsWriter& w) { OverlayLeaves(w, *info); });
  if (result == XMLR_FILE_ERROR) return result;
  if (WriteDisplayInfo(modality, info->DisplayInfo) != XMLR_SET_OK) return XMLR_SET_FAILED;
  return result;
}

void viewersettings::catalogue::DescribeDICOMModalityPatientInfo(LeafTable& table,
                                                                 const std::u16string& modality,
                                                                 DICOMModalityPatientInfo& info) {
  table.Access({u"SystemSetting", u"DICOMViewer", modality.c_str(), u"PatientInfo"});
  OverlayLeaves(table, info);
  table.Access(
      {u"SystemSetting", u"DICOMViewer", modality.c_str(), u"PatientInfo", u"DisplayInfo"});
  DisplayInfoLeaves(table, info.DisplayInfo);
}
