// The patient-information overlay of one modality: SystemSetting/DICOMViewer/<modality>/
// PatientInfo. The corner texts, colour and height are one access to the file, the
// image-information items under DisplayInfo a second one.
#include "ViewerSettings.h"
#include "settings/Group.h"
#include "settings/dicom/ModalityAccess.h"
#include "settings/dicom/ModalityName.h"
#include "store/Access.h"
#include "store/Wait.h"

using namespace viewersettings::store;
using viewersettings::dicom::IsUsableModalityName;
using viewersettings::dicom::ModalityAccess;

namespace {

FileAccess OverlayAccess(const std::u16string& modality) {
  return ModalityAccess(modality, {u"PatientInfo"});
}
template <class Visitor, class Info>
void OverlayLeaves(Visitor& visit, Info& info) {
  visit.Leaf(u"LeftTop", info.LeftTop);
  visit.Leaf(u"RightTop", info.RightTop);
  visit.Leaf(u"LeftBottom", info.LeftBottom);
  visit.Leaf(u"RightBottom", info.RightBottom);
  visit.Leaf(u"Color", info.Color);
  visit.Leaf(u"Height", info.Height);
}

// The file keeps these leaves in another order than the record's fields.
FileAccess DisplayInfoAccess(const std::u16string& modality) {
  return ModalityAccess(modality, {u"PatientInfo", u"DisplayInfo"});
}
template <class Visitor, class Items>
void DisplayInfoLeaves(Visitor& visit, Items& items) {
  visit.Leaf(u"ImageDirection", items.ImageDirection);
  visit.Leaf(u"ZoomRatio", items.ZoomRatio);
  visit.Leaf(u"WidthLevel", items.WidthLevel);
  visit.Leaf(u"SeriesImageNo", items.SeriesImageNo);
  visit.Leaf(u"ImageSize", items.ImageSize);
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
