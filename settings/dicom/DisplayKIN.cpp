// The key-image switch of one modality: SystemSetting/DICOMViewer/<modality>/DisplayKIN.
#include "ViewerSettings.h"
#include "catalogue/Describe.h"
#include "catalogue/LeafTable.h"
#include "settings/dicom/ModalityName.h"
#include "store/Frame.h"

using namespace viewersettings::store;
using viewersettings::catalogue::LeafTable;
using viewersettings::dicom::IsUsableModalityName;

namespace {

constexpr char16_t kDisplayKIN[] = u"DisplayKIN";

}  // namespace

int32_t XMLGetDICOMDisplayKINImage(const std::u16string& modality, int32_t* value) {
  if (!value || !IsUsableModalityName(modality)) return XMLR_GET_NOT_FOUND;
  return Get({u"SystemSetting", u"DICOMViewer", modality.c_str()},
             [&](SettingsReader& r) { r.Leaf(kDisplayKIN, *value); });
}

int32_t XMLSetDICOMDisplayKINImage(const std::u16string& modality, int32_t value) {
  if (!IsUsableModalityName(modality)) return XMLR_SET_FAILED;
  return Set({u"SystemSetting", u"DICOMViewer", modality.c_str()},
             [&](SettingsWriter& w) { w.Leaf(kDisplayKIN, value); });
}

void viewersettings::catalogue::DescribeDICOMDisplayKINImage(LeafTable& table,
                                                             const std::u16string& modality,
                                                             int32_t& value) {
  table.Access({u"SystemSetting", u"DICOMViewer", modality.c_str()});
  table.Leaf(kDisplayKIN, value);
}
