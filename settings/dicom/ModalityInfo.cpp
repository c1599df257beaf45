// All display settings of one modality at once: the key-image switch, the patient-information
// overlay and the labels, each through its own exported functions and thus its own accesses.
#include "ViewerSettings.h"
#include "settings/dicom/ModalityName.h"
#include "store/Access.h"
#include "store/Wait.h"

using viewersettings::dicom::IsUsableModalityName;
using viewersettings::store::AllOrElse;
using viewersettings::store::CallScope;

int32_t XMLGetDICOMModalityInfo(const std::u16string& modality, DICOMModalityInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  CallScope call;
  // Every part is read whatever the parts before it met; a file error is only a missing part.
  return AllOrElse(
      {
          XMLGetDICOMDisplayKINImage(modality, &info->DisplayKIN),
          XMLGetDICOMModalityPatientInfo(modality, &info->PatientInfo),
          XMLGetDICOMLabelInfo(modality, &info->Label),
      },
      XMLR_GET_OK, XMLR_GET_NOT_FOUND);
}

int32_t XMLSetDICOMModalityInfo(const std::u16string& modality, const DICOMModalityInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  CallScope call;
  return AllOrElse(
      {
          XMLSetDICOMDisplayKINImage(modality, info->DisplayKIN),
          XMLSetDICOMModalityPatientInfo(modality, &info->PatientInfo),
          XMLSetDICOMLabelInfo(modality, &info->Label),
      },
      XMLR_SET_OK, XMLR_SET_FAILED);
}
