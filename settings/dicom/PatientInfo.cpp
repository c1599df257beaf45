// The patient-information overlay of one modality: SystemSetting/DICOMViewer/<modality>/
// PatientInfo. The corner texts, colour and height are one access to the file, the
// image-information items under DisplayInfo a second one.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "settings/dicom/ModalityAccess.h"
#include "settings/dicom/ModalityName.h"
#include "store/Frame.h"
#include "store/Wait.h"

using namespace viewersettings::store;
using viewersettings::dicom::IsUsableModalityName;
using viewersettings::dicom::ModalityAccess;

namespace {

FileAccess OverlayAccess(const std::u16string& modality) {
  return ModalityAccess(modality, {u"PatientInfo"});
}
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
FileAccess DisplayInfoAccess(const std::u16string& modality) {
  return ModalityAccess(modality, {u"PatientInfo", u"DisplayInfo"});
}
template <class Io, class Items>
void DisplayInfoLeaves(Io& io, Items& items) {
  io.Leaf(u"ImageDirection", items.ImageDirection);
  io.Leaf(u"ZoomRatio", items.ZoomRatio);
  io.Leaf(u"WidthLevel", items.WidthLevel);
  io.Leaf(u"SeriesImageNo", items.SeriesImageNo);
  io.Leaf(u"ImageSize", items.ImageSize);
}

}  // namespace

int32_t XMLGetDICOMModalityPatientInfo(const std::u16string& modality,
                                       DICOMModalityPatientInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  CallScope call;
  const int32_t result =
      Get(OverlayAccess(modality), [&](SettingsReader& r) { OverlayLeaves(r, *info); });
  if (result == XMLR_FILE_ERROR) return result;
  // A failure of the second access, even for want of the file, is only a missing part here.
  if (Get(DisplayInfoAccess(modality),
          [&](SettingsReader& r) { DisplayInfoLeaves(r, info->DisplayInfo); }) != XMLR_GET_OK) {
    return XMLR_GET_NOT_FOUND;
  }
  return result;
}

int32_t XMLSetDICOMModalityPatientInfo(const std::u16string& modality,
                                       const DICOMModalityPatientInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  CallScope call;
  const int32_t result =
      Set(OverlayAccess(modality), [&](SettingsWriter& w) { OverlayLeaves(w, *info); });
  if (result == XMLR_FILE_ERROR) return result;
  if (Set(DisplayInfoAccess(modality),
          [&](SettingsWriter& w) { DisplayInfoLeaves(w, info->DisplayInfo); }) != XMLR_SET_OK) {
    return XMLR_SET_FAILED;
  }
  return result;
}

namespace viewersettings::settings {
namespace {

RecordFunctions<DICOMModalityPatientInfo> PatientInfoRecord(const std::u16string& modality) {
  return {[modality](DICOMModalityPatientInfo& info) {
            return XMLGetDICOMModalityPatientInfo(modality, &info);
          },
          [modality](const DICOMModalityPatientInfo& info) {
            return XMLSetDICOMModalityPatientInfo(modality, &info);
          },
          [] { return DICOMModalityInfo().PatientInfo; },
          [modality](LeafRecorder& recorder, DICOMModalityPatientInfo& info) {
            recorder.Access(OverlayAccess(modality));
            OverlayLeaves(recorder, info);
            recorder.Access(DisplayInfoAccess(modality));
            DisplayInfoLeaves(recorder, info.DisplayInfo);
          }};
}

}  // namespace

// Modality.<name>.PatientInfo.LeftTop, ..., Modality.<name>.PatientInfo.DisplayInfo.ImageSize
GroupEntry PatientInfoGroup() {
  GroupEntry group;
  group.getter = "XMLGetDICOMModalityPatientInfo";
  group.setter = "XMLSetDICOMModalityPatientInfo";
  group.perModality = true;
  group.keyPrefix = "Modality.<name>.";
  group.keyFromLevel = 3;
  group.section = "Modality.<name>";
  group.make = ModalityRecords(PatientInfoRecord);
  return group;
}

}  // namespace viewersettings::settings
