// The key-image switch of one modality: SystemSetting/DICOMViewer/<modality>/DisplayKIN.
#include "ViewerSettings.h"
#include "settings/dicom/ModalityName.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::dicom::IsUsableModalityName;

int32_t XMLGetDICOMDisplayKINImage(const std::u16string& modality, int32_t* value) {
  if (!value || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  return Get({u"SystemSetting", u"DICOMViewer", modality.c_str()},
             [&](SettingsReader& r) { r.Leaf(u"DisplayKIN", *value); });
}

int32_t XMLSetDICOMDisplayKINImage(const std::u16string& modality, int32_t value) {
  if (!IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  return Set({u"SystemSetting", u"DICOMViewer", modality.c_str()},
             [&](SettingsWriter& w) { w.Leaf(u"DisplayKIN", value); });
}
