// All display settings of one modality at once: the key-image switch, the patient-information
// overlay and the labels, each through its own exported functions and thus its own accesses.
#include "ViewerSettings.h"
#include "settings/dicom/ModalityName.h"
#include "store/Wait.h"

using viewersettings::dicom::IsUsableModalityName;
using viewersettings::store::CallScope;

int32_t XMLGetDICOMModalityInfo(const std::u16string& modality, DICOMModalityInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  // Its accesses to the file share one wait for a busy file.
  CallScope call;
  // Every part is read whatever the parts before it met; a file error is only a missing part.
  const int32_t results[] = {
      XMLGetDICOMDisplayKINImage(modality, &info->DisplayKIN),
      XMLGetDICOMModalityPatientInfo(modality, &info->PatientInfo),
      XMLGetDICOMLabelInfo(modality, &info->Label),
  };
  for (const int32_t result : results) {
    if (result != XMLR_GET_OK) return XMLR_GET_NOT_FOUND;
  }
  return XMLR_GET_OK;
}

int32_t XMLSetDICOMModalityInfo(const std::u16string& modality, const DICOMModalityInfo* info) {
  if (!info || !IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  // Its accesses to the file share one wait for a busy file.
  CallScope call;
  const int32_t results[] = {
      XMLSetDICOMDisplayKINImage(modality, info->DisplayKIN),
      XMLSetDICOMModalityPatientInfo(modality, &info->PatientInfo),
      XMLSetDICOMLabelInfo(modality, &info->Label),
  };
  for (const int32_t result : results) {
    if (result != XMLR_SET_OK) return XMLR_SET_FAILED;
  }
  return XMLR_SET_OK;
}
